#include "host/services/frame_memory.h"

#include "base/xception.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

double const GIB = 1024.0 * 1024.0 * 1024.0;

} // namespace

std::uint64_t physical_memory_bytes() {
#ifdef _WIN32
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? std::uint64_t(status.ullTotalPhys) : 0;
#else
    long const pages = sysconf(_SC_PHYS_PAGES);
    long const page_size = sysconf(_SC_PAGESIZE);
    return pages > 0 && page_size > 0 ? std::uint64_t(pages) * std::uint64_t(page_size) : 0;
#endif
}

void check_frame_fits_memory(long long width, long long height, double bytes_per_pixel,
                             char const* what) {
    double const needed = double(width) * double(height) * bytes_per_pixel;
    double const memory = double(physical_memory_bytes());
    if (memory > 0 && needed > memory) {
        throw StrXception("host/services/frame_memory", __PRETTY_FUNCTION__, __LINE__,
                          "a %lld x %lld frame needs %.1f GiB of %s, more than the %.1f GiB of "
                          "memory of this machine",
                          width, height, needed / GIB, what, memory / GIB);
    }
}
