// The way back from a subtitle frame to a drawing: frame 0 of a subtitle
// shape decoded, its game colours taken to the subtitle palette's indices,
// and written as a BMP that sibrel_bmp reads back to the same frame.
#include "subtitle/subtitle_frames.h"

#include "bitmap/bitmap.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "shape/u7shape_utils.h"

namespace {

// The subtitle palette's indices an exported image uses.
constexpr std::uint8_t INDEX_BACKGROUND = 0;
constexpr std::uint8_t INDEX_TEXT = 1;
constexpr std::uint8_t INDEX_OUTLINE = 2;

int squared_distance(const RgbPalette& palette, std::uint8_t a, std::uint8_t b)
{
    int sum = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        const int d = palette[a * 3u + k] - palette[b * 3u + k];
        sum += d * d;
    }
    return sum;
}

}  // namespace

std::uint8_t subtitle_index_of(std::uint8_t game_colour, const RgbPalette* palette, bool* other)
{
    *other = false;
    if (game_colour == SUBTITLE_TRANSPARENT) return INDEX_BACKGROUND;
    if (game_colour == SUBTITLE_TEXT_COLOUR) return INDEX_TEXT;
    if (game_colour == SUBTITLE_OUTLINE_COLOUR) return INDEX_OUTLINE;
    *other = true;
    if (palette == nullptr) return INDEX_OUTLINE;
    // A drawn pixel stays drawn: it becomes text or outline, never background.
    return squared_distance(*palette, game_colour, SUBTITLE_TEXT_COLOUR) <
                   squared_distance(*palette, game_colour, SUBTITLE_OUTLINE_COLOUR)
               ? INDEX_TEXT
               : INDEX_OUTLINE;
}

int export_subtitle_frame(const Shape& shape, int entry, const RgbPalette* palette, SubtitleExport& result)
{
    if (shape.frames.empty()) return -1;
    const ShapeFrame& frame = shape.frames[0];
    std::vector<std::uint8_t> game_pixels(SUBTITLE_PIXELS);
    if (decode_subtitle_frame(frame, game_pixels.data()) != 0) {
        console_printf("ERROR: 字幕画像を展開できません: [%d]\n", entry);
        return -1;
    }
    result.indices.resize(SUBTITLE_PIXELS);
    result.other_colours = 0;
    for (std::size_t i = 0; i < SUBTITLE_PIXELS; ++i) {
        bool other = false;
        result.indices[i] = subtitle_index_of(game_pixels[i], palette, &other);
        if (other) ++result.other_colours;
    }
    return 0;
}

int write_subtitle_bmp_to_stream(std::FILE* stream, const std::vector<std::uint8_t>& indices)
{
    BitmapHeader header;
    if (indices.size() != SUBTITLE_PIXELS || init_bitmap_header(&header, SUBTITLE_WIDTH, SUBTITLE_HEIGHT, 8) != 0) {
        return -1;
    }
    // sibrel_bmp's colours in the first 16 entries, black behind them.
    std::vector<std::uint8_t> palette(256 * 4, 0);
    for (std::size_t i = 0; i < DEFAULT_SUBTITLE_PALETTE.size(); ++i) palette[i] = DEFAULT_SUBTITLE_PALETTE[i];
    return write_bitmap(stream, &header, palette, indices);
}

int write_subtitle_bmp(const char* path, const std::vector<std::uint8_t>& indices)
{
    return write_whole_file(path, [&](std::FILE* stream) { return write_subtitle_bmp_to_stream(stream, indices); });
}
