// End-to-end runs of u7kit: the subtitle templates taken through sibrel_bmp
// and back, the font sheet read back with libpng, the check's report on
// files with planted faults; with a UTF-8 console and with a CP932 console.
#include "bitmap/bitmap.h"
#include "support/cli_runner.h"
#include "support/png_read.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"
#include "fonts/font_sheet.h"
#include "subtitle/subtitle_frames.h"
#include "fonts/font_table.h"
#include "tools/u7kit/u7kit.h"
#include "shape/u7shape_utils.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

using namespace test_builders;

namespace {

const std::string USAGE =
    "使用方法: u7kit サブコマンド [オプション] [ファイル...]\n"
    "サブコマンド:\n"
    "    subtitles [ENDSHAPE.FLX]  字幕画像をBMPファイルに書き出します\n"
    "    fontsheet [FONTS.VGA]     全フォントの文字一覧をPNG画像に書き出します\n"
    "    check ファイル...         翻訳ファイルを文字マップとフォントで検査します\n"
    "    exultmsg [exultmsg.txt]   今のExultのexultmsg.txtを日本語に変更します\n"
    "    charmap ファイル...       翻訳ファイルの文字を文字マップに追加します\n"
    "    fonts [レシピファイル]      文字マップの日本語の文字をゲームのフォントに作ります\n"
    "    preview ファイル...       翻訳のテキストをゲームのフォントでPNG画像に描きます\n"
    "\n"
    "    -?|--help                 使用方法を表示します\n"
    "       --version              バージョンを表示します\n"
    "\n"
    "各サブコマンドの使用方法は u7kit サブコマンド --help で表示します\n"
    "\n";

const std::string VERSION_LINE = "u7kit - Ultima VII translation companion 0.0.19\n";

constexpr int SUBTITLE_ENTRY_LIST[] = {21, 22, 23, 24, 25, 26, 28};

// Subtitle n: a raw span of text and outline on row n, a run of colour 7
// (neither of the three) on row n + 10 for the first image only, and a
// second frame that must not matter.
Bytes subtitle_shape(int n)
{
    std::vector<Bytes> spans = {raw_span(-20 + n, n, {0, 11, 11, 11, 0}),
                                encoded_span(100, 40, 6, {repeat_run(4, 11), literal_run({0, 0})})};
    if (n == 1) spans.push_back(encoded_span(-160, 11, 3, {repeat_run(3, 7)}));
    return build_shape({build_frame(160, 159, 0, 46, spans), build_frame(1, 0, 1, 0, {raw_span(0, -1, {5})})});
}

Bytes endshape_archive()
{
    std::vector<Bytes> entries;
    for (int i = 0; i < 30; ++i) entries.push_back(Bytes(static_cast<std::size_t>(3 + i), static_cast<std::uint8_t>(i)));
    for (int n = 1; n <= 7; ++n) entries[static_cast<std::size_t>(SUBTITLE_ENTRY_LIST[n - 1])] = subtitle_shape(n);
    return build_flex(entries);
}

// Only the lines the program itself prints: the library's trace lines
// (registrations, typing, shape reading, frame listings) are left out.
std::string messages(const std::string& out)
{
    std::istringstream lines(out);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("register_") || line.starts_with("get_flexfile") || line.starts_with("[") ||
            line.starts_with("read_shape_from_buffer") || line.starts_with("\t") || line.starts_with("pre encode")) {
            continue;
        }
        kept += line + "\n";
    }
    // The decoder's warning shows run-to-run addresses.
    static const std::regex addresses("data\\([0-9A-F]{8,}\\) != data_end\\([0-9A-F]{8,}\\)");
    return std::regex_replace(kept, addresses, "data(@) != data_end(@)");
}

class U7kitRun : public testing::TestWithParam<std::optional<std::string>> {
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
        EXPECT_EQ(messages(r.out), console(printed));
        EXPECT_EQ(r.status, status);
    }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, GetParam()); }
    std::string file(const std::string& name) const { return dir.file(name); }
    void write(const std::string& name, const Bytes& bytes) const { write_file_bytes(file(name), to_string(bytes)); }
    void write(const std::string& name, const std::string& text) const { write_file_bytes(file(name), text); }
    std::string read(const std::string& name) const { return read_file_bytes(file(name)); }
    // A text file the program wrote (CR LF on Windows).
    std::string text(const std::string& name) const { return read_text_output(file(name)); }

    TempDir dir;
};

TEST_P(U7kitRun, UsageVersionAndUnknownSubcommand)
{
    expect_run({}, USAGE, 1);
    expect_run({"--help"}, USAGE, 1);
    expect_run({"--version"}, VERSION_LINE, 1);
    expect_run({"subtitles", "--version"}, VERSION_LINE, 1);
    expect_run({"export"}, "ERROR: 不正なサブコマンドです: export\n", 1);
    expect_run({"-x"}, "ERROR: 不正なオプションです: -x\n", 1);
    expect_run({"fontsheet", "a", "b"}, "ERROR: コマンドラインパラメータが多すぎます: b\n", 1);
    expect_run({"subtitles", "-n"}, "ERROR: オプション-nの後にファイル名がありません\n", 1);
    expect_run({"check", "--force", "x"}, "ERROR: 不正なオプションです: --force\n", 1);
}

