#include "host/panel_server/replace_file.h"

#include "base/xception.h"
#include <osapi/osapi-unix.h>

#include <memory>
#include <stdexcept>

void replace_file(std::string const& path, std::string const& bytes) {
    // Created exclusively, so that nothing planted at the temporary's name,
    // a symbolic link least of all, is written through.
    std::unique_ptr<OSAPI::AtomicFileWrite> out(OSAPI::AtomicFileWrite::exclusive(path.c_str()));
    if (!out) {
        throw std::runtime_error("cannot save \"" + path + "\": \"" + path +
                                 ".inprogress\" exists (another save, or a file left in the "
                                 "way) or cannot be created");
    }
    try {
        OSAPI::FileDescriptor file(out->fd);
        OSAPI::write(file.fd, bytes.data(), bytes.size());
        out->complete();
    } catch (StrXception const& e) {
        throw std::runtime_error("cannot save \"" + path +
                                 "\": " + static_cast<char const*>(e.message()));
    }
}
