// End-to-end runs of oxleth: standard output bytes, exit status and the
// message file written, with a UTF-8 console and with a CP932 console.
#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>
#include <utility>

namespace {

constexpr const char* MESSAGES =
    "# Exult messages\r\n"
    "\r\n"
    "1280:Yes\r\n"
    "0x501:No\n"
    "0x50a:Quit\n"
    "0:passes through\n"
    "0x500:Yes again\n"
    "0x580:Oink";

// あ F4 30, い F4 31 (a duplicate follows), ん (empty code), う (seven
// bytes), and a limit tag.
constexpr const char* MAP =
    "\xEF\xBB\xBF; character map\n"
    "<MAX_CODE>\t0xF5,0x41\n"
    "あ\t0xF4,0x30\n"
    "い\t0xF4,0x31\t1\n"
    "い\t0xF4,0x32\n"
    "ん\t,\n"
    "う\t1,2,3,4,5,6,7\n";

constexpr const char* TRANSLATIONS =
    "\xEF\xBB\xBF; 日本語\r\n"
    "\r\n"
    "COMMON\t1\tNORMAL\tあい\r\n"
    "common\t2\tmenu\tいいん\\n\n"
    "OINK\t2\tOINK\tlast\tone\n"
    "COMMON\t1\tNORMAL\tあ\n"
    "SI_INTRO\t32\tINTRO\t\n";

std::vector<std::string> folder_names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class OxlethRun : public testing::TestWithParam<std::optional<std::string>> {
protected:
    void SetUp() override
    {
        write_file_bytes(dir.file("exultmsg.txt"), MESSAGES);
        write_file_bytes(dir.file("usecode.map"), MAP);
        write_file_bytes(dir.file("exultmsg.ja.txt"), TRANSLATIONS);
    }

    const std::optional<std::string>& lang() const { return GetParam(); }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, lang()); }
    RunResult run(const std::vector<std::string>& args) const { return run_program("oxleth", args, dir.path(), lang()); }

    // Runs and checks what is printed and the status; standard error must
    // stay empty.
    void expect_run(const std::vector<std::string>& args, const std::string& printed, int status) const
    {
        const RunResult r = run(args);
        EXPECT_EQ(r.out, console(printed));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, status);
    }

    TempDir dir;
};

const std::string EXPECTED_OUTPUT =
    "# Exult messages\n"
    "\n"
    "0x500:\xF4" "0\n"
    "0x501:\xF4" "1\xF4" "1\\n\n"
    "0x50A:Quit\n"
    "passes through\n"
    "0x500:Yes again\n"
    "0x580:Oink\n"
    "0x581:last\tone\n"
    "0x57F:\n";

TEST_P(OxlethRun, ReplacesOverridesAndAppendsMessages)
{
    expect_run({},
               "WARNING: フォント種別が違います: NORMAL: exultmsg.ja.txt(4行目): common\t2\tmenu\tいいん\\n\n"
               "処理完了\n",
               0);
    EXPECT_EQ(read_text_output(dir.file("exultmsg.txt.new")), EXPECTED_OUTPUT);
    EXPECT_EQ(read_file_bytes(dir.file("exultmsg.txt")), MESSAGES);
}

TEST_P(OxlethRun, OptionsNameTheFiles)
{
    ASSERT_EQ(rename(dir.file("exultmsg.txt").c_str(), dir.file("msg.txt").c_str()), 0);
    ASSERT_EQ(rename(dir.file("usecode.map").c_str(), dir.file("ja.map").c_str()), 0);
    ASSERT_EQ(rename(dir.file("exultmsg.ja.txt").c_str(), dir.file("ja.txt").c_str()), 0);
    write_file_bytes(dir.file("one.txt"), "OINK\t1\tOINK\tあ\n");

    expect_run({"-o", "first.txt", "--ja", "ja.txt", "msg.txt", "--map", "none.map", "-m", "ja.map", "--ja",
                "one.txt", "-o", "-out-"},
               "処理完了\n", 0);
    EXPECT_EQ(read_text_output(dir.file("-out-")),
              "# Exult messages\n\n0x500:Yes\n0x501:No\n0x50A:Quit\npasses through\n0x500:Yes again\n"
              "0x580:\xF4" "0\n");
    EXPECT_FALSE(file_exists(dir.file("first.txt")));
}

