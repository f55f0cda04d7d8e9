#include "texts/exult_messages.h"
#include "charmap/u7charmap.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Messages are compared as UTF-8; LANG is set before the first message.
const bool utf8_console = [] {
    setenv("LANG", "C.UTF-8", 1);
    return true;
}();

const std::string A = "\xE3\x81\x82";  // あ, code F4 30
const std::string E = "\xE3\x81\x88";  // え, not in the map

class ExultFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(utf8_console);
        free_charmap();
        add_charmap_entry(A.c_str(), "\xF4" "0");
    }
    void TearDown() override { free_charmap(); }

    // Reads contents as a message file; the result, with what was printed.
    int read_messages(const std::string& contents, std::string& printed)
    {
        write_file_bytes(dir.file("exultmsg.txt"), contents);
        testing::internal::CaptureStdout();
        const int result = read_exult_messages(list, message_table.data(), dir.file("exultmsg.txt").c_str());
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    int read_translations(const std::string& contents, std::string& printed)
    {
        write_file_bytes(dir.file("ja.txt"), contents);
        testing::internal::CaptureStdout();
        const int result = read_exult_translations(list, message_table.data(), dir.file("ja.txt").c_str());
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    std::string output() const
    {
        std::string text;
        for (const MessageLine& line : list) text += format_message_line(line);
        return text;
    }

    TempDir dir;
    MessageList list;
};

TEST_F(ExultFiles, MessagesAreKeptWithTheirRowsAndTexts)
{
    std::string printed;
    ASSERT_EQ(read_messages("# head\r\n"
                            "\r\n"
                            "1280:Yes\r\n"
                            "0x50a:a:b\n"
                            " +02401:octal\n"
                            "0:zero text\n"
                            "0x581:\n"
                            "0x57f:last",
                            printed),
              8);
    EXPECT_EQ(printed, "");
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list[0].row, &message_table[0]);
    EXPECT_EQ(list[0].source_text(), "# head");
    EXPECT_EQ(list[1].source_text(), "");
    EXPECT_EQ(list[2].row->message_number, 0x500);
    EXPECT_EQ(list[2].source_text(), "Yes");
    EXPECT_EQ(list[3].source_text(), "a:b");
    EXPECT_EQ(list[4].row->message_number, 0x501);
    EXPECT_EQ(list[5].row, &message_table[0]);
    EXPECT_EQ(list[5].source_text(), "zero text");
    EXPECT_EQ(output(), "# head\n\n0x500:Yes\n0x50A:a:b\n0x501:octal\nzero text\n0x581:\n0x57F:last\n");

    // A CR that does not end its line stops the reading.
    EXPECT_EQ(read_messages("0x500:a\n\rafter cr\n", printed), -1);
    EXPECT_EQ(printed, "ERROR: " + dir.file("exultmsg.txt") + "(2行目): 不正な文字(NULまたはCR)があります\n");
}

TEST_F(ExultFiles, ListsOfAnyLengthAreRead)
{
    std::string contents;
    for (int i = 0; i < 64; ++i) contents += "0x" + std::to_string(500 + i % 10) + ":t\n";
    std::string printed;
    EXPECT_EQ(read_messages(contents, printed), 64);
    EXPECT_EQ(list.size(), 64u);
    EXPECT_EQ(read_messages(contents + "#\n", printed), 65);
}

TEST_F(ExultFiles, FaultyMessageLines)
{
    std::string printed;
    const std::string path = dir.file("exultmsg.txt");
    EXPECT_EQ(read_messages("0x500:a\n0x500 :b\n", printed), -1);
    EXPECT_EQ(printed, "ERROR: syntax error: " + path + "(2行目): 0x500 :b\n\n");
    EXPECT_EQ(read_messages("\xEF\xBB\xBF" "0x500:a\n", printed), -1);
    EXPECT_EQ(printed, "ERROR: syntax error: " + path + "(1行目): \xEF\xBB\xBF" "0x500:a\n\n");
    EXPECT_EQ(read_messages("text\n", printed), -1);
    EXPECT_EQ(read_messages("0x4FF:a\n", printed), -1);
    EXPECT_EQ(printed, "ERROR: 不正なIDです: " + path + "(1): 0x4FF:a\n\n");
    EXPECT_EQ(read_messages("-0x500:a", printed), -1);
    EXPECT_EQ(printed, "ERROR: 不正なIDです: " + path + "(1): -0x500:a\n");
    EXPECT_EQ(read_messages("0x100000500:a\n", printed), -1);
    EXPECT_EQ(read_messages("", printed), -1);
    EXPECT_EQ(printed, "ERROR: データがありません: " + path + "\n");

    // A line longer than 1023 bytes is read in pieces, each a line of its own.
    EXPECT_EQ(read_messages("0x500:" + std::string(1100, 'a') + "\n", printed), -1);
    EXPECT_EQ(printed, "ERROR: syntax error: " + path + "(2行目): " + std::string(83, 'a') + "\n\n");
}

