// End-to-end runs of revisto: standard output bytes, exit status and the
// converted file, with a UTF-8 console and with a CP932 console.
#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace std::string_literals;

constexpr const char* ENGLISH_TABLE =
    "\xEF\xBB\xBF; English texts\n"
    "0001\tA\tSIGN\t\"Hello\"\n"
    "0001\tB\t\t\"Hi \\\"there\\\"\"\r\n"
    "0002\tA\tBOOK\t\"A book\"\n"
    "0002\tB\tS.BOOK\t\"A small book\"\n"
    "0001\tA\tTOMB\t\"duplicate\"\n"
    "\n"
    "FFFF\t@x_1\tPLAQUE\t\"Last\"\n";

class RevistoRun : public testing::TestWithParam<std::optional<std::string>> {
protected:
    const std::optional<std::string>& lang() const { return GetParam(); }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, lang()); }
    RunResult run(const std::vector<std::string>& args) const { return run_program("revisto", args, dir.path(), lang()); }

    TempDir dir;
};

TEST_P(RevistoRun, ConvertsOldTableWithTypesFromEnglish)
{
    write_file_bytes(dir.file("usecode.en.txt"), ENGLISH_TABLE);
    write_file_bytes(dir.file("usecode.ja.txt"),
                     "\xEF\xBB\xBF; 日本語\r\n"
                     "\r\n"
                     "1\tA\t\"<QRM>こんにちは</QRM>Hello\"\r\n"
                     "0001\tB\t\"やあ \\\"君\\\"\"\n"
                     "2\tA\t\"<QRM>本</QRM>A book\"\n"
                     "2\tB\t\"<QRM>小さな本\"\n"
                     "0FFFF\t@x_1\t\"最後\"");
    const RunResult r = run({});
    EXPECT_EQ(r.out, console("[0001][A] 既に登録されています: type=[TOMB] ... 無視します\n"
                             "3行目: <QRM>タグを見つけました: 英語テキストを取り除きます\n"
                             "6行目: <QRM>タグを見つけました: 英語テキストを取り除きます\n"
                             "6行目: </QRM>タグが見つかりません ... 無視します\n"
                             "処理完了.\n"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_text_output(dir.file("usecode.ja-new.txt")),
              "; 日本語\n"
              "\n"
              "0001\tA\tSIGN\t\"こんにちは\"\n"
              "0001\tB\t\t\"やあ \\\"君\\\"\"\n"
              "0002\tA\tBOOK\t\"<QRM>本</QRM>A book\"\n"
              "0002\tB\tS.BOOK\t\"<QRM>小さな本\"\n"
              "FFFF\t@x_1\tPLAQUE\t\"最後\"\n");
}

TEST_P(RevistoRun, OptionsNameTheFiles)
{
    write_file_bytes(dir.file("en.txt"), "10\tL\tSIGN\t\"x\"\n");
    write_file_bytes(dir.file("ja.txt"), "010\tL\t\"y\"\n");
    const RunResult r = run({"-o", "first.txt", "ja.txt", "--en", "en.txt", "-o", "out.txt"});
    EXPECT_EQ(r.out, console("処理完了.\n"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_text_output(dir.file("out.txt")), "0010\tL\tSIGN\t\"y\"\n");
    EXPECT_FALSE(file_exists(dir.file("first.txt")));
}

TEST_P(RevistoRun, UsageVersionAndCommandLineErrors)
{
    const std::string usage =
        "使用方法: revisto [オプション] [日本語テキストファイル]\n"
        "機    能: Tavrikversion0.0.1以前で使用していたusecode.ja.txtを\n"
        "          version0.0.2以降の形式に変換します\n"
        "オプション:\n"
        "    -o      ファイル名      指定したファイルに変換したテキストを出力します\n"
        "                            (usecode.ja-new.txt)\n"
        "       --en ファイル名      指定したファイルから英語テキストを読み込みます\n"
        "                            (usecode.en.txt)\n"
        "    -?|--help               使用方法を表示します\n"
        "       --version            バージョンを表示します\n"
        "\n"
        "日本語テキストファイルを指定しないときは usecode.ja.txt を読みます\n"
        "\n";
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"-?"}, usage},
        {{"--help", "--bogus"}, usage},
        {{"--version"}, "revisto - QRM usecode.ja.txt converter version 0.0.19\n"},
        {{"-o"}, "ERROR: オプション-oの後にファイル名がありません\n"},
        {{"x.txt", "--en"}, "ERROR: オプション--enの後にファイル名がありません\n"},
        {{"-"}, "ERROR: 不正なオプションです: -\n"},
        {{"-O", "--help"}, "ERROR: 不正なオプションです: -O\n"},
        {{"a.txt", "b.txt"}, "ERROR: コマンドラインパラメータが多すぎます: b.txt\n"},
    };
    for (const Case& c : cases) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.out, console(c.out)) << c.args[0];
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_EQ(r.err, "");
    }
    // An option takes the next argument whatever it begins with.
    write_file_bytes(dir.file("usecode.en.txt"), "1\tA\t\t\"x\"\n");
    write_file_bytes(dir.file("usecode.ja.txt"), "1\tA\t\"y\"\n");
    const RunResult r = run({"-o", "-weird"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_text_output(dir.file("-weird")), "0001\tA\t\t\"y\"\n");
}

