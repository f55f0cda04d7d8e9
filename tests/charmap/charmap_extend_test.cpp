// The map that writes itself: codes given in order from 244, the old map
// kept byte for byte, the two-byte / three-byte boundary, a full map, and
// a second run that changes nothing.
#include "charmap/charmap_extend.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

// A character of the basic plane as UTF-8.
std::string utf8(unsigned code_point)
{
    std::string out;
    if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | (code_point >> 6));
    } else {
        out += static_cast<char>(0xE0 | (code_point >> 12));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code_point & 0x3F));
    return out;
}

// A map holding the codes first to last, one CJK character each.
std::string map_of_codes(int first, int last)
{
    std::string map;
    for (int number = first; number <= last; ++number) {
        map += utf8(0x4E00u + static_cast<unsigned>(number - first)) + "\t";
        for (const char byte : code_bytes_of_number(number)) {
            map += std::to_string(static_cast<unsigned char>(byte)) + ",";
        }
        map += "\n";
    }
    return map;
}

TEST(CharmapCodes, EveryNumberHasBytesTheMapReadsBack)
{
    std::set<std::string> seen;
    for (int number = CHARMAP_FIRST_FREE_CODE; number <= CHARMAP_LAST_CODE; ++number) {
        const std::string bytes = code_bytes_of_number(number);
        ASSERT_EQ(get_code_value(bytes.c_str()), number);
        ASSERT_EQ(bytes.size(), number <= CHARMAP_LAST_TWO_BYTE_CODE ? 2u : 3u) << number;
        ASSERT_EQ(bytes.find_first_of("\r\n"), std::string::npos) << number;
        ASSERT_TRUE(seen.insert(bytes).second) << number;
    }
    EXPECT_EQ(code_bytes_of_number(244), "\xF4" "0");
    EXPECT_EQ(code_bytes_of_number(2379), "\xFF\xF3");
    EXPECT_EQ(code_bytes_of_number(2380), "\xFF" "10");
    EXPECT_EQ(code_bytes_of_number(33885), "\xFF\xF3\xF3");
    EXPECT_EQ(code_bytes_of_number(243), "");
    EXPECT_EQ(code_bytes_of_number(33886), "");
}

TEST(CharmapCodes, TextCharactersAreCollectedInUnicodeOrder)
{
    CharacterSet characters;
    EXPECT_TRUE(add_text_characters("a\xE3\x81\x84 \xF0\xA0\x80\x8B\t\xC3\xA9", characters));
    EXPECT_FALSE(add_text_characters("\xE3\x81\x82\xE3\x81 \x80x\xE3\x81\x82", characters));
    const std::vector<std::string> in_order(characters.begin(), characters.end());
    EXPECT_EQ(in_order, (std::vector<std::string>{"\xC3\xA9", "\xE3\x81\x82", "\xE3\x81\x84", "\xF0\xA0\x80\x8B"}));
}

class CharmapExtend : public ::testing::Test {
protected:
    // Every limit first set to the last code, so only a case's own tag
    // lines can be exceeded.
    void SetUp() override { reset_limits(); }
    void reset_limits()
    {
        std::string reset;
        for (const char* tag : {"<MAX_CODE>", "<MAX_CODE_FONT_NORMAL>", "<MAX_CODE_FONT_STATUS>", "<MAX_CODE_FONT_BOOKS>",
                                "<MAX_CODE_FONT_SUBTITLE>", "<MAX_CODE_FONT_MENU>", "<MAX_CODE_FONT_BG_INTRO>",
                                "<MAX_CODE_FONT_BG_END2>", "<MAX_CODE_FONT_BG_END3>", "<MAX_CODE_FONT_SI_INTRO>",
                                "<MAX_CODE_FONT_SPEECH_RED>"}) {
            reset += std::string(tag) + "\t0xFF,0xF3,0xF3\n";
        }
        write_file_bytes(dir.file("reset.map"), reset);
        ASSERT_EQ(load_charmap(dir.file("reset.map").c_str()), 0);
    }
    void TearDown() override { load_charmap(nullptr); }

    // The map file holding old (none when old is null) extended by the
    // characters of text.
    CharmapExtension extend(const std::string* old, const std::string& text)
    {
        if (old != nullptr) write_file_bytes(dir.file("usecode.map"), *old);
        std::string bytes;
        EXPECT_EQ(load_charmap_for_extension(dir.file(old != nullptr ? "usecode.map" : "missing.map").c_str(), bytes), 0);
        EXPECT_EQ(bytes, old != nullptr ? *old : "");
        CharacterSet used;
        add_text_characters(text, used);
        return extend_charmap(bytes, current_charmap(), used);
    }

    TempDir dir;
};

