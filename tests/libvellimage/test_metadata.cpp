#include "libvellimage/metadata.h"

#include "tests/support/raised.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

using Vell::ImageSpec;

namespace {

std::string const FROM_STRING = " in <void Vell::ImageSpec::MetaData::from_string(const char *)>";

class MetaDataTest : public testing::Test {
protected:
    // The map read back from the text form of `written`, checked equal to it.
    static ImageSpec::MetaData round_trip(ImageSpec::MetaData const& written) {
        ImageSpec::MetaData parsed;
        parsed.from_string(written.stringify());
        EXPECT_TRUE(parsed == written) << static_cast<char const*>(written.stringify());
        return parsed;
    }

    ImageSpec::MetaData meta;
};

TEST_F(MetaDataTest, ValuesAreWrittenTypedAndQuotedOnlyWhenNeeded) {
    EXPECT_STREQ(meta.stringify(), "VELLMETA1");
    meta.from_string("VELLMETA1");
    EXPECT_TRUE(meta.empty());
    meta.set_meta<float>("float", "exposure", 0.5f);
    EXPECT_STREQ(meta.stringify(), "VELLMETA1 float:exposure=0.5");
    ImageSpec::MetaData bare, quoted;
    bare.set_meta<String>("string", "camera", String("say\"what"));
    EXPECT_STREQ(bare.stringify(), "VELLMETA1 string:camera=say\"what");
    quoted.set_meta<String>("string", "lens", String("wide \"angle\""));
    EXPECT_STREQ(quoted.stringify(), "VELLMETA1 string:lens=\"wide \\\"angle\\\"\"");
    EXPECT_TRUE(ImageSpec::MetaData::string_valid("VELLMETA1 float:a=1"));
    EXPECT_FALSE(ImageSpec::MetaData::string_valid("VELLMETA"));
}

TEST_F(MetaDataTest, StringsAndMatricesSurviveTheTextFormExactly) {
    for (char const* value : {"plain", "two words", "a \"quoted\" b", "back\\slash and blank",
                              "\"leading", "", "trailing\\"}) {
        ImageSpec::MetaData written;
        written.set_meta<String>("string", "s", String(value));
        String got;
        EXPECT_EQ(round_trip(written).get_meta<String>("string", "s", got), 0);
        EXPECT_STREQ(got, value);
    }
    Matrix4<float> m;
    for (int i = 0; i < 16; ++i)
        m[i] = 1.0f / static_cast<float>(i + 3) - static_cast<float>(i) * 1e5f;
    ImageSpec::MetaData matrix;
    matrix.set_meta<Matrix4<float>>("m44f", "view", m);
    round_trip(matrix); // matrices compare element by element, exactly
}

// Every float, however many digits it needs, reads back as the same float.
TEST_F(MetaDataTest, FloatsSurviveTheTextFormExactly) {
    for (float value : {0.5f, 1.0f / 3.0f, 0.1f, 16777217.0f, -1.17549435e-38f, 3.40282347e38f,
                        1.40129846e-45f}) {
        ImageSpec::MetaData written;
        written.set_meta<float>("float", "f", value);
        float got = 0;
        EXPECT_EQ(round_trip(written).get_meta<float>("float", "f", got), 0);
        EXPECT_EQ(got, value) << static_cast<char const*>(written.stringify());
    }
}

TEST_F(MetaDataTest, ParseErrorsNameTheirCause) {
    std::string const at = FROM_STRING + " (libvellimage/metadata:";
    struct Case {
        char const* text;
        std::string report;
    } const cases[] = {
        {"VELLMETA2", "invalid metadata string" + at + "298)"},
        {"VELLMETA1float:a=1", "libvellimage/metadata:305 *p == ' '"},
        {"VELLMETA1 float", "libvellimage/metadata:313 *p == ':'"},
        {"VELLMETA1 float:a=", "metadata a is missing value" + at + "329)"},
        {"VELLMETA1 string:b=\"ab\\", "unterminated \\ in metadata b" + at + "336)"},
        {"VELLMETA1 string:c=\"ab", "unterminated quoted string in metadata c" + at + "341)"},
        {"VELLMETA1 m44f:d=\"1 2 3\"", "error reading m44f metadata 'd'" + at + "364)"},
        {"VELLMETA1 double:e=1", "unhandled type 'double'" + at + "367)"},
        // Such a tag could not be written back.
        {"VELLMETA1 float:two words=1", "metadata tag 'two words' holds a blank" + at + "318)"},
        {"VELLMETA1 float:k=1 string:k=x",
         "metadata tag 'k' already present but with type 'float' not 'string' in <void "
         "Vell::ImageSpec::MetaData::set_meta(const char *, const char *, const T &) [T = "
         "String]> (libvellimage/metadata:160)"},
    };
    for (Case const& c : cases) {
        ImageSpec::MetaData parsed;
        EXPECT_EQ(raised([&] { parsed.from_string(c.text); }), c.report) << c.text;
    }
}

TEST(ImageSpecMetaTest, CopiesOwnTheirMetadata) {
    ImageSpec original(4, 4, ImageSpec::G_U8);
    float f = 1.0f;
    EXPECT_EQ(original.get_meta<float>("float", "x", f), 1);
    original.set_meta<String>("string", "who", String("me"));
    EXPECT_FALSE(original == ImageSpec(4, 4, ImageSpec::G_U8));
    ImageSpec copy(original);
    EXPECT_TRUE(copy == original);
    copy.set_meta<String>("string", "who", String("you"));
    EXPECT_FALSE(copy == original);
    ImageSpec assigned;
    assigned = original;
    assigned = assigned;
    EXPECT_TRUE(assigned == original);
}

} // namespace
