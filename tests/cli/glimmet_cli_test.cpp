// End-to-end runs of glimmet: standard output bytes, exit status and the
// dump file, with a UTF-8 console and with a CP932 console.  The font
// archives are built in code.
#include "support/u7_test_builders.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

using namespace test_builders;

namespace {

const std::string USAGE =
    "使用方法: glimmet [オプション] [フォントファイル]\n"
    "オプション:\n"
    "       --dump ファイル名    指定したファイルにダンプデータを出力します\n"
    "                            (fonts.vga.txt)\n"
    "\n"
    "    -?|--help               使用方法を表示します\n"
    "       --version            バージョンを表示します\n"
    "\n"
    "フォントファイルを指定しないときは FONTS.VGA を読みます\n"
    "\n";

const std::string HEADER_WORDS =
    "magic1 = FFFF1A00\n";
const std::string RESERVED_WORDS =
    "d1 = 00000000\nd2 = 00000000\nd3 = 00000000\nd4 = 00000000\nd5 = 00000000\n"
    "d6 = 00000000\nd7 = 00000000\nd8 = 00000000\nd9 = 00000000\n";

// Font 0: a glyph of raw and run-length spans, an empty frame (header and
// end marker only) and a glyph whose pixels reach beyond its stored
// extents.  Entry 1 is empty.  Font 2: one glyph.
const Bytes GLYPH_A = build_frame(3, 0, 2, 0, {raw_span(0, -2, {1, 0, 2}), encoded_span(0, -1, 3, {repeat_run(3, 5)})});
const Bytes GLYPH_EMPTY = build_frame(0, 0, 0, 0, {});
const Bytes GLYPH_WIDE = build_frame(0, 0, 0, 0, {raw_span(-1, 1, {9})});
const Bytes GLYPH_B = build_frame(1, 1, 1, 1, {encoded_span(-1, -1, 2, {literal_run({0x10, 0x20})}), raw_span(0, 0, {0x30})});
const Bytes FONT_0 = build_shape({GLYPH_A, GLYPH_EMPTY, GLYPH_WIDE});
const Bytes FONT_2 = build_shape({GLYPH_B});

FlexHeader font_header()
{
    FlexHeader header;
    header.title = "Ultima VII font file";
    return header;
}

std::string hex8(std::size_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
    return text;
}

// Offsets of the frames inside their shape follow from the builders.
const std::string FONT_0_GLYPHS =
    "[00][00] offset=00000010 size=" + hex8(GLYPH_A.size()) + "\n"
    "[00][00] right=3 left=0 ascent=2 descent=0\n"
    " |01 .. 02 \n"
    "_|05 05 05_\n"
    "\n"
    "[00][01] offset=" + hex8(16 + GLYPH_A.size()) + " size=0000000A\n"
    "[00][01] right=0 left=0 ascent=0 descent=0\n"
    "\n"
    "[00][02] offset=" + hex8(16 + GLYPH_A.size() + 10) + " size=" + hex8(GLYPH_WIDE.size()) + "\n"
    "[00][02] right=0 left=0 ascent=0 descent=0\n"
    "-------> right=0 left=1 ascent=0 descent=2\n"
    "     \n"
    "  09 \n"
    "\n";

const std::string FONT_2_GLYPHS =
    "[02][00] offset=00000008 size=" + hex8(GLYPH_B.size()) + "\n"
    "[02][00] right=1 left=1 ascent=1 descent=1\n"
    "_ 10|20_\n"
    "    |30 \n"
    "\n";

// Addresses in the trace lines differ from run to run: each is replaced by
// "@" once it has been checked to have at least 8 upper-case hex digits.
std::string mask_addresses(const std::string& out)
{
    static const std::regex shape_trace("read_shape_from_buffer\\([0-9A-F]{8,}, [0-9A-F]{8,},");
    static const std::regex decode_warning("data\\([0-9A-F]{8,}\\) != data_end\\([0-9A-F]{8,}\\)");
    std::string masked = std::regex_replace(out, shape_trace, "read_shape_from_buffer(@, @,");
    return std::regex_replace(masked, decode_warning, "data(@) != data_end(@)");
}

std::string shape_trace(std::size_t size, int index, int count)
{
    return "read_shape_from_buffer(@, @, " + std::to_string(size) + ", " + std::to_string(index) + ")\n" +
           "read_shape_from_buffer " + std::to_string(index) + " " + std::to_string(count) + "\n";
}

class GlimmetRun : public testing::TestWithParam<std::optional<std::string>> {
protected:
    const std::optional<std::string>& lang() const { return GetParam(); }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, lang()); }

    void write_font_file(const std::string& name, const Bytes& bytes) const
    {
        write_file_bytes(dir.file(name), to_string(bytes));
    }

    void write_standard_fonts(const std::string& name = "FONTS.VGA") const
    {
        write_font_file(name, build_flex({FONT_0, {}, FONT_2}, font_header()));
    }

    // Runs, checks the printed bytes (addresses masked), an empty standard
    // error and the status.
    void expect_run(const std::vector<std::string>& args, const std::string& printed, int status) const
    {
        const RunResult r = run_program("glimmet", args, dir.path(), lang());
        EXPECT_EQ(mask_addresses(r.out), console(printed));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, status);
    }

    TempDir dir;
};

