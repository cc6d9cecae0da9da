#include "host/file_io.h"

#include "host/load_state.h"
#include "host/save_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

class FileSaveState : public SaveState {
public:
    FileSaveState(FILE* file, char const* path, int io_mode)
        : SaveState(io_mode), file_(file), path_(path) {}

    // The host's close has no way to report; a failed write is shown on
    // standard error.
    ~FileSaveState() override {
        bool ok = fwrite(data().data(), 1, data().size(), file_) == data().size();
        ok = fclose(file_) == 0 && ok;
        if (!ok) {
            fprintf(stderr, "host error: writing %s failed: %s\n", path_.c_str(), strerror(errno));
        }
    }

private:
    FILE* file_;
    std::string path_;
};

// A directory opens as a file but reads as nothing.
LWLoadState* open_load(char const* path, int io_mode) {
    FILE* file = path ? fopen(path, "rb") : nullptr;
    if (!file) {
        return nullptr;
    }
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode)) {
        fclose(file);
        return nullptr;
    }
    return (new LoadState(file, path, io_mode))->state();
}

LWSaveState* open_save(char const* path, int io_mode) {
    FILE* file = path ? fopen(path, "wb") : nullptr;
    return file ? (new FileSaveState(file, path, io_mode))->state() : nullptr;
}

void close_load(LWLoadState* state) {
    if (state) {
        delete &LoadState::of(state);
    }
}

void close_save(LWSaveState* state) {
    if (state) {
        delete &SaveState::of(state);
    }
}

LWFileIOFuncs file_io = {open_save, close_save, open_load, close_load};

} // namespace

LWFileIOFuncs* host_file_io() {
    return &file_io;
}
