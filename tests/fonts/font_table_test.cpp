// The font table: the engine's fonts of both games, a translator's table
// read with every fault named by line and column, and each tag's limit in
// the character map.
#include "fonts/font_table.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

std::string row_text(const FontTableRow* row)
{
    if (row == nullptr) return "-";
    return row->archive + " " + std::to_string(row->entry) + " " + std::to_string(row->lead);
}

TEST(FontTable, BuiltInTablesAreTheEnginesFonts)
{
    struct Expected {
        const char* tag;
        const char* black_gate;
        const char* serpent_isle;
    };
    const Expected expected[] = {
        {"NORMAL", "FONTS.VGA 0 -2", "FONTS.VGA 0 -2"},       {"STATUS", "FONTS.VGA 2 0", "FONTS.VGA 2 0"},
        {"BOOKS", "FONTS.VGA 4 0", "FONTS.VGA 4 0"},          {"SUBTITLE", "FONTS.VGA 0 -2", "FONTS.VGA 0 -2"},
        {"MENU", "MAINSHP.FLX 9 1", "MAINSHP.FLX 9 1"},       {"BG_INTRO", "MAINSHP.FLX 3 -2", "-"},
        {"BG_END2", "ENDGAME.DAT 4 -1", "-"},                 {"BG_END3", "ENDGAME.DAT 5 -2", "-"},
        {"SI_INTRO", "-", "INTRO.DAT 14 0"},                  {"SPEECH_RED", "FONTS.VGA 7 -2", "FONTS.VGA 7 -2"},
    };
    const FontTable bg = builtin_font_table(Game::bg);
    const FontTable si = builtin_font_table(Game::si);
    for (int k = 0; k < FONT_TAG_COUNT; ++k) {
        const FontTag tag = ALL_FONT_TAGS[k];
        EXPECT_EQ(font_tag_name(tag), std::string(expected[k].tag));
        EXPECT_EQ(font_tag_by_name(expected[k].tag), tag);
        EXPECT_EQ(row_text(find_font(bg, tag)), expected[k].black_gate) << expected[k].tag;
        EXPECT_EQ(row_text(find_font(si, tag)), expected[k].serpent_isle) << expected[k].tag;
    }
    EXPECT_FALSE(font_tag_by_name("normal"));
    EXPECT_EQ(game_by_name("si"), Game::si);
    EXPECT_FALSE(game_by_name("BG"));

    // Entries by archive name, as the game's folder may spell it.
    const auto tags = font_tags_of_entry(bg, "game/static/fonts.vga", 0);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0], FontTag::normal);
    EXPECT_EQ(tags[1], FontTag::subtitle);
    EXPECT_EQ(font_tags_of_entry(bg, "MAINSHP.FLX", 3), std::vector<FontTag>{FontTag::bg_intro});
    EXPECT_TRUE(font_tags_of_entry(si, "MAINSHP.FLX", 3).empty());
    EXPECT_TRUE(font_tags_of_entry(bg, "FONTS.VGA", 1).empty());
}

TEST(FontTable, EachTagSetsItsOwnMapLimit)
{
    // Tag k of the map gets code 254 + k (the trail byte 'A' + k); each
    // field must hold its own.
    std::string map;
    for (int k = 0; k < FONT_TAG_COUNT; ++k) {
        map += std::string(font_limit_tag(ALL_FONT_TAGS[k])) + "\t0xF4," + std::to_string('A' + k) + "\n";
    }
    TempDir dir;
    write_file_bytes(dir.file("usecode.map"), map);
    ASSERT_EQ(load_charmap(dir.file("usecode.map").c_str()), 0);
    for (int k = 0; k < FONT_TAG_COUNT; ++k) {
        const FontTag tag = ALL_FONT_TAGS[k];
        EXPECT_EQ(std::string(font_limit_tag(tag)), "<MAX_CODE_FONT_" + std::string(font_tag_name(tag)) + ">");
        EXPECT_EQ(current_charmap().*font_limit_field(tag), 254 + k) << font_tag_name(tag);
    }
    load_charmap(nullptr);
}

class FontTableFile : public ::testing::Test {
protected:
    std::optional<FontTable> read(const std::string& contents, std::string& output)
    {
        write_file_bytes(dir.file("fonts.txt"), contents);
        std::optional<FontTable> table;
        output = test_capture::output_of([&] { table = read_font_table(dir.file("fonts.txt").c_str()); });
        return table;
    }
    std::string path() const { return dir.file("fonts.txt"); }

    TempDir dir;
};

