#include "common/file_utils.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

TEST(SameFile, ComparesTheFilesNotTheNames)
{
    TempDir dir;
    write_file_bytes(dir.file("a.txt"), "x");
    write_file_bytes(dir.file("b.txt"), "x");
    std::filesystem::create_hard_link(dir.file("a.txt"), dir.file("hard.txt"));
    // Names are UTF-8 on every platform.
    write_file_bytes(dir.file("日本語.txt"), "x");
    std::filesystem::create_hard_link(std::filesystem::u8path(dir.file("日本語.txt")), dir.file("kana.txt"));

    EXPECT_TRUE(is_same_file(dir.file("a.txt").c_str(), dir.file("a.txt").c_str()));
    EXPECT_TRUE(is_same_file(dir.file("a.txt").c_str(), (dir.path() + "/./a.txt").c_str()));
    EXPECT_TRUE(is_same_file(dir.file("a.txt").c_str(), dir.file("hard.txt").c_str()));
    EXPECT_FALSE(is_same_file(dir.file("a.txt").c_str(), dir.file("b.txt").c_str()));
    EXPECT_FALSE(is_same_file(dir.file("a.txt").c_str(), dir.file("missing.txt").c_str()));
    EXPECT_TRUE(is_same_file(dir.file("日本語.txt").c_str(), dir.file("kana.txt").c_str()));
    EXPECT_FALSE(is_same_file(dir.file("日本語.txt").c_str(), dir.file("a.txt").c_str()));
}

// Anything with the name exists, a link whose target is missing included:
// an output named by one must not be written through it.
TEST(PathExists, EveryKindOfName)
{
    TempDir dir;
    write_file_bytes(dir.file("file.txt"), "x");
    std::filesystem::create_directory(dir.file("folder"));
    struct Case {
        std::string name;
        bool exists;
    };
    std::vector<Case> cases = {{"file.txt", true}, {"folder", true}, {"missing.txt", false}, {"folder/none", false}};
#ifndef _WIN32
    ASSERT_EQ(symlink("missing.txt", dir.file("dangling").c_str()), 0);
    ASSERT_EQ(symlink("file.txt", dir.file("link").c_str()), 0);
    cases.push_back({"dangling", true});
    cases.push_back({"link", true});
#endif
    for (const Case& c : cases) EXPECT_EQ(path_exists(dir.file(c.name)), c.exists) << c.name;
    EXPECT_FALSE(path_exists(""));
}

// A name is UTF-8 on every platform, and reaches the file system as such
// through path_from_utf8, on Windows too.
TEST(PathFromUtf8, JapaneseNamesAreFoundAndRemoved)
{
    TempDir dir;
    const std::string drawing = dir.file("字幕1.bmp");
    write_file_bytes(drawing, "a drawing");
    std::filesystem::create_directory(std::filesystem::u8path(dir.file("フォルダ")));
    EXPECT_TRUE(path_exists(drawing));
    EXPECT_FALSE(path_exists(dir.file("字幕2.bmp")));
    EXPECT_EQ(std::filesystem::file_size(path_from_utf8(drawing)), 9u);

    remove_file(dir.file("フォルダ"));  // not a file: stays
    remove_file(dir.file("字幕2.bmp"));
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"フォルダ", "字幕1.bmp"}));
    remove_file(drawing);
    EXPECT_FALSE(path_exists(drawing));
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"フォルダ"});
}