std::string standard_dump(const std::string& font_file)
{
    const std::size_t font_0_offset = 128 + 3 * 8;
    return "filename = " + font_file + "\n" + "title  = [Ultima VII font file]\n" + HEADER_WORDS +
           "count  = 00000003(3)\n" + "magic2 = 000000CC\n" + RESERVED_WORDS + "[00] offset=" + hex8(font_0_offset) +
           " size=" + hex8(FONT_0.size()) + " count=00000003\n\n" + FONT_0_GLYPHS +
           "[01] offset=00000000 size=00000000\n\n" + "[02] offset=" + hex8(font_0_offset + FONT_0.size()) +
           " size=" + hex8(FONT_2.size()) + " count=00000001\n\n" + FONT_2_GLYPHS;
}

const std::string STANDARD_OUT = shape_trace(FONT_0.size(), 0, 3) + shape_trace(FONT_2.size(), 2, 1) +
                                 "used color list = ( 0x00(1) 0x01(1) 0x02(1) 0x05(1) 0x09(1) )\n" +
                                 "used color list = ( 0x10(1) 0x20(1) 0x30(1) )\n";

TEST_P(GlimmetRun, WithoutArgumentsDumpsFontsVgaToFontsVgaTxt)
{
    write_standard_fonts();
    expect_run({}, STANDARD_OUT, 0);
    EXPECT_EQ(read_text_output(dir.file("fonts.vga.txt")), standard_dump("FONTS.VGA"));
}

TEST_P(GlimmetRun, TheFontFileAndTheDumpFileCanBeNamed)
{
    write_standard_fonts("my fonts.vga");
    write_file_bytes(dir.file("out.txt"), "an earlier dump that is longer than nothing\n");
    expect_run({"--dump", "other.txt", "my fonts.vga", "--dump", "out.txt"}, STANDARD_OUT, 0);
    EXPECT_EQ(read_text_output(dir.file("out.txt")), standard_dump("my fonts.vga"));
    EXPECT_FALSE(file_exists(dir.file("other.txt")));
    EXPECT_FALSE(file_exists(dir.file("fonts.vga.txt")));
}

TEST_P(GlimmetRun, AnArchiveWithoutEntriesGivesTheHeaderLinesAlone)
{
    FlexHeader header = font_header();
    header.title = std::string(80, 'X');
    write_font_file("FONTS.VGA", build_flex({}, header));
    expect_run({}, "", 0);
    EXPECT_EQ(read_text_output(dir.file("fonts.vga.txt")),
              "filename = FONTS.VGA\ntitle  = [" + std::string(50, 'X') + "]\n" + HEADER_WORDS +
                  "count  = 00000000(0)\nmagic2 = 000000CC\n" + RESERVED_WORDS);
}

TEST_P(GlimmetRun, HelpVersionAndCommandLineErrorsEndWithStatus1)
{
    expect_run({"-?"}, USAGE, 1);
    expect_run({"--help", "--bogus"}, USAGE, 1);
    expect_run({"--bogus", "--help"}, "ERROR: 不正なオプションです: --bogus\n", 1);
    expect_run({"--version", "x"}, "glimmet - Ultima VII fonts file dump utility version 0.0.19\n", 1);
    expect_run({"--dumpfile", "x"}, "ERROR: 不正なオプションです: --dumpfile\n", 1);
    expect_run({"-"}, "ERROR: 不正なオプションです: -\n", 1);
    expect_run({"a.vga", "b.vga"}, "ERROR: コマンドラインパラメータが多すぎます: b.vga\n", 1);
    expect_run({"a.vga", "--dump"}, "ERROR: オプション--dumpの後にファイル名がありません\n", 1);
    EXPECT_FALSE(file_exists(dir.file("fonts.vga.txt")));
}

TEST_P(GlimmetRun, TheDumpOptionTakesTheNextArgumentWhateverItLooksLike)
{
    if (windows_programs()) GTEST_SKIP() << "\"?\" cannot be part of a Windows file name";
    write_standard_fonts();
    expect_run({"--dump", "-?"}, STANDARD_OUT, 0);
    EXPECT_EQ(read_text_output(dir.file("-?")), standard_dump("FONTS.VGA"));
}

TEST_P(GlimmetRun, ADumpFileThatIsTheFontFileIsRefused)
{
    write_standard_fonts();
    const std::string fonts = read_file_bytes(dir.file("FONTS.VGA"));
    expect_run({"--dump", "FONTS.VGA"}, "ERROR: 入力ファイルと出力ファイルが同じです: FONTS.VGA\n", 1);
    expect_run({"--dump", "./FONTS.VGA", dir.file("FONTS.VGA")},
               "ERROR: 入力ファイルと出力ファイルが同じです: ./FONTS.VGA\n", 1);
    EXPECT_EQ(read_file_bytes(dir.file("FONTS.VGA")), fonts);
}

