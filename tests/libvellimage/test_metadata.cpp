#include "libvellimage/metadata.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using Vell::ImageSpec;

namespace {

Matrix4<float> sample_matrix() {
    Matrix4<float> m;
    for (int i = 0; i < 16; ++i)
        m[i] = 1.0f / static_cast<float>(i + 3) - static_cast<float>(i) * 1e5f;
    return m;
}

// Collects what for_each_meta reports, in visiting order.
struct Recorder : ImageSpec::MetaVisitor {
    void visit_float(char const* type, char const* tag, float* value, s64*) override {
        seen += std::string(type) + " " + tag + "=" + std::to_string(*value) + ";";
    }
    void visit_string(char const* type, char const* tag, String* value, s64*) override {
        seen += std::string(type) + " " + tag + "=" + static_cast<char const*>(*value) + ";";
    }
    void visit_m44f(char const* type, char const* tag, Matrix4<float>* value, s64*) override {
        seen += std::string(type) + " " + tag + "=" + std::to_string((*value)[15]) + ";";
    }
    std::string seen;
};

class MetaDataTest : public testing::Test {
protected:
    std::string parse_failure(char const* text) {
        try {
            meta.from_string(text);
        } catch (StrXception const& e) {
            return static_cast<char const*>(e.message());
        }
        return "no failure";
    }

    std::string round_trip_string(char const* value) {
        ImageSpec::MetaData out;
        out.set_meta<String>("string", "s", String(value));
        String text = out.stringify();
        ImageSpec::MetaData in;
        in.from_string(text);
        String got;
        EXPECT_EQ(in.get_meta<String>("string", "s", got), 0) << static_cast<char const*>(text);
        return static_cast<char const*>(got);
    }

    ImageSpec::MetaData meta;
};

std::string const FROM_STRING = " in <void Vell::ImageSpec::MetaData::from_string(const char *)> "
                                "(libvellimage/metadata:";

TEST_F(MetaDataTest, EmptyMapAndMagicAloneMatch) {
    EXPECT_STREQ(meta.stringify(), "VELLMETA1");
    meta.from_string("VELLMETA1");
    EXPECT_TRUE(meta.empty());
    EXPECT_TRUE(ImageSpec::MetaData::string_valid("VELLMETA1 float:a=1"));
    EXPECT_FALSE(ImageSpec::MetaData::string_valid("VELLMETA"));
}

TEST_F(MetaDataTest, ValuesAreWrittenTypedAndQuotedOnlyWhenNeeded) {
    meta.set_meta<float>("float", "exposure", 0.5f);
    EXPECT_STREQ(meta.stringify(), "VELLMETA1 float:exposure=0.5");
    meta.set_meta<String>("string", "camera", String("say\"what"));
    meta.set_meta<String>("string", "lens", String("wide \"angle\""));
    ImageSpec::MetaData single;
    single.set_meta<String>("string", "camera", String("say\"what"));
    EXPECT_STREQ(single.stringify(), "VELLMETA1 string:camera=say\"what");
    ImageSpec::MetaData quoted;
    quoted.set_meta<String>("string", "lens", String("wide \"angle\""));
    EXPECT_STREQ(quoted.stringify(), "VELLMETA1 string:lens=\"wide \\\"angle\\\"\"");
}

TEST_F(MetaDataTest, StringsSurviveTheTextForm) {
    for (char const* value : {"plain", "two words", "a \"quoted\" b", "back\\slash and blank",
                              "\"leading", "", "trailing\\"})
        EXPECT_EQ(round_trip_string(value), value);
}

TEST_F(MetaDataTest, MatrixSurvivesTheTextFormExactly) {
    Matrix4<float> m = sample_matrix();
    meta.set_meta<Matrix4<float>>("m44f", "view", m);
    meta.set_meta<float>("float", "gain", 2.25f);
    ImageSpec::MetaData parsed;
    parsed.from_string(meta.stringify());
    EXPECT_TRUE(parsed == meta);
    EXPECT_TRUE(meta == parsed);
    Recorder recorder;
    parsed.for_each_meta(recorder);
    EXPECT_NE(recorder.seen.find("m44f view="), std::string::npos);
    EXPECT_NE(recorder.seen.find("float gain=2.25"), std::string::npos);
}

TEST_F(MetaDataTest, QuotedValueUnescapesQuote) {
    meta.from_string("VELLMETA1 string:t=\"a\\\"b c\" float:f=3");
    String got;
    ASSERT_EQ(meta.get_meta<String>("string", "t", got), 0);
    EXPECT_STREQ(got, "a\"b c");
    float f = 0;
    EXPECT_EQ(meta.get_meta<float>("float", "f", f), 0);
    EXPECT_EQ(f, 3.0f);
}

TEST_F(MetaDataTest, TruncatedTagWarnsAndKeepsEarlierTags) {
    testing::internal::CaptureStderr();
    meta.from_string("VELLMETA1 float:x=1 float:a");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: image metadata appears to be truncated in <void "
              "Vell::ImageSpec::MetaData::from_string(const char *)>\n");
    float x = 0, a = 0;
    EXPECT_EQ(meta.get_meta<float>("float", "x", x), 0);
    EXPECT_EQ(meta.get_meta<float>("float", "a", a), 1);
}