TEST_P(RevistoRun, MissingAndUnreadableInputs)
{
    RunResult r = run({});
    EXPECT_EQ(r.out, console("ERROR: ファイルが存在しません: usecode.en.txt\n"));
    EXPECT_EQ(r.status, 255);

    write_file_bytes(dir.file("usecode.en.txt"), "1\tA\t\t\"x\"\n");
    r = run({"nothing.txt"});
    EXPECT_EQ(r.out, console("ERROR: ファイルが存在しません: nothing.txt\n"));
    EXPECT_EQ(r.status, 255);
    EXPECT_FALSE(file_exists(dir.file("usecode.ja-new.txt")));

    // A folder as output cannot be opened; a folder as input opens but
    // cannot be read.  On Windows neither opens, and the error is EACCES.
    write_file_bytes(dir.file("usecode.ja.txt"), "1\tA\t\"y\"\n");
    mkdir(dir.file("folder").c_str(), 0755);
    r = run({"-o", "folder"});
    const std::string folder_error = windows_programs() ? "ERROR: 13: オープンエラー: folder\n"
                                                        : "ERROR: 21: オープンエラー: folder\n";
    EXPECT_EQ(r.out, console(folder_error));
    EXPECT_EQ(r.status, 255);
    // An input that cannot be read leaves an earlier output as it was.
    write_file_bytes(dir.file("usecode.ja-new.txt"), "an earlier conversion\n");
    r = run({"folder"});
    EXPECT_EQ(r.out, console(windows_programs() ? folder_error : "ERROR: folder(0行目): 読み込みエラー\n"));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(read_file_bytes(dir.file("usecode.ja-new.txt")), "an earlier conversion\n");
}

TEST_P(RevistoRun, EnglishTableFaults)
{
    write_file_bytes(dir.file("usecode.ja.txt"), "1\tA\t\"y\"\n");
    struct Case {
        std::string line;
        std::string message;
    };
    const Case cases[] = {
        {"1X\tA\t\t\"x\"", "syntax error"},
        {"1\tA-B\t\t\"x\"", "syntax error"},
        {"1\tA\tSIGN", "syntax error"},
        {"1\tA\tSIGN\tx", "テキストが \" で始まっていません"},
        {"1\tA\tSIGN\t", "テキストが \" で始まっていません"},
        {"1\tA\tSIGN\t\"x\\", "\\ の後に文字がありません"},
        {"1\tA\tSIGN\t\"日本\"", "マルチバイト文字は使用できません"},
        {"1\tA\tSIGN\t\"abc", "テキストの終りに \" がありません"},
        {"1\tA\tSIGN\t\"a\"b\"", "テキストが \" で終っていないか、テキスト中に前に \\ のない \" があります"},
        {"10000\tA\tSIGN\t\"x\"", "不正な関数IDです"},
        {"123456789ABCDEF0123\tA\tSIGN\t\"x\"", "不正な関数IDです"},
        // The scan reports the first fault from the left.
        {"1\tA\tSIGN\t\"x\\\"日本", "マルチバイト文字は使用できません"},
        // A zero byte, or a CR that does not end the line (CR-only line ends).
        {"1\tA\tSIGN\t\"x\0\""s, "不正な文字(NULまたはCR)があります"},
        {"1\tA\tSIGN\t\"x\"\r2\tB\t\t\"y\"\r", "不正な文字(NULまたはCR)があります"},
    };
    for (const Case& c : cases) {
        write_file_bytes(dir.file("usecode.en.txt"), "; comment\n1\tOK\t\t\"fine\"\n" + c.line + "\n");
        const RunResult r = run({});
        EXPECT_EQ(r.out, console("ERROR: usecode.en.txt(3行目): " + c.message + "\n")) << c.line;
        EXPECT_EQ(r.status, 255) << c.line;
        EXPECT_FALSE(file_exists(dir.file("usecode.ja-new.txt"))) << c.line;
    }
}

