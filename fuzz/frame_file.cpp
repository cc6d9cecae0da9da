// Frame files of each format: a file that cannot be read is refused with a
// message naming it; one that can is written back in its format's own
// samples as a file that reads back to what was written. OpenEXR and TIFF
// write floats, so their frames come back exactly; PNG writes 8 bits, so
// its frames come back exactly from the second writing on.
//
// A few header bytes may claim a frame near the size limit, such as an
// OpenEXR display window around a one-pixel data window. Such a frame is
// read, but not written back: its round trip would hold three frames of up
// to 2 GiB, beyond the fuzzer's memory, and tests nothing a small one does
// not.
#include "fuzz/fuzz_support.h"

#include "host/frames/frame_file.h"

#include "base/xception.h"

#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr std::size_t LARGEST_ROUND_TRIP_PIXELS = std::size_t(1) << 22;

// Sample by sample, a NaN equal to any NaN.
bool same_frame(FrameImage const& a, FrameImage const& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) {
        return false;
    }
    for (size_t i = 0; i < a.pixels.size(); i++) {
        float const p = a.pixels[i];
        float const q = b.pixels[i];
        if (!(p == q || (p != p && q != q))) {
            return false;
        }
    }
    return true;
}

std::optional<FrameImage> read(std::string const& path) {
    try {
        return read_frame(path);
    } catch (StrXception const& e) {
        std::string const expected = "cannot read frame \"" + path + "\": ";
        FUZZ_REQUIRE(std::strncmp(e.message(), expected.c_str(), expected.size()) == 0);
        return std::nullopt;
    }
}

FrameImage written_and_read(FrameImage const& frame, std::string const& path) {
    try {
        write_frame(path, frame);
    } catch (StrXception const& e) {
        e.print();
        FUZZ_REQUIRE(!"a frame that was read cannot be written");
    }
    std::optional<FrameImage> again = read(path);
    FUZZ_REQUIRE(again.has_value());
    return *again;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    FuzzBytes in(data, size);
    char const* const extensions[] = {".exr", ".png", ".tif"};
    std::string const extension = extensions[in.pick(3)];
    std::optional<FrameImage> const frame = read(fuzz_file("fuzz" + extension, in.rest()));
    if (!frame) {
        return 0;
    }
    FUZZ_REQUIRE(frame->width > 0 && frame->height > 0);
    FUZZ_REQUIRE(frame->pixels.size() == size_t(frame->width) * size_t(frame->height) * 4);
    if (frame->pixels.size() / 4 > LARGEST_ROUND_TRIP_PIXELS) {
        return 0;
    }
    std::string const copy = fuzz_folder() + "/copy" + extension;
    FrameImage const once = written_and_read(*frame, copy);
    if (extension == ".png") {
        FUZZ_REQUIRE(same_frame(written_and_read(once, copy), once));
    } else {
        FUZZ_REQUIRE(same_frame(once, *frame));
    }
    return 0;
}
