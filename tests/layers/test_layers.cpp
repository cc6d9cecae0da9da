#include "layer_rules.h"

#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {

LayerTable project_table() {
    return LayerTable(read_text(ORRELUX_SOURCE_DIR "/cmake/layers.txt"), "cmake/layers.txt");
}

// One failure per finding, so that each names its file and line plainly.
void expect_none(std::vector<std::string> const& findings) {
    for (std::string const& finding : findings) {
        ADD_FAILURE() << finding;
    }
}

TEST(ProjectLayers, EveryIncludeIsOneItsFoldersRowAllows) {
    LayerTable const table = project_table();
    std::vector<SourceFile> const sources = read_sources(ORRELUX_SOURCE_DIR, table);
    ASSERT_GT(sources.size(), 100u) << "the sources were not found";
    expect_none(include_breaches(sources, table));
}

TEST(ProjectLayers, EveryRowNamesAnExistingFolderAndOnlyFoldersItIncludes) {
    LayerTable const table = project_table();
    for (std::string const& folder : table.folders()) {
        EXPECT_TRUE(std::filesystem::is_directory(ORRELUX_SOURCE_DIR "/" + folder)) << folder;
    }
    expect_none(unused_permissions(read_sources(ORRELUX_SOURCE_DIR, table), table));
}

TEST(ProjectLayers, NoFoldersIncludeEachOtherRoundACycle) {
    LayerTable const table = project_table();
    expect_none(include_cycles(read_sources(ORRELUX_SOURCE_DIR, table), table));
}

TEST(ProjectLayers, EveryTargetLinksOnlyWhatTheRowOfItsFolderAllows) {
    std::string const links = read_text(ORRELUX_LAYER_LINKS);
    ASSERT_NE(links.find("host/services lwhost base\n"), std::string::npos) << links;
    expect_none(link_breaches(links, project_table()));
}

LayerTable const TABLE(R"(# a comment
base:
osapi: base   # trailing comment
libimgops: osapi base
host: base
tests/support: base
tests: *
)",
                       "t");

TEST(LayerCheck, NamesTheFileAndLineOfEveryIncludeItsRowRefuses) {
    struct Case {
        char const* name;
        std::vector<SourceFile> sources;
        std::vector<std::string> breaches;
    } const cases[] = {
        {"allowed, own folder, outside headers",
         {{"osapi/a.cpp",
           "#include \"osapi/a.h\"\n#include \"base/b.h\"\n#include <gtest/gtest.h>\n"},
          {"base/b.h", "#include <string>\n#include \"b2.h\"\n"}},
         {}},
        {"upwards",
         {{"base/b.h", "#pragma once\n\n#include \"osapi/a.h\"\n"}},
         {"base/b.h:3: \"osapi/a.h\" is in osapi, which the row of base does not allow"}},
        {"include/<folder> belongs to <folder>, both ways",
         {{"base/b.cpp", "#include <osapi/osapi-unix.h>\n"},
          {"include/osapi/osapi-unix.h", "#include \"base/b.h\"\n#include \"host/h.h\"\n"}},
         {"base/b.cpp:1: <osapi/osapi-unix.h> is in osapi, which the row of base does not allow",
          "include/osapi/osapi-unix.h:2: \"host/h.h\" is in host, which the row of osapi does "
          "not allow"}},
        {"spacing, and a commented-out include",
         {{"host/h.cpp", "// #include \"libimgops/s.h\"\n  #  include   \"libimgops/s.h\"\n"}},
         {"host/h.cpp:2: \"libimgops/s.h\" is in libimgops, which the row of host does not "
          "allow"}},
        {"a subfolder answers to its folder's row",
         {{"host/frames/f.cpp", "#include \"osapi/a.h\"\n"}},
         {"host/frames/f.cpp:1: \"osapi/a.h\" is in osapi, which the row of host does not "
          "allow"}},
        {"a nested row is stricter than the one around it",
         {{"tests/x/t.cpp", "#include \"host/h.h\"\n#include \"../support/s.h\"\n"},
          {"tests/support/s.h", "#include \"base/b.h\"\n#include \"host/h.h\"\n"}},
         {"tests/support/s.h:2: \"host/h.h\" is in host, which the row of tests/support does "
          "not allow"}},
        {"quoted names are found beside the file first",
         {{"libimgops/s.cpp", "#include \"s.h\"\n#include \"../host/h.h\"\n"},
          {"libimgops/s.h", ""},
          {"host/h.h", ""}},
         {"libimgops/s.cpp:2: \"../host/h.h\" is in host, which the row of libimgops does not "
          "allow"}},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(include_breaches(c.sources, TABLE), c.breaches) << c.name;
    }
}