TEST_F(ExultFiles, UnopenableMessageFiles)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_exult_messages(list, message_table.data(), dir.file("none.txt").c_str()), -1);
    EXPECT_EQ(read_exult_messages(list, message_table.data(), ""), -1);
    EXPECT_EQ(read_exult_messages(list, nullptr, dir.file("none.txt").c_str()), -1);
    EXPECT_EQ(read_exult_messages(list, message_table.data(), dir.path().c_str()), -1);
    // A folder opens on Linux and fails at reading; Windows refuses to open it.
#ifdef _WIN32
    const std::string folder_error = "ERROR: 13: オープンエラー: " + dir.path() + "\n";
#else
    const std::string folder_error;
#endif
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: 2: オープンエラー: " + dir.file("none.txt") + "\n" + folder_error);
}

TEST_F(ExultFiles, TranslationsReplaceTheFirstLineOrAreAppended)
{
    std::string printed;
    ASSERT_EQ(read_messages("0x500:one\n0x501:two\n0x500:again\n", printed), 3);
    ASSERT_EQ(read_translations("\xEF\xBB\xBF; comment\r\n"
                                "\r\n"
                                "OINK\t2\tOINK\tlast\r\n"
                                "common\t1\tnormal\t" + A + "\\n\r\n"
                                "COMMON\t0x13\tEND2_MENU\ta\tb\n"
                                "COMMON\t1\tNORMAL\tsecond " + A + "\n"
                                "OINK\t1\tOINK\t\n",
                                printed),
              5);  // an overridden record still counts
    EXPECT_EQ(printed, "");
    EXPECT_EQ(output(), "0x500:second \xF4" "0\n0x501:two\n0x500:again\n0x581:last\n0x512:a\tb\n0x580:\n");
    EXPECT_FALSE(list[3].source_text().has_value());
}

// Each record finds its message's first line through the row index, however
// many lines come before it; repeated messages keep their own texts, and
// a record for a message appended earlier replaces that line's text.
TEST_F(ExultFiles, RecordsFindTheFirstLineAmongManyLines)
{
    std::string contents;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        contents += "# comment " + std::to_string(i) + "\r\n";
        expected += "# comment " + std::to_string(i) + "\n";
    }
    contents += "0x501:first\n0x500:one\n0x501:second\n#\n0x501:third";
    std::string printed;
    ASSERT_EQ(read_messages(contents, printed), 5005);
    ASSERT_EQ(read_translations("COMMON\t2\tNORMAL\tdeux\n"
                                "OINK\t1\tOINK\tx\n"
                                "COMMON\t2\tNORMAL\tzwei\n"
                                "OINK\t1\tOINK\ty\n",
                                printed),
              4);
    expected += "0x501:zwei\n0x500:one\n0x501:second\n#\n0x501:third\n0x580:y\n";
    EXPECT_EQ(output(), expected);

    // The translations belong to the list and move with it.
    MessageList moved = std::move(list);
    list = MessageList{};
    std::string text;
    for (const MessageLine& line : moved) text += format_message_line(line);
    EXPECT_EQ(text, expected);
}

TEST_F(ExultFiles, FontMismatchWarnsAndTakesTheRecord)
{
    std::string printed;
    ASSERT_EQ(read_messages("0x500:one\n", printed), 1);
    ASSERT_EQ(read_translations("COMMON\t1\tMENU\tuno\n", printed), 1);
    EXPECT_EQ(printed, "WARNING: フォント種別が違います: NORMAL: " + dir.file("ja.txt") +
                           "(1行目): COMMON\t1\tMENU\tuno\n");
    EXPECT_EQ(output(), "0x500:uno\n");
}

