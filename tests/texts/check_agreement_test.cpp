// u7kit check and the programs agree: a table of sound and faulty lines of
// each kind, each line read by the reader of the program that takes it and
// by the check, with the same verdict (and the one the case expects).
#include "texts/translation_check.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"
#include "texts/bg_text.h"
#include "texts/exult_messages.h"
#include "texts/usecode_tables.h"
#include "charmap/u7charmap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

struct Case {
    std::string line;
    bool refused;
};

// No font limits: the check then refuses exactly what the programs refuse.
void load_test_map()
{
    free_charmap();
    add_charmap_entry("あ", "\xF4\x30");
    add_charmap_entry("い", "\xF4\x31");
    add_charmap_entry("空", "");
    add_charmap_entry("改", "\n");        // a code the outputs cannot carry
    add_charmap_entry("戻", "\xF4\r");
}

class CheckAgreement : public testing::Test {
public:
    void SetUp() override { load_test_map(); }
    void TearDown() override { free_charmap(); }

    bool check_refuses(const std::string& name, const std::string& text, CheckFormat format)
    {
        write_file_bytes(dir.file(name), text);
        CheckSettings settings;
        CheckReport report;
        test_capture::begin();
        const int read = check_translation_file(dir.file(name).c_str(), format, settings, report);
        test_capture::end();
        return read != 0 || report.faults != 0;
    }

    void expect_agreement(const std::vector<Case>& cases, const std::string& name, CheckFormat format,
                          bool (CheckAgreement::*program_refuses)(const std::string&))
    {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::PrintToString(c.line));
            const std::string text = c.line + "\n";
            EXPECT_EQ((this->*program_refuses)(text), c.refused) << "the program";
            EXPECT_EQ(check_refuses(name, text, format), c.refused) << "the check";
        }
    }

    // u7kit exultmsg's reader, on a message file of the table's numbers
    // and 0x900.
    bool exultmsg_refuses(const std::string& text)
    {
        std::string messages = "0x900:nine\n";
        for (int number = 0x500; number <= 0x581; ++number) messages += std::to_string(number) + ":m\n";
        write_file_bytes(dir.file("exultmsg.txt"), messages);
        write_file_bytes(dir.file("exultmsg.ja.txt"), text);
        MessageList list;
        test_capture::begin();
        const int read = read_exult_messages(list, message_table.data(), dir.file("exultmsg.txt").c_str(),
                                             MessageNumbers::any);
        const int accepted = read_exult_translations(list, message_table.data(), dir.file("exultmsg.ja.txt").c_str(),
                                                     MessageNumbers::any);
        test_capture::end();
        EXPECT_GT(read, 0);
        return accepted <= 0;
    }

    // tawnix's reader, with three lines in each entry.
    bool bgtext_refuses(const std::string& text)
    {
        FlexArchive archive;
        archive.count = 22;
        archive.entries.resize(22);
        for (const int index : {13, 21}) {
            FlexEntry& entry = archive.entries[static_cast<std::size_t>(index)];
            entry.type = ENTRY_TEXT;
            entry.object.emplace<TextData>(TextData{"one\r\ntwo\r\nthree\r\n"});
        }
        SubtitleTables tables;
        write_file_bytes(dir.file("bg_text.ja.txt"), text);
        test_capture::begin();
        const int loaded = load_subtitle_tables(archive, tables, "MAINSHP.FLX");
        const int accepted = read_japanese_text_file(archive, tables, dir.file("bg_text.ja.txt").c_str());
        test_capture::end();
        EXPECT_EQ(loaded, 0);
        return accepted <= 0;
    }

    // revisto's reader of the four-field English table.
    bool usecode_refuses(const std::string& text)
    {
        write_file_bytes(dir.file("usecode.en.txt"), text);
        EnglishTable table;
        test_capture::begin();
        const int read = read_english_texts(table, dir.file("usecode.en.txt").c_str());
        test_capture::end();
        return read != 0;
    }

    TempDir dir;
};

