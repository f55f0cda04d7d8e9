// End-to-end runs of tawnix: standard output bytes, exit status and the
// files written (English table, new archive), with a UTF-8 console and
// with a CP932 console.  The archives are built in code.
#include "support/u7_test_builders.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <unistd.h>

using namespace test_builders;

namespace {

const std::string USAGE =
    "使用方法: tawnix [オプション] [データファイル]\n"
    "機    能: MAINSHP.FLXのイントロ／エンディング字幕を抽出／日本語に変更します\n"
    "オプション:\n"
    "    -o       ファイル名     指定したファイルに新しいデータを出力します\n"
    "                            (mainshp.flx.new)\n"
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n"
    "                            (usecode.map)\n"
    "       --ja  ファイル名     指定したファイルから日本語テキストを読み込みます\n"
    "                            (bg_text.ja.txt)\n"
    "       --en  ファイル名     指定したファイルに英語テキストを出力します\n"
    "                            (bg_text.en.txt)\n"
    "\n"
    "       --write-en-text      英語テキストをファイルに出力します\n"
    "       --no-write-en-text   英語テキストをファイルに出力しません\n"
    "       --conv-ja-text       日本語に変更したデータファイルを作成します\n"
    "       --no-conv-ja-text    日本語に変更したデータファイルを作成しません\n"
    "\n"
    "    -?|--help               使用方法を表示します\n"
    "       --version            バージョンを表示します\n"
    "\n"
    "データファイルを指定しないときは MAINSHP.FLX を読みます\n"
    "\n";

const std::string VERSION_LINE = "tawnix - Ultima VII Black Gate intro/endgate text replace utility 0.0.19\n";

const std::string INTRO = "\\CThe Guardian speaks\r\n\\LA second line\r\n\r\nPlain\tline\r\n";
const std::string ENDING = "\\RFarewell\r\nAvatar\r\n";

// A MAINSHP.FLX of count entries: entry i holds i + 1 bytes of value i,
// except the texts at 13 and 21 and the empty entry 5.
std::vector<Bytes> archive_entries(int count, const std::string& intro = INTRO, const std::string& ending = ENDING)
{
    std::vector<Bytes> entries;
    for (int i = 0; i < count; ++i) {
        if (i == 13) {
            entries.push_back(bytes_of(intro));
        } else if (i == 21) {
            entries.push_back(bytes_of(ending));
        } else if (i == 5) {
            entries.emplace_back();
        } else {
            entries.emplace_back(static_cast<std::size_t>(i + 1), static_cast<std::uint8_t>(i));
        }
    }
    return entries;
}

FlexHeader mainshp_header()
{
    FlexHeader header;
    header.title = "Ultima VII main shapes";
    header.reserved[3] = 0x12345678u;
    return header;
}

std::string build_mainshp(int count = 24, const std::string& intro = INTRO, const std::string& ending = ENDING)
{
    return to_string(build_flex(archive_entries(count, intro, ending), mainshp_header()));
}

// What the loader prints for an archive of count entries: the two
// registrations, then per entry the look-up and the typing line, or the
// missing-type warning for the entries the type list does not reach.
std::string load_trace(int count, const std::string& path = "MAINSHP.FLX")
{
    std::string out = "register_flexfile_readfunc(0, @)\nregister_flexfile_readfunc(2, @)\n";
    for (int i = 0; i < count; ++i) {
        int type = 0;
        int position = i;
        int run_count = 13;
        if (i == 13 || i == 21) {
            type = 2;
            position = 0;
            run_count = 1;
        } else if (i > 13 && i < 21) {
            position = i - 14;
            run_count = 7;
        } else if (i > 21) {
            position = i - 22;
            run_count = 100;
        }
        if (i >= 122) {
            out += "WARNING: データタイプ指定がありません: " + path + " [" + std::to_string(i) + "]\n";
            continue;
        }
        out += "get_flexfile_readfunc(" + std::to_string(type) + ") = @\n";
        out += "[" + std::to_string(i) + "] " + std::to_string(type) + " " + std::to_string(position) + "/" +
               std::to_string(run_count) + " @\n";
    }
    return out;
}

std::string mask_addresses(const std::string& out)
{
    static const std::regex address(
        "(register_flexfile_readfunc\\(\\d+, |get_flexfile_readfunc\\(\\d+\\) = |\\[\\d+\\] \\d+ \\d+/\\d+ )"
        "[0-9A-F]{8,}");
    return std::regex_replace(out, address, "$1@");
}

const std::string ENGLISH_TABLE =
    "; タブ区切りファイル\n"
    "; TYPE\tID\tFONT\tTEXT\n"
    "BG_INTRO\t1\tGUARDIAN\tThe Guardian speaks\n"
    "BG_INTRO\t2\tGUARDIAN\tA second line\n"
    "BG_INTRO\t3\tGUARDIAN\t\n"
    "BG_INTRO\t4\tGUARDIAN\tPlain\tline\n"
    "BG_ENDGAME2\t1\tMENU\tFarewell\n"
    "BG_ENDGAME2\t2\tMENU\tAvatar\n"
    "; EOF\n";

// あ F4 30, い F4 31.
const std::string MAP = "; map\n<MAX_CODE>\t0xF5,0x41\nあ\t0xF4,0x30\nい\t0xF4,0x31\n改\t13\n";

const std::string JAPANESE_TABLE =
    "\xEF\xBB\xBF; タブ区切りファイル\r\n"
    "BG_INTRO\t1\tGUARDIAN\tあい\r\n"
    "bg_endgame2\t0x2\tmenu\tい\tあ\r\n"
    "BG_INTRO\t3\tGUARDIAN\tnow\r\n";

const std::string TRANSLATED_INTRO = "\\C\xF4" "0\xF4" "1\r\n\\LA second line\r\nnow\r\nPlain\tline\r\n";
const std::string TRANSLATED_ENDING = "\\RFarewell\r\n\xF4" "1\t\xF4" "0\r\n";

class TawnixRun : public testing::TestWithParam<std::optional<std::string>> {
protected:
    void SetUp() override
    {
        write_file_bytes(dir.file("MAINSHP.FLX"), build_mainshp());
        write_file_bytes(dir.file("usecode.map"), MAP);
    }

