#include "tools/kstars_binary.h"
#include "tools/conversions.h"
#include "tools/file_io.h"
#include "tools/starcat_error.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

size_t const DESCRIPTION_SIZE = 124;
size_t const FIELD_DESCRIPTOR_SIZE = 16;
size_t const FIELD_NAME_SIZE = 10;
size_t const INDEX_ENTRY_SIZE = 12;
// Faint magnitude (i16), mesh level (u8) and largest cell (u16) end the header.
size_t const HEADER_TAIL_SIZE = 5;
uint8_t const FORMAT_VERSION = 1;

// The KStars type codes of the fields this reader interprets.
uint8_t const TYPE_INT16 = 3;
uint8_t const TYPE_INT32 = 5;

// One field as the header must describe it. A scale of 0 marks a field that
// is skipped, whose type and scale do not matter.
struct FieldLayout {
    char const* name;
    uint8_t size;
    uint8_t type;
    int32_t scale;
};

FieldLayout const LAYOUT[] = {
    {"RA", 4, TYPE_INT32, 1000000}, // hours
    {"Dec", 4, TYPE_INT32, 100000}, // degrees
    {"dRA", 4, 0, 0},
    {"dDec", 4, 0, 0},
    {"parallax", 4, 0, 0},
    {"HD", 4, 0, 0},
    {"mag", 2, TYPE_INT16, 100},      // Tycho VT
    {"bv_index", 2, TYPE_INT16, 100}, // Tycho BT-VT
    {"spec_type", 2, 0, 0},
    {"flags", 1, 0, 0},
    {"unused", 1, 0, 0},
};
size_t const FIELD_COUNT = sizeof LAYOUT / sizeof LAYOUT[0];
// Where the interpreted fields lie in a record, from the sizes above.
size_t const RECORD_SIZE = 32;
size_t const RA_AT = 0, DEC_AT = 4, MAG_AT = 24, COLOUR_AT = 26;

// Reads little-endian values, refusing to read past the end.
class Bytes {
public:
    Bytes(std::string const& name, std::string const& bytes) : name(name), bytes(bytes) {}

    uint64_t unsigned_at(size_t at, size_t size, char const* what) const {
        if (at > bytes.size() || bytes.size() - at < size) {
            throw StarcatError(name + ": ends at byte " + std::to_string(bytes.size()) +
                               " inside its header (" + what + ")");
        }
        uint64_t value = 0;
        for (size_t i = size; i-- > 0;) {
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        }
        return value;
    }

    int64_t signed_at(size_t at, size_t size, char const* what) const {
        uint64_t const value = unsigned_at(at, size, what);
        uint64_t const sign = uint64_t(1) << (8 * size - 1);
        return static_cast<int64_t>(value ^ sign) - static_cast<int64_t>(sign);
    }

    std::string text_at(size_t at, size_t size) const {
        unsigned_at(at, size, "field name");
        std::string text = bytes.substr(at, size);
        return text.substr(0, text.find('\0'));
    }

    size_t size() const { return bytes.size(); }

private:
    std::string const& name;
    std::string const& bytes;
};

std::string quoted(std::string const& text) {
    return "\"" + text + "\"";
}

void check_field(std::string const& name, Bytes const& in, size_t index, size_t at) {
    FieldLayout const& want = LAYOUT[index];
    std::string const found = in.text_at(at, FIELD_NAME_SIZE);
    auto const size = static_cast<uint8_t>(in.unsigned_at(at + 10, 1, "field size"));
    auto const type = static_cast<uint8_t>(in.unsigned_at(at + 11, 1, "field type"));
    auto const scale = static_cast<int32_t>(in.signed_at(at + 12, 4, "field scale"));
    std::string const field = name + ": field " + std::to_string(index + 1) + " ";
    if (found != want.name) {
        throw StarcatError(field + "is named " + quoted(found) + ", expected " + quoted(want.name) +
                           " (another record layout)");
    }
    if (size != want.size) {
        throw StarcatError(field + quoted(found) + " has " + std::to_string(size) +
                           " bytes, expected " + std::to_string(want.size));
    }
    if (want.scale != 0 && type != want.type) {
        throw StarcatError(field + quoted(found) + " has type " + std::to_string(type) +
                           ", expected " + std::to_string(want.type));
    }
    if (want.scale != 0 && scale != want.scale) {
        throw StarcatError(field + quoted(found) + " has scale " + std::to_string(scale) +
                           ", expected " + std::to_string(want.scale));
    }
}

// Checks the header and the cell index; returns where the records start and
// how many there are.
struct RecordSpan {
    size_t first;
    size_t count;
};