TEST_P(GlimmetRun, AMissingFontFileIsReportedAndNoDumpIsCreated)
{
    expect_run({},
               "ERROR: 2: オープンエラー: FONTS.VGA\n"
               "ERROR: FONTS.VGA を読み込めません\n"
               "ERROR: FONTS.VGA を読み込めません\n",
               1);
    EXPECT_FALSE(file_exists(dir.file("fonts.vga.txt")));
}

TEST_P(GlimmetRun, ADumpFileThatCannotBeCreatedEndsWithStatus1)
{
    write_standard_fonts();
    expect_run({"--dump", "no such folder/dump.txt"},
               shape_trace(FONT_0.size(), 0, 3) + shape_trace(FONT_2.size(), 2, 1) +
                   "ERROR: 2: オープンエラー: no such folder/dump.txt\n",
               1);
}

TEST_P(GlimmetRun, TruncatedArchivesAndBadShapesAreRefusedBeforeAnyDump)
{
    // An entry reaching past the end of the file.
    Bytes truncated = build_flex({FONT_0}, font_header());
    truncated.pop_back();
    write_font_file("FONTS.VGA", truncated);
    expect_run({}, "ERROR: 不正なデータです: FONTS.VGA [0]\nERROR: FONTS.VGA を読み込めません\nERROR: FONTS.VGA を読み込めません\n",
               1);
    // A shape whose first frame offset leaves no room for frames.
    Bytes no_frames;
    put_le32(no_frames, 12);
    put_le32(no_frames, 4);
    put_le32(no_frames, 0);
    write_font_file("FONTS.VGA", build_flex({FONT_2, no_frames}, font_header()));
    expect_run({}, shape_trace(FONT_2.size(), 0, 1) + "read_shape_from_buffer(@, @, 12, 1)\n" +
                       "ERROR: 不正なデータです: FONTS.VGA [1]\nERROR: FONTS.VGA を読み込めません\n",
               1);
    EXPECT_FALSE(file_exists(dir.file("fonts.vga.txt")));
}

TEST_P(GlimmetRun, AFontKeptAsPlainBytesStopsTheDumpWithStatus1)
{
    Bytes damaged = FONT_2;
    damaged[0] = static_cast<std::uint8_t>(damaged[0] + 1);
    write_font_file("FONTS.VGA", build_flex({FONT_0, damaged, FONT_2}, font_header()));
    expect_run({},
               shape_trace(FONT_0.size(), 0, 3) + "read_shape_from_buffer(@, @, " + std::to_string(FONT_2.size()) +
                   ", 1)\n" + "WARNING: read_shape_from_buffer: データサイズが一致しません: " + hex8(FONT_2.size() + 1) +
                   " != " + hex8(FONT_2.size()) + " ... 破損している?\n" + shape_trace(FONT_2.size(), 2, 1) +
                   "used color list = ( 0x00(1) 0x01(1) 0x02(1) 0x05(1) 0x09(1) )\n" +
                   "ERROR: fonts.vga.txt を作成できません\n",
               1);
    const std::string dump = read_text_output(dir.file("fonts.vga.txt"));
    const std::string last_line = "[01] offset=" + hex8(152 + FONT_0.size()) + " size=" + hex8(FONT_2.size()) + "\n\n";
    ASSERT_GE(dump.size(), last_line.size());
    EXPECT_EQ(dump.substr(dump.size() - last_line.size()), last_line);
    EXPECT_NE(dump.find(FONT_0_GLYPHS), std::string::npos);
}

TEST_P(GlimmetRun, AGlyphWithTrailingBytesStopsTheDumpWithStatus1)
{
    Bytes glyph = GLYPH_B;
    glyph.push_back(0x77);
    const Bytes font = build_shape({GLYPH_B, glyph});
    write_font_file("FONTS.VGA", build_flex({font}, font_header()));
    expect_run({},
               shape_trace(font.size(), 0, 2) + "WARNING: decode_shape: データ終端が一致しません: data(@) != data_end(@)\n" +
                   "ERROR: fonts.vga.txt を作成できません\n",
               1);
    const std::string dump = read_text_output(dir.file("fonts.vga.txt"));
    EXPECT_NE(dump.find("[00][00] right=1 left=1 ascent=1 descent=1\n_ 10|20_\n    |30 \n\n"), std::string::npos);
    EXPECT_EQ(dump.find("[00][01]"), std::string::npos);
}

TEST_P(GlimmetRun, AWriteErrorOnTheDumpEndsWithStatus1)
{
    if (!file_exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    if (windows_programs()) GTEST_SKIP() << "the Windows programs have no /dev/full";
    write_standard_fonts();
    expect_run({"--dump", "/dev/full"}, STANDARD_OUT + "ERROR: /dev/full を作成できません\n", 1);
}

INSTANTIATE_TEST_SUITE_P(Lang, GlimmetRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Unset");
                         });

}  // namespace