    const std::optional<std::string>& lang() const { return GetParam(); }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, lang()); }

    // Runs, checks the printed bytes (addresses masked), an empty standard
    // error and the status.
    void expect_run(const std::vector<std::string>& args, const std::string& printed, int status) const
    {
        const RunResult r = run_program("tawnix", args, dir.path(), lang());
        EXPECT_EQ(mask_addresses(r.out), console(printed));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, status);
    }

    // A file as it stands: archives, and the inputs the test wrote.
    std::string file(const std::string& name) const { return read_file_bytes(dir.file(name)); }
    // The English table tawnix wrote, in text mode (CR LF on Windows).
    std::string table(const std::string& name) const { return read_text_output(dir.file(name)); }
    bool exists(const std::string& name) const { return file_exists(dir.file(name)); }

    TempDir dir;
};

const std::string TRANSLATED_MAINSHP = build_mainshp(24, TRANSLATED_INTRO, TRANSLATED_ENDING);

TEST_P(TawnixRun, FirstRunExportsTheEnglishTableOnly)
{
    expect_run({}, load_trace(24) + "処理完了\n", 0);
    EXPECT_EQ(table("bg_text.en.txt"), ENGLISH_TABLE);
    EXPECT_FALSE(exists("mainshp.flx.new"));
    EXPECT_EQ(file("MAINSHP.FLX"), build_mainshp());
}

TEST_P(TawnixRun, LaterRunConvertsOnly)
{
    write_file_bytes(dir.file("bg_text.en.txt"), "the translator's copy\n");
    write_file_bytes(dir.file("bg_text.ja.txt"), JAPANESE_TABLE);
    expect_run({}, load_trace(24) + "新しいMAINSHP.FLXを作成します\n処理完了\n", 0);
    EXPECT_EQ(file("mainshp.flx.new"), TRANSLATED_MAINSHP);
    EXPECT_EQ(table("bg_text.en.txt"), "the translator's copy\n");
    EXPECT_EQ(file("MAINSHP.FLX"), build_mainshp());
}

