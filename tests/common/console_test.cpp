#include "common/console.h"

#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

// Runs one console_write into a temporary stream and returns its bytes.
template <typename... Args>
std::string written(ConsoleMode mode, int* result, const char* format, Args... args)
{
    std::FILE* stream = std::tmpfile();
    *result = console_write(stream, mode, format, args...);
    std::fflush(stream);
    std::string bytes;
    std::rewind(stream);
    int c;
    while ((c = std::fgetc(stream)) != EOF) bytes.push_back(static_cast<char>(c));
    std::fclose(stream);
    return bytes;
}

TEST(ConsoleMode, DecidedFromTheCharsetOfLang)
{
    EXPECT_EQ(console_mode_from_lang("ja_JP.UTF-8"), ConsoleMode::pass_through);
    EXPECT_EQ(console_mode_from_lang("ja_JP.utf-8"), ConsoleMode::pass_through);
    EXPECT_EQ(console_mode_from_lang("C.utf-8"), ConsoleMode::pass_through);
    EXPECT_EQ(console_mode_from_lang("UTF-8"), ConsoleMode::pass_through);
    EXPECT_EQ(console_mode_from_lang("a.b.UTF-8"), ConsoleMode::pass_through);
    EXPECT_EQ(console_mode_from_lang("ja_JP.UTF8"), ConsoleMode::convert);
    EXPECT_EQ(console_mode_from_lang("ja_JP.SJIS"), ConsoleMode::convert);
    EXPECT_EQ(console_mode_from_lang("C"), ConsoleMode::convert);
    EXPECT_EQ(console_mode_from_lang("ja"), ConsoleMode::convert);
    EXPECT_EQ(console_mode_from_lang("UTF-8.ja"), ConsoleMode::convert);
    EXPECT_EQ(console_mode_from_lang(""), ConsoleMode::convert);
    EXPECT_EQ(console_mode_from_lang(nullptr), ConsoleMode::convert);
}

TEST(ConsoleWrite, ConvertsJapaneseToCp932)
{
    int result = -2;
    const std::string out = written(ConsoleMode::convert, &result, "ERROR: %d: オープンエラー: %s\n", 2, "a.txt");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "ERROR: 2: \x83\x49\x81\x5B\x83\x76\x83\x93\x83\x47\x83\x89\x81\x5B: a.txt\n");
}

TEST(ConsoleWrite, PassThroughKeepsUtf8)
{
    int result = -2;
    const std::string out = written(ConsoleMode::pass_through, &result, "%s%04X\n", "処理完了", 0x1a);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "処理完了001A\n");
}

TEST(ConsoleWrite, LongMessageIsWrittenWhole)
{
    // Each "あ" becomes two bytes, so the converted text spans several
    // 4095-byte passes, and one pass ends in the middle of the input.
    std::string message;
    for (int i = 0; i < 3 * CONSOLE_CHUNK_SIZE; ++i) message += (i % 7 == 0) ? "x" : "あ";
    std::string expected;
    for (int i = 0; i < 3 * CONSOLE_CHUNK_SIZE; ++i) expected += (i % 7 == 0) ? "x" : "\x82\xA0";
    int result = -2;
    EXPECT_EQ(written(ConsoleMode::convert, &result, "%s", message.c_str()), expected);
    EXPECT_EQ(result, 0);
}

TEST(ConsoleWrite, UnconvertibleInputBecomesOneQuestionMarkEach)
{
    int result = -2;
    // A character that CP932 lacks, a stray continuation byte, and a lead
    // byte with two continuation bytes that form no valid character.
    EXPECT_EQ(written(ConsoleMode::convert, &result, "a\xF0\x9F\x98\x80" "b\x80" "c\xE0\x80\x80" "dあ"),
              "a?b?c?d\x82\xA0");
    EXPECT_EQ(result, 0);
    // A lead byte at the very end of an unconvertible run does not skip past the text.
    EXPECT_EQ(written(ConsoleMode::convert, &result, "%s", "\xFF"), "?");
    EXPECT_EQ(result, 0);
}

TEST(ConsoleWrite, EmptyMessages)
{
    int result = -2;
    EXPECT_EQ(written(ConsoleMode::convert, &result, "%s", ""), "");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(written(ConsoleMode::pass_through, &result, "%s", ""), "");
    EXPECT_EQ(result, 0);
    // A message that begins with a zero byte has nothing to convert.
    EXPECT_EQ(written(ConsoleMode::convert, &result, "%c", 0), "");
    EXPECT_EQ(result, 0);
}

TEST(ConsoleWrite, TruncatedSequenceReportsIconvError)
{
    testing::internal::CaptureStdout();
    int result = -2;
    const std::string out = written(ConsoleMode::convert, &result, "abc\xE3");
    std::fflush(stdout);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(console, "ERROR: " + std::to_string(EINVAL) + ": iconv\n");
}

// The process's mode is fixed by the first message: changing LANG later
// changes nothing.  Runs in a child process, which has not printed yet.
void print_before_and_after_lang_change(const char* first_lang, const char* path)
{
    if (first_lang) setenv("LANG", first_lang, 1); else unsetenv("LANG");
    if (std::freopen(path, "wb", stdout) == nullptr) std::exit(3);
    console_printf("あ");
    if (first_lang) unsetenv("LANG"); else setenv("LANG", "ja_JP.UTF-8", 1);
    console_printf("い\n");
    std::fflush(stdout);
    std::exit(0);
}

// On Windows a death test runs the whole test again in a new process, whose
// temporary folder is not the parent's, so the file checks cannot work.
#ifdef _WIN32
#define SKIP_WHERE_DEATH_TESTS_RERUN() GTEST_SKIP() << "death tests rerun the whole test on Windows"
#else
#define SKIP_WHERE_DEATH_TESTS_RERUN()
#endif

TEST(ConsolePrintfDeathTest, ModeIsFixedAtTheFirstMessage)
{
    SKIP_WHERE_DEATH_TESTS_RERUN();
    TempDir dir;
    const std::string utf8_out = dir.file("utf8.txt");
    EXPECT_EXIT(print_before_and_after_lang_change("ja_JP.UTF-8", utf8_out.c_str()), testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file_bytes(utf8_out), "あい\n");

    const std::string cp932_out = dir.file("cp932.txt");
    EXPECT_EXIT(print_before_and_after_lang_change(nullptr, cp932_out.c_str()), testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file_bytes(cp932_out), "\x82\xA0\x82\xA2\n");
}

TEST(ConsolePrintfDeathTest, MemoryExhaustedLineAndStatus)
{
    SKIP_WHERE_DEATH_TESTS_RERUN();
    EXPECT_EXIT(
        {
            testing::internal::CaptureStdout();
            exit_memory_exhausted("u7files", 123);
        },
        testing::ExitedWithCode(1), "");
    // The line itself is checked through a child writing to a file.
    TempDir dir;
    const std::string path = dir.file("out.txt");
    EXPECT_EXIT(
        {
            if (std::freopen(path.c_str(), "wb", stdout) == nullptr) std::exit(3);
            exit_memory_exhausted("u7files", 123);
        },
        testing::ExitedWithCode(1), "");
    EXPECT_EQ(read_file_bytes(path), "ERROR: u7files(123): memory exhausted!\n");
}

}  // namespace
