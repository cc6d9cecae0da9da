// The metadata text form: whatever text is accepted is written back by
// stringify as text that reads back to the same values and is then written
// identically.
#include "fuzz/fuzz_support.h"

#include "libvellimage/metadata.h"

#include "base/xception.h"

#include <cstring>
#include <string>

using Vell::ImageSpec;

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    std::string text(reinterpret_cast<char const*>(data), size);
    // The form is a C string: it ends at the first NUL.
    text.resize(std::strlen(text.c_str()));
    ImageSpec::MetaData read;
    try {
        read.from_string(text.c_str());
    } catch (Xception const&) {
        return 0;
    }
    String const written = read.stringify();
    FUZZ_REQUIRE(ImageSpec::MetaData::string_valid(written));
    ImageSpec::MetaData reread;
    try {
        reread.from_string(written);
    } catch (Xception const& e) {
        e.print();
        FUZZ_REQUIRE(!"written metadata does not read back");
    }
    FUZZ_REQUIRE(reread == read && read == reread);
    FUZZ_REQUIRE(std::strcmp(reread.stringify(), written) == 0);
    return 0;
}