TEST_F(MetaDataTest, ParseErrorsNameTheirCause) {
    EXPECT_EQ(parse_failure("VELLMETA2"), "invalid metadata string" + FROM_STRING + "298)");
    EXPECT_EQ(parse_failure("VELLMETA1 float:a="),
              "metadata a is missing value" + FROM_STRING + "329)");
    EXPECT_EQ(parse_failure("VELLMETA1 string:b=\"ab\\"),
              "unterminated \\ in metadata b" + FROM_STRING + "336)");
    EXPECT_EQ(parse_failure("VELLMETA1 string:c=\"ab"),
              "unterminated quoted string in metadata c" + FROM_STRING + "341)");
    EXPECT_EQ(parse_failure("VELLMETA1 m44f:d=\"1 2 3\""),
              "error reading m44f metadata 'd'" + FROM_STRING + "364)");
    EXPECT_EQ(parse_failure("VELLMETA1 double:e=1"),
              "unhandled type 'double'" + FROM_STRING + "367)");
}

TEST_F(MetaDataTest, MalformedSeparatorsAreAssertions) {
    try {
        meta.from_string("VELLMETA1float:a=1");
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "*p == ' '");
        EXPECT_EQ(e.line, 305);
    }
    try {
        meta.from_string("VELLMETA1 float");
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "*p == ':'");
        EXPECT_EQ(e.line, 313);
    }
}

TEST_F(MetaDataTest, RepeatedTagReplacesOrClashes) {
    meta.from_string("VELLMETA1 float:k=1 float:k=2 string:s= float:z=0");
    float k = 0;
    meta.get_meta<float>("float", "k", k);
    EXPECT_EQ(k, 2.0f);
    String s("unset");
    EXPECT_EQ(meta.get_meta<String>("string", "s", s), 0);
    EXPECT_STREQ(s, "");
    EXPECT_EQ(parse_failure("VELLMETA1 string:k=x"),
              "metadata tag 'k' already present but with type 'float' not 'string' in <void "
              "Vell::ImageSpec::MetaData::set_meta(const char *, const char *, const T &) [T = "
              "String]> (libvellimage/metadata:160)");
}

TEST_F(MetaDataTest, TagsThatCannotBeWrittenAreRefused) {
    meta.set_meta<float>("float", "a b", 1.0f);
    try {
        meta.stringify();
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "can't handle quoting yet in <String "
                                  "Vell::ImageSpec::MetaData::stringify() const> "
                                  "(libvellimage/metadata:265)");
    }
}

TEST_F(MetaDataTest, GetOfAnotherTypeWarnsAndLeavesOutput) {
    meta.set_meta<String>("string", "name", String("vega"));
    float out = 7.0f;
    testing::internal::CaptureStderr();
    EXPECT_EQ(meta.get_meta<float>("float", "name", out), 2);
    std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, 7.0f);
    EXPECT_EQ(warning.rfind("warning: metadata type mismatch; wanted float got string in <", 0),
              0u);
    EXPECT_EQ(meta.get_meta<float>("float", "never-set-anywhere", out), 1);
}

TEST_F(MetaDataTest, UpdateNeedsAWrittenTagOfTheSameType) {
    meta.set_meta<float>("float", "u", 1.0f);
    try {
        meta.update_meta<float>("float", "u", 2.0f);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(
            std::string(e.message()).rfind("metadata tag 'u' was never written to file in <", 0),
            0u);
    }
    try {
        meta.update_meta<float>("float", "absent", 2.0f);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(std::string(e.message()).rfind("metadata tag 'absent' does not exist in <", 0),
                  0u);
    }
}

