#ifdef _WIN32

#include <osapi/osapi-unix.h>

#include "osapi/win32.h"

namespace OSAPI {

u64 microsecs() {
    // Since 1970, as gettimeofday counts.
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    u64 ticks = (static_cast<u64>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    FILETIME epoch = to_file_time(0);
    u64 epoch_ticks = (static_cast<u64>(epoch.dwHighDateTime) << 32) | epoch.dwLowDateTime;
    return (ticks - epoch_ticks) / 10;
}

void sleep(unsigned seconds) {
    Sleep(seconds * 1000);
}

void yield() {
    SwitchToThread();
}

uword get_page_size() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

} // namespace OSAPI

#endif
