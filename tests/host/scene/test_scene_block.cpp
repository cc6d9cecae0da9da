#include "host/scene/scene_block.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

using ::testing::HasSubstr;

namespace {

std::string const SCENE = "LWSC\r\n"
                          "Plugin ImageFilterHandler 1 Orrelux\r\n"
                          "Brightness 5\r\n"
                          "EndPlugin\r\n"
                          "Plugin ImageFilterHandler 2 Orrelux\n"
                          "Brightness 2\n"
                          "EndPlugin\n"
                          "PluginEnabled 0\n";

TEST(SceneBlock, ReplacesOnlyTheBodyOfTheBlockInItsPlace) {
    struct Case {
        int position;
        std::string body;
        std::string expected;
    } const cases[] = {
        {1, "Brightness 7\n",
         "LWSC\r\nPlugin ImageFilterHandler 1 Orrelux\r\nBrightness 7\nEndPlugin\r\n" +
             SCENE.substr(SCENE.find("Plugin ImageFilterHandler 2"))},
        {2, "A\nB",
         SCENE.substr(0, SCENE.find("Brightness 2")) + "A\nB\nEndPlugin\nPluginEnabled 0\n"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(with_filter_block(SCENE, c.position, c.body), c.expected) << c.position;
    }
}

TEST(SceneBlock, RefusesAMissingBlockOrAnUnendedOne) {
    struct Case {
        std::string scene;
        int position;
        char const* message;
    } const cases[] = {
        {SCENE, 3, "no Orrelux image filter in place 3"},
        {"Plugin ImageFilterHandler 1 Other\nEndPlugin\n", 1, "no Orrelux image filter"},
        {"Plugin ImageFilterHandler 1 Orrelux\nBrightness 5\n", 1, "no EndPlugin"},
    };
    for (Case const& c : cases) {
        try {
            with_filter_block(c.scene, c.position, "X\n");
            ADD_FAILURE() << c.message;
        } catch (std::runtime_error const& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.message));
        }
    }
}

} // namespace
