#include "host/file_io.h"

#include "host/load_state.h"
#include "host/save_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool read_file(FILE* file, std::string& data) {
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) {
        data.append(chunk, n);
    }
    return !ferror(file);
}

LWLoadState* open_load(char const* path, int io_mode) {
    FILE* file = path ? fopen(path, "rb") : nullptr;
    if (!file) {
        return nullptr;
    }
    std::string data;
    bool ok = read_file(file, data);
    fclose(file);
    return ok ? (new LoadState(std::move(data), io_mode))->state() : nullptr;
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

LWFileIOFuncs file_io = {open_load, open_save, close_load, close_save};

} // namespace

LWFileIOFuncs* host_file_io() {
    return &file_io;
}
