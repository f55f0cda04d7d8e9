#include "texts/usecode_tables.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const bool utf8_console = [] {
    setenv("LANG", "C.UTF-8", 1);
    return true;
}();

std::string label_of(int i)
{
    return "label_" + std::to_string(i);
}

// A table of thousands of labels under one id and the same labels under
// other ids, with repeats: every look-up finds its own entry, the first of
// a repeated id and label wins (with its message), and an id or label that
// was never read is not found.
TEST(EnglishTable, LooksUpByIdAndLabelAndTheFirstEntryWins)
{
    ASSERT_TRUE(utf8_console);
    TempDir dir;
    std::string text = "; comment\n";
    for (int i = 0; i < 3000; ++i) text += "0400\t" + label_of(i) + "\tSIGN\t\"s\"\n";
    for (int id = 0; id < 300; ++id) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(0x1000 + id));
        text += std::string(hex) + "\t" + label_of(id % 7) + "\tT" + std::to_string(id) + "\t\"t\"\n";
    }
    text += "0400\tlabel_17\tBOOK\t\"again\"\n";
    text += "FFFF\t@x_1\t\t\"last\"\n";
    write_file_bytes(dir.file("en.txt"), text);

    EnglishTable table;
    testing::internal::CaptureStdout();
    ASSERT_EQ(read_english_texts(table, dir.file("en.txt").c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[0400][label_17] 既に登録されています: type=[BOOK] ... 無視します\n");
    EXPECT_EQ(table.entries.size(), 3301u);
    EXPECT_EQ(count_translation_entries(table, 0x0400), 3000u);

    for (int i = 0; i < 3000; ++i) {
        const TranslationEntry* entry = find_translation_entry(table, 0x0400, label_of(i));
        ASSERT_NE(entry, nullptr) << i;
        EXPECT_EQ(entry->label, label_of(i));
        EXPECT_EQ(entry->type, "SIGN");  // label_17 keeps its first type
        EXPECT_EQ(entry, &table.entries[static_cast<std::size_t>(i)]);
    }
    for (int id = 0; id < 300; ++id) {
        const TranslationEntry* entry =
            find_translation_entry(table, static_cast<std::uint16_t>(0x1000 + id), label_of(id % 7));
        ASSERT_NE(entry, nullptr) << id;
        EXPECT_EQ(entry->type, "T" + std::to_string(id));
    }
    const TranslationEntry* last = find_translation_entry(table, 0xFFFF, "@x_1");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->type, "");
    EXPECT_EQ(find_translation_entry(table, 0x0400, "label_3000"), nullptr);
    EXPECT_EQ(find_translation_entry(table, 0x0401, "label_1"), nullptr);
    EXPECT_EQ(find_translation_entry(table, 0x1000, "label_1"), nullptr);
    EXPECT_EQ(find_translation_entry(table, 0x0400, "label_1 "), nullptr);
    EXPECT_EQ(find_translation_entry(EnglishTable{}, 0x0400, "label_1"), nullptr);
}

}  // namespace
