// The line reader of the text files: the stray-byte rule, and the lines a
// file gives (pieces, whole lines, byte order mark, refused lines).
#include "common/line_reader.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(StrayLineByte, ZeroBytesAndCrsOutsideTheLineEnd)
{
    struct Case {
        std::string line;
        std::size_t stray;
    };
    constexpr std::size_t none = std::string_view::npos;
    const Case cases[] = {
        {"", none},
        {"abc", none},
        {"abc\n", none},
        {"abc\r\n", none},
        {"abc\r", none},       // a last line ended by CR alone
        {"abc\r\r\n", none},   // the whole run of CR and LF ends the line
        {"\r\n", none},
        {"a\tb\xE3\x81\x82\n", none},
        {"a\rb\n", 1},         // CR-only line ends glue lines together
        {"a\rb\r", 1},
        {"\rabc\n", 0},
        {"a\r\nb", 1},
        {"a\0b\n"s, 1},
        {"\0"s, 0},
        {"abc\0\n"s, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(find_stray_line_byte(c.line), c.stray) << testing::PrintToString(c.line);
    }
    EXPECT_TRUE(check_text_line("ab\rc", 2, "f", 1));  // only the given length counts
}

// What the reader gives for each line: its number, text, wholeness and status.
struct Read {
    int line;
    std::string text;
    bool whole;
    LineStatus status;
    bool operator==(const Read&) const = default;
};

std::vector<Read> read_all(const std::string& bytes, std::size_t max_length, bool skip_long)
{
    TempDir dir;
    write_file_bytes(dir.file("t.txt"), bytes);
    FilePtr file = open_file(dir.file("t.txt").c_str(), "rb");
    LineReader reader(file.get(), max_length);
    std::vector<Read> reads;
    std::string_view text;
    LineStatus status;
    while ((status = reader.next(text)) != LineStatus::end) {
        reads.push_back({reader.line_number(), std::string(text), reader.whole(), status});
        if (skip_long) reader.skip_rest_of_line();
    }
    EXPECT_FALSE(reader.failed());
    return reads;
}

TEST(LineReader, GivesLinesInPiecesWithoutTheirEnds)
{
    const auto L = LineStatus::line;
    EXPECT_EQ(read_all("\xEF\xBB\xBF" "a\r\n\xEF\xBB\xBF" "b\n\nc", 8, false),
              (std::vector<Read>{{1, "a", true, L}, {2, "\xEF\xBB\xBF" "b", true, L}, {3, "", true, L}, {4, "c", true, L}}));
    // A line of exactly the greatest length is whole; its line end comes
    // as an empty line.
    EXPECT_EQ(read_all("abcd\r\nefgh", 4, false),
              (std::vector<Read>{{1, "abcd", true, L}, {2, "", true, L}, {3, "efgh", true, L}}));
    EXPECT_EQ(read_all("abcde\n", 4, false), (std::vector<Read>{{1, "abcd", false, L}, {2, "e", true, L}}));
    // Skipping the rest of a long line: its tail is no line of its own.
    EXPECT_EQ(read_all("abcdefg\nxy\n", 4, true), (std::vector<Read>{{1, "abcd", false, L}, {2, "xy", true, L}}));
    EXPECT_EQ(read_all("a\rb\nc\0\nd\n"s, 8, false),
              (std::vector<Read>{{1, "a\rb", true, LineStatus::refused},
                                 {2, "c\0"s, true, LineStatus::refused},
                                 {3, "d", true, L}}));
}

}  // namespace
