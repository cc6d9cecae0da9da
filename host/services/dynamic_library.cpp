#include "host/services/dynamic_library.h"

#include <dlfcn.h>

DynamicLibrary::DynamicLibrary(char const* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) {
        char const* text = dlerror();
        error_ = text ? text : "unknown error";
    }
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_) {
        dlclose(handle_);
    }
}

void* DynamicLibrary::symbol(char const* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}
