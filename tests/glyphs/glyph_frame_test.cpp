#include "glyphs/font_build.h"
#include "glyphs/glyph_frame.h"
#include "shape/u7shape_utils.h"

#include "support/bdf_builder.h"
#include "support/stdout_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace test_builders;

namespace {

constexpr std::uint8_t BODY = 3;
constexpr std::uint8_t EDGE = 7;
constexpr std::uint8_t BACKGROUND = 255;

// Frame pixels of rows top.. and columns left.. as text: 'B' body, 'E'
// edge, '.' none, a band colour as the letter of bands (20 'a', 21 'b').
std::vector<std::string> picture(const ShapeFrame& frame, int top, int rows, int left, int columns)
{
    const int side = 64, origin = 32;
    std::vector<std::uint8_t> area(side * side);
    std::int32_t r = 0, l = 0, a = 0, d = 0;
    EXPECT_EQ(decode_shape(area.data(), side, side, BACKGROUND, origin, origin, &r, &l, &a, &d, frame.data.data(),
                           static_cast<std::int32_t>(frame.data.size()), nullptr),
              0);
    std::vector<std::string> text;
    for (int y = top; y < top + rows; ++y) {
        std::string line;
        for (int x = left; x < left + columns; ++x) {
            const std::uint8_t value = area[static_cast<std::size_t>((origin + y) * side + origin + x)];
            line += value == BACKGROUND ? '.' : value == BODY ? 'B' : value == EDGE ? 'E' : char('a' + value - 20);
        }
        text.push_back(line);
    }
    return text;
}

MonoGlyph mono(const std::vector<std::string>& rows, int left, int top, int advance)
{
    MonoGlyph glyph;
    glyph.rows = static_cast<std::int32_t>(rows.size());
    glyph.width = static_cast<std::int32_t>(rows[0].size());
    glyph.left = left;
    glyph.top = top;
    glyph.advance = advance;
    for (const std::string& row : rows) {
        for (const char c : row) glyph.ink.push_back(c == '#' ? 1 : 0);
    }
    return glyph;
}

GlyphStyle style_of(GlyphDesign design)
{
    GlyphStyle style;
    style.design = design;
    style.colours.body = BODY;
    style.colours.edge = EDGE;
    return style;
}

ShapeFrame built(const MonoGlyph& glyph, const GlyphStyle& style, std::int32_t lead)
{
    test_capture::begin();
    ShapeFrame frame = encode_glyph_frame(style_glyph(glyph, style), lead);
    test_capture::end();
    return frame;
}

// A glyph read from a BDF font standing on the baseline, one empty column
// after it within its advance: rows -2..-1, columns 0..1.
TEST(GlyphFrame, EveryDesignPaintsTheSourceBitmapAndItsEdgeExactly)
{
    TempDir dir;
    BdfFont bdf;
    bdf.glyphs = {{0x3042, {"#.", "##"}, 0, 0, 3}};
    write_file_bytes(dir.file("f.bdf"), bdf_text(bdf));
    SourceFontOpening opening = open_source_font(dir.file("f.bdf"), 8);
    ASSERT_TRUE(opening.font);
    const std::optional<MonoGlyph> glyph = source_glyph(*opening.font, 0x3042);
    ASSERT_TRUE(glyph);

    // Rows -3..1, columns -1..3.
    const std::map<GlyphDesign, std::vector<std::string>> expected = {
        {GlyphDesign::plain, {".....", ".B...", ".BB..", ".....", "....."}},
        {GlyphDesign::outline, {"EEE..", "EBEE.", "EBBE.", "EEEE.", "....."}},
        {GlyphDesign::shadow, {".....", ".BE..", ".BBE.", ".EEE.", "....."}},
        {GlyphDesign::outline_shadow, {"EEEE.", "EBEEE", "EBBEE", "EEEEE", "EEEEE"}},
    };
    for (const auto& [design, art] : expected) {
        SCOPED_TRACE(glyph_design_name(design));
        EXPECT_EQ(picture(built(*glyph, style_of(design), 0), -3, 5, -1, 5), art);
    }
}

TEST(GlyphFrame, BandsColourTheBodyByFrameRowHoldingTheEndBandsBeyondTheList)
{
    GlyphStyle style = style_of(GlyphDesign::bands);
    style.colours.band_top = -1;
    style.colours.bands = {20, 21};
    const MonoGlyph glyph = mono({"##", "#.", "##", "#."}, 0, 3, 3);  // rows -3..0
    EXPECT_EQ(picture(built(glyph, style, 0), -3, 4, 0, 2), (std::vector<std::string>{"aa", "a.", "aa", "b."}));
}

TEST(GlyphFrame, ExtentsCoverThePixelsAndGiveTheSourceAdvancePlusTheDecorationInTheEngine)
{
    const MonoGlyph glyph = mono({"#.", "##", ".#"}, 1, 2, 4);  // rows -2..0, columns 1..2
    struct Case {
        GlyphDesign design;
        int extra;
        int first_column, last_column, first_row, last_row;  // of the drawn pixels
    };
    const Case cases[] = {
        {GlyphDesign::plain, 0, 1, 2, -2, 0},
        {GlyphDesign::outline, 2, 0, 3, -3, 1},
        {GlyphDesign::shadow, 1, 1, 3, -2, 1},
        {GlyphDesign::outline_shadow, 3, 0, 4, -3, 2},
    };
    for (const Case& c : cases) {
        for (const std::int32_t lead : {-2, 0, 1}) {
            SCOPED_TRACE(std::string(glyph_design_name(c.design)) + " lead " + std::to_string(lead));
            const ShapeFrame frame = built(glyph, style_of(c.design), lead);
            EXPECT_EQ(engine_advance(frame, lead), glyph.advance + c.extra);
            // The engine's inclusive box holds every pixel, with the origin.
            EXPECT_EQ(frame.left, std::max(0, -c.first_column));
            EXPECT_EQ(frame.ascent, -c.first_row);
            EXPECT_EQ(frame.descent, c.last_row);
            EXPECT_GE(frame.right, c.last_column);
            // The decoder reads the same header, widened by a row for the
            // pixels on the engine's last row.
            std::vector<std::uint8_t> area(64 * 64);
            std::int32_t r = 0, l = 0, a = 0, d = 0;
            ASSERT_EQ(decode_shape(area.data(), 64, 64, BACKGROUND, 32, 32, &r, &l, &a, &d, frame.data.data(),
                                   static_cast<std::int32_t>(frame.data.size()), nullptr),
                      0);
            EXPECT_EQ(l, frame.left);
            EXPECT_EQ(a, frame.ascent);
            EXPECT_EQ(d, c.last_row + 1);
            EXPECT_EQ(r, std::max<std::int32_t>(frame.right, c.last_column + 1));
        }
    }
}

// Two copies of a glyph drawn by the engine's rule: no pixel of one lands
// on the other, and the source's empty column stays empty between them.
TEST(GlyphFrame, GlyphsInARowNeitherOverlapNorRunTogether)
{
    const MonoGlyph glyph = mono({"###", "#.#", "###"}, 0, 3, 4);
    for (const GlyphDesign design : {GlyphDesign::plain, GlyphDesign::outline, GlyphDesign::shadow,
                                     GlyphDesign::outline_shadow}) {
        for (const std::int32_t lead : {-2, -1, 0, 1}) {
            SCOPED_TRACE(std::string(glyph_design_name(design)) + " lead " + std::to_string(lead));
            Shape font;
            font.frames.push_back(built(glyph, style_of(design), lead));
            IndexedImage one{32, 16, std::vector<std::uint8_t>(32 * 16, BACKGROUND)};
            IndexedImage two = one;
            const std::int32_t codes[] = {0, 0};
            draw_code_line(one, 2, 2, font, std::span(codes, 1), lead);
            const std::int32_t width = draw_code_line(two, 2, 2, font, codes, lead);
            const auto count = [](const IndexedImage& image) {
                return std::count_if(image.pixels.begin(), image.pixels.end(),
                                     [](std::uint8_t p) { return p != BACKGROUND; });
            };
            EXPECT_EQ(count(two), 2 * count(one));
            EXPECT_EQ(width, 2 * engine_advance(font.frames[0], lead));
            // Some column between the two glyphs' leftmost pixels is empty.
            int empty_columns = 0;
            int first = 32;
            for (int x = 0; x < 32; ++x) {
                bool any = false;
                for (int y = 0; y < 16; ++y) any = any || two.pixels[static_cast<std::size_t>(y * 32 + x)] != BACKGROUND;
                if (any) first = std::min(first, x);
                if (!any && x > first && x < first + engine_advance(font.frames[0], lead)) ++empty_columns;
            }
            EXPECT_EQ(empty_columns, 1);
        }
    }
}

// An English font drawn in each design is measured back as that design
// with its colours.
TEST(GlyphFrame, MeasuringTheEnglishGlyphsFindsTheirDesignAndColours)
{
    const std::vector<MonoGlyph> letters = {
        mono({"###", "#.#", "###", "#.#", "#.#"}, 0, 5, 4), mono({"##.", "#.#", "##.", "#.#", "##."}, 0, 5, 4),
        mono({"###", "#..", "#..", "#..", "###"}, 0, 5, 4), mono({"#", "#", "#", "#", "#", "#"}, 0, 5, 2),
        mono({"###", "###", "###"}, 0, 3, 4)};
    std::vector<GlyphStyle> styles;
    for (const GlyphDesign design : {GlyphDesign::plain, GlyphDesign::outline, GlyphDesign::shadow,
                                     GlyphDesign::outline_shadow}) {
        styles.push_back(style_of(design));
    }
    GlyphStyle bands = style_of(GlyphDesign::bands);
    bands.colours.band_top = -5;
    bands.colours.bands = {20, 20, 21, 22, 22, 23};
    styles.push_back(bands);
    for (const GlyphStyle& style : styles) {
        SCOPED_TRACE(glyph_design_name(style.design));
        Shape font;
        font.frames.push_back(empty_glyph_frame());  // frames that draw nothing count for nothing
        for (const MonoGlyph& letter : letters) font.frames.push_back(built(letter, style, 0));
        test_capture::begin();
        const std::optional<GlyphStyle> measured = measure_font_style(font);
        test_capture::end();
        ASSERT_TRUE(measured);
        EXPECT_EQ(measured->design, style.design);
        if (style.design == GlyphDesign::bands) {
            EXPECT_EQ(measured->colours.band_top, style.colours.band_top);
            EXPECT_EQ(measured->colours.bands, style.colours.bands);
        } else {
            EXPECT_EQ(measured->colours.body, BODY);
            if (style.design != GlyphDesign::plain) {
                EXPECT_EQ(measured->colours.edge, EDGE);
            }
        }
    }
    Shape blank;
    blank.frames.assign(3, empty_glyph_frame());
    EXPECT_FALSE(measure_font_style(blank));
}

TEST(GlyphFrame, DesignWordsReadAndNameEachOther)
{
    for (const GlyphDesign design : {GlyphDesign::plain, GlyphDesign::outline, GlyphDesign::shadow,
                                     GlyphDesign::outline_shadow, GlyphDesign::bands}) {
        EXPECT_EQ(parse_glyph_design(glyph_design_name(design)), design);
    }
    EXPECT_EQ(parse_glyph_design("outline+shadow"), GlyphDesign::outline_shadow);
    EXPECT_FALSE(parse_glyph_design("auto"));
    EXPECT_FALSE(parse_glyph_design("Plain"));
}

}  // namespace