TEST(LayerCheck, RefusesLinksTheRowDoesNotAllowAndFoldersWithoutARow) {
    EXPECT_THAT(link_breaches("osapi osapi base\n"
                              "host lwhost osapi\n"
                              "tests/host test_host host\n"
                              "data database libimgops\n"
                              "host lwhost panel\n",
                              TABLE),
                ElementsAre("host: lwhost links a target of osapi, which the row of host does "
                            "not allow",
                            "data: database links a target of libimgops, but data has no row",
                            "host: lwhost links a target of panel, but panel has no row"));
}

TEST(LayerCheck, ReportsFoldersARowAllowsButNothingThereIncludes) {
    std::vector<SourceFile> const sources = {
        {"osapi/a.cpp", "#include \"base/b.h\"\n"},
        {"libimgops/s.cpp", "#include <osapi/osapi-unix.h>\n"},
        {"tests/support/s.h", "#include \"base/b.h\"\n"},
        {"tests/t.cpp", "#include \"host/h.h\"\n"},
    };
    EXPECT_THAT(unused_permissions(sources, TABLE),
                ElementsAre("the row of host allows base, but nothing in host includes it",
                            "the row of libimgops allows base, but nothing in libimgops "
                            "includes it"));
}

TEST(LayerCheck, NamesTheCyclesOfFoldersWithAnIncludeForEachStep) {
    std::vector<SourceFile> const sources = {
        {"base/b.h", "#include \"base/b2.h\"\n#include \"osapi/a.h\"\n"},
        {"osapi/a.cpp", "#include \"osapi/a.h\"\n#include \"base/b.h\"\n"},
        {"libimgops/s.cpp", "#include \"osapi/a.h\"\n#include \"base/b.h\"\n"},
        {"host/h.cpp", "#include \"libimgops/s.h\"\n"},
        {"tests/t.cpp", "#include \"host/h.h\"\n"},
        {"tests/support/s.h", "#include \"tests/t.h\"\n"},
        {"libimgops/s.h", "#include <tests/support/s.h>\n"},
    };
    EXPECT_THAT(include_cycles(sources, TABLE),
                ElementsAre("a cycle between folders: base -> osapi -> base (base/b.h:2 includes "
                            "\"osapi/a.h\"; osapi/a.cpp:2 includes \"base/b.h\")",
                            "a cycle between folders: host -> libimgops -> tests/support -> tests "
                            "-> host (host/h.cpp:1 includes \"libimgops/s.h\"; libimgops/s.h:1 "
                            "includes <tests/support/s.h>; tests/support/s.h:1 includes "
                            "\"tests/t.h\"; tests/t.cpp:1 includes \"host/h.h\")"));
    EXPECT_THAT(include_cycles({sources[0], sources[2], sources[3]}, TABLE), IsEmpty());
}

TEST(LayerTable, RefusesMalformedRowsNamingTheLine) {
    struct Case {
        char const* text;
        char const* message;
    } const cases[] = {
        {"base:\nosapi base\n", "t:2: expected \"<folder>: <folders it may include>\""},
        {"base: osapi\nosapi:\nbase:\n", "t:3: a second row for base"},
        {"base:\ntests: * base\n", "t:2: \"*\" stands alone"},
        {"\nbase: osapi\n", "t:2: base allows osapi, which has no row"},
        {"base: osapi\nosapi: base\n", "t:1: the rows make a cycle: base -> osapi -> base"},
        {"a:\nb: a d\nc: b\nd: c\n", "t:2: the rows make a cycle: b -> d -> c -> b"},
    };
    for (Case const& c : cases) {
        EXPECT_THAT([&] { LayerTable(c.text, "t"); },
                    ThrowsMessage<std::runtime_error>(StrEq(c.message)))
            << c.text;
    }
}

} // namespace
