#include "libvellimage/image.h"

#include <cstdio>
#include <cstdlib>

namespace Vell {

int TRACE_ALLOCATIONS = 0;

char* malloc_pixels(uword size) {
    if (TRACE_ALLOCATIONS)
        fprintf(stderr, "libvellimage: malloc_pixels(%llu)", static_cast<unsigned long long>(size));
    char* p = static_cast<char*>(malloc(size));
    if (TRACE_ALLOCATIONS)
        fprintf(stderr, " = %p\n", static_cast<void*>(p));
    if (!p)
        throw StrXception("libvellimage/core", "char *Vell::malloc_pixels(uword)", 52,
                          "out of memory");
    return p;
}

void free_pixels(char* p, uword size) {
    if (TRACE_ALLOCATIONS)
        fprintf(stderr, "libvellimage: free_pixels(%p, %llu)\n", static_cast<void*>(p),
                static_cast<unsigned long long>(size));
    ::free(p);
}

} // namespace Vell
