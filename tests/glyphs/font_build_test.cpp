#include "glyphs/font_build.h"
#include "shape/u7shape_utils.h"

#include "support/bdf_builder.h"
#include "support/stdout_capture.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace test_builders;

namespace {

// An English glyph of random pixels, different for every code.
ShapeFrame english_frame(std::mt19937& random)
{
    std::vector<std::uint8_t> pixels(6 * 9);
    for (std::uint8_t& pixel : pixels) pixel = random() % 3 == 0 ? 255 : static_cast<std::uint8_t>(random() % 4);
    std::int32_t size = 1024;
    ShapeFrame frame;
    frame.data.resize(static_cast<std::size_t>(size));
    encode_shape(pixels.data(), 6, 9, 255, 0, 8, -1, -1, -1, -1, frame.data.data(), &size);
    frame.data.resize(static_cast<std::size_t>(size));
    return frame;
}

Shape english_font(std::size_t frames)
{
    std::mt19937 random(21);
    Shape font;
    test_capture::begin();
    for (std::size_t i = 0; i < frames; ++i) font.frames.push_back(english_frame(random));
    test_capture::end();
    return font;
}

SourceFont open_test_font(const TempDir& dir)
{
    BdfFont bdf;
    bdf.glyphs = {{0x3042, {".#.", "###", "#.#"}, 0, 0, 4}, {0x4E9C, {"####", "#..#"}, 0, -1, 5}};
    write_file_bytes(dir.file("f.bdf"), bdf_text(bdf));
    SourceFontOpening opening = open_source_font(dir.file("f.bdf"), 8);
    EXPECT_TRUE(opening.font);
    return std::move(*opening.font);
}

TEST(FontBuild, KeepsTheEnglishFramesAndPutsEachCharacterAtItsCode)
{
    TempDir dir;
    SourceFont source = open_test_font(dir);
    const Shape original = english_font(246);
    Shape font = original;
    GlyphStyle style;
    style.design = GlyphDesign::outline;
    style.colours = {2, 0, 0, {}};
    const GlyphCode codes[] = {
        {244, U'あ'}, {246, U'い'}, {300, U'亜'},
        {244, U'ア'},  // a second entry for a code: the first counts
        {100, U'x'},  // below the built range: the English frame stays
    };
    test_capture::begin();
    const FontBuild build = build_font_glyphs(font, codes, source, style, -1);
    const ShapeFrame a = encode_glyph_frame(style_glyph(*source_glyph(source, U'あ'), style), -1);
    const ShapeFrame kanji = encode_glyph_frame(style_glyph(*source_glyph(source, U'亜'), style), -1);
    test_capture::end();

    ASSERT_FALSE(build.error);
    EXPECT_EQ(build.built, 2);
    EXPECT_EQ(build.highest_code, 300);
    ASSERT_EQ(build.missing.size(), 1u);
    EXPECT_EQ(build.missing[0].code, 246);
    EXPECT_EQ(build.missing[0].character, U'い');
    ASSERT_EQ(font.frames.size(), 301u);
    for (std::size_t i = 0; i < 244; ++i) EXPECT_EQ(font.frames[i].data, original.frames[i].data) << "frame " << i;
    EXPECT_EQ(font.frames[244].data, a.data);
    EXPECT_EQ(font.frames[300].data, kanji.data);
    for (std::size_t i = 245; i < 300; ++i) EXPECT_EQ(font.frames[i].data, empty_glyph_frame().data) << "frame " << i;

    // The shape writer writes it, and the reader gives the same frames back.
    test_capture::begin();
    const std::uint32_t size = update_shape_layout(font);
    EntryObject slot = font;
    std::vector<std::uint8_t> bytes(size);
    const std::int32_t written = write_shape_to_buffer(&slot, bytes.data(), static_cast<std::int32_t>(size), 0);
    EntryObject read;
    const std::int32_t type = read_shape_from_buffer(&read, bytes.data(), static_cast<std::int32_t>(size), 0);
    test_capture::end();
    ASSERT_EQ(written, static_cast<std::int32_t>(size));
    ASSERT_EQ(type, ENTRY_SHAPE);
    const Shape& back = std::get<Shape>(read);
    ASSERT_EQ(back.frames.size(), font.frames.size());
    for (std::size_t i = 0; i < back.frames.size(); ++i) EXPECT_EQ(back.frames[i].data, font.frames[i].data);
}

TEST(FontBuild, AShortFontIsFilledWithFramesThatDrawNothing)
{
    TempDir dir;
    SourceFont source = open_test_font(dir);
    const Shape original = english_font(10);
    Shape font = original;
    const GlyphCode codes[] = {{245, U'あ'}};
    test_capture::begin();
    const FontBuild build = build_font_glyphs(font, codes, source, GlyphStyle{}, 0);
    test_capture::end();
    EXPECT_EQ(build.built, 1);
    ASSERT_EQ(font.frames.size(), 246u);
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(font.frames[i].data, original.frames[i].data);
    for (std::size_t i = 10; i < 245; ++i) EXPECT_EQ(font.frames[i].data, empty_glyph_frame().data);
    EXPECT_NE(font.frames[245].data, empty_glyph_frame().data);

    // Without a code to build, the font is only filled up to the first code.
    Shape unchanged = original;
    test_capture::begin();
    const FontBuild none = build_font_glyphs(unchanged, std::span<const GlyphCode>(), source, GlyphStyle{}, 0);
    test_capture::end();
    EXPECT_EQ(none.highest_code, 0);
    EXPECT_EQ(unchanged.frames.size(), 244u);
}

// A line drawn as the engine draws it: pen advance left + right + 1 +
// lead, every frame on the baseline three rows (the highest ascent) below
// the top, a code without a frame passed over.
TEST(FontBuild, ALineOfCodesIsDrawnAsTheEngineDrawsIt)
{
    Shape font;
    font.frames.push_back(empty_glyph_frame());
    ShapeFrame one;  // width 3; rows -2 and -1
    one.data = build_frame(2, 0, 2, 0, {raw_span(0, -2, {5, 5}), raw_span(0, -1, {5}), raw_span(2, -1, {5})});
    ShapeFrame two;  // width 3; a pixel above and one left of the origin on the baseline row
    two.data = build_frame(1, 1, 3, 1, {raw_span(0, -3, {6}), raw_span(-1, 0, {6})});
    font.frames.push_back(one);
    font.frames.push_back(two);

    IndexedImage image{11, 5, std::vector<std::uint8_t>(55, 0)};
    const std::int32_t codes[] = {1, 2, 1, 7, 1};
    const std::int32_t width = draw_code_line(image, 1, 0, font, codes, -1);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(measure_code_line(font, codes, -1), 8);
    std::vector<std::string> rows;
    for (int y = 0; y < image.height; ++y) {
        std::string row;
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t p = image.pixels[static_cast<std::size_t>(y * image.width + x)];
            row += p == 0 ? '.' : static_cast<char>('0' + p);
        }
        rows.push_back(row);
    }
    const std::vector<std::string> expected = {
        "...6.......",
        ".55..5555..",
        ".5.5.5.5.5.",
        "..6........",
        "...........",
    };
    EXPECT_EQ(rows, expected);

    // A pen beyond the picture draws nothing there and still counts.
    IndexedImage small{4, 5, std::vector<std::uint8_t>(20, 0)};
    EXPECT_EQ(draw_code_line(small, 1, 0, font, codes, -1), 8);
    EXPECT_EQ(small.pixels[static_cast<std::size_t>(1 * 4 + 1)], 5);
}

}  // namespace
