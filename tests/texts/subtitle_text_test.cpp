#include "texts/bg_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

const bool utf8_console = [] {
    setenv("LANG", "C.UTF-8", 1);
    return true;
}();

struct ExpectedLine {
    std::int32_t marker;
    std::string english;
};

std::vector<ExpectedLine> lines_of(const SubtitleTable& table)
{
    std::vector<ExpectedLine> lines;
    for (const SubtitleLine& line : table.lines) lines.push_back({line.marker, line.english});
    return lines;
}

bool operator==(const ExpectedLine& a, const ExpectedLine& b) { return a.marker == b.marker && a.english == b.english; }

void PrintTo(const ExpectedLine& line, std::ostream* os) { *os << "{" << line.marker << ", \"" << line.english << "\"}"; }

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<ExpectedLine> lines;
    std::string joined;  // without translations
};

const std::vector<SplitCase> split_cases = {
    {"two lines", "A\r\nB\r\n", {{0, "A"}, {0, "B"}}, "A\r\nB\r\n"},
    {"markers", "\\CA\r\n\\LB\r\n\\RC\r\n", {{1, "A"}, {2, "B"}, {3, "C"}}, "\\CA\r\n\\LB\r\n\\RC\r\n"},
    {"other backslash sequences stay text", "\\XA\r\n\\c\r\n\\\r\nx\\C\r\n",
     {{0, "\\XA"}, {0, "\\c"}, {0, "\\"}, {0, "x\\C"}}, "\\XA\r\n\\c\r\n\\\r\nx\\C\r\n"},
    {"marker without text", "\\C\r\n\\R\r\n", {{1, ""}, {3, ""}}, "\\C\r\n\\R\r\n"},
    {"text after the last CR belongs to no line", "A\r\nB", {{0, "A"}}, "A\r\n"},
    {"marker after the last CR is dropped too", "A\r\n\\CB", {{0, "A"}}, "A\r\n"},
    {"CR followed by another byte drops that byte", "A\rXB\r\n", {{0, "A"}, {0, "B"}}, "A\r\nB\r\n"},
    {"CR at the very end", "A\r", {{0, "A"}}, "A\r\n"},
    {"empty lines", "A\r\n\r\n\r\nB\r\n", {{0, "A"}, {0, ""}, {0, ""}, {0, "B"}}, "A\r\n\r\n\r\nB\r\n"},
    {"the byte after a CR is not examined", "\r\r\r\n", {{0, ""}, {0, ""}}, "\r\n\r\n"},
    {"LF alone is text", "A\nB\r\n\n\r\n", {{0, "A\nB"}, {0, "\n"}}, "A\nB\r\n\n\r\n"},
    {"no CR at all", "ABC", {}, ""},
    {"tabs and high bytes", "\t\xF4" "0\t\r\n", {{0, "\t\xF4" "0\t"}}, "\t\xF4" "0\t\r\n"},
};

TEST(SplitSubtitleText, LinesMarkersAndJoinedText)
{
    for (const SplitCase& c : split_cases) {
        SCOPED_TRACE(c.name);
        SubtitleTable table;
        ASSERT_EQ(split_subtitle_text(c.text.c_str(), table), 0);
        EXPECT_EQ(table.line_count, static_cast<std::int32_t>(c.lines.size()));
        EXPECT_EQ(lines_of(table), c.lines);
        EXPECT_EQ(join_subtitle_lines(table), c.joined);
    }
}

// Entries of well-formed lines (CR LF ends, no CR or zero byte inside, no
// text after the last line) come back byte for byte.
TEST(JoinSubtitleLines, WellFormedEntriesComeBackByteForByte)
{
    const std::string alphabet = std::string("AZaz09 \t\n\\CLRX.,!?\"'") + "\x80\xF4\xFF";
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    for (int round = 0; round < 300; ++round) {
        std::string entry;
        const std::uint32_t line_count = next(12);
        for (std::uint32_t i = 0; i < line_count; ++i) {
            const std::uint32_t length = next(20);
            for (std::uint32_t j = 0; j < length; ++j) {
                entry += alphabet[next(static_cast<std::uint32_t>(alphabet.size()))];
            }
            entry += "\r\n";
        }
        SubtitleTable table;
        ASSERT_EQ(split_subtitle_text(entry.c_str(), table), 0);
        EXPECT_EQ(table.line_count, static_cast<std::int32_t>(line_count));
        ASSERT_EQ(join_subtitle_lines(table), entry) << "round " << round;
    }
}

