#include <osapi/osapi-unix.h>

#include <sched.h>
#include <unistd.h>

namespace OSAPI {

u64 microsecs() {
    timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<u64>(now.tv_sec) * 1000000 + static_cast<u64>(now.tv_usec);
}

void sleep(unsigned seconds) {
    ::sleep(seconds);
}

void pause() {
    ::pause();
}

void yield() {
    sched_yield();
}

uword get_page_size() {
    return static_cast<uword>(sysconf(_SC_PAGESIZE));
}

} // namespace OSAPI