// A translator's files may have Japanese names: they reach the program and
// come back in its messages, in the console's encoding.
TEST_P(OxlethRun, JapaneseFileNames)
{
    ASSERT_EQ(rename(dir.file("exultmsg.txt").c_str(), dir.file("メッセージ.txt").c_str()), 0);
    ASSERT_EQ(rename(dir.file("usecode.map").c_str(), dir.file("対応表.map").c_str()), 0);
    ASSERT_EQ(rename(dir.file("exultmsg.ja.txt").c_str(), dir.file("訳.txt").c_str()), 0);

    const RunResult r =
        run_program("oxleth", {"メッセージ.txt", "-m", "対応表.map", "--ja", "訳.txt", "-o", "新しい.txt"}, dir.path(), lang());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(read_text_output(dir.file("新しい.txt")), EXPECTED_OUTPUT);
    expect_run({"無い.txt", "-m", "対応表.map", "--ja", "訳.txt", "-o", "別の.txt"},
               "ERROR: 2: オープンエラー: 無い.txt\nERROR: 無い.txt を読み込めません\n", 1);
}

TEST_P(OxlethRun, UsageAndVersion)
{
    const std::string usage =
        "使用方法: oxleth [オプション] [Exultメッセージファイル]\n"
        "機    能: exultmsg.txtのテキストを日本語に変更します\n"
        "オプション:\n"
        "    -o       ファイル名     指定したファイルに新しいExultメッセージを出力します\n"
        "                            (exultmsg.txt.new)\n"
        "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n"
        "                            (usecode.map)\n"
        "       --ja  ファイル名     指定したファイルから日本語メッセージを読み込みます\n"
        "                            (exultmsg.ja.txt)\n"
        "    -?|--help               使用方法を表示します\n"
        "       --version            バージョンを表示します\n"
        "\n"
        "Exultメッセージファイルを指定しないときは exultmsg.txt を読みます\n"
        "\n";
    expect_run({"-?"}, usage, 1);
    expect_run({"msg.txt", "--help", "--version"}, usage, 1);
    expect_run({"--version", "-?"}, "oxleth - Ultima VII Exult text message replace utility 0.0.19\n", 1);
    EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
}

TEST_P(OxlethRun, CommandLineErrors)
{
    expect_run({"-x"}, "ERROR: 不正なオプションです: -x\n", 1);
    expect_run({"--HELP"}, "ERROR: 不正なオプションです: --HELP\n", 1);
    expect_run({"-"}, "ERROR: 不正なオプションです: -\n", 1);
    expect_run({"a.txt", "b.txt"}, "ERROR: コマンドラインパラメータが多すぎます: b.txt\n", 1);
    expect_run({"-o"}, "ERROR: オプション-oの後にファイル名がありません\n", 1);
    expect_run({"-m", "x", "--map"}, "ERROR: オプション--mapの後にファイル名がありません\n", 1);
    expect_run({"--ja"}, "ERROR: オプション--jaの後にファイル名がありません\n", 1);
    // An option's file name is taken whatever it begins with.
    expect_run({"-o", "-m"}, "WARNING: フォント種別が違います: NORMAL: exultmsg.ja.txt(4行目): common\t2\tmenu\tいいん\\n\n"
                             "処理完了\n", 0);
    EXPECT_EQ(read_text_output(dir.file("-m")), EXPECTED_OUTPUT);
    EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
}