// A symbolic link whose target is missing is a name that exists: the
// English table is not exported through it, so no file appears wherever it
// points.
TEST_P(TawnixRun, ADanglingLinkIsAnEnglishTableThatExists)
{
    if (windows_programs()) GTEST_SKIP() << "symbolic links are a POSIX test";
    ASSERT_EQ(symlink("elsewhere.txt", dir.file("bg_text.en.txt").c_str()), 0);
    expect_run({}, load_trace(24) + "何もすることがありません\n", 0);
    EXPECT_FALSE(exists("elsewhere.txt"));
}

TEST_P(TawnixRun, ModesForcedAndDisabled)
{
    write_file_bytes(dir.file("bg_text.en.txt"), "old\n");
    expect_run({"--no-write-en-text", "--no-conv-ja-text"}, load_trace(24) + "何もすることがありません\n", 0);
    // Automatic: the English table exists and there is no Japanese table.
    expect_run({}, load_trace(24) + "何もすることがありません\n", 0);
    EXPECT_EQ(table("bg_text.en.txt"), "old\n");

    write_file_bytes(dir.file("bg_text.ja.txt"), JAPANESE_TABLE);
    expect_run({"--write-en-text", "--conv-ja-text"}, load_trace(24) + "新しいMAINSHP.FLXを作成します\n処理完了\n", 0);
    EXPECT_EQ(table("bg_text.en.txt"), ENGLISH_TABLE);
    EXPECT_EQ(file("mainshp.flx.new"), TRANSLATED_MAINSHP);

    // A later mode option overrides an earlier one.
    ASSERT_EQ(unlink(dir.file("bg_text.en.txt").c_str()), 0);
    ASSERT_EQ(unlink(dir.file("mainshp.flx.new").c_str()), 0);
    expect_run({"--write-en-text", "--no-write-en-text", "--conv-ja-text", "--no-conv-ja-text"},
               load_trace(24) + "何もすることがありません\n", 0);
    EXPECT_FALSE(exists("bg_text.en.txt"));
    EXPECT_FALSE(exists("mainshp.flx.new"));
    expect_run({"--no-write-en-text"}, load_trace(24) + "新しいMAINSHP.FLXを作成します\n処理完了\n", 0);
    EXPECT_FALSE(exists("bg_text.en.txt"));
    EXPECT_EQ(file("mainshp.flx.new"), TRANSLATED_MAINSHP);
}

TEST_P(TawnixRun, OptionsNameTheFiles)
{
    ASSERT_EQ(rename(dir.file("MAINSHP.FLX").c_str(), dir.file("main.flx").c_str()), 0);
    ASSERT_EQ(rename(dir.file("usecode.map").c_str(), dir.file("ja.map").c_str()), 0);
    write_file_bytes(dir.file("ja.txt"), JAPANESE_TABLE);
    write_file_bytes(dir.file("one.txt"), "BG_INTRO\t4\tGUARDIAN\tあ\n");
    expect_run({"-o", "first.flx", "--ja", "ja.txt", "main.flx", "--map", "none.map", "-m", "ja.map", "--en",
                "first.txt", "--en", "-en-", "--ja", "one.txt", "-o", "-out-"},
               load_trace(24, "main.flx") + "新しいMAINSHP.FLXを作成します\n処理完了\n", 0);
    EXPECT_EQ(table("-en-"), ENGLISH_TABLE);
    EXPECT_EQ(file("-out-"), build_mainshp(24, "\\CThe Guardian speaks\r\n\\LA second line\r\n\r\n\xF4" "0\r\n"));
    for (const char* name : {"first.flx", "first.txt", "bg_text.en.txt", "mainshp.flx.new"}) {
        EXPECT_FALSE(exists(name)) << name;
    }
}

TEST_P(TawnixRun, UsageAndVersion)
{
    expect_run({"-?"}, USAGE, 1);
    expect_run({"main.flx", "--help", "--version"}, USAGE, 1);
    expect_run({"--version", "-?"}, VERSION_LINE, 1);
    expect_run({"--bogus", "--help"}, "ERROR: 不正なオプションです: --bogus\n", 1);
    EXPECT_FALSE(exists("bg_text.en.txt"));
}