// The pixels of a written 8-bit template.
std::vector<std::uint8_t> template_pixels(const std::string& bytes)
{
    BitmapHeader header;
    std::vector<std::uint8_t> palette;
    std::vector<std::uint8_t> pixels;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    EXPECT_EQ(read_bitmap_from_buffer(data, bytes.size(), &header, &palette, &pixels), 0);
    EXPECT_EQ(header.bit_count, 8);
    return pixels;
}

TEST_P(U7kitRun, TemplatesComeBackThroughSibrelBmpAsTheSameFrames)
{
    write("ENDSHAPE.FLX", endshape_archive());
    expect_run({"subtitles"},
               "WARNING: 字幕の3色以外の色の画素が3個あります(近い色に置き換えました)\n"
               "処理完了\n",
               0);
    const RunResult sibrel = run("sibrel_bmp", {"-o", "new.flx"});
    ASSERT_EQ(sibrel.status, 0) << sibrel.out;
    expect_run({"subtitles", "new.flx", "-n", "again."}, "処理完了\n", 0);

    // The frames sibrel_bmp made decode to exactly the exported pixels,
    // and a second export of them gives the same files.
    const std::string archive_bytes = read("new.flx");
    FlexArchivePtr archive;
    register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);
    const TypeRun runs[] = {{ENTRY_RAW, 21}, {ENTRY_SHAPE, 6}, {ENTRY_RAW, 1}, {ENTRY_SHAPE, 1}, {-1, 0}};
    testing::internal::CaptureStdout();
    ASSERT_EQ(read_flexfile_from_memory(&archive, reinterpret_cast<const std::uint8_t*>(archive_bytes.data()),
                                        archive_bytes.size(), "new.flx", runs),
              0);
    for (int n = 1; n <= 7; ++n) {
        const std::string name = "sibrel." + std::to_string(n) + ".bmp";
        EXPECT_EQ(read("again." + std::to_string(n) + ".bmp"), read(name)) << n;
        const Shape& shape = std::get<Shape>(archive->entries[static_cast<std::size_t>(SUBTITLE_ENTRY_LIST[n - 1])].object);
        SubtitleExport frame;
        ASSERT_EQ(export_subtitle_frame(shape, SUBTITLE_ENTRY_LIST[n - 1], nullptr, frame), 0);
        EXPECT_EQ(frame.other_colours, 0u);
        EXPECT_EQ(frame.indices, template_pixels(read(name))) << n;
        EXPECT_EQ(shape.frames[1].data, build_frame(1, 0, 1, 0, {raw_span(0, -1, {5})}));
    }
    testing::internal::GetCapturedStdout();
}

TEST_P(U7kitRun, TemplatesNeverReplaceAnInputOrADrawingUnasked)
{
    write("ENDSHAPE.FLX", endshape_archive());
    write("sibrel.4.bmp", std::string("a translator's drawing"));
    expect_run({"subtitles"}, "ERROR: BMPファイルが既にあります(上書きするときは--force): sibrel.4.bmp\n", 1);
    EXPECT_EQ(read("sibrel.4.bmp"), "a translator's drawing");
    EXPECT_FALSE(file_exists(file("sibrel.1.bmp")));

    write("x3.bmp", endshape_archive());
    expect_run({"x3.bmp", "subtitles"}, "ERROR: 不正なサブコマンドです: x3.bmp\n", 1);
    expect_run({"subtitles", "x3.bmp", "-n", "x", "--force"}, "ERROR: 入力ファイルと出力ファイルが同じです: x3.bmp\n", 1);
    EXPECT_EQ(read("x3.bmp"), to_string(endshape_archive()));

    expect_run({"subtitles", "--force"},
               "WARNING: 字幕の3色以外の色の画素が3個あります(近い色に置き換えました)\n"
               "処理完了\n",
               0);
    EXPECT_EQ(template_pixels(read("sibrel.4.bmp")).size(), 320u * 46u);

    expect_run({"subtitles", "-n", std::string(1100, 'x')},
               "ERROR: BMPファイル名が長すぎます(最大1023バイト): " + std::string(1100, 'x') + "1.bmp\n", 1);
}

