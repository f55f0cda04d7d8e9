#include "file_utils.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

TEST(ReadTextLine, CountsEveryByteAndStopsAfterLfOrWhenFull)
{
    using namespace std::string_literals;
    TempDir dir;
    write_file_bytes(dir.file("t.txt"), "ab\0c\nline two\r\n0123456789\rend"s);
    FilePtr file = open_file(dir.file("t.txt").c_str(), "r");
    ASSERT_TRUE(file);
    char buffer[8];
    std::vector<std::string> lines;
    std::size_t length = 0;
    while ((length = read_text_line(file.get(), buffer, sizeof buffer)) != 0) {
        ASSERT_LT(length, sizeof buffer);
        EXPECT_EQ(buffer[length], '\0');
        lines.emplace_back(buffer, length);
    }
    EXPECT_EQ(std::ferror(file.get()), 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"ab\0c\n"s, "line tw", "o\r\n", "0123456", "789\rend"}));
    EXPECT_EQ(read_text_line(file.get(), buffer, 1), 0u);
    EXPECT_EQ(read_text_line(nullptr, buffer, sizeof buffer), 0u);
}

}  // namespace

namespace {

int write_replacing(const std::string& path, const std::string& text)
{
    ReplacingFile file;
    if (file.open(path.c_str(), "wb") != 0) return -1;
    std::fwrite(text.data(), 1, text.size(), file.get());
    return file.commit();
}

TEST(ReplacingFile, PutsTheFileInPlaceOnlyWhenComplete)
{
    TempDir dir;
    const std::string target = dir.file("out.flx");
    write_file_bytes(target, "old contents");

    {
        ReplacingFile dropped;
        ASSERT_EQ(dropped.open(target.c_str(), "wb"), 0);
        std::fputs("half", dropped.get());
    }
    EXPECT_EQ(read_file_bytes(target), "old contents");
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"out.flx"});

    EXPECT_EQ(write_replacing(target, "new contents"), 0);
    EXPECT_EQ(read_file_bytes(target), "new contents");
    EXPECT_EQ(write_replacing(dir.file("fresh.txt"), "made"), 0);
    EXPECT_EQ(read_file_bytes(dir.file("fresh.txt")), "made");
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"fresh.txt", "out.flx"}));

    // A link keeps pointing at the file, which gets the new contents.
    ASSERT_EQ(symlink(target.c_str(), dir.file("link.flx").c_str()), 0);
    EXPECT_EQ(write_replacing(dir.file("link.flx"), "through the link"), 0);
    EXPECT_EQ(read_file_bytes(target), "through the link");
    struct stat link_status {};
    ASSERT_EQ(lstat(dir.file("link.flx").c_str(), &link_status), 0);
    EXPECT_TRUE(S_ISLNK(link_status.st_mode));
}

TEST(ReplacingFile, AFailedWriteLeavesTheEarlierFileUntouched)
{
    TempDir dir;
    const std::string target = dir.file("out.flx");
    write_file_bytes(target, "old contents");

    // A file-size limit in a child process makes the write fail as a full
    // disk would.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(write_replacing(target, std::string(100000, 'x')) == -1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file_bytes(target), "old contents");
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"out.flx"});

    // Devices are written directly, so their errors still show.
    EXPECT_EQ(write_replacing("/dev/full", "x"), -1);
    EXPECT_EQ(write_replacing("/dev/null", "x"), 0);

    ReplacingFile folder;
    EXPECT_EQ(folder.open(dir.path().c_str(), "wb"), -1);
    EXPECT_EQ(errno, EISDIR);
}

}  // namespace