TEST_P(TawnixRun, CommandLineErrors)
{
    expect_run({"-x"}, "ERROR: 不正なオプションです: -x\n", 1);
    expect_run({"-"}, "ERROR: 不正なオプションです: -\n", 1);
    expect_run({"--HELP"}, "ERROR: 不正なオプションです: --HELP\n", 1);
    expect_run({"--write-en-texts"}, "ERROR: 不正なオプションです: --write-en-texts\n", 1);
    expect_run({"a.flx", "b.flx"}, "ERROR: コマンドラインパラメータが多すぎます: b.flx\n", 1);
    for (const char* option : {"-o", "-m", "--map", "--en", "--ja"}) {
        expect_run({"--no-conv-ja-text", option}, std::string("ERROR: オプション") + option + "の後にファイル名がありません\n", 1);
    }
    EXPECT_FALSE(exists("bg_text.en.txt"));

    // "-o -m": the output is named -m, and the argument after them is
    // looked at afresh.
    expect_run({"-o", "-m", "--map"}, "ERROR: オプション--mapの後にファイル名がありません\n", 1);
    write_file_bytes(dir.file("bg_text.ja.txt"), JAPANESE_TABLE);
    expect_run({"-o", "-m", "--no-write-en-text"}, load_trace(24) + "新しいMAINSHP.FLXを作成します\n処理完了\n", 0);
    EXPECT_EQ(file("-m"), TRANSLATED_MAINSHP);
}

TEST_P(TawnixRun, DataFileFaultsEndWith255)
{
    expect_run({"none.flx"}, "register_flexfile_readfunc(0, @)\nregister_flexfile_readfunc(2, @)\n"
                             "ERROR: 2: オープンエラー: none.flx\n"
                             "ERROR: none.flx を読み込めません\nERROR: none.flx を読み込めません\n",
               255);
    write_file_bytes(dir.file("short.flx"), std::string(100, '\0'));
    expect_run({"short.flx"}, "register_flexfile_readfunc(0, @)\nregister_flexfile_readfunc(2, @)\n"
                              "ERROR: 不正なデータです: short.flx [-1]\n"
                              "ERROR: short.flx を読み込めません\nERROR: short.flx を読み込めません\n",
               255);

    const std::string missing = "ERROR: 字幕テキストがありません: MAINSHP.FLX\nERROR: MAINSHP.FLX を読み込めません\n";
    for (int count : {13, 14, 21}) {
        SCOPED_TRACE(count);
        write_file_bytes(dir.file("MAINSHP.FLX"), build_mainshp(count));
        expect_run({}, load_trace(count) + missing, 255);
    }
    write_file_bytes(dir.file("MAINSHP.FLX"), build_mainshp(22, "", ENDING));  // entry 13 empty
    expect_run({}, load_trace(22) + missing, 255);
    write_file_bytes(dir.file("MAINSHP.FLX"), build_mainshp(22, INTRO, std::string("\0\r\n", 3)));
    expect_run({}, load_trace(22) + missing, 255);
    EXPECT_FALSE(exists("bg_text.en.txt"));
    EXPECT_FALSE(exists("mainshp.flx.new"));
}

TEST_P(TawnixRun, EntriesBeyondTheTypeListHaveNoType)
{
    // Entries from 122 on draw a warning each and get no type; the texts
    // are still found.
    write_file_bytes(dir.file("MAINSHP.FLX"), build_mainshp(123));
    expect_run({}, load_trace(123) + "処理完了\n", 0);
    EXPECT_EQ(table("bg_text.en.txt"), ENGLISH_TABLE);
    // An entry without a type cannot be written back.
    write_file_bytes(dir.file("bg_text.ja.txt"), JAPANESE_TABLE);
    expect_run({}, load_trace(123) + "新しいMAINSHP.FLXを作成します\n"
                                     "ERROR: 不正なデータタイプです: [122] type=-1\n"
                                     "ERROR: mainshp.flx.new を作成できません\n", 1);
    EXPECT_FALSE(exists("mainshp.flx.new"));
}

std::string repeat(const std::string& text, int count)
{
    std::string repeated;
    for (int i = 0; i < count; ++i) repeated += text;
    return repeated;
}