// Names are UTF-8 on Windows too: a drawing under a Japanese name is found,
// and no template replaces one unless all seven are complete.
TEST_P(U7kitRun, JapaneseDrawingsStayAsTheyWereUnlessAllSevenAreWritten)
{
    write("ENDSHAPE.FLX", endshape_archive());
    write("字幕1.bmp", std::string("drawing 1"));
    expect_run({"subtitles", "-n", "字幕"}, "ERROR: BMPファイルが既にあります(上書きするときは--force): 字幕1.bmp\n", 1);
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"ENDSHAPE.FLX", "字幕1.bmp"}));

    // With --force, a template that cannot be written (a folder of its
    // name) leaves the drawings before and after it.
    for (int n = 2; n <= 7; ++n) write("字幕" + std::to_string(n) + ".bmp", "drawing " + std::to_string(n));
    std::filesystem::remove(file("字幕4.bmp"));
    std::filesystem::create_directory(file("字幕4.bmp"));
    const std::vector<std::string> before = folder_names(dir.path());
    expect_run({"subtitles", "-n", "字幕", "--force"}, "ERROR: 21: オープンエラー: 字幕4.bmp\nERROR: 字幕4.bmp を作成できません\n",
               1);
    EXPECT_EQ(folder_names(dir.path()), before);
    for (int n = 1; n <= 7; ++n) {
        if (n != 4) {
            EXPECT_EQ(read("字幕" + std::to_string(n) + ".bmp"), "drawing " + std::to_string(n));
        }
    }

    std::filesystem::remove(file("字幕4.bmp"));
    expect_run({"subtitles", "-n", "字幕", "--force"},
               "WARNING: 字幕の3色以外の色の画素が3個あります(近い色に置き換えました)\n処理完了\n", 0);
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(template_pixels(read("字幕" + std::to_string(n) + ".bmp")).size(), 320u * 46u);
}

// A disk that fills up (a file size limit, with the signal it raises left
// to its default action) fails the run with a message and leaves no
// template and no temporary file.
TEST_P(U7kitRun, AFullDiskLeavesTheDrawingsAsTheyWere)
{
    if (windows_programs()) GTEST_SKIP() << "no file size limit for a program under Wine";
    write("ENDSHAPE.FLX", endshape_archive());
    for (int n = 1; n <= 7; ++n) write("sibrel." + std::to_string(n) + ".bmp", "drawing " + std::to_string(n));
    const std::vector<std::string> before = folder_names(dir.path());
    const RunResult r = run_program_with_file_size_limit("u7kit", {"subtitles", "--force"}, dir.path(), GetParam(), 512);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
    const std::string printed = messages(r.out);
    const std::string tail = console("ERROR: sibrel.1.bmp を作成できません\n");
    EXPECT_TRUE(printed.ends_with(tail)) << printed;
    EXPECT_NE(printed.find(console("ERROR: 27: 書き込みエラー")), std::string::npos) << printed;
    EXPECT_EQ(folder_names(dir.path()), before);
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(read("sibrel." + std::to_string(n) + ".bmp"), "drawing " + std::to_string(n));
}

// Palette 0 colours the templates; the others are passed over silently.
TEST_P(U7kitRun, SeveralPalettesGiveNoWarning)
{
    write("ENDSHAPE.FLX", endshape_archive());
    write("PALETTES.FLX", build_flex({Bytes(768, 0), Bytes(768, 1), {}, Bytes(768, 2), Bytes(1536, 3)}));
    expect_run({"subtitles", "--palette", "PALETTES.FLX"},
               "WARNING: 字幕の3色以外の色の画素が3個あります(近い色に置き換えました)\n処理完了\n",
               0);
}

TEST_P(U7kitRun, FontSheetIsTheDrawingOfEveryGlyph)
{
    Bytes broken = build_frame(1, 0, 1, 0, {raw_span(0, -1, {5})});
    broken.pop_back();
    const Bytes fonts = build_flex({build_shape({build_frame(2, 1, 3, 1, {raw_span(-1, -3, {1, 2, 3})}), broken}), {},
                                    build_shape({build_frame(1, 0, 2, 0, {raw_span(0, -2, {9}), raw_span(0, -1, {0})})})});
    write("FONTS.VGA", fonts);
    const RunResult r = run("u7kit", {"fontsheet", "-o", "sheet.png"});
    EXPECT_EQ(r.status, 0);
    FlexArchivePtr archive;
    testing::internal::CaptureStdout();
    ASSERT_EQ(read_flexfile_with_readfunc_from_memory(&archive, fonts.data(), fonts.size(), "FONTS.VGA",
                                                      read_shape_from_buffer),
              0);
    // Entry 0 of FONTS.VGA is the Black Gate's NORMAL and SUBTITLE font,
    // entry 2 its STATUS font.
    const FontHeadings headings = font_sheet_headings(builtin_font_table(Game::bg), "FONTS.VGA", *archive);
    EXPECT_EQ(headings, (FontHeadings{{0, "NORMAL SUBTITLE"}, {2, "STATUS"}}));
    const FontSheet sheet = render_font_sheet(*archive, nullptr, headings);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(messages(r.out), console("WARNING: decode_shape: データ終端が一致しません: data(@) != data_end(@)\n"
                                       "WARNING: 展開できない文字が1個あります(×印のマス)\n"
                                       "INFORMATION: フォント2個、文字3個を描きました: sheet.png " +
                                       std::to_string(sheet.image.width) + "x" + std::to_string(sheet.image.height) +
                                       "\n処理完了\n"));
    const RgbImage read_back = read_png(file("sheet.png"));
    EXPECT_EQ(read_back.width, sheet.image.width);
    EXPECT_EQ(read_back.height, sheet.image.height);
    EXPECT_TRUE(read_back.pixels == sheet.image.pixels);

    expect_run({"fontsheet", "-o", "FONTS.VGA"}, "ERROR: 入力ファイルと出力ファイルが同じです: FONTS.VGA\n", 1);
    EXPECT_EQ(read("FONTS.VGA"), to_string(fonts));
}

