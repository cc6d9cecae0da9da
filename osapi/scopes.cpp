#include <osapi/osapi-unix.h>

#include "osapi/unwinding.h"

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

} // namespace

Remover::~Remover() noexcept(false) {
    finish_in_destructor("OSAPI::Remover::~Remover()", [this] { OSAPI::rm_ifexist(path); });
}

ScopedChdir::ScopedChdir(char const* dir) : saved(getcwd()), changed(false) {
    if (dir && *dir) {
        chdir(dir);
        changed = true;
    }
}

ScopedChdir::~ScopedChdir() noexcept(false) {
    if (changed) {
        finish_in_destructor("OSAPI::ScopedChdir::~ScopedChdir()", [this] { OSAPI::chdir(saved); });
    }
}

ScopedFILE::ScopedFILE(fd_t fd, char const* name, char const* mode) : file(fdopen(fd, mode)) {
    if (!file) {
        throw StrXception(UNIT, "OSAPI::ScopedFILE::ScopedFILE(fd_t, const char*, const char*)",
                          1349, "fdopen(\"%s\", \"%s\")", name, mode);
    }
}

ScopedFILE::~ScopedFILE() {
    fclose(file);
}

} // namespace OSAPI
