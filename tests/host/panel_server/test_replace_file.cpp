#include "host/panel_server/replace_file.h"

#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace {

TEST(ReplaceFile, LeavesNoTemporaryAndAFailureKeepsTheOld) {
    TempFolder folder;
    std::string const path = folder.file("shot.lws");
    write_text(path, "old");
    replace_file(path, "new");
    EXPECT_EQ(read_text(path), "new");
    EXPECT_FALSE(std::filesystem::exists(path + ".inprogress"));

    std::string const missing = folder.file("no/such/shot.lws");
    EXPECT_THROW(replace_file(missing, "x"), std::runtime_error);
    std::filesystem::create_directory(folder.file("taken.lws"));
    EXPECT_THROW(replace_file(folder.file("taken.lws"), "x"), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("taken.lws")));
}

} // namespace