// An archive of count entries: plain bytes, with the given texts as
// entries 13 and 21 when the archive reaches them.
FlexArchive make_archive(int count, const std::string& intro, const std::string& ending)
{
    FlexArchive archive;
    archive.count = count;
    archive.entries.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(i)];
        const std::string* text = i == 13 ? &intro : i == 21 ? &ending : nullptr;
        entry.offset = 1;
        if (text != nullptr) {
            entry.size = static_cast<std::uint32_t>(text->size());
            entry.type = ENTRY_TEXT;
            entry.object.emplace<TextData>(TextData{*text});
        } else {
            entry.size = 1;
            entry.type = ENTRY_RAW;
            entry.object.emplace<RawData>(RawData{{static_cast<std::uint8_t>(i)}});
        }
    }
    return archive;
}

struct LoadOutcome {
    int result;
    std::string printed;
};

LoadOutcome load(const FlexArchive& archive, SubtitleTables& tables)
{
    testing::internal::CaptureStdout();
    const int result = load_subtitle_tables(archive, tables, "MAINSHP.FLX");
    return {result, testing::internal::GetCapturedStdout()};
}

TEST(LoadSubtitleTables, MissingOrEmptyTextsFail)
{
    ASSERT_TRUE(utf8_console);
    const std::string missing = "ERROR: 字幕テキストがありません: MAINSHP.FLX\nERROR: MAINSHP.FLX を読み込めません\n";
    struct Case {
        const char* name;
        FlexArchive archive;
        bool intro_split;  // kind 0 was split before kind 1 failed
    };
    // (Short archives and empty texts are run end to end.)
    std::vector<Case> cases;
    FlexArchive raw_intro = make_archive(22, "A\r\n", "B\r\n");
    raw_intro.entries[13].object.emplace<RawData>(RawData{{'A', '\r', '\n'}});
    cases.push_back({"intro entry of plain bytes", std::move(raw_intro), false});
    FlexArchive no_object = make_archive(22, "A\r\n", "B\r\n");
    no_object.entries[21].object.emplace<std::monostate>();
    cases.push_back({"ending entry without object", std::move(no_object), true});
    FlexArchive short_table = make_archive(22, "A\r\n", "B\r\n");
    short_table.count = 40;  // a count the entry array does not back
    short_table.entries.resize(21);
    cases.push_back({"count above the entries held", std::move(short_table), true});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleTables tables;
        const LoadOutcome outcome = load(c.archive, tables);
        EXPECT_EQ(outcome.result, -1);
        EXPECT_EQ(outcome.printed, missing);
        EXPECT_EQ(tables[0].line_count, c.intro_split ? 1 : 0);
        EXPECT_EQ(tables[1].line_count, 0);
    }
}

TEST(LoadSubtitleTables, TextStopsAtItsFirstZeroByte)
{
    const FlexArchive archive = make_archive(22, std::string("A\r\nB\0C\r\n", 8), "E\r\n");
    SubtitleTables tables;
    ASSERT_EQ(load(archive, tables).result, 0);
    EXPECT_EQ(lines_of(tables[0]), (std::vector<ExpectedLine>{{0, "A"}}));
}

TEST(RebuildSubtitleEntries, RefusesAnArchiveWithoutTheEntries)
{
    FlexArchive archive = make_archive(21, "A\r\n", "");
    const SubtitleTables tables;
    EXPECT_EQ(rebuild_subtitle_entries(archive, tables), -1);
    const auto* intro = std::get_if<TextData>(&archive.entries[13].object);
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(intro->text, "A\r\n");  // nothing replaced
}

}  // namespace
