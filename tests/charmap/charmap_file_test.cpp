#include "charmap/u7charmap.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every test starts from an empty map; the limits carry over, so tests of
// the limits compare with values they set themselves.
class CharMapFile : public ::testing::Test {
protected:
    void SetUp() override { free_charmap(); }
    void TearDown() override { free_charmap(); }

    int load(const std::string& contents)
    {
        write_file_bytes(dir.file("usecode.map"), contents);
        return load_charmap(dir.file("usecode.map").c_str());
    }

    static const CharMapEntry& entry(int index)
    {
        return current_charmap().entries.at(static_cast<std::size_t>(index));
    }

    static std::string code_of(int index) { return entry(index).code.data(); }

    TempDir dir;
};

TEST_F(CharMapFile, CommentsOnlyGiveAnEmptyMap)
{
    ASSERT_EQ(load("; a comment\n;\t\xE3\x81\x82\t0xF4,0x30\n"), 0);
    EXPECT_EQ(current_charmap().entry_count, 0);
    EXPECT_EQ(lookup_charmap("\xE3\x81\x82"), nullptr);
    EXPECT_EQ(get_charmap_code("\xE3\x81\x82"), -1);
    EXPECT_EQ(get_charmap_code_at(0), -1);
}

TEST_F(CharMapFile, ColumnsAreSplitAtRunsOfTabsAndLineEnds)
{
    ASSERT_EQ(load("\t\t\xE3\x81\x82\t\r\t0xF4,0x30\t\t7\textra\r\n"
                   "a b\t65\n"
                   "lonely\n"
                   "\n"
                   "\xE3\x81\x84\t0xF4,0x31"),  // last line without a line end
              0);
    ASSERT_EQ(current_charmap().entry_count, 3);
    EXPECT_EQ(entry(0).name, "\xE3\x81\x82");
    EXPECT_EQ(code_of(0), "\xF4" "0");
    EXPECT_EQ(entry(0).attribute, 7u);
    EXPECT_EQ(entry(1).name, "a b");  // spaces belong to the column
    EXPECT_EQ(code_of(1), "A");
    EXPECT_EQ(entry(1).attribute, 0u);
    EXPECT_EQ(entry(2).name, "\xE3\x81\x84");
    EXPECT_EQ(get_charmap_code("\xE3\x81\x84"), 245);
}

TEST_F(CharMapFile, CodeNumbersKeepTheirLowEightBits)
{
    ASSERT_EQ(load("dec\t65,66\n"
                   "hex\t0x41,0X42\n"
                   "oct\t0101\n"
                   "wide\t0x141\n"
                   "eight\t1,2,3,4,5,6,7,8\n"
                   "zero\t12,0,34\n"
                   "commas\t,,,\n"
                   "words\tabc\n"
                   "gaps\t,,0x41,,0x42,\n"
                   "spaced\t 65, 66\n"
                   "tail\t65x,66\n"
                   "attr\t65\t0xFFFFFFFF\n"),
              0);
    ASSERT_EQ(current_charmap().entry_count, 12);
    EXPECT_EQ(code_of(0), "AB");
    EXPECT_EQ(code_of(1), "AB");
    EXPECT_EQ(code_of(2), "A");
    EXPECT_EQ(code_of(3), "A");
    EXPECT_EQ(code_of(4), "\x01\x02\x03\x04\x05\x06\x07");
    EXPECT_EQ(code_of(5), "\x0C");
    EXPECT_EQ(entry(5).code[2], '\0');  // nothing kept behind the zero
    EXPECT_EQ(code_of(6), "");
    EXPECT_EQ(code_of(7), "");
    EXPECT_EQ(code_of(8), "AB");
    EXPECT_EQ(code_of(9), "AB");
    EXPECT_EQ(code_of(10), "AB");
    EXPECT_EQ(entry(11).attribute, 0xFFFFFFFFu);
    EXPECT_EQ(get_charmap_code_at(5), 12);
    EXPECT_EQ(get_charmap_code_at(6), 0);
    EXPECT_EQ(get_charmap_code_at(12), -1);
    EXPECT_EQ(get_charmap_code_at(-1), -1);
}

