#include "LW/starfile.h"

#include "LW/module_state.h"
#include "base/xception.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

const unsigned RECORD_SIZE = 32;
static_assert(sizeof(star) == RECORD_SIZE, "a database record is one star");

// Bytes asked for in one read from the host.
std::size_t const READ_SIZE = 1 << 20;
// The records grow by at least 1/GROWTH of their number at a time.
std::size_t const GROWTH = 16;
// Record numbers are 32-bit, and one zero record follows the last.
std::size_t const MAX_RECORDS = 0xFFFFFFFEu;

} // namespace

u32 load_star_records(const char* path, StarBlock& records) {
    LWFileIOFuncs* io = orrelux_ini.file_io;
    LWLoadState* load = io ? io->openLoad(path, LWIO_BINARY) : nullptr;
    if (!load) {
        throw StrXception("LW/orrelux", "LWStarFile::LWStarFile(const char *)", 82,
                          "error opening star database");
    }
    // A read error ends the file like its end does; a short last record
    // counts, its missing bytes zero.
    std::size_t bytes = 0;
    try {
        for (;;) {
            if (records.len() * RECORD_SIZE < bytes + READ_SIZE) {
                std::size_t const grown = records.len() + records.len() / GROWTH;
                records.resize(std::max(grown, (bytes + READ_SIZE) / RECORD_SIZE + 1));
            }
            int const got =
                load->read(load->readData, reinterpret_cast<char*>(records.data()) + bytes,
                           static_cast<int>(READ_SIZE));
            if (got <= 0) {
                break;
            }
            bytes += static_cast<std::size_t>(got);
        }
    } catch (...) {
        io->closeLoad(load);
        throw;
    }
    io->closeLoad(load);
    std::size_t const read = (bytes + RECORD_SIZE - 1) / RECORD_SIZE;
    if (read > MAX_RECORDS) {
        throw StrXception("LW/orrelux", "LWStarFile::LWStarFile(const char *)", __LINE__,
                          "star database too large: %llu records, at most %llu",
                          static_cast<unsigned long long>(read),
                          static_cast<unsigned long long>(MAX_RECORDS));
    }
    // The last record's missing bytes and the record after it are zero.
    records.resize(read + 1);
    std::memset(reinterpret_cast<char*>(records.data()) + bytes, 0,
                (read + 1) * RECORD_SIZE - bytes);
    return static_cast<u32>(read);
}

LWStarFile::LWStarFile(const char* path) : cursor(0), filename(path) {
    count = load_star_records(path, records);
    if (count >= 2) {
        index.reset(new SkyIndex(records.data() + 1, count - 1));
    }
}

LWStarFile::~LWStarFile() = default;

star const* LWStarFile::next() {
    return &records[static_cast<unsigned>(cursor++)];
}

void LWStarFile::rewind() {
    cursor = 0;
}

bool check_starfile(const char* path, bool* is_3d) {
    LWFileIOFuncs* io = orrelux_ini.file_io;
    LWLoadState* load = io ? io->openLoad(path, LWIO_BINARY) : nullptr;
    if (!load) {
        return false;
    }
    char header[RECORD_SIZE];
    int got = load->read(load->readData, header, RECORD_SIZE);
    io->closeLoad(load);
    star_header_kind kind =
        got == static_cast<int>(RECORD_SIZE) ? check_star_header(header) : STAR_HEADER_INVALID;
    if (is_3d) {
        *is_3d = kind == STAR_HEADER_3D;
    }
    return kind != STAR_HEADER_INVALID;
}
