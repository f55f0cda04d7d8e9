// The messages of the file helpers: open errors and refused text lines.
#include "file_utils.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

// Messages are compared as UTF-8; LANG is set before the first message.
const bool utf8_console = [] {
    setenv("LANG", "C.UTF-8", 1);
    return true;
}();

TEST(OpenFileOrReport, PrintsTheOpenErrorUnlessAMissingFileIsLeftToTheCaller)
{
    ASSERT_TRUE(utf8_console);
    TempDir dir;
    const std::string missing = dir.file("missing.txt");
    write_file_bytes(dir.file("there.txt"), "x");

    testing::internal::CaptureStdout();
    EXPECT_FALSE(open_file_or_report(missing.c_str(), "r"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(open_file_or_report(missing.c_str(), "r", MissingFile::quiet));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(open_file_or_report(dir.path().c_str(), "w", MissingFile::quiet));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(open_file_or_report(dir.file("there.txt").c_str(), "r"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: 2: オープンエラー: " + missing + "\nERROR: 21: オープンエラー: " + dir.path() + "\n");
}

TEST(CheckTextLine, NamesTheFileAndLineOfARefusedLine)
{
    ASSERT_TRUE(utf8_console);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(check_text_line("ok\r\n", 4, "a.txt", 1));
    EXPECT_FALSE(check_text_line("a\rb\n", 4, "a.txt", 12));
    EXPECT_FALSE(check_text_line("a\0b\n", 4, "b.txt", 3));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: a.txt(12行目): 不正な文字(NULまたはCR)があります\n"
              "ERROR: b.txt(3行目): 不正な文字(NULまたはCR)があります\n");
}

}  // namespace
