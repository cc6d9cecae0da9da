#include "base/xception.h"

#include "tests/support/raised.h"

#include <gtest/gtest.h>

#include <string>

TEST(Xception, StrXceptionCarriesLocationEvenWithEmptyFormatAndWarningsNameTheFunction) {
    StrXception e("base/demo", "void f()", 12, "%s", "");
    EXPECT_STREQ(e.message(), " in <void f()> (base/demo:12)");
    testing::internal::CaptureStderr();
    e.print();
    Xception::warning("f", "x=%d", 3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error:  in <void f()> (base/demo:12)\nwarning: x=3 in <f>\n");
}

TEST(Xception, AssertPrintsLabelAndLocationIsCutAt4095BytesAndNamesTheCondition) {
    testing::internal::CaptureStderr();
    AssertXception("x > 0", "libimgops/stars", "int f(int)", 7).print();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Assertion Failed: 'x > 0' in <int f(int)> (libimgops/stars:7)\n");
    std::string expr(5000, 'e');
    testing::internal::CaptureStderr();
    AssertXception(expr.c_str(), "f", "g", 1).print();
    std::string label = "Assertion Failed: ";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), label + "'" + expr.substr(0, 4094) + "\n");
    int width = 3;
    EXPECT_EQ(raised([&] { XASSERT(width == 720, "libvellimage/image", "sig", 118); }),
              "libvellimage/image:118 width == 720");
}

TEST(Xception, WhatIsThePrintedTextOfEveryKind) {
    StrXception const located("base/demo", "void f()", 12, "bad %s", "input");
    AssertXception const check("x > 0", "libimgops/stars", "int f(int)", 7);
    struct Case {
        Xception const& e;
        std::string printed;
    } const cases[] = {{located, "Error: bad input in <void f()> (base/demo:12)\n"},
                       {check, "Assertion Failed: 'x > 0' in <int f(int)> (libimgops/stars:7)\n"}};
    for (Case const& c : cases) {
        testing::internal::CaptureStderr();
        c.e.print();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.printed);
        std::string const text = c.e.what();
        EXPECT_EQ(c.printed.substr(c.printed.find(": ") + 2), text + "\n");
    }
}