TEST_F(FontTableFile, ReadsTheToolkitsTextConventions)
{
    const std::string long_archive(1023 - std::string("MENU\t\t0\t1").size(), 'A');
    std::string output;
    const auto table = read("\xEF\xBB\xBF; TAG\tARCHIVE\tENTRY\tLEAD\r\n"
                            "NORMAL\tmyfonts.vga\t0x0A\t-3\r\n"
                            "\n"
                            ";" + std::string(2000, 'x') + "\tBOOKS\tX\t0\t0\n"
                            "STATUS\tFONTS.VGA\t010\t+2\n"
                            "MENU\t" + long_archive + "\t0\t1\n"
                            "SI_INTRO\tINTRO.DAT\t14\t0",
                            output);
    ASSERT_TRUE(table) << output;
    EXPECT_EQ(output, "");
    ASSERT_EQ(table->rows.size(), 4u);
    EXPECT_EQ(row_text(find_font(*table, FontTag::normal)), "myfonts.vga 10 -3");
    EXPECT_EQ(row_text(find_font(*table, FontTag::status)), "FONTS.VGA 8 2");
    EXPECT_EQ(find_font(*table, FontTag::menu)->archive, long_archive);
    EXPECT_EQ(row_text(find_font(*table, FontTag::si_intro)), "INTRO.DAT 14 0");
    EXPECT_EQ(find_font(*table, FontTag::books), nullptr);
}

TEST_F(FontTableFile, EveryFaultIsNamedByLineAndColumn)
{
    struct Case {
        std::string line;
        std::string message;  // after "ERROR: PATH("
    };
    const Case cases[] = {
        {"NORMAL\tFONTS.VGA\t0", "1行目19文字目): フィールドが足りません(タグ、アーカイブ、エントリ、字間の4つ)"},
        {"NORMAL\tFONTS.VGA\t0\t0\textra", "1行目21文字目): フィールドが多すぎます(タグ、アーカイブ、エントリ、字間の4つ)"},
        {"normal\tFONTS.VGA\t0\t0", "1行目1文字目): 不明なフォントタグです: normal"},
        {"NORMAL\t\t0\t0", "1行目8文字目): アーカイブ名がありません"},
        {"NORMAL\tFONTS.VGA\t-1\t0", "1行目18文字目): エントリ番号が不正です: -1"},
        {"NORMAL\tFONTS.VGA\t 1\t0", "1行目18文字目): エントリ番号が不正です:  1"},
        {"NORMAL\tFONTS.VGA\t0x\t0", "1行目18文字目): エントリ番号が不正です: 0x"},
        {"NORMAL\tFONTS.VGA\t99999999999\t0", "1行目18文字目): エントリ番号が不正です: 99999999999"},
        {"NORMAL\tFONTS.VGA\t0\t128", "1行目20文字目): 字間が不正です(-128から127): 128"},
        {"NORMAL\tフォント\t0\t-0x81", "1行目15文字目): 字間が不正です(-128から127): -0x81"},
        {"NORMAL\tFONTS.VGA\t0\t+", "1行目20文字目): 字間が不正です(-128から127): +"},
        {"NORMAL\tFONTS.VGA\t0\t" + std::string(1010, '0'), "1行目1文字目): 行が長すぎます(最大1023バイト)"},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_FALSE(read(c.line + "\nSTATUS\tFONTS.VGA\t2\t0\n", output)) << c.line;
        EXPECT_EQ(output, test_capture::console("ERROR: " + path() + "(" + c.message + "\n")) << c.line;
    }

    // Several faults: each one reported, the duplicate with its first line.
    std::string output;
    EXPECT_FALSE(read("NORMAL\tFONTS.VGA\t0\t0\nBOOKS\tA\tx\ty\nNORMAL\tFONTS.VGA\t1\t0\nA\0B\n"s, output));
    EXPECT_EQ(output, test_capture::console("ERROR: " + path() + "(2行目9文字目): エントリ番号が不正です: x\n" +
                                            "ERROR: " + path() + "(2行目11文字目): 字間が不正です(-128から127): y\n" +
                                            "ERROR: " + path() + "(3行目1文字目): フォントタグNORMALは1行目にもあります\n" +
                                            "ERROR: " + path() + "(4行目): 不正な文字(NULまたはCR)があります\n"));

    EXPECT_FALSE(read("; nothing but comments\n\n", output));
    EXPECT_EQ(output, test_capture::console("ERROR: フォント表にフォントがありません: " + path() + "\n"));
    output = test_capture::output_of([&] { EXPECT_FALSE(read_font_table(dir.file("missing.txt").c_str())); });
    EXPECT_EQ(output, test_capture::console("ERROR: " + dir.file("missing.txt") + " を読み込めません\n"));
}

TEST(FontTableOptions, GameOrFileChoosesTheTable)
{
    EXPECT_TRUE(find_font(*font_table_from_options("", ""), FontTag::bg_intro));
    EXPECT_TRUE(find_font(*font_table_from_options("si", ""), FontTag::si_intro));
    std::optional<FontTable> table;
    const std::string output = test_capture::output_of([&] { table = font_table_from_options("SI", ""); });
    EXPECT_FALSE(table);
    EXPECT_EQ(output, test_capture::console("ERROR: 不正なゲームです(bgまたはsi): SI\n"));
}

}  // namespace