TEST_F(CharMapFile, EveryTagSetsItsOwnLimit)
{
    ASSERT_EQ(load("<MAX_CODE>\t1\n"
                   "<MAX_CODE_FONT_NORMAL>\t2\n"
                   "<MAX_CODE_FONT_STATUS>\t3\n"
                   "<MAX_CODE_FONT_BOOKS>\t4\n"
                   "<MAX_CODE_FONT_SUBTITLE>\t5\n"
                   "<MAX_CODE_FONT_MENU>\t6\n"
                   "<MAX_CODE_FONT_BG_INTRO>\t7\n"
                   "<MAX_CODE_FONT_BG_END2>\t8\n"
                   "<MAX_CODE_FONT_BG_END3>\t9\n"
                   "<MAX_CODE_FONT_SI_INTRO>\t10\n"
                   "<MAX_CODE_FONT_SPEECH_RED>\t0xF5,0x41\n"),
              0);
    const CharMap& map = current_charmap();
    EXPECT_EQ(map.entry_count, 0);
    EXPECT_EQ(map.max_code, 1);
    EXPECT_EQ(map.max_code_font_normal, 2);
    EXPECT_EQ(map.max_code_font_status, 3);
    EXPECT_EQ(map.max_code_font_books, 4);
    EXPECT_EQ(map.max_code_font_subtitle, 5);
    EXPECT_EQ(map.max_code_font_menu, 6);
    EXPECT_EQ(map.max_code_font_bg_intro, 7);
    EXPECT_EQ(map.max_code_font_bg_end2, 8);
    EXPECT_EQ(map.max_code_font_bg_end3, 9);
    EXPECT_EQ(map.max_code_font_si_intro, 10);
    EXPECT_EQ(map.max_code_font_speech_red, 432);
}

TEST_F(CharMapFile, OnlyTagsWithACodeNumberChangeTheirLimit)
{
    ASSERT_EQ(load("<MAX_CODE>\t0xFF,0x31,0x32\n"), 0);
    ASSERT_EQ(current_charmap().max_code, 2382);
    ASSERT_EQ(load("<MAX_CODE>\t65,66\n"       // two ordinary bytes: 0
                   "<MAX_CODE>\t0xF4,0x20\n"   // no code: -1
                   "<MAX_CODE>\t\n"            // no code column: not even a tag line
                   "<MAX_CODE>\t,\n"),         // empty code: 0
              0);
    EXPECT_EQ(current_charmap().max_code, 2382);
    EXPECT_EQ(current_charmap().entry_count, 0);

    // Later tag lines override earlier ones; loading a map without tags
    // or releasing it keeps them.
    ASSERT_EQ(load("<MAX_CODE>\t0xF4,0x30\n<MAX_CODE>\t0xF4,0x31\n"), 0);
    EXPECT_EQ(current_charmap().max_code, 245);
    free_charmap();
    ASSERT_EQ(load_charmap(nullptr), 0);
    EXPECT_EQ(current_charmap().max_code, 245);
}

TEST_F(CharMapFile, TagsMatchExactly)
{
    const int normal_before = current_charmap().max_code_font_normal;
    ASSERT_EQ(load("<MAX_CODE> \t0xF4,0x30\n"
                   "<max_code_font_normal>\t0xF4,0x30\n"
                   "<MAX_CODE_FONT_NORMAL\t0xF4,0x30\n"),
              0);
    ASSERT_EQ(current_charmap().entry_count, 3);
    EXPECT_EQ(entry(0).name, "<MAX_CODE> ");
    EXPECT_EQ(get_charmap_code("<max_code_font_normal>"), 244);
    EXPECT_EQ(current_charmap().max_code_font_normal, normal_before);
}

TEST_F(CharMapFile, DuplicatesAreKeptAndTheFirstWins)
{
    ASSERT_EQ(load("\xE3\x81\x82\t0xF4,0x30\n\xE3\x81\x82\t0xF4,0x31\n"), 0);
    ASSERT_EQ(current_charmap().entry_count, 2);
    EXPECT_STREQ(lookup_charmap("\xE3\x81\x82"), "\xF4" "0");
    EXPECT_EQ(get_charmap_code("\xE3\x81\x82"), 244);
    EXPECT_EQ(get_charmap_code_at(1), 245);

    // A new map forgets the old entries, the first of each name included.
    ASSERT_EQ(load("\xE3\x81\x84\t1\n\xE3\x81\x82\t0xF4,0x32\n\xE3\x81\x82\t0xF4,0x30\n"), 0);
    EXPECT_STREQ(lookup_charmap("\xE3\x81\x82"), "\xF4" "2");
    free_charmap();
    EXPECT_EQ(lookup_charmap("\xE3\x81\x82"), nullptr);
    ASSERT_EQ(add_charmap_entry("\xE3\x81\x82", "\xF4" "3"), 1);
    ASSERT_EQ(add_charmap_entry("\xE3\x81\x82", "\xF4" "4"), 2);
    EXPECT_STREQ(lookup_charmap("\xE3\x81\x82"), "\xF4" "3");
}

TEST_F(CharMapFile, ByteOrderMarkIsRemovedFromTheFirstLineOnly)
{
    const std::string bom = "\xEF\xBB\xBF";
    ASSERT_EQ(load(bom + "\xE3\x81\x82\t0xF4,0x30\n" + bom + "\xE3\x81\x84\t0xF4,0x31\n"), 0);
    ASSERT_EQ(current_charmap().entry_count, 2);
    EXPECT_EQ(entry(0).name, "\xE3\x81\x82");
    EXPECT_EQ(entry(1).name, bom + "\xE3\x81\x84");

    // A comment behind the mark on line 1 is still a comment.
    ASSERT_EQ(load(bom + ";\tcomment\n"), 0);
    EXPECT_EQ(current_charmap().entry_count, 0);
}