TEST(OutputIsAnInput, RefusesTheSameFileUnderAnyName)
{
    TempDir dir;
    write_file_bytes(dir.file("in.flx"), "x");
    write_file_bytes(dir.file("other.txt"), "y");
    std::filesystem::create_hard_link(dir.file("in.flx"), dir.file("hard.flx"));
    std::filesystem::create_directory(dir.file("sub"));
    const std::string refusal = "ERROR: 入力ファイルと出力ファイルが同じです: ";
    struct Case {
        std::string output;
        std::vector<std::string> inputs;
        bool refused;
    };
    const std::vector<Case> cases = {
        {dir.file("in.flx"), {dir.file("other.txt"), dir.file("in.flx")}, true},
        {dir.path() + "/./in.flx", {dir.file("in.flx")}, true},
        {dir.file("hard.flx"), {"", dir.file("in.flx")}, true},
        {dir.file("new.flx"), {dir.file("in.flx"), ""}, false},
        // A file not made yet, under any spelling of its name.
        {dir.file("new.flx"), {dir.file("new.flx")}, true},
        {dir.path() + "/./new.flx", {dir.file("new.flx")}, true},
        {dir.file("sub/../new.flx"), {dir.path() + "//new.flx"}, true},
        {dir.file("新.txt"), {dir.path() + "/./新.txt"}, true},
        {dir.file("new.flx"), {dir.file("new.flx.txt"), dir.file("sub/new.flx")}, false},
        {dir.file("other.txt"), {}, false},
        {"", {""}, false},
    };
    for (const Case& c : cases) {
        test_capture::begin();
        EXPECT_EQ(output_is_an_input(c.output, c.inputs), c.refused) << c.output;
        EXPECT_EQ(test_capture::end(), c.refused ? test_capture::console(refusal + c.output + "\n") : "") << c.output;
    }
}

// Blocks reach the stream whole once full, the rest at the last flush; a
// short write is remembered.
TEST(BlockWriter, WritesFullBlocksAndRemembersAShortWrite)
{
    TempDir dir;
    {
        FilePtr file = open_file(dir.file("out.txt").c_str(), "wb");
        ASSERT_TRUE(file);
        BlockWriter writer(file.get(), 4);
        std::string expected;
        for (const std::string piece : {"ab", "cde", "f", "ghijk", "l"}) {
            writer.block += piece;
            expected += piece;
            EXPECT_TRUE(writer.flush_if_full());
            EXPECT_LT(writer.block.size(), 4u);
        }
        EXPECT_TRUE(writer.flush());
        EXPECT_TRUE(writer.block.empty());
        EXPECT_FALSE(writer.failed);
        ASSERT_EQ(close_written_file(file), 0);
        EXPECT_EQ(read_file_bytes(dir.file("out.txt")), expected);
    }
#ifndef _WIN32
    FilePtr full = open_file("/dev/full", "wb");
    ASSERT_TRUE(full);
    ASSERT_EQ(std::setvbuf(full.get(), nullptr, _IONBF, 0), 0);
    BlockWriter writer(full.get(), 1);
    writer.block = "lost";
    EXPECT_FALSE(writer.flush_if_full());
    EXPECT_TRUE(writer.failed);
    writer.block = "x";
    EXPECT_FALSE(writer.flush());
#endif
}

TEST(WriteWholeFile, CompleteOrNotAtAllAndKeepsWhatItMayNotReplace)
{
    TempDir dir;
    const std::string path = dir.file("out.bin");
    const auto writes = [](const std::string& bytes) {
        return [bytes](std::FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() ? 0 : -1; };
    };
    test_capture::begin();
    EXPECT_EQ(write_whole_file(path.c_str(), writes("first")), 0);
    EXPECT_EQ(write_whole_file(path.c_str(), writes("second")), 0);
    EXPECT_EQ(test_capture::end(), "");
    EXPECT_EQ(read_file_bytes(path), "second");

    // A failing writer leaves the earlier file as it was.
    test_capture::begin();
    errno = 0;
    EXPECT_EQ(write_whole_file(path.c_str(), [](std::FILE*) { return -1; }), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: 0: 書き込みエラー: " + path + "\n"));
    EXPECT_EQ(read_file_bytes(path), "second");

    // keep: an existing file stays; a new name is written.
    test_capture::begin();
    EXPECT_EQ(write_whole_file(path.c_str(), writes("third"), "wb", ExistingFile::keep), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: ファイルが既にあります(上書きしません): " + path + "\n"));
    EXPECT_EQ(read_file_bytes(path), "second");
    EXPECT_EQ(write_whole_file(dir.file("new.bin").c_str(), writes("new"), "wb", ExistingFile::keep), 0);
    EXPECT_EQ(read_file_bytes(dir.file("new.bin")), "new");
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"new.bin", "out.bin"}));
}

