// End-to-end runs of u7kit charmap and of the check's fonts read from the
// game's folder: the map made from the translations, checked, and used by
// the programs that convert them; with a UTF-8 console and with a CP932
// console.
#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace test_builders;

namespace {

// い U+3044, は U+306F, 世 U+4E16, 界 U+754C: the new codes follow that order.
const std::string MESSAGE_TRANSLATION = "; 日本語\nCOMMON\t1\tNORMAL\tはい\n";
const std::string SUBTITLE_TRANSLATION = "BG_INTRO\t1\tGUARDIAN\t世界 is\n";
const std::string NEW_MAP =
    "; 文字マップ: 文字 <TAB> コードのバイト(カンマ区切り)\n"
    "い\t0xF4,0x30\n"
    "は\t0xF4,0x31\n"
    "世\t0xF4,0x32\n"
    "界\t0xF4,0x33\n";

// A MAINSHP.FLX whose subtitle texts stand at 13 and 21.
Bytes mainshp_archive()
{
    std::vector<Bytes> entries;
    for (int i = 0; i < 24; ++i) entries.emplace_back(1, static_cast<std::uint8_t>(i));
    entries[13] = bytes_of("\\CThe Guardian speaks\r\n");
    entries[21] = bytes_of("Farewell\r\n");
    return build_flex(entries);
}

// A font of count glyphs, one pixel each.
Bytes font_of(int count)
{
    std::vector<Bytes> frames;
    for (int i = 0; i < count; ++i) frames.push_back(build_frame(0, 0, 0, 0, {raw_span(0, 0, {1})}));
    return build_shape(frames);
}

class CharmapRun : public testing::TestWithParam<std::optional<std::string>> {
protected:
    RunResult run(const std::string& program, const std::vector<std::string>& args) const
    {
        RunResult r = run_program(program, args, dir.path(), GetParam());
        EXPECT_EQ(r.err, "");
        return r;
    }
    void expect_run(const std::vector<std::string>& args, const std::string& printed, int status) const
    {
        const RunResult r = run("u7kit", args);
        EXPECT_EQ(r.out, console(printed));
        EXPECT_EQ(r.status, status);
    }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, GetParam()); }
    void write(const std::string& name, const std::string& bytes) const { write_file_bytes(dir.file(name), bytes); }
    std::string read(const std::string& name) const { return read_file_bytes(dir.file(name)); }
    bool exists(const std::string& name) const { return file_exists(dir.file(name)); }

    TempDir dir;
};

TEST_P(CharmapRun, TheMadeMapPassesTheCheckAndConvertsTheTranslations)
{
    write("exultmsg.ja.txt", MESSAGE_TRANSLATION);
    write("bg_text.ja.txt", SUBTITLE_TRANSLATION);
    write("exultmsg.txt", "1280:Yes\n");
    write("MAINSHP.FLX", to_string(mainshp_archive()));

    // No map yet: it is begun empty.
    expect_run({"charmap", "exultmsg.ja.txt", "bg_text.ja.txt"},
               "INFORMATION: 使用文字4個(登録済み0個、追加4個)、最大コード247\n処理完了\n", 0);
    ASSERT_EQ(read("usecode.map.new"), NEW_MAP);
    std::filesystem::rename(dir.file("usecode.map.new"), dir.file("usecode.map"));

    expect_run({"check", "exultmsg.ja.txt", "bg_text.ja.txt"},
               "INFORMATION: レコード数: 2\n"
               "INFORMATION: 文字の種類(ASCII以外): 4\n"
               "INFORMATION: 文字マップにない文字: 0種類 0個\n"
               "INFORMATION: 問題はありません\n",
               0);

    // はい is F4 31 F4 30, 世界 F4 32 F4 33.
    const std::string message_line = "0x500:\xF4" "1\xF4" "0\n";
    const RunResult oxleth = run("oxleth", {});
    EXPECT_EQ(oxleth.status, 0) << oxleth.out;
    EXPECT_EQ(read_text_output(dir.file("exultmsg.txt.new")), message_line);
    const RunResult exultmsg = run("u7kit", {"exultmsg", "-o", "u7kit.txt"});
    EXPECT_EQ(exultmsg.status, 0) << exultmsg.out;
    EXPECT_EQ(read_text_output(dir.file("u7kit.txt")), message_line);
    const RunResult tawnix = run("tawnix", {"--no-write-en-text"});
    EXPECT_EQ(tawnix.status, 0) << tawnix.out;
    EXPECT_NE(read("mainshp.flx.new").find("\\C\xF4" "2\xF4" "3 is\r\n"), std::string::npos);
}

TEST_P(CharmapRun, AMapExtendedAgainStaysTheSame)
{
    // An old map with CR LF lines, a limit the new codes pass, a duplicate
    // and a gap at 245: は keeps its code, the others fill from 245 up.
    const std::string old_map = "; 古い表\r\n<MAX_CODE_FONT_NORMAL>\t0xF4,0x31\r\nは\t0xF4,0x30\r\nは\t0xF4,0x32\r\n";
    write("usecode.map", old_map);
    write("exultmsg.ja.txt", MESSAGE_TRANSLATION);
    write("bg_text.ja.txt", SUBTITLE_TRANSLATION);
    expect_run({"charmap", "bg_text.ja.txt", "exultmsg.ja.txt"},
               "INFORMATION: 使用文字4個(登録済み1個、追加3個)、最大コード248\n"
               "WARNING: 追加した2文字のコードが<MAX_CODE_FONT_NORMAL>の245を超えています\n"
               "処理完了\n",
               0);
    const std::string extended = old_map + "い\t0xF4,0x31\r\n世\t0xF4,0x33\r\n界\t0xF4,0x34\r\n";
    EXPECT_EQ(read("usecode.map.new"), extended);

    expect_run({"charmap", "-m", "usecode.map.new", "-o", "again.map", "exultmsg.ja.txt", "bg_text.ja.txt"},
               "INFORMATION: 使用文字4個(登録済み4個、追加0個)、最大コード248\n処理完了\n", 0);
    EXPECT_EQ(read("again.map"), extended);
}

