#include "LW/starfile.h"

#include "LW/module_state.h"
#include "base/xception.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

const unsigned RECORD_SIZE = 32;
static_assert(sizeof(star) == RECORD_SIZE, "a database record is one star");

// The records grow by at least 1/GROWTH of their number at a time.
std::size_t const GROWTH = 16;
// Record numbers are 32-bit, and one zero record follows the last.
std::size_t const MAX_RECORDS = 0xFFFFFFFEu;

// Reads from the host until `size` bytes are in `buffer` or the file ends;
// returns how many arrived. A read error ends the file like its end does.
std::size_t read_up_to(LWLoadState* load, char* buffer, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        int const got =
            load->read(load->readData, buffer + filled, static_cast<int>(size - filled));
        if (got <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

} // namespace

u32 load_star_records(const char* path, StarBlock& records, SkyIndex& index) {
    LWFileIOFuncs* io = orrelux_ini.file_io;
    LWLoadState* load = io ? io->openLoad(path, LWIO_BINARY) : nullptr;
    if (!load) {
        throw StrXception("LW/orrelux", "LWStarFile::LWStarFile(const char *)", 82,
                          "error opening star database");
    }
    // The file comes a tier of the index at a time straight into its place
    // among the records, where the index sorts it; the header stays at
    // record 0.
    SkyIndex::TierRoom room;
    std::size_t const tier_bytes = SkyIndex::TIER_STARS * RECORD_SIZE;
    std::size_t stored = 0;
    std::size_t read = 0;
    try {
        for (std::size_t got = tier_bytes; got == tier_bytes;) {
            std::size_t const room_needed = stored + SkyIndex::TIER_STARS + 1;
            if (records.len() < room_needed) {
                records.resize(std::max(records.len() + records.len() / GROWTH, room_needed));
            }
            char* const bytes = reinterpret_cast<char*>(records.data() + stored);
            got = read_up_to(load, bytes, tier_bytes);
            // A short last record counts, its missing bytes zero.
            std::size_t const n = (got + RECORD_SIZE - 1) / RECORD_SIZE;
            std::memset(bytes + got, 0, n * RECORD_SIZE - got);
            read += n;
            if (read > MAX_RECORDS) {
                continue; // counted for the message, read over in the same place
            }
            std::size_t const first = std::max<std::size_t>(stored, 1);
            if (read > first) {
                index.add_tier(records.data() + first, static_cast<u32>(read - first), room);
            }
            stored = read;
        }
    } catch (...) {
        io->closeLoad(load);
        throw;
    }
    io->closeLoad(load);
    if (read > MAX_RECORDS) {
        throw StrXception("LW/orrelux", "LWStarFile::LWStarFile(const char *)", __LINE__,
                          "star database too large: %llu records, at most %llu",
                          static_cast<unsigned long long>(read),
                          static_cast<unsigned long long>(MAX_RECORDS));
    }
    // The record after the last is zero.
    records.resize(read + 1);
    records[read] = star{};
    return static_cast<u32>(read);
}

LWStarFile::LWStarFile(const char* path) : cursor(0), filename(path), index(new SkyIndex) {
    count = load_star_records(path, records, *index);
    if (count < 2) {
        index.reset();
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