TEST_F(CharMapFile, LongLinesAreReadIn255BytePieces)
{
    // 300 bytes before the tab: the first 255 form a line of one column
    // (ignored), the other 45 begin the next line.
    ASSERT_EQ(load(std::string(300, 'x') + "\t65\n" + std::string(255, 'y') + "\n"), 0);
    ASSERT_EQ(current_charmap().entry_count, 1);
    EXPECT_EQ(entry(0).name, std::string(45, 'x'));
    EXPECT_EQ(code_of(0), "A");
}

TEST_F(CharMapFile, ACommentRunsToItsLineEndHoweverLong)
{
    // "ね<TAB>0x41" at the end of a comment longer than one read must not
    // become a mapping.  Lengths around the 255-byte read, line end included.
    const std::string tail = "\xE3\x81\xAD\t0x41";
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::size_t length : {250u, 254u, 255u, 256u, 300u, 510u, 511u, 600u}) {
        for (const std::string& start : {std::string(), bom}) {
            const std::string comment = ";" + std::string(length - tail.size() - 1, 'c') + tail;
            ASSERT_EQ(load(start + comment + "\n\xE3\x81\x82\t0xF4,0x30\n" + comment), 0) << length;
            EXPECT_EQ(lookup_charmap("\xE3\x81\xAD"), nullptr) << length;
            ASSERT_EQ(current_charmap().entry_count, 1) << length;
            EXPECT_EQ(code_of(0), "\xF4" "0") << length;
        }
    }
    // A comment with a zero byte still ends at its line end.
    ASSERT_EQ(load(std::string("; a\0b\n\xE3\x81\x82\t0xF4,0x30\n", 20)), 0);
    EXPECT_EQ(current_charmap().entry_count, 1);
}

TEST_F(CharMapFile, LoadingReplacesTheEntriesAndANullPathEmptiesTheMap)
{
    ASSERT_EQ(load("a\t1\nb\t2\n"), 0);
    ASSERT_EQ(load("c\t3\n"), 0);
    ASSERT_EQ(current_charmap().entry_count, 1);
    EXPECT_EQ(entry(0).name, "c");

    EXPECT_EQ(load_charmap(nullptr), 0);
    EXPECT_EQ(current_charmap().entry_count, 0);
    EXPECT_TRUE(current_charmap().entries.empty());
}

TEST_F(CharMapFile, UnreadableFilesLeaveTheMapAsItWas)
{
    ASSERT_EQ(load("c\t3\n"), 0);
    EXPECT_EQ(load_charmap(dir.file("missing.map").c_str()), -1);
    EXPECT_EQ(current_charmap().entry_count, 1);
    EXPECT_EQ(get_charmap_code("c"), 3);
}

TEST_F(CharMapFile, ReadErrorIsAFailure)
{
    // A folder opens as a stream on this platform but cannot be read.
    EXPECT_EQ(load_charmap(dir.path().c_str()), -1);
    EXPECT_EQ(current_charmap().entry_count, 0);
}

TEST_F(CharMapFile, AddEntryCopiesAtMostSevenCodeBytes)
{
    EXPECT_EQ(add_charmap_entry(nullptr, "A"), -1);
    EXPECT_EQ(add_charmap_entry("a", nullptr), -1);
    EXPECT_EQ(add_charmap_entry("", "A"), 0);
    EXPECT_EQ(current_charmap().entry_count, 0);

    EXPECT_EQ(add_charmap_entry("a", "123456789"), 1);
    EXPECT_EQ(add_charmap_entry("b", ""), 2);
    EXPECT_EQ(code_of(0), "1234567");
    EXPECT_EQ(entry(0).code[7], '\0');
    EXPECT_STREQ(lookup_charmap("b"), "");
    EXPECT_EQ(get_charmap_code("b"), 0);
}

TEST_F(CharMapFile, LookupsRefuseMissingArgumentsAndCompareWholeNames)
{
    EXPECT_EQ(lookup_charmap("a"), nullptr);  // empty map
    EXPECT_EQ(get_charmap_code("a"), -1);
    ASSERT_EQ(add_charmap_entry("ab", "A"), 1);
    EXPECT_EQ(lookup_charmap(nullptr), nullptr);
    EXPECT_EQ(lookup_charmap(""), nullptr);
    EXPECT_EQ(lookup_charmap("a"), nullptr);
    EXPECT_EQ(lookup_charmap("abc"), nullptr);
    EXPECT_STREQ(lookup_charmap("ab"), "A");
    EXPECT_EQ(get_charmap_code(nullptr), 0);
    EXPECT_EQ(get_charmap_code(""), 0);
    EXPECT_EQ(get_charmap_code("ab"), 65);
}

}  // namespace
