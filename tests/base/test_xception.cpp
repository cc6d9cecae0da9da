#include "base/xception.h"

#include <gtest/gtest.h>

#include <string>

TEST(Xception, StrXceptionCarriesLocationEvenWithEmptyFormat) {
    StrXception e("base/demo", "void f()", 12, "%s", "");
    EXPECT_STREQ(e.message(), " in <void f()> (base/demo:12)");
    testing::internal::CaptureStderr();
    e.print();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error:  in <void f()> (base/demo:12)\n");
}

TEST(Xception, AssertPrintsLabelAndLocation) {
    AssertXception e("x > 0", "libimgops/stars", "int f(int)", 7);
    testing::internal::CaptureStderr();
    e.print();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Assertion Failed: 'x > 0' in <int f(int)> (libimgops/stars:7)\n");
}

TEST(Xception, AssertReportIsCutAt4095Bytes) {
    std::string expr(5000, 'e');
    AssertXception e(expr.c_str(), "f", "g", 1);
    testing::internal::CaptureStderr();
    e.print();
    std::string out = testing::internal::GetCapturedStderr();
    std::string label = "Assertion Failed: ";
    ASSERT_EQ(out.size(), label.size() + 4095 + 1);
    EXPECT_EQ(out.substr(0, label.size() + 2), label + "'e");
}

TEST(Xception, WarningAndDisplayErrorFormats) {
    testing::internal::CaptureStderr();
    Xception::warning("f", "x=%d", 3);
    Xception::display_error("Label", "text");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "warning: x=3 in <f>\nLabel: text\n");
}

TEST(Xception, AssertMacroThrowsWithConditionText) {
    int width = 3;
    try {
        XASSERT(width == 720, "libvellimage/image", "sig", 118);
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "width == 720");
        EXPECT_EQ(e.line, 118);
    }
}
