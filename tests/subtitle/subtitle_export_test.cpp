// The subtitle export: game colours to the three template colours, and the
// round trip through the reading and encoding that sibrel_bmp does.
#include "subtitle/subtitle_frames.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"
#include "shape/u7shape_utils.h"

#include <gtest/gtest.h>

using namespace test_builders;

namespace {

// A palette where colour 7 is near the text colour 11 and colour 9 near
// the outline colour 0.
RgbPalette test_palette()
{
    RgbPalette palette{};
    auto set = [&](std::size_t index, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        palette[index * 3] = r;
        palette[index * 3 + 1] = g;
        palette[index * 3 + 2] = b;
    };
    set(0, 0, 0, 0);
    set(11, 85, 255, 255);
    set(7, 90, 240, 250);
    set(9, 20, 10, 30);
    return palette;
}

TEST(SubtitleIndex, GameColoursBecomeTemplateColours)
{
    const RgbPalette palette = test_palette();
    struct Case {
        std::uint8_t colour;
        const RgbPalette* palette;
        std::uint8_t index;
        bool other;
    };
    const Case cases[] = {
        {255, nullptr, 0, false}, {11, nullptr, 1, false}, {0, nullptr, 2, false},
        {7, nullptr, 2, true},    {254, nullptr, 2, true}, {7, &palette, 1, true},
        {9, &palette, 2, true},   {11, &palette, 1, false}, {255, &palette, 0, false},
    };
    for (const Case& c : cases) {
        bool other = !c.other;
        EXPECT_EQ(subtitle_index_of(c.colour, c.palette, &other), c.index) << int{c.colour};
        EXPECT_EQ(other, c.other) << int{c.colour};
    }
}

// A frame with text, outline, a stray colour and pixels beyond the left
// edge of the origin.
Shape subtitle_shape()
{
    const Bytes frame = build_frame(
        160, 159, 0, 46,
        {raw_span(-160, 0, {0, 11, 11, 7}), encoded_span(-5, 20, 12, {repeat_run(10, 11), literal_run({0, 0})}),
         raw_span(150, 45, {11, 0, 11, 0, 11, 0, 11, 0, 11, 0})});
    Shape shape;
    shape.frames.push_back(ShapeFrame{0, 160, 159, 0, 46, frame});
    return shape;
}

TEST(SubtitleExport, ExportedImageComesBackThroughSibrelBmpUnchanged)
{
    TempDir dir;
    const Shape original = subtitle_shape();
    SubtitleExport first;
    test_capture::begin();
    ASSERT_EQ(export_subtitle_frame(original, 21, nullptr, first), 0);
    EXPECT_EQ(first.other_colours, 1u);
    const std::string path = dir.file("image.bmp");
    ASSERT_EQ(write_subtitle_bmp(path.c_str(), first.indices), 0);

    // sibrel_bmp reads the template and makes its frame of it.
    std::vector<std::uint8_t> game_pixels;
    ASSERT_EQ(read_subtitle_image(path.c_str(), DEFAULT_SUBTITLE_PALETTE, game_pixels), 0);
    Shape rebuilt = original;
    ASSERT_EQ(store_subtitle_frame(rebuilt, game_pixels, path.c_str()), 0);
    SubtitleExport second;
    ASSERT_EQ(export_subtitle_frame(rebuilt, 21, nullptr, second), 0);
    test_capture::end();

    EXPECT_EQ(second.indices, first.indices);
    EXPECT_EQ(second.other_colours, 0u);
    // The template's pixels are the original frame's, the stray colour
    // made outline.
    std::vector<std::uint8_t> decoded(SUBTITLE_PIXELS);
    std::int32_t r = 0, l = 0, a = 0, d = 0;
    ASSERT_EQ(decode_shape(decoded.data(), 320, 46, 255, 160, 0, &r, &l, &a, &d, original.frames[0].data.data(),
                           static_cast<std::int32_t>(original.frames[0].size()), nullptr),
              0);
    for (std::size_t i = 0; i < SUBTITLE_PIXELS; ++i) {
        const std::uint8_t expected = decoded[i] == 255 ? 255 : decoded[i] == 11 ? 11 : 0;
        ASSERT_EQ(game_pixels[i], expected) << i;
    }
    EXPECT_EQ(game_pixels[3], 0);  // colour 7 at (3, 0)
    EXPECT_EQ(game_pixels[1], 11);
}

TEST(SubtitleExport, DamagedFrameIsRefusedByEntry)
{
    Shape shape;
    Bytes data = build_frame(160, 159, 0, 46, {raw_span(0, 0, {11, 11})});
    data.resize(data.size() - 2);  // no end marker
    shape.frames.push_back(ShapeFrame{0, 160, 159, 0, 46, data});
    SubtitleExport result;
    test_capture::begin();
    EXPECT_EQ(export_subtitle_frame(shape, 24, nullptr, result), -1);
    const std::string out = test_capture::end();
    EXPECT_NE(out.find(test_capture::console("ERROR: 字幕画像を展開できません: [24]\n")), std::string::npos) << out;
}

}  // namespace