TEST_P(OxlethRun, FaultyMessageFiles)
{
    expect_run({"none.txt"}, "ERROR: 2: オープンエラー: none.txt\nERROR: none.txt を読み込めません\n", 1);
    expect_run({""}, "ERROR:  を読み込めません\n", 1);

    write_file_bytes(dir.file("m.txt"), "# ok\n0x500 :Yes\n");
    expect_run({"m.txt"}, "ERROR: syntax error: m.txt(2行目): 0x500 :Yes\n\nERROR: m.txt を読み込めません\n", 1);
    write_file_bytes(dir.file("m.txt"), "Yes\r\n");
    // Windows reads the file in text mode, which takes CR LF to LF: the
    // line echoed has no CR there.
    expect_run({"m.txt"},
               std::string("ERROR: syntax error: m.txt(1行目): Yes") + (windows_programs() ? "" : "\r") +
                   "\n\nERROR: m.txt を読み込めません\n",
               1);
    write_file_bytes(dir.file("m.txt"), "0x500:a\n0x4FF:b\n");
    expect_run({"m.txt"}, "ERROR: 不正なIDです: m.txt(2): 0x4FF:b\n\nERROR: m.txt を読み込めません\n", 1);
    write_file_bytes(dir.file("m.txt"), "0x582:b");
    expect_run({"m.txt"}, "ERROR: 不正なIDです: m.txt(1): 0x582:b\nERROR: m.txt を読み込めません\n", 1);
    write_file_bytes(dir.file("m.txt"), "");
    expect_run({"m.txt"}, "ERROR: データがありません: m.txt\nERROR: m.txt を読み込めません\n", 1);
    EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
}

TEST_P(OxlethRun, MessageFileWithByteOrderMarkIsASyntaxError)
{
    write_file_bytes(dir.file("exultmsg.txt"), "\xEF\xBB\xBF" "0x500:Yes\n");
    const RunResult r = run({});
    // The mark has no CP932 form; the console shows "?" for it.
    const std::string mark = lang() == LANG_UTF8 ? "\xEF\xBB\xBF" : "?";
    EXPECT_EQ(r.out, "ERROR: syntax error: exultmsg.txt(1" + console("行目") + "): " + mark + "0x500:Yes\n\n" +
                         console("ERROR: exultmsg.txt を読み込めません\n"));
    EXPECT_EQ(r.status, 1);
}

TEST_P(OxlethRun, FaultyMapOrTranslationFile)
{
    expect_run({"-m", "none.map"}, "ERROR: none.map を読み込めません\n", 1);

    write_file_bytes(dir.file("exultmsg.ja.txt"), "; nothing\n\n");
    expect_run({}, "ERROR: データがありません: exultmsg.ja.txt\nERROR: exultmsg.ja.txt を読み込めません\n", 1);

    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t1\tNORMAL\tあ\nBG_ENDGAME\t39\tNORMAL\tx\n");
    expect_run({}, "ERROR: 不正なIDです: exultmsg.ja.txt(2行目): BG_ENDGAME\t39\tNORMAL\tx\n"
                   "ERROR: exultmsg.ja.txt を読み込めません\n", 1);

    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t1\tNORMAL\tあえ\n");
    expect_run({}, "ERROR: 'え' は使用できません\n"
                   "ERROR: テキストを変換できません: exultmsg.ja.txt(1行目): COMMON\t1\tNORMAL\tあえ\n"
                   "ERROR: exultmsg.ja.txt を読み込めません\n", 1);

    // う has a seven-byte code: 146 of them and one ASCII byte fill the
    // 1023 bytes a converted text may take; one byte more is refused.
    std::string seven_byte_text;
    for (int i = 0; i < 146; ++i) seven_byte_text += "う";
    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t1\tNORMAL\t" + seven_byte_text + "aa\n");
    expect_run({}, "ERROR: 翻訳テキストが長すぎます: " + seven_byte_text + "aa\n"
                   "ERROR: テキストを変換できません: exultmsg.ja.txt(1行目): COMMON\t1\tNORMAL\t" +
                   seven_byte_text + "aa\n"
                   "ERROR: exultmsg.ja.txt を読み込めません\n", 1);
    EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t1\tNORMAL\t" + seven_byte_text + "a\n");
    expect_run({}, "処理完了\n", 0);
    std::string codes;
    for (int i = 0; i < 146; ++i) codes += "\x01\x02\x03\x04\x05\x06\x07";
    const std::string replaced = "# Exult messages\n\n0x500:" + codes + "a\n";
    EXPECT_EQ(read_text_output(dir.file("exultmsg.txt.new")).substr(0, replaced.size()), replaced);
    ASSERT_EQ(unlink(dir.file("exultmsg.txt.new").c_str()), 0);

    write_file_bytes(dir.file("exultmsg.ja.txt"), "SI_OUTRO\t1\tINTRO\tx\n");
    expect_run({}, "ERROR: 不正なテキスト種別です: exultmsg.ja.txt(1行目): SI_OUTRO\t1\tINTRO\tx\n"
                   "ERROR: exultmsg.ja.txt を読み込めません\n", 1);

    write_file_bytes(dir.file("exultmsg.ja.txt"), "SI_INTRO\t0x20\tEND4\tx\n");
    expect_run({}, "ERROR: 不正なフォント種別です: exultmsg.ja.txt(1行目): SI_INTRO\t0x20\tEND4\tx\n"
                   "ERROR: exultmsg.ja.txt を読み込めません\n", 1);

    write_file_bytes(dir.file("exultmsg.ja.txt"), "OINK\t1\n");
    expect_run({}, "ERROR: syntax error: exultmsg.ja.txt(1行目): OINK\t1\n"
                   "ERROR: exultmsg.ja.txt を読み込めません\n", 1);
    EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
}

