// End-to-end runs of u7kit fonts and u7kit preview on a font archive and a
// small Unicode BDF font written by the test, which is the oracle of every
// glyph's pixels; with a UTF-8 console and with a CP932 console.
#include "archive/u7data_utils.h"
#include "archive/u7files.h"
#include "fonts/font_sheet.h"
#include "shape/u7shape_utils.h"
#include "support/bdf_builder.h"
#include "support/cli_runner.h"
#include "support/png_read.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <set>
#include <utility>

using namespace test_builders;

namespace {

// あ stands on the baseline, い reaches one row below it; 漢 is in the map
// but not in the font.
const BdfFont SOURCE = [] {
    BdfFont font;
    font.glyphs = {
        {0x3042, {".##.", "#..#", "####", "#..#"}, 1, 0, 6},
        {0x3044, {"#.#", "#.#", ".#."}, 0, -1, 5},
    };
    return font;
}();
const std::string MAP = "; test map\nあ\t0xF4,0x30\n漢\t0xF4,0x31\nい\t0xF4,0x32\n";

// The ink of a BDF glyph at (row, column) of frame coordinates.
std::set<std::pair<int, int>> ink_of(const BdfGlyph& glyph)
{
    std::set<std::pair<int, int>> ink;
    const int top = glyph.y_offset + static_cast<int>(glyph.rows.size());
    for (std::size_t r = 0; r < glyph.rows.size(); ++r) {
        for (std::size_t c = 0; c < glyph.rows[r].size(); ++c) {
            if (glyph.rows[r][c] == '#') ink.emplace(static_cast<int>(r) - top, glyph.x_offset + static_cast<int>(c));
        }
    }
    return ink;
}

// An archive of two fonts of four English glyphs (one colour, two rows
// above the baseline) and a font between them that no recipe names; with
// a plain entry after them when asked.
Bytes game_fonts(bool with_plain_entry = false)
{
    std::vector<Bytes> english;
    for (std::uint8_t i = 0; i < 4; ++i) {
        english.push_back(build_frame(1, 0, 2, 0, {raw_span(0, -2, {9, static_cast<std::uint8_t>(9 + i)}), raw_span(0, -1, {9, 9})}));
    }
    std::vector<Bytes> entries = {build_shape(english), build_shape({build_frame(0, 0, 1, 0, {raw_span(0, -1, {3})})}),
                                  build_shape(english)};
    if (with_plain_entry) entries.push_back(bytes_of("not a font"));
    return build_flex(entries);
}

FlexArchivePtr read_raw_archive(const std::string& path)
{
    FlexArchivePtr archive;
    EXPECT_EQ(read_flexfile_with_readfunc(&archive, path.c_str(), read_data_from_buffer), 0) << path;
    return archive;
}

const Bytes& raw_bytes(const FlexArchive& archive, int index)
{
    return std::get<RawData>(archive.entries[static_cast<std::size_t>(index)].object).bytes;
}

Shape shape_of(const FlexArchive& archive, int index)
{
    const Bytes& bytes = raw_bytes(archive, index);
    EntryObject object;
    EXPECT_EQ(read_shape_from_buffer(&object, bytes.data(), static_cast<std::int32_t>(bytes.size()), index), ENTRY_SHAPE);
    return std::get<Shape>(object);
}

// A frame drawn on a 16 × 16 area with its origin at (4, 8); 255 where it
// draws nothing.
std::vector<std::uint8_t> drawn(const ShapeFrame& frame)
{
    std::vector<std::uint8_t> area(256, 0);
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    EXPECT_EQ(decode_shape(area.data(), 16, 16, 255, 4, 8, &right, &left, &ascent, &descent, frame.data.data(),
                           static_cast<std::int32_t>(frame.data.size()), nullptr),
              0);
    return area;
}

// What a glyph must look like there: plain in body, or outlined in edge.
std::vector<std::uint8_t> expected_glyph(const BdfGlyph& glyph, std::uint8_t body, int edge)
{
    std::vector<std::uint8_t> area(256, 255);
    const auto ink = ink_of(glyph);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int row = y - 8, column = x - 4;
            bool touches = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) touches = touches || ink.count({row + dy, column + dx}) != 0;
            }
            if (ink.count({row, column}) != 0) {
                area[static_cast<std::size_t>(y * 16 + x)] = body;
            } else if (edge >= 0 && touches) {
                area[static_cast<std::size_t>(y * 16 + x)] = static_cast<std::uint8_t>(edge);
            }
        }
    }
    return area;
}