TEST_F(MetaDataTest, WrittenTagOnlyChangesThroughUpdate) {
    meta.set_meta<float>("float", "w", 1.0f);
    struct MarkWritten : ImageSpec::MetaVisitor {
        void visit_float(char const*, char const*, float*, s64* marker) override { *marker = 42; }
        void visit_string(char const*, char const*, String*, s64*) override {}
        void visit_m44f(char const*, char const*, Matrix4<float>*, s64*) override {}
    } writer;
    meta.for_each_meta(writer);
    EXPECT_THROW(meta.set_meta<float>("float", "w", 2.0f), StrXception);
    EXPECT_EQ(meta.update_meta<float>("float", "w", 3.0f), 42);
    float w = 0;
    meta.get_meta<float>("float", "w", w);
    EXPECT_EQ(w, 3.0f);
    ImageSpec::MetaData copy(meta);
    EXPECT_THROW(copy.update_meta<float>("float", "w", 4.0f), StrXception);
}

TEST_F(MetaDataTest, EqualityTreatsNanAsEqualAndIgnoresExtraTags) {
    ImageSpec::MetaData a, b;
    a.set_meta<float>("float", "n", NAN);
    b.set_meta<float>("float", "n", 5.0f);
    b.set_meta<float>("float", "extra", 1.0f);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(b == a);
    b.set_meta<String>("string", "m", String("x"));
    a.set_meta<float>("float", "m", 0.0f);
    EXPECT_FALSE(a == b);
}

class ImageSpecMetaTest : public testing::Test {};

TEST_F(ImageSpecMetaTest, SpecWithoutMapAnswersAbsent) {
    ImageSpec spec(4, 4, ImageSpec::G_U8);
    float f = 1.0f;
    EXPECT_EQ(spec.get_meta<float>("float", "x", f), 1);
    Recorder recorder;
    spec.for_each_meta(recorder);
    EXPECT_EQ(recorder.seen, "");
}

TEST_F(ImageSpecMetaTest, CopiesOwnTheirMetadata) {
    ImageSpec spec(4, 4, ImageSpec::G_U8);
    spec.set_meta<String>("string", "who", String("me"));
    ImageSpec copy(spec);
    EXPECT_TRUE(copy == spec);
    copy.set_meta<String>("string", "who", String("you"));
    EXPECT_FALSE(copy == spec);
    ImageSpec assigned;
    assigned = spec;
    EXPECT_TRUE(assigned == spec);
    EXPECT_FALSE(spec == ImageSpec(4, 4, ImageSpec::G_U8));
    assigned = assigned;
    EXPECT_TRUE(assigned == spec);
}

TEST_F(ImageSpecMetaTest, PrintListsEveryTag) {
    ImageSpec spec(2, 3, ImageSpec::BGRA_FLOAT);
    spec.set_meta<float>("float", "gain", 1.5f);
    testing::internal::CaptureStdout();
    spec.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "BGRA_FLOAT     \t2 x 3 \"float gain\" [1.500000]");
    ImageSpec text_spec(1, 1, ImageSpec::G_U8);
    text_spec.set_meta<String>("string", "by", String("orrelux"));
    Matrix4<float> identity = {};
    for (int i = 0; i < 4; ++i)
        identity(i, i) = 1.0f;
    ImageSpec matrix_spec(1, 1, ImageSpec::G_U8);
    matrix_spec.set_meta<Matrix4<float>>("m44f", "id", identity);
    testing::internal::CaptureStdout();
    text_spec.print();
    matrix_spec.print();
    std::string one = "1.000000000e+00", zero = "0.000000000e+00";
    std::string row0 = one + " " + zero + " " + zero + " " + zero;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "G_U8           \t1 x 1 \"string by\" [\"orrelux\"]G_U8           \t1 x 1 \"m44f "
              "id\" [" +
                  row0 + " " + zero + " " + one + " " + zero + " " + zero + " " + zero + " " +
                  zero + " " + one + " " + zero + " " + zero + " " + zero + " " + zero + " " + one +
                  "]");
}

} // namespace