TEST_P(CharmapRun, FaultyTranslationsAndOutputsOverAnInputWriteNothing)
{
    write("usecode.map", "あ\t0xF4,0x30\n");
    write("exultmsg.ja.txt", "COMMON\t1\tNORMAL\tはい\nBOGUS\t1\tNORMAL\t世\nCOMMON\t2\tNORMAL\t\xE3\x81\n");
    write("bg_text.ja.txt", SUBTITLE_TRANSLATION);
    expect_run({"charmap", "exultmsg.ja.txt", "gone.ja.txt", "--format", "exultmsg"},
               "ERROR: exultmsg.ja.txt(2行目1文字目): 不正なテキスト種別です: BOGUS\n"
               "ERROR: exultmsg.ja.txt(3行目17文字目): 不正なUTF-8です(0xE3)\n"
               "ERROR: 2: オープンエラー: gone.ja.txt\n"
               "ERROR: gone.ja.txt を読み込めません\n"
               "ERROR: 翻訳ファイルに問題が3件あります(文字マップは作成しません)\n",
               1);
    EXPECT_FALSE(exists("usecode.map.new"));

    expect_run({"charmap", "-o", "bg_text.ja.txt", "bg_text.ja.txt"},
               "ERROR: 入力ファイルと出力ファイルが同じです: bg_text.ja.txt\n", 1);
    expect_run({"charmap", "-o", "./usecode.map", "bg_text.ja.txt"},
               "ERROR: 入力ファイルと出力ファイルが同じです: ./usecode.map\n", 1);
    EXPECT_EQ(read("bg_text.ja.txt"), SUBTITLE_TRANSLATION);
    EXPECT_EQ(read("usecode.map"), "あ\t0xF4,0x30\n");
    expect_run({"charmap", "notes.txt"}, "ERROR: ファイルの形式が分かりません(--formatで指定してください): notes.txt\n", 1);
    expect_run({"charmap"}, "ERROR: 文字を集める翻訳ファイルがありません\n", 1);
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"bg_text.ja.txt", "exultmsg.ja.txt", "usecode.map"}));
}

TEST_P(CharmapRun, TheCheckReadsEachTagsFontFromItsArchive)
{
    // fonts.vga spelled in small letters: NORMAL (entry 0) draws あ but not
    // い, SPEECH_RED's entry 7 is empty, MAINSHP.FLX and ENDGAME.DAT are
    // missing.
    std::filesystem::create_directory(dir.file("game"));
    write("game/fonts.vga", to_string(build_flex({font_of(245), {}, font_of(3), {}, font_of(3), {}, {}, {}})));
    write("usecode.map", "あ\t0xF4,0x30\nい\t0xF4,0x31\n");
    write("exultmsg.ja.txt", "COMMON\t1\tNORMAL\tあい\n");
    const std::string summary = "INFORMATION: レコード数: 1\n"
                                "INFORMATION: 文字の種類(ASCII以外): 2\n"
                                "INFORMATION: 文字マップにない文字: 0種類 0個\n";
    expect_run({"check", "--game-dir", "game", "exultmsg.ja.txt"},
               "WARNING: game/FONTS.VGA [7] はフォントではありません: フォントSPEECH_REDの文字数は検査しません\n"
               "WARNING: game/ENDGAME.DAT がありません: フォントBG_END2,BG_END3の文字数は検査しません\n"
               "WARNING: game/MAINSHP.FLX がありません: フォントMENU,BG_INTROの文字数は検査しません\n"
               "ERROR: exultmsg.ja.txt(1行目18文字目): 'い'(コード245)はフォントNORMAL(FONTS.VGA [00], 245文字)にありません\n" +
                   summary + "ERROR: 問題が1件あります\n",
               1);
    // A table of the translator's own: NORMAL is the 3-glyph entry 2.
    write("fonts.txt", "; mine\nNORMAL\tFonts.Vga\t2\t0\n");
    expect_run({"check", "--game-dir", "game", "--font-table", "fonts.txt", "exultmsg.ja.txt"},
               "ERROR: exultmsg.ja.txt(1行目17文字目): 'あ'(コード244)はフォントNORMAL(Fonts.Vga [02], 3文字)にありません\n"
               "ERROR: exultmsg.ja.txt(1行目18文字目): 'い'(コード245)はフォントNORMAL(Fonts.Vga [02], 3文字)にありません\n" +
                   summary + "ERROR: 問題が2件あります\n",
               1);
    expect_run({"check", "--game-dir", "none", "exultmsg.ja.txt"}, "ERROR: ゲームのフォルダがありません: none\n", 1);
    expect_run({"check", "--game", "u9", "exultmsg.ja.txt"}, "ERROR: 不正なゲームです(bgまたはsi): u9\n", 1);
}

INSTANTIATE_TEST_SUITE_P(Consoles, CharmapRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

}  // namespace