class U7kitFontsRun : public testing::TestWithParam<std::optional<std::string>> {
protected:
    void SetUp() override
    {
        write("src.bdf", bdf_text(SOURCE));
        write("usecode.map", MAP);
        write("FONTS.VGA", to_string(game_fonts()));
    }
    RunResult run(const std::string& program, const std::vector<std::string>& args) const
    {
        RunResult r = run_program(program, args, dir.path(), GetParam());
        EXPECT_EQ(r.err, "");
        return r;
    }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, GetParam()); }
    std::string file(const std::string& name) const { return dir.file(name); }
    void write(const std::string& name, const std::string& bytes) const { write_file_bytes(file(name), bytes); }

    TempDir dir;
};

TEST_P(U7kitFontsRun, BuildsTheMapsGlyphsAndKeepsEverythingElse)
{
    write("fonts.recipe.txt", "; test\nFONTS.VGA:0\tsrc.bdf\t8\tplain\t5\nFONTS.VGA:2\tsrc.bdf\t8\toutline\t7,0\n");
    const RunResult r = run("u7kit", {"fonts"});
    const std::string missing = "'漢'(U+6F22、コード245)はフォントファイル src.bdf にありません\n";
    EXPECT_EQ(r.out, console("WARNING: FONTS.VGA:0: " + missing +
                             "INFORMATION: フォントFONTS.VGA:0 (FONTS.VGA [0]): src.bdf 8ピクセル plain、文字2個を作りました"
                             "(フォントファイルにない文字1個)、最大コード246\n"
                             "WARNING: FONTS.VGA:2: " + missing +
                             "INFORMATION: フォントFONTS.VGA:2 (FONTS.VGA [2]): src.bdf 8ピクセル outline、文字2個を作りました"
                             "(フォントファイルにない文字1個)、最大コード246\n"
                             "INFORMATION: fonts.vga.new を書き出しました\n"
                             "INFORMATION: 文字マップ(usecode.map)に次の行を入れてください:\n"
                             "<MAX_CODE_FONT_NORMAL>\t0xF4,0x32\n"
                             "<MAX_CODE_FONT_SUBTITLE>\t0xF4,0x32\n"
                             "<MAX_CODE_FONT_STATUS>\t0xF4,0x32\n"
                             "処理完了\n"));
    EXPECT_EQ(r.status, 0);

    const FlexArchivePtr before = read_raw_archive(file("FONTS.VGA"));
    const FlexArchivePtr after = read_raw_archive(file("fonts.vga.new"));
    ASSERT_TRUE(before && after);
    ASSERT_EQ(after->count, 3);
    EXPECT_EQ(after->title, before->title);
    EXPECT_EQ(raw_bytes(*after, 1), raw_bytes(*before, 1));
    const struct {
        int entry;
        std::uint8_t body;
        int edge;
    } fonts[] = {{0, 5, -1}, {2, 7, 0}};
    for (const auto& font : fonts) {
        SCOPED_TRACE(font.entry);
        const Shape old_font = shape_of(*before, font.entry);
        const Shape new_font = shape_of(*after, font.entry);
        ASSERT_EQ(new_font.count(), 247);
        for (std::size_t i = 0; i < 244; ++i) {
            if (i < old_font.frames.size()) {
                EXPECT_EQ(new_font.frames[i].data, old_font.frames[i].data) << i;
            } else {
                EXPECT_EQ(drawn(new_font.frames[i]), std::vector<std::uint8_t>(256, 255)) << i;
            }
        }
        EXPECT_EQ(drawn(new_font.frames[244]), expected_glyph(SOURCE.glyphs[0], font.body, font.edge));
        EXPECT_EQ(drawn(new_font.frames[245]), std::vector<std::uint8_t>(256, 255));
        EXPECT_EQ(drawn(new_font.frames[246]), expected_glyph(SOURCE.glyphs[1], font.body, font.edge));
    }

    // The font dump reads the new fonts without a fault.
    const RunResult dump = run("glimmet", {"--dump", "dump.txt", "fonts.vga.new"});
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out.find("ERROR"), std::string::npos) << dump.out;
    EXPECT_EQ(dump.out.find("WARNING"), std::string::npos) << dump.out;
}