TEST(CloseWrittenFile, ReportsErrorsThatShowOnlyAtFlush)
{
    TempDir dir;
    FilePtr fine = open_file(dir.file("ok.txt").c_str(), "wb");
    ASSERT_TRUE(fine);
    std::fputs("hello", fine.get());
    EXPECT_EQ(close_written_file(fine), 0);
    EXPECT_EQ(read_file_bytes(dir.file("ok.txt")), "hello");

#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that reports a full disk, as /dev/full does";
#endif
    FilePtr full = open_file("/dev/full", "wb");
    ASSERT_TRUE(full);
    std::fputs("buffered, so the write itself seems to succeed", full.get());
    EXPECT_EQ(close_written_file(full), -1);
    EXPECT_FALSE(full);
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
#ifdef _WIN32
    // Text mode reads CR LF as LF there.
    EXPECT_EQ(lines, (std::vector<std::string>{"ab\0c\n"s, "line tw", "o\n", "0123456", "789\rend"}));
#else
    EXPECT_EQ(lines, (std::vector<std::string>{"ab\0c\n"s, "line tw", "o\r\n", "0123456", "789\rend"}));
#endif
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

#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows";
#else
    // A link keeps pointing at the file, which gets the new contents.
    ASSERT_EQ(symlink(target.c_str(), dir.file("link.flx").c_str()), 0);
    EXPECT_EQ(write_replacing(dir.file("link.flx"), "through the link"), 0);
    EXPECT_EQ(read_file_bytes(target), "through the link");
    struct stat link_status {};
    ASSERT_EQ(lstat(dir.file("link.flx").c_str(), &link_status), 0);
    EXPECT_TRUE(S_ISLNK(link_status.st_mode));
#endif
}

TEST(ReplacingFile, AFailedWriteLeavesTheEarlierFileUntouched)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs fork, setrlimit and /dev/full";
#else
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
#endif
}

// commit_new never replaces a file, not even one made while the new file
// was being written.
TEST(ReplacingFile, ANewFileNeverReplacesOne)
{
    TempDir dir;
    const std::string target = dir.file("exultmsg.en.txt");
    ReplacingFile file;
    ASSERT_EQ(file.open(target.c_str(), "wb"), 0);
    std::fputs("template", file.get());
    write_file_bytes(target, "the translator's");
    EXPECT_EQ(file.commit_new(), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(read_file_bytes(target), "the translator's");
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"exultmsg.en.txt"});

    const std::string fresh = dir.file("new.txt");
    ASSERT_EQ(file.open(fresh.c_str(), "wb"), 0);
    std::fputs("template", file.get());
    EXPECT_EQ(file.commit_new(), 0);
    EXPECT_EQ(read_file_bytes(fresh), "template");
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"exultmsg.en.txt", "new.txt"}));
}

// The temporary file's name is cut short where the destination's is as
// long as a folder takes.
TEST(ReplacingFile, TheLongestNamesAFolderTakes)
{
    TempDir dir;
    std::string kanji;
    for (int i = 0; i < 85; ++i) kanji += "字";
    for (const std::string& name : {std::string(255, 'n'), kanji}) {
        ASSERT_EQ(name.size(), 255u);
        const std::string target = dir.file(name);
        EXPECT_EQ(write_replacing(target, "first"), 0) << errno;
        EXPECT_EQ(write_replacing(target, "second"), 0) << errno;
        EXPECT_EQ(std::filesystem::file_size(path_from_utf8(target)), 6u);
        EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{name});
        remove_file(target);
    }
}

TEST(ReplacingFile, TextModeAndNamesOutsideAscii)
{
    TempDir dir;
    const std::string target = dir.file("字幕.txt");
    write_file_bytes(target, "old");
    ReplacingFile file;
    ASSERT_EQ(file.open(target.c_str(), "wt"), 0);
    std::fputs("a\nb\n", file.get());
    ASSERT_EQ(file.commit(), 0);
#ifdef _WIN32
    EXPECT_EQ(read_file_bytes(target), "a\r\nb\r\n");
#else
    EXPECT_EQ(read_file_bytes(target), "a\nb\n");
#endif
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"字幕.txt"});
}