TEST_F(CharmapExtend, NewCharactersGetTheLowestFreeCodesAndASecondRunAddsNothing)
{
    const std::string a = "\xE3\x81\x82", i = "\xE3\x81\x84", u = "\xE3\x81\x86", e = "\xC3\xA9";
    struct Case {
        const char* name;
        std::optional<std::string> old;
        std::string text;
        std::string added;  // what follows the old map
        int used, mapped, highest;
        std::vector<std::string> exceeded;  // "TAG LIMIT OVER"
    };
    const std::string head = "; 文字マップ: 文字 <TAB> コードのバイト(カンマ区切り)\n";
    const Case cases[] = {
        {"no map yet", std::nullopt, "x" + i + a + e + a, head + e + "\t0xF4,0x30\n" + a + "\t0xF4,0x31\n" + i + "\t0xF4,0x32\n",
         3, 0, 246, {}},
        {"empty file, nothing used", ""s, "abc", "", 0, 0, 0, {}},
        // Codes 244, 246 (twice: the first entry of a counts) and 2202 as
        // FF 30 30 are taken; the tag's code is no entry's.  CR LF line
        // ends are kept, the last line gets its own.
        {"gaps and duplicates",
         "; map\r\n<MAX_CODE>\t0xF4,0x31\r\n<MAX_CODE_FONT_MENU>\t0xF4,0x32\r\n" + a + "\t0xF4,0x30\r\n" + a + "\t0xF4,0x32\r\n" +
             e + "\t0xF4,0x32\r\n" + i + "\t255,48,48"s,
         a + u + i + e + "\xE3\x81\x88", "\r\n" + u + "\t0xF4,0x31\r\n" + "\xE3\x81\x88" + "\t0xF4,0x33\r\n", 5, 3, 2202,
         {"<MAX_CODE> 245 1", "<MAX_CODE_FONT_MENU> 246 1"}},
        {"two bytes up to 2379, then three", map_of_codes(244, 2378), a + i,
         a + "\t0xFF,0xF3\n" + i + "\t0xFF,0x31,0x30\n", 2, 0, 2380, {}},
        {"the last code", map_of_codes(244, 33884), a, a + "\t0xFF,0xF3,0xF3\n", 1, 0, 33885, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_limits();
        const CharmapExtension first = extend(c.old ? &*c.old : nullptr, c.text);
        EXPECT_EQ(first.text, c.old.value_or("") + c.added);
        EXPECT_EQ(first.used, c.used);
        EXPECT_EQ(first.mapped, c.mapped);
        EXPECT_EQ(first.added, c.used - c.mapped);
        EXPECT_EQ(first.highest_code, c.highest);
        EXPECT_EQ(first.unassigned, 0);
        std::vector<std::string> exceeded;
        for (const CharmapLimitExceeded& limit : first.exceeded) {
            exceeded.push_back(std::string(limit.tag) + " " + std::to_string(limit.limit) + " " +
                               std::to_string(limit.new_codes_over));
        }
        EXPECT_EQ(exceeded, c.exceeded);

        // Again on the result: every character is mapped, and the bytes
        // are the same.
        const CharmapExtension second = extend(&first.text, c.text);
        EXPECT_EQ(second.text, first.text);
        EXPECT_EQ(second.added, 0);
        EXPECT_EQ(second.mapped, c.used);
        EXPECT_TRUE(second.exceeded.empty());
        // Each character converts to its new code.
        for (const std::string& character : {a, i, u, e}) {
            if (c.text.find(character) == std::string::npos) continue;
            const int code = get_charmap_code(character.c_str());
            EXPECT_GE(code, 244) << character;
            EXPECT_LE(code, c.highest) << character;
        }
    }
}

TEST_F(CharmapExtend, AFullMapTakesNoNewCharacter)
{
    const std::string old = map_of_codes(244, 33884);
    const CharmapExtension full = extend(&old, "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86");
    EXPECT_EQ(full.unassigned, 2);
    EXPECT_EQ(full.added, 0);
    EXPECT_EQ(full.text, "");
    EXPECT_EQ(test_capture::output_of([&] { print_charmap_extension(full); }),
              test_capture::console("ERROR: 文字マップに空きがありません: 2文字にコードを割り当てられません(最大コード33885)\n"));

    const std::string small = "<MAX_CODE_FONT_NORMAL>\t0xF4,0x30\n";
    const CharmapExtension over = extend(&small, "\xE3\x81\x82\xE3\x81\x84");
    EXPECT_EQ(test_capture::output_of([&] { print_charmap_extension(over); }),
              test_capture::console("INFORMATION: 使用文字2個(登録済み0個、追加2個)、最大コード245\n"
                                    "WARNING: 追加した1文字のコードが<MAX_CODE_FONT_NORMAL>の244を超えています\n"));

    std::string bytes;
    EXPECT_EQ(test_capture::output_of([&] { EXPECT_EQ(load_charmap_for_extension(dir.path().c_str(), bytes), -1); }),
              test_capture::console("ERROR: " + dir.path() + " を読み込めません\n"));
}

}  // namespace
