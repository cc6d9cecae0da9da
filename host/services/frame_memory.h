#pragma once

#include <cstdint>

// Bytes of memory the machine has; 0 when the system does not say.
std::uint64_t physical_memory_bytes();

// Refuses a width x height frame whose buffers, `bytes_per_pixel` for each
// pixel, need more than the machine's memory: allocating it may succeed and
// touching it bring the out-of-memory killer instead of an error. Throws a
// StrXception "a <w> x <h> frame needs <n> GiB of <what>, more than the <m>
// GiB of memory of this machine".
void check_frame_fits_memory(long long width, long long height, double bytes_per_pixel,
                             char const* what);
