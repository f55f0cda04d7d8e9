#include "file_utils.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(SameFile, ComparesTheFilesNotTheNames)
{
    TempDir dir;
    write_file_bytes(dir.file("a.txt"), "x");
    write_file_bytes(dir.file("b.txt"), "x");
    ASSERT_EQ(link(dir.file("a.txt").c_str(), dir.file("hard.txt").c_str()), 0);

    EXPECT_TRUE(is_same_file(dir.file("a.txt").c_str(), dir.file("a.txt").c_str()));
    EXPECT_TRUE(is_same_file(dir.file("a.txt").c_str(), (dir.path() + "/./a.txt").c_str()));
    EXPECT_TRUE(is_same_file(dir.file("a.txt").c_str(), dir.file("hard.txt").c_str()));
    EXPECT_FALSE(is_same_file(dir.file("a.txt").c_str(), dir.file("b.txt").c_str()));
    EXPECT_FALSE(is_same_file(dir.file("a.txt").c_str(), dir.file("missing.txt").c_str()));
}

TEST(CloseWrittenFile, ReportsErrorsThatShowOnlyAtFlush)
{
    FilePtr full = open_file("/dev/full", "wb");
    ASSERT_TRUE(full);
    std::fputs("buffered, so the write itself seems to succeed", full.get());
    EXPECT_EQ(close_written_file(full), -1);
    EXPECT_FALSE(full);

    TempDir dir;
    FilePtr fine = open_file(dir.file("ok.txt").c_str(), "wb");
    ASSERT_TRUE(fine);
    std::fputs("hello", fine.get());
    EXPECT_EQ(close_written_file(fine), 0);
    EXPECT_EQ(read_file_bytes(dir.file("ok.txt")), "hello");
}

}  // namespace