TEST_P(RevistoRun, JapaneseLineFaultsKeepTheLinesBefore)
{
    write_file_bytes(dir.file("usecode.en.txt"), ENGLISH_TABLE);
    struct Case {
        std::string line;
        std::string message;
    };
    const Case cases[] = {
        {"1\tA", "syntax error"},
        {"1 \tA\t\"x\"", "syntax error"},
        {"1\tA\tSIGN\t\"x\"", "テキストが \" で始まっていません"},  // already four fields
        {"1\tA\t\"x\\", "\\ の後に文字がありません"},
        {"1\tA\t\"\x80\"", "不正な文字コードです"},
        {"1\tA\t\"\xFE\"", "不正な文字コードです"},
        {"1\tA\t\"abc", "テキストの終わりに \" がありません"},
        {"1\tA\t\"\xE3\x81", "テキストの終わりに \" がありません"},  // cut-short character
        {"1\tA\t\"a\"b", "テキスト中に \\ でエスケープされていない \" があります"},
        {"10000\tA\t\"x\"", "不正な関数IDです"},
        {"1\tZ\t\"x\"", "ラベルが見つかりません: Z"},
        {"\tA\t\"x\"", "ラベルが見つかりません: A"},  // an empty id reads as 0
        {"1\tA\t\"x\0\""s, "不正な文字(NULまたはCR)があります"},
        {"; comment\r1\tA\t\"x\"", "不正な文字(NULまたはCR)があります"},
        {"\r1\tA\t\"x\"", "不正な文字(NULまたはCR)があります"},
    };
    for (const Case& c : cases) {
        write_file_bytes(dir.file("usecode.ja.txt"), "; keep\n1\tA\t\"<QRM>看板</QRM>Sign\"\n" + c.line + "\n2\tA\t\"z\"\n");
        const RunResult r = run({});
        EXPECT_EQ(r.out, console("[0001][A] 既に登録されています: type=[TOMB] ... 無視します\n"
                                 "2行目: <QRM>タグを見つけました: 英語テキストを取り除きます\n"
                                 "ERROR: usecode.ja.txt(3行目): " + c.message + "\n"))
            << c.line;
        EXPECT_EQ(r.status, 255) << c.line;
        EXPECT_EQ(read_text_output(dir.file("usecode.ja-new.txt")), "; keep\n0001\tA\tSIGN\t\"看板\"\n") << c.line;
    }
}

TEST_P(RevistoRun, ACommentIsKeptWholeAndALongerLineRefused)
{
    // A 5000-byte comment comes back whole; a line of 4095 bytes before its
    // line end is the longest the converter takes.
    write_file_bytes(dir.file("usecode.en.txt"), "1\tA\t\t\"x\"\n");
    const std::string comment = ";" + std::string(4999, 'c');
    const std::string text = "\"" + std::string(4095 - 6, 'y') + "\"";
    write_file_bytes(dir.file("usecode.ja.txt"), comment + "\r\n1\tA\t" + text + "\r\n1\tA\t\"z" + text + "\r\n1\tA\t\"y\"\n");
    const RunResult r = run({});
    EXPECT_EQ(r.out, console("ERROR: usecode.ja.txt(3行目): 行が長すぎます(最大4095バイト)\n"));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(read_text_output(dir.file("usecode.ja-new.txt")), comment + "\n0001\tA\t\t" + text + "\n");
}

TEST_P(RevistoRun, RefusesAnOutputThatIsAnInput)
{
    const std::string japanese = "1\tA\t\"y\"\n";
    const std::string english = "1\tA\t\t\"x\"\n";
    write_file_bytes(dir.file("usecode.en.txt"), english);
    write_file_bytes(dir.file("usecode.ja.txt"), japanese);

    for (const std::string& output : {std::string("usecode.ja.txt"), std::string("./usecode.en.txt"),
                                      dir.file("usecode.ja.txt")}) {
        const RunResult r = run({"-o", output});
        EXPECT_EQ(r.out, console("ERROR: 入力ファイルと出力ファイルが同じです: " + output + "\n"));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(read_file_bytes(dir.file("usecode.ja.txt")), japanese);
        EXPECT_EQ(read_file_bytes(dir.file("usecode.en.txt")), english);
    }
}

TEST_P(RevistoRun, WriteErrorIsNotSuccess)
{
    if (windows_programs()) GTEST_SKIP() << "the Windows programs have no /dev/full";
    write_file_bytes(dir.file("usecode.en.txt"), "1\tA\t\t\"x\"\n");
    write_file_bytes(dir.file("usecode.ja.txt"), "1\tA\t\"y\"\n;c\n");
    const RunResult r = run({"-o", "/dev/full"});
    EXPECT_EQ(r.out, console("ERROR: /dev/full(2行目): 書き込みエラー\n"));
    EXPECT_EQ(r.status, 255);
}

INSTANTIATE_TEST_SUITE_P(Consoles, RevistoRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

}  // namespace
