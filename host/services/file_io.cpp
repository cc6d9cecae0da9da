#include "host/services/file_io.h"

#include "host/services/load_state.h"
#include "host/services/save_state.h"
#include "base/xception.h"

#include <osapi/osapi-unix.h>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace {

// Open mode of OSAPI::open: write only, created and truncated.
int const WRITE_ONLY = 2;

// The file is replaced only once its new text is whole on the disk: a full
// disk or a crash while writing leaves the old one.
class FileSaveState : public SaveState {
public:
    FileSaveState(std::unique_ptr<OSAPI::AtomicFileWrite> file, char const* path, int io_mode)
        : SaveState(io_mode), file_(std::move(file)), path_(path) {}

    // The host's close has no way to report; a failed write is shown on
    // standard error.
    ~FileSaveState() override {
        reported([this] {
            // Closed before an unfinished temporary file is removed.
            OSAPI::FileDescriptor descriptor(file_->fd);
            OSAPI::write(file_->fd, data().data(), data().size());
            file_->complete();
        });
        reported([this] { file_ = nullptr; });
    }

private:
    template <class Work> void reported(Work work) {
        try {
            work();
        } catch (StrXception const& e) {
            fprintf(stderr, "host error: writing %s failed: %s\n", path_.c_str(), e.what());
        } catch (Xception const& e) {
            e.print();
        }
    }

    std::unique_ptr<OSAPI::AtomicFileWrite> file_;
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
    if (!path) {
        return nullptr;
    }
    std::unique_ptr<OSAPI::AtomicFileWrite> file;
    try {
        file = std::make_unique<OSAPI::AtomicFileWrite>(path, WRITE_ONLY);
    } catch (Xception const&) {
        return nullptr;
    }
    return (new FileSaveState(std::move(file), path, io_mode))->state();
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
