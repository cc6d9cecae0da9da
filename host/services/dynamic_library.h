#pragma once

#include <string>

// A shared object opened with dlopen (LoadLibrary on Windows) and closed when
// the object goes.
class DynamicLibrary {
public:
    explicit DynamicLibrary(char const* path);
    DynamicLibrary(DynamicLibrary const&) = delete;
    DynamicLibrary& operator=(DynamicLibrary const&) = delete;
    ~DynamicLibrary();

    bool is_open() const { return handle_ != nullptr; }
    // The loader's text for a failed open.
    std::string const& error() const { return error_; }
    // Null when the library is not open or does not export `name`.
    void* symbol(char const* name) const;

private:
    void* handle_;
    std::string error_;
};