TEST_P(TawnixRun, MapAndJapaneseTableFaults)
{
    const std::string loaded = load_trace(24);
    // A missing map is reported before the missing Japanese table.
    expect_run({"--conv-ja-text", "-m", "none.map"}, loaded + "ERROR: none.map を読み込めません\n", 1);
    EXPECT_EQ(table("bg_text.en.txt"), ENGLISH_TABLE);  // exported before the conversion failed
    expect_run({"--conv-ja-text"}, loaded + "ERROR: 2: オープンエラー: bg_text.ja.txt\n"
                                            "ERROR: bg_text.ja.txt を読み込めません\n", 1);

    struct Case {
        std::string table;
        std::string messages;
    };
    const std::vector<Case> cases = {
        {"; only comments\n\n", "ERROR: データがありません: bg_text.ja.txt\n"},
        {"BG_INTRO\t1\tGUARDIAN\n", "ERROR: bg_text.ja.txt(1行目): syntax error\n"},
        {"BG_OUTRO\t1\tGUARDIAN\tx\n", "ERROR: bg_text.ja.txt(1行目): 不正なテキスト種別です\n"},
        {";\nBG_INTRO\t5\tGUARDIAN\tx\n", "ERROR: bg_text.ja.txt(2行目): 不正なIDです\n"},
        {"BG_INTRO\t1\tMENU\tx\n", "ERROR: bg_text.ja.txt(1行目): 不正なフォント種別です\n"},
        {"BG_INTRO\t1\tGUARDIAN\tあえ\n",
         "ERROR: 'え' は使用できません\nERROR: bg_text.ja.txt(1行目): テキストを変換できません\n"},
        {"BG_INTRO\t1\tGUARDIAN\t改\n", "ERROR: '改' のコードには出力できない制御文字(0x0D)があります: bg_text.ja.txt(1行目)\n"},
        {std::string("BG_INTRO\t1\tGUARDIAN\tx\0y\n", 24), "ERROR: bg_text.ja.txt(1行目): 不正な文字(NULまたはCR)があります\n"},
        {"BG_INTRO\t1\tGUARDIAN\tx\ry\r\n", "ERROR: bg_text.ja.txt(1行目): 不正な文字(NULまたはCR)があります\n"},
        // Cut after 1023 bytes, inside a character.
        {"; c\r\nBG_INTRO\t1\tGUARDIAN\t" + repeat("あ", 400) + "\r\n",
         "ERROR: bg_text.ja.txt(2行目): 行が長すぎます(最大1023バイト)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        write_file_bytes(dir.file("bg_text.ja.txt"), c.table);
        expect_run({}, loaded + c.messages + "ERROR: bg_text.ja.txt を読み込めません\n", 1);
        EXPECT_FALSE(exists("mainshp.flx.new"));
    }
}

TEST_P(TawnixRun, EnglishTableThatCannotBeWritten)
{
    write_file_bytes(dir.file("bg_text.ja.txt"), JAPANESE_TABLE);
    expect_run({"--en", "no/en.txt"}, load_trace(24) + "ERROR: 2: オープンエラー: no/en.txt\n"
                                                        "ERROR: no/en.txt を作成できません\n", 1);
    // A failure that shows only when the file is flushed is a failure too.
    expect_run({"--en", "/dev/full", "--write-en-text"},
               load_trace(24) + "ERROR: 28: 書き込みエラー: /dev/full\nERROR: /dev/full を作成できません\n", 1);
    EXPECT_FALSE(exists("mainshp.flx.new"));  // the conversion did not run
}

// A disk that fills up (a file size limit, its signal left to the default
// action) fails the export with a message and leaves the earlier table
// whole, with no temporary file beside it.
TEST_P(TawnixRun, AFullDiskLeavesTheEarlierEnglishTable)
{
    if (windows_programs()) GTEST_SKIP() << "no file size limit for a program under Wine";
    write_file_bytes(dir.file("bg_text.en.txt"), "the translator's copy\n");
    const std::vector<std::string> before = folder_names(dir.path());
    const RunResult r = run_program_with_file_size_limit("tawnix", {"--write-en-text"}, dir.path(), lang(), 64);
    EXPECT_EQ(mask_addresses(r.out),
              console(load_trace(24) + "ERROR: 27: 書き込みエラー: bg_text.en.txt\nERROR: bg_text.en.txt を作成できません\n"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(file("bg_text.en.txt"), "the translator's copy\n");
    EXPECT_EQ(folder_names(dir.path()), before);
}

TEST_P(TawnixRun, OutputArchiveThatCannotBeWritten)
{
    write_file_bytes(dir.file("bg_text.en.txt"), ENGLISH_TABLE);
    write_file_bytes(dir.file("bg_text.ja.txt"), JAPANESE_TABLE);
    expect_run({"-o", "no/new.flx"}, load_trace(24) + "新しいMAINSHP.FLXを作成します\n"
                                                      "ERROR: 2: オープンエラー: no/new.flx\n"
                                                      "ERROR: no/new.flx を作成できません\n", 1);
    EXPECT_FALSE(exists("no"));
}

TEST_P(TawnixRun, NoOutputMayReplaceAnInput)
{
    write_file_bytes(dir.file("bg_text.ja.txt"), JAPANESE_TABLE);
    ASSERT_EQ(link(dir.file("MAINSHP.FLX").c_str(), dir.file("linked.flx").c_str()), 0);
    struct Case {
        std::vector<std::string> args;
        std::string named;
    };
    const std::vector<Case> refused = {
        {{"-o", "MAINSHP.FLX"}, "MAINSHP.FLX"},
        {{"-o", "./MAINSHP.FLX"}, "./MAINSHP.FLX"},
        {{"-o", "linked.flx"}, "linked.flx"},
        {{"-o", "usecode.map"}, "usecode.map"},
        {{"-o", "bg_text.ja.txt"}, "bg_text.ja.txt"},
        {{"--ja", "t.txt", "-o", "t.txt"}, "t.txt"},  // the same name, no file yet
        {{"-o", "new.flx", "new.flx"}, "new.flx"},
        {{"--en", "MAINSHP.FLX"}, "MAINSHP.FLX"},
        {{"--en", "./linked.flx"}, "./linked.flx"},
        {{"--en", "usecode.map"}, "usecode.map"},
        {{"--en", "bg_text.ja.txt"}, "bg_text.ja.txt"},
        {{"--en", "x.txt", "--ja", "x.txt"}, "x.txt"},
        {{"--en", "mainshp.flx.new"}, "mainshp.flx.new"},
        {{"--en", "out", "-o", "out"}, "out"},
        {{"--en", "map", "-m", "map"}, "map"},
        // Other spellings of a name that has no file yet.
        {{"--en", "./mainshp.flx.new"}, "./mainshp.flx.new"},
        {{"--en", "./z.new", "-o", "z.new"}, "./z.new"},
        {{"--ja", "訳.txt", "-o", "./訳.txt"}, "./訳.txt"},
        {{"-o", "no/../MAINSHP.FLX"}, "no/../MAINSHP.FLX"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        expect_run(c.args, "ERROR: 入力ファイルと出力ファイルが同じです: " + c.named + "\n", 1);
    }
    EXPECT_EQ(file("MAINSHP.FLX"), build_mainshp());
    EXPECT_EQ(file("usecode.map"), MAP);
    EXPECT_EQ(file("bg_text.ja.txt"), JAPANESE_TABLE);
    for (const char* name :
         {"bg_text.en.txt", "mainshp.flx.new", "t.txt", "new.flx", "x.txt", "out", "map", "z.new", "訳.txt", "no"}) {
        EXPECT_FALSE(exists(name)) << name;
    }
}

// An archive whose two entries are ASCII lines ending in CR LF comes back
// byte for byte when its own English table is read as the Japanese one.
TEST_P(TawnixRun, ExportedTableReimportedGivesTheSameArchive)
{
    const std::string intro = "\\CLine one\r\n\\LLine\\ttwo\r\n\\Rthree\tand tab\r\n\r\n;not a comment\r\n ends \r\n";
    const std::string ending = "\\Xfinal\r\nThe End\r\n";
    const std::string original = build_mainshp(30, intro, ending);
    write_file_bytes(dir.file("MAINSHP.FLX"), original);
    write_file_bytes(dir.file("usecode.map"), "");
    expect_run({}, load_trace(30) + "処理完了\n", 0);
    write_file_bytes(dir.file("bg_text.ja.txt"), table("bg_text.en.txt"));
    expect_run({}, load_trace(30) + "新しいMAINSHP.FLXを作成します\n処理完了\n", 0);
    EXPECT_EQ(file("mainshp.flx.new"), original);
}

INSTANTIATE_TEST_SUITE_P(Consoles, TawnixRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

}  // namespace