TEST_F(CheckAgreement, ExultMessageRecords)
{
    const std::string prefix = "COMMON\t1\tNORMAL\t";
    expect_agreement(
        {
            {"COMMON\t1\tNORMAL\tあい", false},
            {"common\t19\tend2_menu\tx\ty", false},
            {"COMMON\t1\tMENU\tx", false},  // the font warning only
            {"SI_INTRO\t0x20\tINTRO\t", false},
            {"MSG\t0x900\tNORMAL\tx空", false},
            {"msg\t1280\tmenu\tx", false},
            {"BG_ENDGAME\t13\tNORMAL\t" + std::string(1023 - 22, 'a'), false},  // the longest line
            {"COMMON\t1\tNORMAL", true},
            {"\t1\tNORMAL\tx", true},
            {"COMMON\t\tNORMAL\tx", true},
            {"BOGUS\t1\tNORMAL\tx", true},
            {"COMMON\t0\tNORMAL\tx", true},
            {"COMMON\t1x\tNORMAL\tx", true},
            {"COMMON\t65536\tNORMAL\tx", true},
            {"MSG\t0\tNORMAL\tx", true},
            {"MSG\t0x80000000\tNORMAL\tx", true},
            {"COMMON\t1\tEND4\tx", true},
            {"COMMON\t99\tNORMAL\tx", true},
            {"BG_ENDGAME\t39\tNORMAL\tx", true},
            {"COMMON\t1\tNORMAL\tえ", true},
            {"COMMON\t1\tNORMAL\ta\xE3\x81", true},
            {"COMMON\t1\tNORMAL\t\x80", true},
            {"COMMON\t1\tNORMAL\tx改y", true},
            {"COMMON\t1\tNORMAL\t戻", true},
            {"COMMON\t1\tNORMAL\tx\0y"s, true},
            {"COMMON\t1\tNORMAL\tx\ry", true},
            {prefix + std::string(1008, 'a'), true},  // a piece too long, its tail no record
        },
        "exultmsg.ja.txt", CheckFormat::exultmsg, &CheckAgreement::exultmsg_refuses);
}

TEST_F(CheckAgreement, SubtitleTableRecords)
{
    expect_agreement(
        {
            {"BG_INTRO\t1\tGUARDIAN\tあ\tい", false},
            {"bg_endgame2\t0x3\tmenu\t", false},
            {"BG_INTRO\t3\tGUARDIAN\t空x", false},
            {"BG_INTRO\t1\tGUARDIAN", true},
            {"BG_INTRO\t\tGUARDIAN\tx", true},
            {"BG_OUTRO\t1\tGUARDIAN\tx", true},
            {"BG_ENDGAME\t1\tMENU\tx", true},
            {"BG_INTRO\t0\tGUARDIAN\tx", true},
            {"BG_INTRO\t1 \tGUARDIAN\tx", true},
            {"BG_INTRO\t1\tMENU\tx", true},
            {"BG_INTRO\t1\tGUARDIAN\tえ", true},
            {"BG_INTRO\t1\tGUARDIAN\t\xFF", true},
            {"BG_INTRO\t1\tGUARDIAN\ta改", true},
            {"BG_ENDGAME2\t2\tMENU\t戻", true},
            {"BG_INTRO\t1\tGUARDIAN\t\0"s, true},
            {"BG_INTRO\t1\tGUARDIAN\ta\rb", true},
            {"BG_INTRO\t1\tGUARDIAN\t" + std::string(2000, 'a'), true},
        },
        "bg_text.ja.txt", CheckFormat::bgtext, &CheckAgreement::bgtext_refuses);
}

TEST_F(CheckAgreement, ConversationTableLines)
{
    expect_agreement(
        {
            {"0400\tgreet\tSIGN\t\"Hello\"", false},
            {"ffff\t@a_1\t\t\"a \\\"b\\\" \\\\\"", false},
            {"0\tx\tS.BOOK\t\"\"", false},
            {"; a comment \"", false},
            {"0400\t\"a\"", true},
            {"040g\tx\t\t\"a\"", true},
            {"10000\tx\t\t\"a\"", true},
            {"0400\tla-bel\t\t\"a\"", true},
            {"0400\tx\tT", true},
            {"0400\tx\tT\ta", true},
            {"0400\tx\tT\t\"a", true},
            {"0400\tx\tT\t\"a\\\"", true},
            {"0400\tx\tT\t\"a\\", true},
            {"0400\tx\tT\t\"a\"b", true},
            {"0400\tx\tT\t\"a\"\"", true},
            {"0400\tx\tT\t\"a\0\""s, true},
            {"0400\tx\tT\t\"a\"\rb", true},
            {"0400\tx\tT\t\"" + std::string(4100, 'a') + "\"", true},
        },
        "usecode.en.txt", CheckFormat::usecode, &CheckAgreement::usecode_refuses);
}

}  // namespace