TEST_P(U7kitRun, GamePaletteColoursTheSheet)
{
    // Glyph 0 of font 0 is one pixel of colour 9 at its origin.
    const Bytes fonts = build_flex({build_shape({build_frame(1, 0, 1, 0, {raw_span(0, -1, {9})})})});
    write("FONTS.VGA", fonts);
    Bytes palette(768, 0);
    palette[9 * 3] = 63;      // full red
    palette[9 * 3 + 2] = 32;  // about half blue
    write("PALETTES.FLX", build_flex({palette, Bytes(768, 1)}));
    write("NOTPAL.FLX", build_flex({Bytes(100, 1)}));
    const RunResult r = run("u7kit", {"fontsheet", "--palette", "PALETTES.FLX"});
    EXPECT_EQ(r.status, 0) << r.out;

    FlexArchivePtr archive;
    testing::internal::CaptureStdout();
    ASSERT_EQ(read_flexfile_with_readfunc_from_memory(&archive, fonts.data(), fonts.size(), "FONTS.VGA",
                                                      read_shape_from_buffer),
              0);
    testing::internal::GetCapturedStdout();
    const GlyphPlace place = render_font_sheet(*archive, nullptr).glyphs.at(0);
    const RgbImage sheet = read_png(file("fonts.png"));
    ASSERT_GT(sheet.width, 0);
    const auto at = (static_cast<std::size_t>((place.origin_y - 1) * FONT_SHEET_SCALE) * static_cast<std::size_t>(sheet.width) +
                     static_cast<std::size_t>(place.origin_x * FONT_SHEET_SCALE)) * 3;
    EXPECT_EQ(sheet.pixels[at], 255);
    EXPECT_EQ(sheet.pixels[at + 1], 0);
    EXPECT_EQ(sheet.pixels[at + 2], 130);

    const RunResult refused = run("u7kit", {"fontsheet", "--palette", "NOTPAL.FLX", "-o", "other.png"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find(console("ERROR: パレット0がありません: NOTPAL.FLX\n")), std::string::npos) << refused.out;
    EXPECT_FALSE(file_exists(file("other.png")));
}

TEST_P(U7kitRun, FontSheetOverItsCapIsRefusedAndTheTableChoosesTheHeadings)
{
    // One glyph drawing the corners of the whole 256 × 256 canvas, and 3000
    // empty frames: every cell that large.
    std::vector<Bytes> frames(3000, build_frame(0, 0, 0, 0, {}));
    frames[0] = build_frame(127, 128, 128, 127, {raw_span(-128, -128, {1}), raw_span(127, 127, {2})});
    write("FONTS.VGA", build_flex({build_shape(frames)}));
    expect_run({"fontsheet", "-o", "big.png"},
               "ERROR: 文字一覧の画像が大きすぎます(上限100000000画素): FONTS.VGA\n", 1);
    EXPECT_FALSE(file_exists(file("big.png")));

    const Bytes fonts = build_flex({build_shape({build_frame(1, 0, 1, 0, {raw_span(0, -1, {9})})})});
    write("FONTS.VGA", fonts);
    write("fonts.txt", std::string("NORMAL\tFONTS.VGA\t1\t0\nMENU\tfonts.vga\t0\t1\n"));
    write("bad.txt", std::string("MENU\tFONTS.VGA\t0\n"));
    FlexArchivePtr archive;
    testing::internal::CaptureStdout();
    ASSERT_EQ(read_flexfile_with_readfunc_from_memory(&archive, fonts.data(), fonts.size(), "FONTS.VGA",
                                                      read_shape_from_buffer),
              0);
    testing::internal::GetCapturedStdout();
    const struct {
        std::vector<std::string> options;
        FontHeadings headings;
    } runs[] = {
        {{"--game", "si"}, {{0, "NORMAL SUBTITLE"}}},
        {{"--font-table", "fonts.txt"}, {{0, "MENU"}}},
    };
    for (const auto& each : runs) {
        std::vector<std::string> arguments{"fontsheet", "-o", "tagged.png"};
        arguments.insert(arguments.end(), each.options.begin(), each.options.end());
        const RunResult r = run("u7kit", arguments);
        EXPECT_EQ(r.status, 0) << r.out;
        const FontSheet sheet = render_font_sheet(*archive, nullptr, each.headings);
        const RgbImage read_back = read_png(file("tagged.png"));
        EXPECT_EQ(read_back.width, sheet.image.width) << each.options[1];
        EXPECT_TRUE(read_back.pixels == sheet.image.pixels) << each.options[1];
    }
    expect_run({"fontsheet", "--font-table", "bad.txt"},
               "ERROR: bad.txt(1行目17文字目): フィールドが足りません(タグ、アーカイブ、エントリ、字間の4つ)\n", 1);
    expect_run({"fontsheet", "--game", "u7"}, "ERROR: 不正なゲームです(bgまたはsi): u7\n", 1);
}

// The program's PNG is, byte for byte, the one this test's own libpng and
// zlib write for the same drawing: under Wine, the Windows u7kit (its
// statically linked libraries) against the Linux ones.
TEST_P(U7kitRun, FontSheetFileIsTheLinuxBuildsByteForByte)
{
    // Three fonts of 96 glyphs of every size from 1 x 1 to 12 x 8, each
    // a pattern of its own, so that the image compresses neither to
    // nothing nor to one repeated block.
    std::vector<Bytes> fonts;
    for (int font = 0; font < 3; ++font) {
        std::vector<Bytes> glyphs;
        for (int g = 0; g < 96; ++g) {
            const int width = 1 + (g + font) % 12;
            const int height = 1 + (g / 12 + font) % 8;
            std::vector<Bytes> spans;
            for (int y = 0; y < height; ++y) {
                Bytes pixels;
                for (int x = 0; x < width; ++x) {
                    pixels.push_back(static_cast<std::uint8_t>((x * 7 + y * 13 + g * 5 + font * 31) % 256));
                }
                spans.push_back(raw_span(0, y - height, pixels));
            }
            glyphs.push_back(build_frame(width, 0, height, 0, spans));
        }
        fonts.push_back(build_shape(glyphs));
    }
    const Bytes archive_bytes = build_flex(fonts);
    write("FONTS.VGA", archive_bytes);
    const RunResult r = run("u7kit", {"fontsheet", "-o", "sheet.png"});
    ASSERT_EQ(r.status, 0) << r.out;

    FlexArchivePtr archive;
    testing::internal::CaptureStdout();
    ASSERT_EQ(read_flexfile_with_readfunc_from_memory(&archive, archive_bytes.data(), archive_bytes.size(), "FONTS.VGA",
                                                      read_shape_from_buffer),
              0);
    const FontSheet sheet =
        render_font_sheet(*archive, nullptr, font_sheet_headings(builtin_font_table(Game::bg), "FONTS.VGA", *archive));
    ASSERT_EQ(write_png_image(file("expected.png").c_str(), sheet.image), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(sheet.glyphs.size(), 3u * 96u);
    const std::string written = read("sheet.png");
    EXPECT_GT(written.size(), 1000u);
    EXPECT_TRUE(written == read("expected.png")) << "the program's PNG differs from this build's for the same drawing";
}

TEST_P(U7kitRun, CheckReportsPlantedFaultsAndTheSummary)
{
    write("usecode.map",
          std::string("<MAX_CODE_FONT_MENU>\t0xF4,0x30\nあ\t0xF4,0x30\nい\t0xF4,0x31\nう\t0xF4,0x32\n"));
    write("exultmsg.ja.txt", std::string("; messages\n"
                                         "COMMON\t1\tNORMAL\tあい\n"
                                         "BG_ENDGAME\t1\tMENU\tあい\n"
                                         "COMMON\t2\tNORMAL\tえおえ\n"
                                         "COMMON\t0\tNORMAL\tx\n"));
    write("bg_text.ja.txt", std::string("BG_INTRO\t1\tGUARDIAN\tう\n"));
    write("usecode.en.txt", std::string("0400\tgreet\t\t\"Hello\"\n0400\tbye\t\t\"Bye\"\n"));
    write("usecode.ja-new.txt", std::string("0400\tbye\t\t\"え\"\n"));
    expect_run({"check", "exultmsg.ja.txt", "--en", "usecode.en.txt", "bg_text.ja.txt", "usecode.ja-new.txt"},
               "ERROR: exultmsg.ja.txt(3行目20文字目): 'い'(コード245)はフォントMENUにありません(最大244)\n"
               "ERROR: exultmsg.ja.txt(4行目17文字目): 'え' は文字マップにありません\n"
               "ERROR: exultmsg.ja.txt(4行目18文字目): 'お' は文字マップにありません\n"
               "ERROR: exultmsg.ja.txt(4行目19文字目): 'え' は文字マップにありません\n"
               "ERROR: exultmsg.ja.txt(5行目8文字目): syntax error: ID 0\n"
               "ERROR: usecode.ja-new.txt(1行目12文字目): 'え' は文字マップにありません\n"
               "INFORMATION: レコード数: 6\n"
               "INFORMATION: 文字の種類(ASCII以外): 5\n"
               "INFORMATION: 文字マップにない文字: 2種類 4個\n"
               "    'え' 3\n"
               "    'お' 1\n"
               "INFORMATION: 翻訳済み: 1 / 2 行 (50.0%)\n"
               "ERROR: 問題が6件あります\n",
               1);
    expect_run({"check", "--format", "bgtext", "bg_text.ja.txt"},
               "INFORMATION: レコード数: 1\n"
               "INFORMATION: 文字の種類(ASCII以外): 1\n"
               "INFORMATION: 文字マップにない文字: 0種類 0個\n"
               "INFORMATION: 問題はありません\n",
               0);
    expect_run({"check", "notes.txt"}, "ERROR: ファイルの形式が分かりません(--formatで指定してください): notes.txt\n", 1);
    expect_run({"check", "--format", "po", "x"}, "ERROR: 不正な形式です: po\n", 1);
    expect_run({"check"}, "ERROR: 検査する翻訳ファイルがありません\n", 1);
    expect_run({"check", "-m", "none.map", "bg_text.ja.txt"}, "ERROR: none.map を読み込めません\n", 1);
}

// A map line whose code is no number, a file that cannot be read, and the
// longest line the programs take beside one byte longer.
TEST_P(U7kitRun, CheckReportsEmptyMapCodesUnreadableFilesAndLongLines)
{
    write("usecode.map", std::string("あ\t0xF4,0x30\n空\tx\n"));
    const std::string longest = "BG_INTRO\t1\tGUARDIAN\t" + std::string(1023 - 20, 'x');
    write("bg_text.ja.txt", longest + "\r\nBG_INTRO\t2\tGUARDIAN\tあ空\n" + longest + "y\n");
    expect_run({"check", "bg_text.ja.txt", "bg_text.none.txt"},
               "ERROR: usecode.map(2行目): '空' の文字マップのコードが空です\n"
               "ERROR: bg_text.ja.txt(2行目22文字目): '空' の文字マップのコードが空です\n"
               "ERROR: bg_text.ja.txt(3行目1024文字目): 行が長すぎます(最大1023バイト)\n"
               "ERROR: 2: オープンエラー: bg_text.none.txt\n"
               "ERROR: bg_text.none.txt を読み込めません\n"
               "INFORMATION: レコード数: 2\n"
               "INFORMATION: 文字の種類(ASCII以外): 2\n"
               "INFORMATION: 文字マップにない文字: 0種類 0個\n"
               "ERROR: 問題が4件あります\n",
               1);
}

// A message file of today's engine: numbers past 0x581 in every form
// (decimal, 0x and 0X hex, octal, blanks and sign), numbers twice,
// comments, a line numbered 0 and no line end at the end.
const std::string TODAYS_MESSAGES = "# today's messages\r\n"
                                    "\n"
                                    "1280:Yes\n"
                                    "0x501:No\n"
                                    "0x582:Past the table\n"
                                    "2947:Decimal\n"
                                    "0XB1a:Upper prefix\n"
                                    "05432:Octal, 0xB1A again\n"
                                    "  +0x600:Signed\n"
                                    "0x600:Second\n"
                                    "0:passes through\n"
                                    "0x581:Oink\n"
                                    "0x700:Untouched";

class ExultmsgRun : public U7kitRun {
protected:
    void SetUp() override
    {
        U7kitRun::SetUp();
        write("exultmsg.txt", TODAYS_MESSAGES);
        write("usecode.map", std::string("<MAX_CODE>\t0xF5,0x41\nあ\t0xF4,0x30\nい\t0xF4,0x31\n"));
    }
};

TEST_P(ExultmsgRun, BothRecordKindsTranslateTodaysFile)
{
    write("exultmsg.ja.txt", std::string("\xEF\xBB\xBF; both kinds\r\n"
                                         "COMMON\t1\tNORMAL\tあい\n"
                                         "msg\t0x582\tnormal\tい\n"
                                         "MSG\t2947\tMENU\tdecimal\n"
                                         "MSG\t0xb1a\tNORMAL\tfirst only\n"
                                         "MSG\t0x600\tNORMAL\tx\n"
                                         "MSG\t+1536\tNORMAL\tsix hundred\n"
                                         "MSG\t0x501\tMENU\tno\n"
                                         "COMMON\t3\tNORMAL\tappended\n"));
    expect_run({"exultmsg"}, "WARNING: フォント種別が違います: NORMAL: exultmsg.ja.txt(8行目): MSG\t0x501\tMENU\tno\n処理完了\n",
               0);
    EXPECT_EQ(text("exultmsg.txt.new"), "# today's messages\n\n0x500:\xF4" "0\xF4" "1\n0x501:no\n0x582:\xF4" "1\n"
                                        "0xB83:decimal\n0xB1A:first only\n0xB1A:Octal, 0xB1A again\n0x600:six hundred\n"
                                        "0x600:Second\n0:passes through\n0x581:Oink\n0x700:Untouched\n0x502:appended\n");
    EXPECT_EQ(read("exultmsg.txt"), TODAYS_MESSAGES);
}

TEST_P(ExultmsgRun, ExportedTemplateTranslatesBackToTheFile)
{
    // Numbers in every form, a text with tabs, one too long for a
    // translation line; the expected file in oxleth's output form.
    std::string messages = "# head\n";
    std::string expected = messages;
    const char* const forms[] = {"%d", "0x%x", "0X%X", "0%o", " +%d"};
    for (int i = 0; i < 40; ++i) {
        const int number = 0x500 + i % 30 * 97;  // i and i + 30 share a number
        const std::string text = i == 7 ? std::string(1010, 'L') : "text\t" + std::to_string(i);
        char head[32];
        std::snprintf(head, sizeof head, forms[i % 5], number);
        messages += head + (":" + text + "\n");
        std::snprintf(head, sizeof head, "0x%X:", number);
        expected += head + text + "\n";
        if (i % 9 == 0) messages += "\n", expected += "\n";
    }
    write("exultmsg.txt", messages);
    write("usecode.map", std::string("; ASCII only\nA\t0x41\n"));
    expect_run({"exultmsg", "--export"},
               "WARNING: 0x7A7 のレコードが翻訳ファイルの1行(最大1023バイト)より長くなります: exultmsg.en.txt\n"
               "INFORMATION: メッセージ30件のひな形を書き出しました: exultmsg.en.txt\n処理完了\n", 0);
    const std::string exported = text("exultmsg.en.txt");
    EXPECT_TRUE(exported.starts_with("; TYPE\tID\tFONT\tTEXT\n\n; 0x500-0x5FF\nMSG\t0x500\tNORMAL\ttext\t0\n")) << exported;
    // The long record is left out of the translation; the rest gives the
    // file back byte for byte.
    const std::string too_long = "MSG\t0x7A7\tNORMAL\t" + std::string(1010, 'L') + "\n";
    ASSERT_NE(exported.find(too_long), std::string::npos);
    std::string translation = exported;
    write("exultmsg.ja.txt", translation.erase(translation.find(too_long), too_long.size()));
    expect_run({"exultmsg"}, "処理完了\n", 0);
    EXPECT_EQ(text("exultmsg.txt.new"), expected);

    expect_run({"exultmsg", "--export"}, "ERROR: ファイルが既にあります(上書きしません): exultmsg.en.txt\n", 1);
    expect_run({"exultmsg", "--export", "-o", "exultmsg.txt"}, "ERROR: 入力ファイルと出力ファイルが同じです: exultmsg.txt\n", 1);
    EXPECT_EQ(text("exultmsg.en.txt"), exported);
    EXPECT_EQ(read("exultmsg.txt"), messages);
}

// A 0x1A byte (Ctrl-Z) is a byte like any other on every platform: no
// message after it is lost.
TEST_P(ExultmsgRun, AControlZByteEndsNoFile)
{
    write("exultmsg.txt", std::string("0x500:a\x1A" "b\n0x501:c\n0x502:d\n"));
    expect_run({"exultmsg", "--export", "-o", "template.txt"},
               "INFORMATION: メッセージ3件のひな形を書き出しました: template.txt\n処理完了\n", 0);
    write("exultmsg.ja.txt", std::string("COMMON\t2\tNORMAL\tx\x1Ay\nCOMMON\t3\tNORMAL\tあ\n"));
    const std::string expected = "0x500:a\x1A" "b\n0x501:x\x1Ay\n0x502:\xF4" "0\n";
    for (const std::string program : {"oxleth", "u7kit"}) {
        SCOPED_TRACE(program);
        std::vector<std::string> args = {"-o", program + ".txt"};
        if (program == "u7kit") args.insert(args.begin(), "exultmsg");
        const RunResult r = run(program, args);
        EXPECT_EQ(r.out, console("処理完了\n"));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(text(program + ".txt"), expected);
    }
}

// A Japanese template name is found on Windows as on Linux: the second
// export says only that the file exists.
TEST_P(ExultmsgRun, AJapaneseTemplateIsNeverWrittenTwice)
{
    const RunResult first = run("u7kit", {"exultmsg", "--export", "-o", "ひな形.txt"});
    ASSERT_EQ(first.status, 0) << first.out;
    const std::string exported = read("ひな形.txt");
    expect_run({"exultmsg", "--export", "-o", "ひな形.txt"}, "ERROR: ファイルが既にあります(上書きしません): ひな形.txt\n", 1);
    EXPECT_EQ(read("ひな形.txt"), exported);
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"exultmsg.txt", "usecode.map", "ひな形.txt"}));
}