TEST_P(OxlethRun, LinesWithAZeroByteOrAStrayCrAreRefused)
{
    using namespace std::string_literals;
    const std::string refused = "): 不正な文字(NULまたはCR)があります\n";
    // A file with CR-only line ends reads as one line.
    write_file_bytes(dir.file("m.txt"), "# head\n0x500:Yes\r0x501:No\r");
    expect_run({"m.txt"}, "ERROR: m.txt(2行目" + refused + "ERROR: m.txt を読み込めません\n", 1);
    write_file_bytes(dir.file("m.txt"), "0x500:Y\0es\n"s);
    expect_run({"m.txt"}, "ERROR: m.txt(1行目" + refused + "ERROR: m.txt を読み込めません\n", 1);

    write_file_bytes(dir.file("exultmsg.ja.txt"), "; c\nCOMMON\t1\tNORMAL\tあ\0い\n"s);
    expect_run({}, "ERROR: exultmsg.ja.txt(2行目" + refused + "ERROR: exultmsg.ja.txt を読み込めません\n", 1);
    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t1\tNORMAL\tあ\rCOMMON\t2\tNORMAL\tい\r\n");
    expect_run({}, "ERROR: exultmsg.ja.txt(1行目" + refused + "ERROR: exultmsg.ja.txt を読み込めません\n", 1);
    EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
}

// The message file's reader ends a text at CR or LF: a map code holding
// either would split or cut the message it is written into.
TEST_P(OxlethRun, AMapCodeOfALineBreakIsRefusedAndNothingWritten)
{
    write_file_bytes(dir.file("exultmsg.txt"), "0x500:Yes\n");
    for (const auto& [code, byte] : {std::pair{"0x0A", "0x0A"}, {"13", "0x0D"}, {"0xF4,0x0D", "0x0D"}}) {
        SCOPED_TRACE(code);
        write_file_bytes(dir.file("usecode.map"), std::string("い\t0xF4,0x31\nあ\t") + code + "\n");
        write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t2\tNORMAL\tい\nCOMMON\t1\tNORMAL\txあy\n");
        expect_run({},
                   std::string("ERROR: 'あ' のコードには出力できない制御文字(") + byte +
                       ")があります: exultmsg.ja.txt(2行目)\nERROR: exultmsg.ja.txt を読み込めません\n",
                   1);
        EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
    }
}

TEST_P(OxlethRun, NothingToUpdateWithoutTranslationFile)
{
    ASSERT_EQ(unlink(dir.file("exultmsg.ja.txt").c_str()), 0);
    expect_run({}, "更新する必要がありません\n", 0);
    EXPECT_FALSE(file_exists(dir.file("exultmsg.txt.new")));
    // The map is still read first.
    expect_run({"--map", "none.map"}, "ERROR: none.map を読み込めません\n", 1);
}

TEST_P(OxlethRun, TheMessageFileMayBeItsOwnOutput)
{
    expect_run({"-o", "exultmsg.txt"},
               "WARNING: フォント種別が違います: NORMAL: exultmsg.ja.txt(4行目): common\t2\tmenu\tいいん\\n\n"
               "処理完了\n",
               0);
    EXPECT_EQ(read_text_output(dir.file("exultmsg.txt")), EXPECTED_OUTPUT);
}