RecordSpan check_header(std::string const& name, Bytes const& in) {
    size_t const mark = DESCRIPTION_SIZE;
    uint64_t const order = in.unsigned_at(mark, 2, "byte-order mark");
    if (order == 0x534B) {
        throw StarcatError(name + ": a big-endian KStars star file; only little-endian files " +
                           "are read");
    }
    if (order != 0x4B53) {
        throw StarcatError(name + ": not a KStars binary star file (no \"SK\" at byte " +
                           std::to_string(mark) + ")");
    }
    auto const version = in.unsigned_at(mark + 2, 1, "format version");
    if (version != FORMAT_VERSION) {
        throw StarcatError(name + ": KStars star data version " + std::to_string(version) +
                           ", expected " + std::to_string(FORMAT_VERSION));
    }
    auto const fields = in.unsigned_at(mark + 3, 2, "field count");
    if (fields != FIELD_COUNT) {
        throw StarcatError(name + ": " + std::to_string(fields) + " fields a record, expected " +
                           std::to_string(FIELD_COUNT) + " (another record layout)");
    }
    size_t at = mark + 5;
    for (size_t i = 0; i < FIELD_COUNT; ++i, at += FIELD_DESCRIPTOR_SIZE) {
        check_field(name, in, i, at);
    }
    uint64_t const cells = in.unsigned_at(at, 4, "cell count");
    at += 4;
    if (cells == 0 || cells > (in.size() - at) / INDEX_ENTRY_SIZE) {
        throw StarcatError(name + ": index of " + std::to_string(cells) +
                           " sky cells does not fit the file");
    }
    size_t const header_end = at + cells * INDEX_ENTRY_SIZE + HEADER_TAIL_SIZE;
    RecordSpan span{static_cast<size_t>(in.unsigned_at(at + 4, 4, "index")), 0};
    if (span.first < header_end) {
        throw StarcatError(name + ": records start at byte " + std::to_string(span.first) +
                           ", inside the header that ends at byte " + std::to_string(header_end));
    }
    for (uint64_t cell = 0; cell < cells; ++cell, at += INDEX_ENTRY_SIZE) {
        uint64_t const offset = in.unsigned_at(at + 4, 4, "index");
        size_t const expected = span.first + span.count * RECORD_SIZE;
        if (offset != expected) {
            throw StarcatError(name + ": sky cell " + std::to_string(cell) + " starts at byte " +
                               std::to_string(offset) + ", expected " + std::to_string(expected) +
                               " after the cells before it");
        }
        span.count += in.unsigned_at(at + 8, 4, "index");
    }
    size_t const end = span.first + span.count * RECORD_SIZE;
    if (in.size() != end) {
        throw StarcatError(name + ": " + std::to_string(in.size()) + " bytes, but its index " +
                           "accounts for " + std::to_string(end) + " (" +
                           std::to_string(span.count) + " records of 32 bytes from byte " +
                           std::to_string(span.first) + ")");
    }
    return span;
}

CatalogueStar read_record(std::string const& name, Bytes const& in, size_t index, size_t at) {
    double const ra_hours = in.signed_at(at + RA_AT, 4, "record") / 1e6;
    double const dec = in.signed_at(at + DEC_AT, 4, "record") / 1e5;
    double const vt = in.signed_at(at + MAG_AT, 2, "record") / 100.0;
    double const bt_vt = in.signed_at(at + COLOUR_AT, 2, "record") / 100.0;
    if (!(ra_hours >= 0.0 && ra_hours < 24.0) || !(dec >= -90.0 && dec <= 90.0)) {
        throw StarcatError(name + ": record " + std::to_string(index + 1) +
                           " has an impossible position (RA " + std::to_string(ra_hours) +
                           " h, Dec " + std::to_string(dec) + " deg)");
    }
    if (!(vt > MIN_MAGNITUDE && vt < MAX_MAGNITUDE)) {
        throw StarcatError(name + ": record " + std::to_string(index + 1) +
                           " has an impossible magnitude (VT " + std::to_string(vt) + ")");
    }
    JohnsonMagnitudes const johnson = tycho_to_johnson(vt, bt_vt);
    CatalogueStar s{};
    s.ra = 15.0 * ra_hours;
    s.dec = dec;
    s.epoch = 2000.0;
    s.vmag = johnson.v;
    s.bv = johnson.bv;
    return s;
}

} // namespace

Catalogue parse_kstars_binary(std::string const& name, std::string const& bytes) {
    Bytes const in(name, bytes);
    RecordSpan const span = check_header(name, in);
    if (span.count == 0) {
        throw StarcatError(name + ": no stars found in this KStars star file");
    }
    Catalogue catalogue;
    catalogue.stars.reserve(span.count);
    for (size_t i = 0; i < span.count; ++i) {
        catalogue.stars.push_back(read_record(name, in, i, span.first + i * RECORD_SIZE));
    }
    return catalogue;
}

Catalogue read_kstars_binary(std::string const& path) {
    return parse_kstars_binary(path, read_file(path, "catalogue"));
}