TEST_P(ExultmsgRun, OxlethsTranslationGivesOxlethsBytes)
{
    write("exultmsg.txt", std::string("# old\r\n\n1280:Yes\n0x50a:Quit\n0:zero\n0x500:again\n0x580:Oink"));
    write("exultmsg.ja.txt", std::string("common\t1\tmenu\tあ\nOINK\t2\tOINK\tlast\tone\nSI_INTRO\t32\tINTRO\t\n"));
    const RunResult oxleth = run("oxleth", {"-o", "oxleth.txt"});
    const RunResult u7kit = run("u7kit", {"exultmsg", "-o", "u7kit.txt"});
    EXPECT_EQ(u7kit.out, oxleth.out);
    EXPECT_EQ(u7kit.status, oxleth.status);
    EXPECT_EQ(read("u7kit.txt"), read("oxleth.txt"));
    EXPECT_NE(text("u7kit.txt").find("0x581:last\tone\n"), std::string::npos);
}

TEST_P(ExultmsgRun, FaultsOfEveryInputAreReportedAsOxlethReportsThem)
{
    using namespace std::string_literals;
    // Message files (m.txt) and what is printed; the status is 1.
    const std::string not_read = "ERROR: m.txt を読み込めません\n";
    const std::string ja_not_read = "ERROR: exultmsg.ja.txt を読み込めません\n";
    const std::string message_files[][2] = {
        {"0x900 :x\n", "ERROR: syntax error: m.txt(1行目): 0x900 :x\n\n" + not_read},
        {"0x900:a\n-5:x\n", "ERROR: 不正なIDです: m.txt(2): -5:x\n\n" + not_read},
        {"0x80000000:x", "ERROR: 不正なIDです: m.txt(1): 0x80000000:x\n" + not_read},
        {"", "ERROR: データがありません: m.txt\n" + not_read},
        {"0x900:a\0b\n"s, "ERROR: m.txt(1行目): 不正な文字(NULまたはCR)があります\n" + not_read},
        {"# c\n0x900:a\r0x901:b\r", "ERROR: m.txt(2行目): 不正な文字(NULまたはCR)があります\n" + not_read},
    };
    write("exultmsg.ja.txt", std::string("MSG\t0x900\tNORMAL\tあ\n"));
    for (const auto& [contents, printed] : message_files) {
        write("m.txt", contents);
        expect_run({"exultmsg", "m.txt"}, printed, 1);
    }
    expect_run({"exultmsg", "none.txt"}, "ERROR: 2: オープンエラー: none.txt\nERROR: none.txt を読み込めません\n", 1);
    expect_run({"exultmsg", "-m", "none.map"}, "ERROR: none.map を読み込めません\n", 1);

    const auto refused = [&](const std::string& record, const std::string& what) {
        return "ERROR: " + what + ": exultmsg.ja.txt(2行目): " + record + "\n" + ja_not_read;
    };
    const std::string translations[][2] = {
        {"MSG\t0x900", "syntax error"},
        {"MSGS\t0x900\tNORMAL\tx", "不正なテキスト種別です"},
        {"COMMON\t1x\tNORMAL\tx", "syntax error"},
        {"MSG\t0x900x\tNORMAL\tx", "不正なメッセージ番号です"},
        {"MSG\t0\tNORMAL\tx", "不正なメッセージ番号です"},
        {"MSG\t0x900\tEND4\tx", "不正なフォント種別です"},
        {"BG_ENDGAME\t39\tNORMAL\tx", "不正なIDです"},
        {"MSG\t0x901\tNORMAL\tx", "メッセージファイルにない番号です"},
        {"MSG\t0x500\tNORMAL\tx", "メッセージファイルにない番号です"},
    };
    write("exultmsg.txt", std::string("0x900:nine hundred\n"));
    for (const auto& [record, what] : translations) {
        write("exultmsg.ja.txt", "; c\n" + record + "\n");
        expect_run({"exultmsg"}, refused(record, what), 1);
    }
    write("exultmsg.ja.txt", std::string("; c\nMSG\t0x900\tNORMAL\tえ\n"));
    expect_run({"exultmsg"}, "ERROR: 'え' は使用できません\n" + refused("MSG\t0x900\tNORMAL\tえ", "テキストを変換できません"), 1);
    write("exultmsg.ja.txt", "; c\nMSG\t0x900\tNORMAL\tあ\0\n"s);
    expect_run({"exultmsg"}, "ERROR: exultmsg.ja.txt(2行目): 不正な文字(NULまたはCR)があります\n" + ja_not_read, 1);
    write("exultmsg.ja.txt", std::string("; only a comment\n"));
    expect_run({"exultmsg"}, "ERROR: データがありません: exultmsg.ja.txt\n" + ja_not_read, 1);
    expect_run({"exultmsg", "-o", "exultmsg.ja.txt"}, "ERROR: 入力ファイルと出力ファイルが同じです: exultmsg.ja.txt\n", 1);
    std::filesystem::remove(file("exultmsg.ja.txt"));
    expect_run({"exultmsg"}, "更新する必要がありません\n", 0);
    const RunResult usage = run("u7kit", {"exultmsg", "-?"});
    EXPECT_TRUE(usage.out.starts_with(console("使用方法: u7kit exultmsg [オプション] [Exultメッセージファイル]\n"))) << usage.out;
    EXPECT_EQ(usage.status, 1);
    EXPECT_FALSE(file_exists(file("exultmsg.txt.new")));
}