TEST_P(U7kitFontsRun, RefusesBeforeWritingAnything)
{
    const struct {
        std::string recipe;
        std::string message;
    } cases[] = {
        {"FONTS.VGA:0\tsrc.bdf\t8\tplain\n",
         "ERROR: fonts.recipe.txt(1行目28文字目): フィールドが足りません(フォント、フォントファイル、大きさ、スタイル、色の5つ)\n"},
        {"NOPE\tsrc.bdf\t8\tplain\t5\n",
         "ERROR: fonts.recipe.txt(1行目1文字目): 不明なフォントです(フォントタグまたはアーカイブ:エントリ): NOPE\n"},
        {"SI_INTRO\tsrc.bdf\t8\tplain\t5\n", "ERROR: fonts.recipe.txt(1行目1文字目): フォント表にないフォントです: SI_INTRO\n"},
        {"FONTS.VGA:0\tsrc.bdf\t8\twavy\t5\n",
         "ERROR: fonts.recipe.txt(1行目23文字目): 不明なスタイルです(plain、outline、shadow、outline+shadow、bands、auto): wavy\n"},
        {"FONTS.VGA:0\tmissing.bdf\t8\tplain\t5\n", "ERROR: fonts.recipe.txt(1行目13文字目): フォント missing.bdf を読み込めません\n"},
        {"FONTS.VGA:0\tsrc.bdf\t12\tplain\t5\n",
         "ERROR: fonts.recipe.txt(1行目21文字目): フォント src.bdf に 12 ピクセルの大きさがありません (あるのは 8 ピクセル)\n"},
        {"FONTS.VGA:3\tsrc.bdf\t8\tplain\t5\n",
         "WARNING: read_shape_from_buffer: データサイズが一致しません: 20746F6E != 0000000A ... 破損している?\n"
         "ERROR: fonts.recipe.txt: FONTS.VGA [3] はフォントではありません\n"},
        {"FONTS.VGA:4\tsrc.bdf\t8\tplain\t5\n", "ERROR: fonts.recipe.txt: FONTS.VGA にエントリ4がありません(エントリ数4)\n"},
        {"NORMAL\tsrc.bdf\t8\tplain\t5\nFONTS.VGA:0\tsrc.bdf\t8\tplain\t5\n",
         "ERROR: fonts.recipe.txt(2行目1文字目): 同じフォントが前の行にもあります: FONTS.VGA [0]\n"},
    };
    write("FONTS.VGA", to_string(game_fonts(true)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recipe);
        write("fonts.recipe.txt", c.recipe);
        const std::vector<std::string> names = folder_names(dir.path());
        const RunResult r = run("u7kit", {"fonts", "--game", "bg"});
        EXPECT_EQ(r.out, console(c.message));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(folder_names(dir.path()), names);
    }
}

