#pragma once

#include <vector>

typedef std::vector<unsigned char> Bytes;

// The most bytes a frame file may have: 4 GiB, twice an uncompressed float
// frame of the largest allowed size.
constexpr unsigned long long MAX_FRAME_FILE_BYTES = 1ULL << 32;

// The whole file. Raises "cannot read frame "<path>": ..." when it is
// missing, not a regular file, empty, too large or unreadable.
Bytes read_frame_bytes(char const* path);

// Writes the bytes under a temporary name beside `path` and renames it into
// place once they are all on disk. On any failure neither `path` nor the
// temporary is left, and it raises "cannot write frame "<path>": ...".
void write_frame_bytes(char const* path, Bytes const& bytes);