#ifdef _WIN32
TEST(ReplacingFile, WindowsDevicesFoldersAndReadOnlyFiles)
{
    EXPECT_EQ(write_replacing("NUL", "x"), 0);

    TempDir dir;
    ReplacingFile folder;
    EXPECT_EQ(folder.open(dir.path().c_str(), "wb"), -1);
    EXPECT_EQ(errno, EISDIR);

    const std::string locked = dir.file("locked.flx");
    write_file_bytes(locked, "old contents");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    EXPECT_EQ(write_replacing(locked, "new"), -1);
    EXPECT_EQ(errno, EACCES);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(read_file_bytes(locked), "old contents");
    EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"locked.flx"});
}
#endif
// The block reader hands out exactly the pieces read_text_line does, for
// lines shorter and longer than a piece, lines that cross the reader's
// block (and lines longer than a whole block), zero bytes, stray CRs and a
// last line without its LF.
TEST(TextLineReader, GivesTheSamePiecesAsReadTextLine)
{
    using namespace std::string_literals;
    std::string mixed;
    for (int i = 0; i < 9000; ++i) mixed += std::string(static_cast<std::size_t>(i % 37), 'x') + (i % 5 == 0 ? "\r\n" : "\n");
    const std::string contents[] = {
        "",
        "no line end",
        "ab\0c\nline two\r\n0123456789\rend"s,
        "\n\n\n",
        mixed,
        std::string(70000, 'a') + "\n" + std::string(200000, 'b') + "\nlast",
        mixed + std::string(131072, 'c'),
    };
    TempDir dir;
    for (const std::string& text : contents) {
        for (std::size_t size : {std::size_t{2}, std::size_t{8}, std::size_t{256}, std::size_t{4096}, std::size_t{300000}}) {
            write_file_bytes(dir.file("t.txt"), text);
            FilePtr by_getc = open_file(dir.file("t.txt").c_str(), "r");
            FilePtr by_block = open_file(dir.file("t.txt").c_str(), "r");
            ASSERT_TRUE(by_getc && by_block);
            TextLineReader reader(by_block.get());
            std::vector<char> expected(size);
            std::vector<char> got(size);
            std::size_t pieces = 0;
            for (;;) {
                const std::size_t want = read_text_line(by_getc.get(), expected.data(), size);
                const std::size_t have = reader.read(got.data(), size);
                ASSERT_EQ(have, want) << "piece " << pieces << " of size " << size;
                ASSERT_EQ(got[have], '\0');
                ASSERT_EQ(std::string(got.data(), have), std::string(expected.data(), want));
                if (want == 0) break;
                ++pieces;
            }
            EXPECT_FALSE(reader.failed());
            EXPECT_TRUE(reader.next(size - 1).empty());  // stays at the end
        }
    }
}

TEST(TextLineReader, SkipsTheRestOfALineAndReportsReadErrors)
{
    TempDir dir;
    write_file_bytes(dir.file("t.txt"), "; " + std::string(100000, 'c') + "\nnext\n; short\nlast");
    FilePtr file = open_file(dir.file("t.txt").c_str(), "r");
    ASSERT_TRUE(file);
    TextLineReader reader(file.get());
    EXPECT_EQ(reader.next(255), "; " + std::string(253, 'c'));
    reader.skip_rest_of_line();
    EXPECT_EQ(reader.next(255), "next\n");
    EXPECT_EQ(reader.next(3), "; s");
    reader.skip_rest_of_line();
    EXPECT_EQ(reader.next(255), "last");
    reader.skip_rest_of_line();  // at the end: nothing to skip
    EXPECT_EQ(reader.next(255), "");

#ifndef _WIN32  // a folder does not open as a file there
    // A folder opens but cannot be read: no line, and the failure shows.
    FilePtr folder = open_file(dir.path().c_str(), "r");
    ASSERT_TRUE(folder);
    TextLineReader folder_reader(folder.get());
    EXPECT_EQ(folder_reader.next(255), "");
    EXPECT_TRUE(folder_reader.failed());
#endif
}

}  // namespace
