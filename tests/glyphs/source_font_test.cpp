#include "glyphs/source_font.h"

#include "support/bdf_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace test_builders;

namespace {

// "あ" in a Unicode font and in a JIS X 0208 one (row 4, cell 2).
const BdfGlyph HIRAGANA_A = {0x3042, {".#..#", "#####", ".#.#.", "#.##.", "##.#."}, 1, 0, 7};
const BdfGlyph DESCENDER = {0x3050, {"##", "#.", "#.", "##"}, 0, -2, 3};
const BdfGlyph LEFT_OF_PEN = {0x30A2, {"###", "..#"}, -1, 3, 4};
const BdfGlyph WIDE = {0x4E9C, {"##########", "#........#"}, 0, 2, 11};  // a row of two bytes

std::string write_font(const TempDir& dir, const std::string& name, const BdfFont& font)
{
    const std::string path = dir.file(name);
    write_file_bytes(path, bdf_text(font));
    return path;
}

void expect_glyph_is(const MonoGlyph& glyph, const BdfGlyph& source)
{
    const auto rows = static_cast<std::int32_t>(source.rows.size());
    ASSERT_EQ(glyph.rows, rows);
    ASSERT_EQ(glyph.width, static_cast<std::int32_t>(source.rows[0].size()));
    EXPECT_EQ(glyph.left, source.x_offset);
    EXPECT_EQ(glyph.top, rows + source.y_offset);
    EXPECT_EQ(glyph.advance, source.advance);
    for (std::int32_t r = 0; r < glyph.rows; ++r) {
        std::string row;
        for (std::int32_t c = 0; c < glyph.width; ++c) row += glyph.inked(r, c) ? '#' : '.';
        EXPECT_EQ(row, source.rows[static_cast<std::size_t>(r)]) << "row " << r;
    }
}

TEST(SourceFont, UnicodeBdfGivesEveryBitmapExactlyWithItsPlacement)
{
    TempDir dir;
    BdfFont bdf;
    bdf.glyphs = {HIRAGANA_A, DESCENDER, LEFT_OF_PEN, WIDE};
    SourceFontOpening opening = open_source_font(write_font(dir, "u.bdf", bdf), 8);
    ASSERT_TRUE(opening.font) << opening.error->message;
    EXPECT_TRUE(opening.font->bitmap);
    EXPECT_FALSE(opening.font->jis);
    for (const BdfGlyph& source : bdf.glyphs) {
        SCOPED_TRACE(source.encoding);
        const std::optional<MonoGlyph> glyph = source_glyph(*opening.font, source.encoding);
        ASSERT_TRUE(glyph);
        expect_glyph_is(*glyph, source);
    }
    EXPECT_FALSE(source_glyph(*opening.font, U'い'));
}

TEST(SourceFont, JisBdfIsLookedUpByUnicodeThroughTheJisCode)
{
    TempDir dir;
    BdfFont bdf;
    bdf.registry = "JISX0208.1983";
    bdf.encoding = "0";
    BdfGlyph a = HIRAGANA_A;
    a.encoding = 0x2422;
    BdfGlyph kanji = WIDE;  // "亜": row 16, cell 1
    kanji.encoding = 0x3021;
    BdfGlyph last = DESCENDER;  // "熙": row 84, cell 6, the last kanji
    last.encoding = 0x7426;
    bdf.glyphs = {a, kanji, last};
    SourceFontOpening opening = open_source_font(write_font(dir, "j.bdf", bdf), 8);
    ASSERT_TRUE(opening.font) << opening.error->message;
    EXPECT_TRUE(opening.font->jis);

    const char32_t characters[] = {U'あ', U'亜', U'熙', U'い', U'A', U'ｱ'};
    const GlyphIndices found = source_glyph_indices(*opening.font, characters);
    ASSERT_FALSE(found.error);
    ASSERT_EQ(found.indices.size(), 6u);
    EXPECT_NE(found.indices[0], 0u);
    EXPECT_NE(found.indices[1], 0u);
    EXPECT_NE(found.indices[2], 0u);
    EXPECT_EQ(found.indices[3], 0u);  // not in the font
    EXPECT_EQ(found.indices[4], 0u);  // ASCII has no JIS X 0208 code
    EXPECT_EQ(found.indices[5], 0u);  // nor has half-width katakana

    const std::optional<MonoGlyph> glyph_a = render_source_glyph(*opening.font, found.indices[0]);
    ASSERT_TRUE(glyph_a);
    expect_glyph_is(*glyph_a, a);
    const std::optional<MonoGlyph> glyph_last = source_glyph(*opening.font, U'熙');
    ASSERT_TRUE(glyph_last);
    expect_glyph_is(*glyph_last, last);
}

TEST(SourceFont, ShiftJisBytesBecomeJisRowAndCell)
{
    struct Case {
        std::uint8_t lead, trail;
        std::uint16_t jis;
    };
    const Case cases[] = {
        {0x81, 0x40, 0x2121},  // row 1 cell 1
        {0x81, 0x7E, 0x215F},  // cell 63, the last before the gap at 0x7F
        {0x81, 0x80, 0x2160},  // cell 64, the first after it
        {0x81, 0x9E, 0x217E},  // cell 94 of the odd row
        {0x81, 0x9F, 0x2221},  // cell 1 of the even row
        {0x82, 0xA0, 0x2422},  // あ
        {0x88, 0x9F, 0x3021},  // 亜
        {0x9F, 0xFC, 0x5E7E},  // the last code before the gap in lead bytes
        {0xE0, 0x40, 0x5F21},  // the first after it
        {0xEA, 0xA4, 0x7426},  // 熙
        {0xEA, 0xFC, 0x747E},  // row 84, the last of JIS X 0208
        {0xEB, 0x40, 0},       // row 85
        {0xED, 0x40, 0},       // vendor extensions (row 89): no JIS X 0208 code
        {0xF0, 0x40, 0},       // nor has the user-defined area
        {0x81, 0x7F, 0},
        {0x81, 0xFD, 0},
        {0x80, 0x40, 0},
        {0xA0, 0x40, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jis_code_of_shift_jis(c.lead, c.trail), c.jis) << std::hex << int{c.lead} << " " << int{c.trail};
    }
}

TEST(SourceFont, FaultsAreRefusedWithAMessageNamingTheFont)
{
    TempDir dir;
    BdfFont bdf;
    bdf.glyphs = {HIRAGANA_A};
    const std::string font = write_font(dir, "u.bdf", bdf);
    write_file_bytes(dir.file("junk.bdf"), "STARTFONT nonsense\n");
    bdf.registry = "KSC5601.1987";
    bdf.encoding = "0";
    const std::string korean = write_font(dir, "k.bdf", bdf);
    struct Case {
        std::string path;
        std::int32_t size;
        SourceFontFault fault;
        std::string message;
    };
    const Case cases[] = {
        {dir.file("none.bdf"), 8, SourceFontFault::unreadable,
         "ERROR: フォント " + dir.file("none.bdf") + " を読み込めません\n"},
        {dir.file("junk.bdf"), 8, SourceFontFault::unreadable,
         "ERROR: フォント " + dir.file("junk.bdf") + " を読み込めません\n"},
        {font, 12, SourceFontFault::no_such_size,
         "ERROR: フォント " + font + " に 12 ピクセルの大きさがありません (あるのは 8 ピクセル)\n"},
        {font + "#1", 8, SourceFontFault::no_such_face,
         "ERROR: フォント " + font + "#1 に書体 #1 がありません (書体の数: 1)\n"},
        {korean, 8, SourceFontFault::no_charmap,
         "ERROR: フォント " + korean + " の文字コード KSC5601.1987-0 には対応していません\n"},
    };
    for (const Case& c : cases) {
        const SourceFontOpening opening = open_source_font(c.path, c.size);
        ASSERT_FALSE(opening.font) << c.path;
        ASSERT_TRUE(opening.error);
        EXPECT_EQ(opening.error->fault, c.fault);
        EXPECT_EQ(opening.error->message, c.message);
    }
    // "#0" names the first face.
    EXPECT_TRUE(open_source_font(font + "#0", 8).font);
}

}  // namespace