TEST_P(U7kitFontsRun, ExportWritesAStartingRecipeOnce)
{
    const RunResult r = run("u7kit", {"fonts", "--export"});
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string recipe = read_text_output(file("fonts.recipe.txt"));
    EXPECT_NE(recipe.find("\nNORMAL\t/usr/share/fonts/truetype/misaki/misaki_gothic.ttf\t8\tauto\tauto\n"), std::string::npos)
        << recipe;
    EXPECT_NE(recipe.find("\nSTATUS\t"), std::string::npos) << recipe;
    const RunResult again = run("u7kit", {"fonts", "--export"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find(console("ERROR: ファイルが既にあります(上書きしません): fonts.recipe.txt\n")), std::string::npos);
    EXPECT_EQ(read_text_output(file("fonts.recipe.txt")), recipe);
}

TEST_P(U7kitFontsRun, PreviewDrawsALineAsTheEngineDoes)
{
    write("fonts.recipe.txt", "FONTS.VGA:0\tsrc.bdf\t8\tplain\t5\n");
    ASSERT_EQ(run("u7kit", {"fonts"}).status, 0);
    std::filesystem::create_directory(file("game"));
    std::filesystem::rename(file("fonts.vga.new"), file("game/FONTS.VGA"));

    const RunResult r = run("u7kit", {"preview", "--game-dir", "game", "--width", "100", "--text", "あい漢"});
    EXPECT_EQ(r.status, 0) << r.out;
    const RgbImage image = read_png(file("preview.png"));
    // The picture, three times the game's size: a margin of 4, the line,
    // the width mark at 4 + 100.
    constexpr int SCALE = 3, MARGIN = 4, WIDTH = 100;
    ASSERT_EQ(image.width, (2 * MARGIN + WIDTH + 1) * SCALE);
    // The baseline lies the font's highest ascent (あ's 4 rows) below the
    // line's top; い's pen is あ's advance (6) on, 漢 draws nothing.
    std::set<std::pair<int, int>> ink;
    for (const auto& [row, column] : ink_of(SOURCE.glyphs[0])) ink.emplace(MARGIN + 4 + row, MARGIN + column);
    for (const auto& [row, column] : ink_of(SOURCE.glyphs[1])) ink.emplace(MARGIN + 4 + row, MARGIN + 6 + column);
    const auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 3;
        return std::array<std::uint8_t, 3>{image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
    };
    const auto background = pixel(0, 0);
    const auto body = glyph_colour(5, nullptr);
    ASSERT_NE(background, body);
    for (int y = 0; y < image.height / SCALE; ++y) {
        for (int x = 0; x < MARGIN + WIDTH; ++x) {
            const auto expected = ink.count({y, x}) != 0 ? body : background;
            for (int k = 0; k < SCALE * SCALE; ++k) {
                ASSERT_EQ(pixel(x * SCALE + k % SCALE, y * SCALE + k / SCALE), expected) << x << "," << y;
            }
        }
    }

    // Too wide for 8 pixels: named with where it came from.
    const RunResult narrow = run("u7kit", {"preview", "--game-dir", "game", "--width", "8", "--text", "あい", "-o", "narrow.png"});
    EXPECT_EQ(narrow.status, 0);
    EXPECT_NE(narrow.out.find(console("WARNING: --text(1行目): 行の幅11ピクセルが8ピクセルを超えます\n")), std::string::npos)
        << narrow.out;
    const RgbImage marked = read_png(file("narrow.png"));
    ASSERT_GT(marked.width, 0);
    // A bar in the margin beside the line.
    const std::size_t bar = static_cast<std::size_t>((MARGIN + 1) * SCALE) * static_cast<std::size_t>(marked.width) * 3;
    EXPECT_NE(std::vector<std::uint8_t>(marked.pixels.begin() + static_cast<std::ptrdiff_t>(bar),
                                        marked.pixels.begin() + static_cast<std::ptrdiff_t>(bar) + 3),
              std::vector<std::uint8_t>(background.begin(), background.end()));
}

// The translator's path for the glyphs: the map written from the
// translation, the fonts built from it, and the check against the game's
// folder finding every character's glyph (and, before the build, not).
TEST_P(U7kitFontsRun, CharmapThenFontsLeaveNoGlyphMissing)
{
    std::filesystem::remove(file("usecode.map"));
    std::filesystem::create_directory(file("game"));
    write("game/FONTS.VGA", to_string(game_fonts()));
    write("exultmsg.ja.txt", "COMMON\t1\tNORMAL\tいあ\n");
    ASSERT_EQ(run("u7kit", {"charmap", "exultmsg.ja.txt"}).status, 0);
    std::filesystem::rename(file("usecode.map.new"), file("usecode.map"));

    const RunResult before = run("u7kit", {"check", "--game-dir", "game", "exultmsg.ja.txt"});
    EXPECT_EQ(before.status, 1);
    EXPECT_NE(before.out.find(console("にありません")), std::string::npos) << before.out;

    write("fonts.recipe.txt", "NORMAL\tsrc.bdf\t8\tplain\t5\n");
    ASSERT_EQ(run("u7kit", {"fonts", "--game", "bg"}).status, 0);
    std::filesystem::rename(file("fonts.vga.new"), file("game/FONTS.VGA"));
    const RunResult after = run("u7kit", {"check", "--game-dir", "game", "exultmsg.ja.txt"});
    EXPECT_EQ(after.status, 0) << after.out;
    EXPECT_EQ(after.out.find(console("にありません")), std::string::npos) << after.out;
    EXPECT_NE(after.out.find(console("INFORMATION: 問題はありません\n")), std::string::npos) << after.out;
}

INSTANTIATE_TEST_SUITE_P(Consoles, U7kitFontsRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

}  // namespace
