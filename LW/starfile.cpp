#include "LW/starfile.h"

#include "LW/module_state.h"
#include "base/xception.h"

#include <cstring>

namespace {

const unsigned RECORD_SIZE = 32;
static_assert(sizeof(star) == RECORD_SIZE, "a database record is one star");

} // namespace

LWStarFile::LWStarFile(const char* path) : cursor(0), filename(path) {
    LWFileIOFuncs* io = orrelux_ini.file_io;
    LWLoadState* load = io ? io->openLoad(path, LWIO_BINARY) : nullptr;
    if (!load) {
        throw StrXception("LW/orrelux", "LWStarFile::LWStarFile(const char *)", 82,
                          "error opening star database");
    }
    // A read error ends the file like its end does; a short last record
    // counts, its missing bytes zero.
    star const zero = {};
    int got;
    do {
        records.append(zero);
        got = load->read(load->readData, reinterpret_cast<char*>(&records[records.len() - 1]),
                         RECORD_SIZE);
    } while (got > 0);
    io->closeLoad(load);
    // The read that ended the loop may have left bytes behind; the record
    // after the last must stay all zero.
    memset(static_cast<void*>(&records[records.len() - 1]), 0, RECORD_SIZE);
    count = records.len() - 1;
    records.trim();
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
