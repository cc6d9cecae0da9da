#include "memory_stars.h"

#include "libimgops/stars.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

TEST(MappedStarFile, CountsWholeRecordsOnlyAndRewindsToTheHeader) {
    TempFolder folder;
    std::string const path = folder.file("partial.stars");
    star records[] = {star{}, make_star(10, 0, 1), make_star(20, 0, 1)};
    std::memcpy(&records[0], "ORRELUX2", 8);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(records), sizeof records)
        << std::string(16, '\x7f');
    std::unique_ptr<StarInput> input(op_stars_file_input(path.c_str()));
    std::remove(path.c_str()); // the mapping outlives the name
    EXPECT_EQ(input->count, 3u);
    EXPECT_TRUE(input->is_valid());
    EXPECT_TRUE(input->is_3d);
    EXPECT_EQ(input->next()->ra, 10);
    input->rewind();
    EXPECT_TRUE(input->is_valid());
    EXPECT_EQ(input->next()->ra, 10);
}
