#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The NEEDED entries of a shared object's dynamic section.
std::vector<std::string> needed_libraries(std::string const& path) {
    std::vector<std::string> needed;
    std::unique_ptr<FILE, int (*)(FILE*)> readelf(popen(("readelf -d " + path).c_str(), "r"),
                                                  pclose);
    char line[1024];
    while (readelf && fgets(line, sizeof line, readelf.get())) {
        std::string text = line;
        std::size_t open = text.find("Shared library: [");
        if (text.find("(NEEDED)") != std::string::npos && open != std::string::npos) {
            std::size_t start = open + 17;
            needed.push_back(text.substr(start, text.find(']', start) - start));
        }
    }
    return needed;
}

TEST(ModuleLinks, ThePlugInModuleNeedsNoImageFileLibrary) {
    std::vector<std::string> needed = needed_libraries(ORRELUX_MODULE);
    ASSERT_THAT(needed, testing::Contains(testing::StartsWith("libc.so")));
    for (char const* library : {"OpenEXR", "Iex", "IlmThread", "Imath", "png", "tiff"}) {
        EXPECT_THAT(needed, testing::Each(testing::Not(testing::HasSubstr(library))));
    }
}

} // namespace
