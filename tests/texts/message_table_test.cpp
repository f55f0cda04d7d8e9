#include "texts/exult_messages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const MessageRow* row_of_number(long number)
{
    return find_message_row_by_number(message_table.data(), number);
}

TEST(MessageTable, KnowsEachNumberFrom0x500To0x581Once)
{
    EXPECT_EQ(message_table[0].kind, TEXT_KIND_NONE);
    EXPECT_EQ(message_table[0].message_number, 0);
    EXPECT_EQ(message_table[0].font, FONT_NORMAL);
    EXPECT_EQ(message_table.back().kind, TEXT_KIND_END);

    std::set<int> numbers;
    for (int i = 1; i < MESSAGE_ROW_COUNT; ++i) {
        const MessageRow& row = message_table[static_cast<std::size_t>(i)];
        EXPECT_GE(row.kind, TEXT_KIND_COMMON);
        EXPECT_LE(row.kind, TEXT_KIND_OINK);
        EXPECT_GE(row.font, FONT_MENU);
        EXPECT_LE(row.font, FONT_OINK);
        EXPECT_TRUE(numbers.insert(row.message_number).second) << row.message_number;
    }
    EXPECT_EQ(numbers.size(), 130u);
    EXPECT_EQ(*numbers.begin(), 0x500);
    EXPECT_EQ(*numbers.rbegin(), 0x581);
    EXPECT_EQ(row_of_number(0x4FF), nullptr);
    EXPECT_EQ(row_of_number(0x582), nullptr);
    EXPECT_EQ(row_of_number(0), &message_table[0]);
}

TEST(MessageTable, TranslationIdsRunFromOneWithinEachKind)
{
    std::map<int, std::set<int>> ids;
    std::set<int> untranslatable;
    for (int i = 1; i < MESSAGE_ROW_COUNT; ++i) {
        const MessageRow& row = message_table[static_cast<std::size_t>(i)];
        if (row.translation_id == NO_TRANSLATION_ID) {
            EXPECT_EQ(row.kind, TEXT_KIND_BG_ENDGAME);
            untranslatable.insert(row.message_number);
        } else {
            EXPECT_TRUE(ids[row.kind].insert(row.translation_id).second);
        }
    }
    const std::map<int, int> counts = {{TEXT_KIND_COMMON, 19},
                                       {TEXT_KIND_BG_ENDGAME, 38},
                                       {TEXT_KIND_SI_INTRO, 32},
                                       {TEXT_KIND_SI_ENDGAME, 21},
                                       {TEXT_KIND_OINK, 2}};
    for (const auto& [kind, count] : counts) {
        ASSERT_EQ(ids[kind].size(), static_cast<std::size_t>(count)) << kind;
        EXPECT_EQ(*ids[kind].begin(), 1);
        EXPECT_EQ(*ids[kind].rbegin(), count);
    }
    EXPECT_EQ(untranslatable, (std::set<int>{0x51F, 0x520, 0x52B, 0x532, 0x533, 0x534, 0x53B, 0x53C, 0x541,
                                             0x542, 0x543, 0x544, 0x545, 0x546, 0x547, 0x548, 0x549, 0x54A}));
}

TEST(MessageTable, RowsFoundByKindAndId)
{
    const MessageRow* table = message_table.data();
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_COMMON, 1)->message_number, 0x500);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_COMMON, 17)->font, FONT_END2_MENU);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_BG_ENDGAME, 12)->message_number, 0x51E);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_BG_ENDGAME, 13)->message_number, 0x521);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_BG_ENDGAME, 23)->message_number, 0x52C);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_BG_ENDGAME, 38)->message_number, 0x540);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_BG_ENDGAME, 39), nullptr);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_BG_ENDGAME, NO_TRANSLATION_ID), row_of_number(0x51F));
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_SI_INTRO, 31)->message_number, 0x569);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_SI_INTRO, 32)->message_number, 0x57F);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_SI_ENDGAME, 1)->message_number, 0x56A);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_SI_ENDGAME, 21)->message_number, 0x57E);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_OINK, 2)->message_number, 0x581);
    EXPECT_EQ(find_message_row_by_id(table, TEXT_KIND_OINK, 3), nullptr);
}

TEST(MessageTable, FontsOfTheRuns)
{
    const std::map<int, int> fonts = {{0x50F, FONT_NORMAL}, {0x510, FONT_END2_MENU}, {0x512, FONT_END2_MENU},
                                      {0x513, FONT_MENU},   {0x515, FONT_END2},      {0x517, FONT_NORMAL},
                                      {0x519, FONT_END3},   {0x520, FONT_END3},      {0x521, FONT_NORMAL},
                                      {0x54A, FONT_NORMAL}, {0x54B, FONT_INTRO},     {0x57F, FONT_INTRO},
                                      {0x580, FONT_OINK}};
    for (const auto& [number, font] : fonts) EXPECT_EQ(row_of_number(number)->font, font) << number;
}

TEST(Names, KindsAndFontsIgnoreLetterCase)
{
    EXPECT_EQ(find_text_kind("COMMON"), TEXT_KIND_COMMON);
    EXPECT_EQ(find_text_kind("bg_endgame"), TEXT_KIND_BG_ENDGAME);
    EXPECT_EQ(find_text_kind("Si_Intro"), TEXT_KIND_SI_INTRO);
    EXPECT_EQ(find_text_kind("oink"), TEXT_KIND_OINK);
    EXPECT_EQ(find_text_kind(""), -1);
    EXPECT_EQ(find_text_kind("COMMON "), -1);
    EXPECT_EQ(find_font("end2_menu"), FONT_END2_MENU);
    EXPECT_EQ(find_font("Normal"), FONT_NORMAL);
    EXPECT_EQ(find_font("error"), -1);  // the name of code 0 is no font
    EXPECT_EQ(find_font("END"), -1);
    EXPECT_EQ(find_font(nullptr), -1);
}

}  // namespace
