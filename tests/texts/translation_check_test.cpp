// The translation check: files with planted faults, each fault reported
// with its line and column, exactly; the counts of the summary.
#include "texts/translation_check.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"
#include "charmap/u7charmap.h"

#include <gtest/gtest.h>

namespace {

// Codes: あ 244, い 245, う 246, 外 250, é 2382 in three bytes; MAX_CODE
// 249, the menu font 245, the normal font 33885.
const std::string MAP =
    "; test map\n"
    "<MAX_CODE>\t0xF4,0x35\n"
    "<MAX_CODE_FONT_NORMAL>\t0xFF,0xF3,0xF3\n"
    "é\t0xFF,0x31,0x32\n"
    "<MAX_CODE_FONT_MENU>\t0xF4,0x31\n"
    "あ\t0xF4,0x30\n"
    "い\t0xF4,0x31\n"
    "う\t0xF4,0x32\n"
    "外\t0xF4,0x36\n";

std::string repeated(const std::string& text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

class TranslationCheck : public testing::Test {
protected:
    void SetUp() override
    {
        write_file_bytes(dir.file("usecode.map"), MAP);
        test_capture::begin();
        ASSERT_EQ(load_charmap(dir.file("usecode.map").c_str()), 0);
        test_capture::end();
    }
    void TearDown() override { free_charmap(); }

    // Checks the text as a file of that name; returns what was printed.
    std::string check(const std::string& name, const std::string& text, CheckFormat format, int expected = 0)
    {
        const std::string path = dir.file(name);
        write_file_bytes(path, text);
        test_capture::begin();
        EXPECT_EQ(check_translation_file(path.c_str(), format, settings, report), expected);
        std::string out = test_capture::end();
        // The folder changes from run to run.
        for (std::size_t at; (at = out.find(dir.path() + "/")) != std::string::npos;) out.erase(at, dir.path().size() + 1);
        return out;
    }

    std::string console(const std::string& utf8) const { return test_capture::console(utf8); }

    TempDir dir;
    CheckSettings settings;
    CheckReport report;
};

TEST_F(TranslationCheck, ExultMessageFaultsAreEachReportedWhereTheyStand)
{

    const std::string text =
        "\xEF\xBB\xBF; messages\n"
        "COMMON\t1\tNORMAL\tあい\n"
        "SI_INTRO\t2\tINTRO\tx外\n"
        "BG_ENDGAME\t1\tMENU\tう\n"
        "COMMON\t3\tNORMAL\tあえい\n"
        "COMMON\t4\tNORMAL\ta\xE3\x81\n"
        "BOGUS\t1\tNORMAL\tx\n"
        "COMMON\t99\tNORMAL\tx\n"
        "common\t1\tmenu\tx\n"
        "COMMON\t5\tNORMAL\n"
        "\n"
        "COMMON\t6\tNORMAL\t" + repeated("é", 400) + "\n"
        "COMMON\t1x\tNORMAL\tx\r\n"
        "COMMON\t7\tNORMAL\tx\ry\n"
        "COMMON\t8\tNORMAL\t" + std::string(1100, 'a') + "\n"
        "COMMON\t9\tNORMAL\tい\n";
    const std::string out = check("exultmsg.ja.txt", text, CheckFormat::exultmsg);
    EXPECT_EQ(out, console("ERROR: exultmsg.ja.txt(3行目19文字目): '外'(コード250)はフォントSI_INTROにありません(最大249)\n"
                           "ERROR: exultmsg.ja.txt(4行目19文字目): 'う'(コード246)はフォントMENUにありません(最大245)\n"
                           "ERROR: exultmsg.ja.txt(5行目18文字目): 'え' は文字マップにありません\n"
                           "ERROR: exultmsg.ja.txt(6行目18文字目): 不正なUTF-8です(0xE3)\n"
                           "ERROR: exultmsg.ja.txt(7行目1文字目): 不正なテキスト種別です: BOGUS\n"
                           "ERROR: exultmsg.ja.txt(8行目8文字目): 不正なIDです: COMMON 99\n"
                           "WARNING: exultmsg.ja.txt(9行目10文字目): フォント種別が違います: NORMAL\n"
                           "ERROR: exultmsg.ja.txt(10行目1文字目): syntax error\n"
                           "ERROR: exultmsg.ja.txt(12行目17文字目): 変換後のテキストが長すぎます: 1200バイト(最大1023)\n"
                           "ERROR: exultmsg.ja.txt(13行目8文字目): syntax error: ID 1x\n"
                           "ERROR: exultmsg.ja.txt(14行目18文字目): 不正な文字(NULまたはCR)があります\n"
                           "ERROR: exultmsg.ja.txt(15行目1024文字目): 行が長すぎます(最大1023バイト)\n"));
    EXPECT_EQ(report.records, 12);
    EXPECT_EQ(report.faults, 11);
    EXPECT_EQ(report.warnings, 1);
    EXPECT_EQ(report.missing, (std::map<std::string, int>{{"え", 1}}));
    EXPECT_EQ(report.characters,
              (std::unordered_map<std::string, int>{{"あ", 2}, {"い", 3}, {"う", 1}, {"え", 1}, {"外", 1}, {"é", 400}}));
}

TEST_F(TranslationCheck, MessageNumberRecordsAreDrawnInTheirOwnFont)
{
    // A number past the table in the record's font; a known message in
    // its own font, whatever the record says.
    const std::string out = check("exultmsg.ja.txt",
                                  "MSG\t0x900\tMENU\tう\n"
                                  "msg\t2304\tnormal\tう\n"
                                  "MSG\t0x500\tMENU\tう\n"
                                  "MSG\t0\tNORMAL\tx\n"
                                  "MSG\t0x900\tEND4\tx\n",
                                  CheckFormat::exultmsg);
    EXPECT_EQ(out, console("ERROR: exultmsg.ja.txt(1行目16文字目): 'う'(コード246)はフォントMENUにありません(最大245)\n"
                           "WARNING: exultmsg.ja.txt(3行目11文字目): フォント種別が違います: NORMAL\n"
                           "ERROR: exultmsg.ja.txt(4行目5文字目): 不正なメッセージ番号です: 0\n"
                           "ERROR: exultmsg.ja.txt(5行目11文字目): 不正なフォント種別です: END4\n"));
    EXPECT_EQ(report.records, 5);
}

TEST_F(TranslationCheck, FontFileGlyphCountsLimitTheCodes)
{
    settings.font_glyphs = {245, 0, 0, 0, 246};  // NORMAL has あ only, MENU あ and い
    const std::string out = check("bg_text.ja.txt",
                                  "BG_INTRO\t1\tGUARDIAN\tあ\n"
                                  "bg_endgame2\t2\tmenu\tいあ\n"
                                  "BG_INTRO\t0\tGUARDIAN\tx\n"
                                  "BG_INTRO\t1\tMENU\tx\n"
                                  "BG_ENDGAME\t1\tMENU\tx\n",
                                  CheckFormat::bgtext);
    // The intro's font (FONTS.VGA entry 5) is not in the font file at all.
    EXPECT_EQ(out, console("ERROR: bg_text.ja.txt(1行目21文字目): 'あ'(コード244)はフォントBG_INTRO(FONTS.VGA [05], 0文字)にありません\n"
                           "ERROR: bg_text.ja.txt(3行目10文字目): 不正なIDです: 0\n"
                           "ERROR: bg_text.ja.txt(4行目12文字目): 不正なフォント種別です: MENU\n"
                           "ERROR: bg_text.ja.txt(5行目1文字目): 不正なテキスト種別です: BG_ENDGAME\n"));
    EXPECT_EQ(report.faults, 4);
}

TEST_F(TranslationCheck, UsecodeRecordsAndTranslatedLines)
{
    EnglishTable english;
    write_file_bytes(dir.file("usecode.en.txt"),
                     "0310\tsign\tSIGN\t\"A sign\"\n0310\ttomb\tTOMB\t\"A tomb\"\n0400\tgreet\t\t\"Hello\"\n");
    ASSERT_EQ(read_english_texts(english, dir.file("usecode.en.txt").c_str()), 0);
    settings.english = &english;
    settings.english_lines = 3;
    const std::string out = check("usecode.ja.txt",
                                  "0310\tsign\tSIGN\t\"あ\\\"い\"\n"
                                  "0400\tgreet\t\t\"\"\n"
                                  "0400\tgreet\t\t\"あ\"\n"
                                  "10000\tx\t\t\"a\"\n"
                                  "0310\tla-bel\t\t\"a\"\n"
                                  "0310\tl\tT\t\"abc\n"
                                  "0310\tl\tT\t\"a\"x\n"
                                  "0311\tl\tT\ta\n"
                                  "0312\tl\tT\n"
                                  "0313\tl\tT\t\"" + std::string(4100, 'b') + "\"\n"
                                  "0314\tl\tS.BOOK\t\"外\"\n",
                                  CheckFormat::usecode);
    EXPECT_EQ(out, console("ERROR: usecode.ja.txt(4行目6文字目): syntax error: 関数IDが不正です\n"
                           "ERROR: usecode.ja.txt(5行目8文字目): syntax error: ラベルが不正です\n"
                           "ERROR: usecode.ja.txt(6行目10文字目): syntax error: テキストが\"で終わっていません\n"
                           "ERROR: usecode.ja.txt(7行目13文字目): syntax error: テキストの後に文字があります\n"
                           "ERROR: usecode.ja.txt(8行目10文字目): syntax error: テキストが\"で始まっていません\n"
                           "ERROR: usecode.ja.txt(9行目9文字目): syntax error: 列が足りません\n"
                           "ERROR: usecode.ja.txt(10行目4096文字目): 行が長すぎます(最大4095バイト)\n"
                           "ERROR: usecode.ja.txt(11行目16文字目): '外'(コード250)はフォントBOOKSにありません(最大249)\n"));
    EXPECT_EQ(report.records, 10);
    EXPECT_EQ(report.translated, (std::set<std::pair<unsigned, std::string>>{{0x310, "sign"}, {0x400, "greet"}}));

    test_capture::begin();
    print_check_summary(report, settings);
    EXPECT_EQ(test_capture::end(), console("INFORMATION: レコード数: 10\n"
                                           "INFORMATION: 文字の種類(ASCII以外): 3\n"
                                           "INFORMATION: 文字マップにない文字: 0種類 0個\n"
                                           "INFORMATION: 翻訳済み: 2 / 3 行 (66.7%)\n"));
}

// A code holding CR or LF would break the line it is written into: the
// message tables and the subtitle tables refuse it; the conversation
// tables, which no program here converts, do not.
TEST_F(TranslationCheck, CodesHoldingALineBreakAreReportedWhereTheCharacterStands)
{
    add_charmap_entry("改", "\n");
    add_charmap_entry("戻", "\r");
    EXPECT_EQ(check("exultmsg.ja.txt", "COMMON\t1\tNORMAL\tx改y戻\n", CheckFormat::exultmsg),
              console("ERROR: exultmsg.ja.txt(1行目18文字目): '改' のコードには出力できない制御文字(0x0A)があります\n"
                      "ERROR: exultmsg.ja.txt(1行目20文字目): '戻' のコードには出力できない制御文字(0x0D)があります\n"));
    EXPECT_EQ(check("bg_text.ja.txt", "BG_INTRO\t1\tGUARDIAN\t改\n", CheckFormat::bgtext),
              console("ERROR: bg_text.ja.txt(1行目21文字目): '改' のコードには出力できない制御文字(0x0A)があります\n"));
    EXPECT_EQ(check("usecode.ja.txt", "0400\tx\t\t\"改\"\n", CheckFormat::usecode), "");
    EXPECT_EQ(report.faults, 3);
}

TEST_F(TranslationCheck, TablesWithoutRecordsAreRefusedAsTheProgramsDo)
{
    EXPECT_EQ(check("bg_text.ja.txt", "; only a comment\n\n", CheckFormat::bgtext),
              console("ERROR: データがありません: bg_text.ja.txt\n"));
    EXPECT_EQ(check("usecode.ja.txt", "; only a comment\n", CheckFormat::usecode), "");
    EXPECT_EQ(report.faults, 1);
}

TEST(CheckFormat, RecognisedByNameOrFileName)
{
    EXPECT_EQ(check_format_of_file("dir/usecode.ja.txt"), CheckFormat::usecode);
    EXPECT_EQ(check_format_of_file("EXULTMSG.JA.TXT"), CheckFormat::exultmsg);
    EXPECT_EQ(check_format_of_file("a/b/bg_text.ja.txt"), CheckFormat::bgtext);
    EXPECT_EQ(check_format_of_file("bg_text/notes.txt"), CheckFormat::unknown);
    EXPECT_EQ(check_format_by_name("exultmsg"), CheckFormat::exultmsg);
    EXPECT_EQ(check_format_by_name("Exultmsg"), CheckFormat::unknown);
}

}  // namespace