TEST_P(OxlethRun, RefusesToOverwriteTheTranslationFileOrTheMap)
{
    ASSERT_EQ(link(dir.file("usecode.map").c_str(), dir.file("linked.map").c_str()), 0);
    expect_run({"-o", "exultmsg.ja.txt"}, "ERROR: 入力ファイルと出力ファイルが同じです: exultmsg.ja.txt\n", 1);
    expect_run({"-o", "./exultmsg.ja.txt"}, "ERROR: 入力ファイルと出力ファイルが同じです: ./exultmsg.ja.txt\n", 1);
    expect_run({"-o", "linked.map"}, "ERROR: 入力ファイルと出力ファイルが同じです: linked.map\n", 1);
    expect_run({"-o", "usecode.map"}, "ERROR: 入力ファイルと出力ファイルが同じです: usecode.map\n", 1);
    EXPECT_EQ(read_file_bytes(dir.file("exultmsg.ja.txt")), TRANSLATIONS);
    EXPECT_EQ(read_file_bytes(dir.file("usecode.map")), MAP);
}

TEST_P(OxlethRun, FailedWritesEndWithStatus1)
{
    if (windows_programs()) GTEST_SKIP() << "the Windows programs have no /dev/full";
    expect_run({"-o", "/dev/full"},
               "WARNING: フォント種別が違います: NORMAL: exultmsg.ja.txt(4行目): common\t2\tmenu\tいいん\\n\n"
               "ERROR: 28: 書き込みエラー: /dev/full\n"
               "ERROR: /dev/full を書き込めません\n",
               1);
    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t1\tNORMAL\tあ\n");
    expect_run({"-o", "no/such.txt"}, "ERROR: 2: オープンエラー: no/such.txt\nERROR: no/such.txt を書き込めません\n", 1);
    expect_run({"-o", ""}, "ERROR:  を書き込めません\n", 1);
    expect_run({"-o", "."}, "ERROR: 21: オープンエラー: .\nERROR: . を書き込めません\n", 1);
}

TEST_P(OxlethRun, AFullDiskNeverLeavesATruncatedMessageFile)
{
    if (windows_programs()) GTEST_SKIP() << "no file size limit for a program under Wine";
    // A message file larger than the limit, rewritten in place with -o.
    std::string messages;
    for (int i = 0; i < 100; ++i) messages += "0x501:" + std::string(1000, 'm') + "\n";
    write_file_bytes(dir.file("exultmsg.txt"), messages);
    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t1\tNORMAL\tあ\n");

    const RunResult r = run_program_with_file_size_limit("oxleth", {"-o", "exultmsg.txt"}, dir.path(), lang(), 16384);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, console("ERROR: 27: 書き込みエラー: exultmsg.txt\nERROR: exultmsg.txt を書き込めません\n"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file_bytes(dir.file("exultmsg.txt")), messages);
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"exultmsg.ja.txt", "exultmsg.txt", "usecode.map"}));

    // Without the limit the same run replaces the file whole.
    expect_run({"-o", "exultmsg.txt"}, "処理完了\n", 0);
    EXPECT_EQ(read_file_bytes(dir.file("exultmsg.txt")), messages + "0x500:\xF4" "0\n");
}

TEST_P(OxlethRun, LongMessageFilesAreReadWhole)
{
    std::string messages;
    std::string expected;
    for (int i = 0; i < 32; ++i) {
        messages += "0x" + std::to_string(510 + i % 2) + ":m" + std::to_string(i) + "\n";
        expected += "0x" + std::to_string(510 + i % 2) + ":" + (i == 1 ? std::string("\xF4" "0") : "m" + std::to_string(i)) + "\n";
    }
    write_file_bytes(dir.file("exultmsg.txt"), messages);
    write_file_bytes(dir.file("exultmsg.ja.txt"), "COMMON\t18\tEND2_MENU\tあ\n");
    expect_run({}, "処理完了\n", 0);
    EXPECT_EQ(read_text_output(dir.file("exultmsg.txt.new")), expected);
}

INSTANTIATE_TEST_SUITE_P(Consoles, OxlethRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

}  // namespace
