// The font sheet: every glyph drawn where the sheet says, in the colours
// the decoder gives it (the end-to-end test reads the written PNG back and
// compares it with this drawing), and a failed write leaving no file.
#include "tools/u7kit/u7kit.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"
#include "fonts/font_table.h"
#include "shape/u7shape_utils.h"

#include <gtest/gtest.h>

using namespace test_builders;

namespace {

Bytes font_archive()
{
    Bytes broken = build_frame(1, 0, 2, 0, {raw_span(0, -2, {5})});
    broken.resize(broken.size() - 1);  // end marker cut
    const Bytes font_a = build_shape({
        build_frame(2, 1, 3, 1, {raw_span(-1, -3, {1, 2, 3}), encoded_span(-1, 0, 3, {repeat_run(3, 0)})}),
        build_frame(0, 0, 0, 0, {}),
        broken,
        build_frame(4, 0, 5, 2, {raw_span(0, -5, {200, 201, 202, 203}), raw_span(3, 1, {255, 17})}),
    });
    const Bytes font_b = build_shape({build_frame(1, 1, 1, 1, {raw_span(-1, -1, {9, 9}), raw_span(-1, 0, {9, 4})})});
    return build_flex({font_a, {}, font_b});
}

FlexArchivePtr load(const Bytes& bytes)
{
    FlexArchivePtr archive;
    test_capture::begin();
    const int result = read_flexfile_with_readfunc_from_memory(&archive, bytes.data(), bytes.size(), "FONTS.VGA",
                                                               read_shape_from_buffer);
    test_capture::end();
    EXPECT_EQ(result, 0);
    return archive;
}

std::array<std::uint8_t, 3> sheet_pixel(const RgbImage& image, int x, int y)
{
    const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 3;
    return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

// Every drawn pixel of every decoded glyph, compared in every scaled
// sub-pixel with the decoder's own output.
void expect_glyphs_drawn(const FlexArchive& archive, const FontSheet& sheet, const RgbPalette* palette)
{
    constexpr int SIZE = 64;
    constexpr int ORIGIN = 32;
    for (const GlyphPlace& place : sheet.glyphs) {
        if (!place.decoded) continue;
        const Shape& shape = std::get<Shape>(archive.entries[static_cast<std::size_t>(place.font)].object);
        const ShapeFrame& frame = shape.frames[static_cast<std::size_t>(place.code)];
        std::vector<std::uint8_t> canvas(SIZE * SIZE);
        std::int32_t r = 0, l = 0, a = 0, d = 0;
        ASSERT_EQ(decode_shape(canvas.data(), SIZE, SIZE, 255, ORIGIN, ORIGIN, &r, &l, &a, &d, frame.data.data(),
                               static_cast<std::int32_t>(frame.size()), nullptr),
                  0);
        for (int y = 0; y < SIZE; ++y) {
            for (int x = 0; x < SIZE; ++x) {
                const std::uint8_t index = canvas[static_cast<std::size_t>(y * SIZE + x)];
                if (index == 255) continue;
                const int sheet_x = (place.origin_x + x - ORIGIN) * FONT_SHEET_SCALE;
                const int sheet_y = (place.origin_y + y - ORIGIN) * FONT_SHEET_SCALE;
                for (int k = 0; k < FONT_SHEET_SCALE * FONT_SHEET_SCALE; ++k) {
                    ASSERT_EQ(sheet_pixel(sheet.image, sheet_x + k % FONT_SHEET_SCALE, sheet_y + k / FONT_SHEET_SCALE),
                              glyph_colour(index, palette))
                        << "font " << place.font << " code " << place.code << " at " << x - ORIGIN << "," << y - ORIGIN;
                }
            }
        }
    }
}

TEST(FontSheet, EveryGlyphIsDrawnAtItsOriginInItsColours)
{
    const FlexArchivePtr archive = load(font_archive());
    RgbPalette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<std::uint8_t>(i * 7 + 3);
    for (const RgbPalette* colours : {static_cast<const RgbPalette*>(nullptr), static_cast<const RgbPalette*>(&palette)}) {
        const FontSheet sheet = render_font_sheet(*archive, colours);
        EXPECT_EQ(sheet.fonts, 2);
        ASSERT_EQ(sheet.glyphs.size(), 5u);
        EXPECT_EQ(sheet.failed_glyphs, 1);
        EXPECT_FALSE(sheet.glyphs[2].decoded);
        EXPECT_EQ(sheet.glyphs[4].font, 2);
        // Glyphs of one font share a baseline.
        EXPECT_EQ(sheet.glyphs[0].origin_y, sheet.glyphs[3].origin_y);
        expect_glyphs_drawn(*archive, sheet, colours);
    }
}

TEST(FontSheet, CellsAreSizedByDrawnPixelsNotClaimedExtents)
{
    // One glyph claims extents of 127/128 and draws two pixels; a thousand
    // frames draw nothing.  Once such a file took gigabytes.
    std::vector<Bytes> frames(1001, build_frame(0, 0, 0, 0, {}));
    frames[0] = build_frame(127, 128, 128, 127, {raw_span(-1, -2, {7}), raw_span(1, 0, {8})});
    const FlexArchivePtr archive = load(build_flex({build_shape(frames)}));
    const FontSheet sheet = render_font_sheet(*archive, nullptr);
    ASSERT_FALSE(sheet.too_large);
    EXPECT_EQ(sheet.glyphs.size(), 1001u);
    EXPECT_EQ(sheet.failed_glyphs, 0);
    // 63 rows of cells 9 wide (the label) and 6 + 3 + 2 high, scaled.
    EXPECT_EQ(sheet.image.width, (2 + 16 * 10 + 1 + 2) * FONT_SHEET_SCALE);
    EXPECT_EQ(sheet.image.height, (2 + 8 + 63 * 12 + 1 + 4 + 2) * FONT_SHEET_SCALE);
    expect_glyphs_drawn(*archive, sheet, nullptr);

    // Glyphs that truly draw the whole canvas make a sheet over the cap,
    // refused before anything is drawn.
    frames[0] = build_frame(127, 128, 128, 127, {raw_span(-128, -128, {1}), raw_span(127, 127, {2})});
    const FlexArchivePtr large = load(build_flex({build_shape(frames)}));
    const FontSheet refused = render_font_sheet(*large, nullptr);
    EXPECT_TRUE(refused.too_large);
    EXPECT_TRUE(refused.image.pixels.empty());
}

TEST(FontSheet, EveryTagCanHeadAGrid)
{
    // A one-glyph font, headed by each tag in turn: every character of the
    // title "FONT 00 TAG" leaves ink in its 4-pixel column of the title
    // strip (unscaled rows 3 to 7 from x = 2), so no letter is missing from
    // the sheet's pixel font.
    const FlexArchivePtr archive = load(build_flex({build_shape({build_frame(1, 0, 1, 0, {raw_span(0, -1, {9})})})}));
    for (const FontTag tag : ALL_FONT_TAGS) {
        const std::string title = std::string("FONT 00 ") + font_tag_name(tag);
        const FontSheet sheet = render_font_sheet(*archive, nullptr, {{0, font_tag_name(tag)}});
        EXPECT_GE(sheet.image.width, static_cast<int>(title.size()) * 4 * FONT_SHEET_SCALE);
        for (std::size_t k = 0; k < title.size(); ++k) {
            bool ink = false;
            for (int y = 3; y < 8; ++y) {
                for (int x = 0; x < 3; ++x) {
                    const int sheet_x = (2 + static_cast<int>(k) * 4 + x) * FONT_SHEET_SCALE;
                    ink = ink || sheet_pixel(sheet.image, sheet_x, y * FONT_SHEET_SCALE)[0] == 0;
                }
            }
            EXPECT_EQ(ink, title[k] != ' ') << title << " at " << k;
        }
    }
}

TEST(FontSheet, FixedColoursKeepNeighboursApart)
{
    for (int index = 0; index < 255; ++index) {
        const auto a = glyph_colour(static_cast<std::uint8_t>(index), nullptr);
        const auto b = glyph_colour(static_cast<std::uint8_t>(index + 1), nullptr);
        int distance = 0;
        for (std::size_t k = 0; k < 3; ++k) distance += std::abs(a[k] - b[k]);
        EXPECT_GE(distance, 60) << index;
    }
}

TEST(FontSheet, FailedWriteLeavesNoFile)
{
    const FlexArchivePtr archive = load(font_archive());
    const FontSheet sheet = render_font_sheet(*archive, nullptr);
    test_capture::begin();
    EXPECT_EQ(write_png_image("/dev/full", sheet.image), -1);
    TempDir dir;
    EXPECT_EQ(write_png_image(dir.file("missing/fonts.png").c_str(), sheet.image), -1);
    test_capture::end();
    EXPECT_FALSE(file_exists(dir.file("missing/fonts.png")));
}

}  // namespace