TEST_P(ExultmsgRun, AFailedWriteEndsWithStatus1AndLeavesTheMessageFile)
{
    write("exultmsg.ja.txt", std::string("MSG\t0x582\tNORMAL\tあ\n"));
    expect_run({"exultmsg", "-o", "/dev/full"}, "ERROR: 28: 書き込みエラー: /dev/full\nERROR: /dev/full を書き込めません\n", 1);
    expect_run({"exultmsg", "--export", "-o", "no/such.txt"},
               "ERROR: 2: オープンエラー: no/such.txt\nERROR: no/such.txt を書き込めません\n", 1);

    // The message file rewritten in place on a disk that fills up: the
    // programs run get a file size limit smaller than the file.
    if (windows_programs()) GTEST_SKIP() << "no file size limit for a program under Wine";
    std::string messages;
    for (int i = 0; i < 40; ++i) messages += "0x" + std::to_string(582 + i) + ":" + std::string(1000, 'm') + "\n";
    write("exultmsg.txt", messages);
    const RunResult r = run_program_with_file_size_limit("u7kit", {"exultmsg", "-o", "exultmsg.txt"}, dir.path(), GetParam(), 16384);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, console("ERROR: 27: 書き込みエラー: exultmsg.txt\nERROR: exultmsg.txt を書き込めません\n"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read("exultmsg.txt"), messages);
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"exultmsg.ja.txt", "exultmsg.txt", "usecode.map"}));
}

INSTANTIATE_TEST_SUITE_P(Consoles, ExultmsgRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

INSTANTIATE_TEST_SUITE_P(Consoles, U7kitRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

}  // namespace