TEST_F(ExultFiles, RecordChecksComeInTheirOrder)
{
    std::string printed;
    ASSERT_EQ(read_messages("0x500:one\n", printed), 1);
    const std::string where = dir.file("ja.txt") + "(2行目): ";
    struct Case {
        std::string record;
        std::string message;
    };
    const Case cases[] = {
        {"COMMON\t1\tNORMAL", "ERROR: syntax error: "},
        {"COMMON\t\tNORMAL\tx", "ERROR: syntax error: "},
        {"\t1\tNORMAL\tx", "ERROR: syntax error: "},
        {"COMMON\t1\t\tx", "ERROR: syntax error: "},
        {"COMMONS\t0\tNONE\t" + E, "ERROR: 不正なテキスト種別です: "},
        {"COMMON\t0\tNONE\t" + E, "ERROR: syntax error: "},
        {"COMMON\t1x\tNORMAL\tx", "ERROR: syntax error: "},
        {"COMMON\t65536\tNORMAL\tx", "ERROR: syntax error: "},
        {"COMMON\t20\terror\t" + E, "ERROR: 不正なフォント種別です: "},
        {"COMMON\t20\tNORMAL\t" + E, "ERROR: '" + E + "' は使用できません\nERROR: テキストを変換できません: "},
        {"COMMON\t20\tNORMAL\tx", "ERROR: 不正なIDです: "},
        {"BG_ENDGAME\t39\tNORMAL\tx", "ERROR: 不正なIDです: "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(read_translations(";\n" + c.record + "\nCOMMON\t1\tNORMAL\tok\n", printed), -1) << c.record;
        EXPECT_EQ(printed, c.message + where + c.record + "\n");
    }
    // 65535 is the highest ID that is no syntax error.
    EXPECT_EQ(read_translations("COMMON\t65535\tNORMAL\tx\n", printed), -1);
    EXPECT_EQ(printed, "ERROR: 不正なIDです: " + dir.file("ja.txt") + "(1行目): COMMON\t65535\tNORMAL\tx\n");
}

TEST_F(ExultFiles, TranslationFilesWithoutRecords)
{
    std::string printed;
    ASSERT_EQ(read_messages("0x500:one\n", printed), 1);
    EXPECT_EQ(read_translations("; only\n\n;comments\n", printed), -1);
    EXPECT_EQ(printed, "ERROR: データがありません: " + dir.file("ja.txt") + "\n");

    testing::internal::CaptureStdout();
    EXPECT_EQ(read_exult_translations(list, message_table.data(), dir.file("none.txt").c_str()), 0);
    EXPECT_EQ(read_exult_translations(list, message_table.data(), ""), -1);
    EXPECT_EQ(read_exult_translations(list, message_table.data(), dir.path().c_str()), -1);
#ifdef _WIN32
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: 13: オープンエラー: " + dir.path() + "\n");
#else
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
#endif
}

TEST_F(ExultFiles, WriteErrorsAreReported)
{
    std::string printed;
    ASSERT_EQ(read_messages("0x500:one\n", printed), 1);
#ifdef _WIN32
    // No /dev/full on Windows; the file is written in text mode (CR LF).
    const std::string full_error;
    const std::string line_end = "\r\n";
#else
    const std::string full_error = "ERROR: 28: 書き込みエラー: /dev/full\nERROR: /dev/full を書き込めません\n";
    const std::string line_end = "\n";
#endif
    testing::internal::CaptureStdout();
    if (!full_error.empty()) {
        EXPECT_EQ(write_exult_messages(list, "/dev/full"), -1);
    }
    EXPECT_EQ(write_exult_messages(list, ""), -1);
    EXPECT_EQ(write_exult_messages(list, dir.file("no/such/folder").c_str()), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              full_error + "ERROR:  を書き込めません\n"
              "ERROR: 2: オープンエラー: " + dir.file("no/such/folder") + "\nERROR: " +
                  dir.file("no/such/folder") + " を書き込めません\n");

    EXPECT_EQ(write_exult_messages(list, dir.file("out.txt").c_str()), 0);
    EXPECT_EQ(read_file_bytes(dir.file("out.txt")), "0x500:one" + line_end);
}

}  // namespace
