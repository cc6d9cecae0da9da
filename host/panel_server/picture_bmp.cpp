#include "host/panel_server/picture_bmp.h"

#include <cstdint>

namespace {

void put_le(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++) {
        out += char((value >> (8 * i)) & 0xFF);
    }
}

} // namespace

std::string bmp_bytes(RgbPicture const& picture) {
    std::uint32_t const row = (std::uint32_t(picture.width) * 3 + 3) & ~3u; // rows padded to 4
    std::uint32_t const pixels = row * std::uint32_t(picture.height);
    std::string out = "BM";
    put_le(out, 54 + pixels, 4);
    put_le(out, 0, 4);
    put_le(out, 54, 4); // where the pixels start
    put_le(out, 40, 4); // BITMAPINFOHEADER
    put_le(out, std::uint32_t(picture.width), 4);
    put_le(out, std::uint32_t(-picture.height), 4); // negative: top row first
    put_le(out, 1, 2);
    put_le(out, 24, 2);
    put_le(out, 0, 4); // no compression
    put_le(out, pixels, 4);
    put_le(out, 2835, 4); // 72 dpi
    put_le(out, 2835, 4);
    put_le(out, 0, 4);
    put_le(out, 0, 4);
    for (int y = 0; y < picture.height; y++) {
        for (int x = 0; x < picture.width; x++) {
            std::array<int, 3> const rgb = picture.at(x, y);
            out += char(rgb[2]);
            out += char(rgb[1]);
            out += char(rgb[0]);
        }
        out.append(row - std::uint32_t(picture.width) * 3, '\0');
    }
    return out;
}
