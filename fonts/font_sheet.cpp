// The font sheet: every glyph of every font of a font archive drawn on one
// image, a grid per font headed with its entry and the font tags the font
// table gives it, each glyph at its origin and baseline under its code in
// hex, labelled with a tiny pixel font of our own.  Cells are as large as
// the glyphs' drawn pixels, whatever extents their frames claim, and a
// sheet larger than FONT_SHEET_MAX_PIXELS is refused before it is drawn.
#include "fonts/font_sheet.h"

#include "fonts/font_table.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <cstdio>
#include <variant>

namespace {

// The decode canvas: 256 × 256, the origin in the middle; 0xFF where the
// glyph does not reach.
constexpr int CANVAS_SIZE = 256;
constexpr int CANVAS_ORIGIN = 128;
constexpr std::uint8_t UNCOVERED = 0xFF;

// Sheet geometry, in unscaled pixels.
constexpr int MARGIN = 2;
constexpr int TITLE_HEIGHT = 8;      // "FONT nn" and a gap
constexpr int LABEL_HEIGHT = 6;      // two hex digits and a gap
constexpr int LABEL_WIDTH = 7;       // 3 + 1 + 3
constexpr int CELL_PAD = 1;
constexpr int BLOCK_GAP = 4;

using Rgb = std::array<std::uint8_t, 3>;
constexpr Rgb PAGE = {255, 255, 255};
constexpr Rgb GRID = {160, 160, 160};
constexpr Rgb CELL = {232, 232, 232};
constexpr Rgb GUIDE = {200, 208, 224};  // baseline row and origin column
constexpr Rgb INK = {0, 0, 0};
constexpr Rgb FAILED = {224, 0, 0};

// 3 × 5 digits and the letters of "FONT" and of the font tags, one row of
// three bits a line.
struct TinyGlyph {
    char character;
    std::array<std::uint8_t, 5> rows;
};
constexpr TinyGlyph TINY_FONT[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'O', {2, 5, 5, 5, 2}}, {'N', {5, 7, 7, 7, 5}}, {'T', {7, 2, 2, 2, 2}}, {'G', {3, 4, 5, 5, 3}},
    {'H', {5, 5, 7, 5, 5}}, {'I', {7, 2, 2, 2, 7}}, {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}},
    {'M', {5, 7, 5, 5, 5}}, {'P', {6, 5, 6, 4, 4}}, {'R', {6, 5, 6, 5, 5}}, {'S', {3, 4, 2, 1, 6}},
    {'U', {5, 5, 5, 5, 7}}, {'_', {0, 0, 0, 0, 7}},
};
constexpr int TINY_ADVANCE = 4;

// One glyph decoded and cut to the box of its drawn pixels, widened to
// hold its origin.
struct DecodedGlyph {
    bool decoded = false;
    int left = 0;
    int right = 0;
    int ascent = 0;
    int descent = 0;
    std::vector<std::uint8_t> pixels;  // (left + right) × (ascent + descent)
};

struct DecodedFont {
    int entry = 0;
    std::string title;  // "FONT nn" and the font's tags
    std::vector<DecodedGlyph> glyphs;
    int left = 0;
    int right = 0;
    int ascent = 0;
    int descent = 0;
    int cell_width = 0;
    int cell_height = 0;
    int columns = 0;
    int rows = 0;
    int block_width() const
    {
        return std::max({columns * (cell_width + 1) + 1, 4 * 4 * 2, static_cast<int>(title.size()) * TINY_ADVANCE});
    }
    int block_height() const { return TITLE_HEIGHT + rows * (cell_height + 1) + 1; }
};

// The canvas holds UNCOVERED everywhere between two glyphs: a decode only
// writes its drawn box, which is cleared again after it.
DecodedGlyph decode_glyph(const ShapeFrame& frame, std::vector<std::uint8_t>& canvas)
{
    DecodedGlyph glyph;
    if (frame.data.empty()) return glyph;
    std::int32_t right = 0;
    std::int32_t left = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    ShapeDrawnBox box;
    if (decode_shape_onto(canvas.data(), CANVAS_SIZE, CANVAS_SIZE, UNCOVERED, CANVAS_ORIGIN, CANVAS_ORIGIN, &right, &left,
                          &ascent, &descent, frame.data.data(), static_cast<std::int32_t>(frame.size()), nullptr,
                          &box) != 0) {
        std::fill(canvas.begin(), canvas.end(), UNCOVERED);
        return glyph;
    }
    glyph.decoded = true;
    if (box.top <= box.bottom && box.left <= box.right) {
        glyph.left = std::max(0, CANVAS_ORIGIN - static_cast<int>(box.left));
        glyph.right = std::max(0, static_cast<int>(box.right) + 1 - CANVAS_ORIGIN);
        glyph.ascent = std::max(0, CANVAS_ORIGIN - static_cast<int>(box.top));
        glyph.descent = std::max(0, static_cast<int>(box.bottom) + 1 - CANVAS_ORIGIN);
    }
    const int width = glyph.left + glyph.right;
    const int height = glyph.ascent + glyph.descent;
    glyph.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        auto* row = canvas.data() + static_cast<std::size_t>((CANVAS_ORIGIN - glyph.ascent + y) * CANVAS_SIZE +
                                                             (CANVAS_ORIGIN - glyph.left));
        std::copy(row, row + width, glyph.pixels.begin() + static_cast<std::ptrdiff_t>(y * width));
        std::fill(row, row + width, UNCOVERED);
    }
    return glyph;
}

// Decodes the glyphs of a font while the pixels kept stay within budget
// (unscaled pixels; every glyph's box lies inside its cell, so a font whose
// boxes overrun it would overrun the sheet).  False when they did not.
bool decode_font(int entry, const Shape& shape, std::vector<std::uint8_t>& canvas, const std::string& tags,
                 std::int64_t& budget, DecodedFont& font)
{
    font.entry = entry;
    char title[16];
    std::snprintf(title, sizeof title, "FONT %02d", entry);
    font.title = title;
    if (!tags.empty()) font.title += " " + tags;
    for (const ShapeFrame& frame : shape.frames) {
        font.glyphs.push_back(decode_glyph(frame, canvas));
        const DecodedGlyph& glyph = font.glyphs.back();
        budget -= static_cast<std::int64_t>(glyph.pixels.size());
        if (budget < 0) return false;
        font.left = std::max(font.left, glyph.left);
        font.right = std::max(font.right, glyph.right);
        font.ascent = std::max(font.ascent, glyph.ascent);
        font.descent = std::max(font.descent, glyph.descent);
    }
    const int glyph_width = std::max(font.left + font.right, 1);
    const int glyph_height = std::max(font.ascent + font.descent, 1);
    font.cell_width = std::max(glyph_width, LABEL_WIDTH) + 2 * CELL_PAD;
    font.cell_height = LABEL_HEIGHT + glyph_height + 2 * CELL_PAD;
    const int count = static_cast<int>(font.glyphs.size());
    font.columns = std::min(count, FONT_SHEET_COLUMNS);
    font.rows = (count + FONT_SHEET_COLUMNS - 1) / FONT_SHEET_COLUMNS;
    return true;
}

// Draws in unscaled coordinates onto the scaled image.
struct Canvas {
    RgbImage& image;

    void put(int x, int y, const Rgb& colour)
    {
        for (int dy = 0; dy < FONT_SHEET_SCALE; ++dy) {
            auto* pixel = image.pixels.data() +
                          (static_cast<std::size_t>(y * FONT_SHEET_SCALE + dy) * static_cast<std::size_t>(image.width) +
                           static_cast<std::size_t>(x * FONT_SHEET_SCALE)) * 3;
            for (int dx = 0; dx < FONT_SHEET_SCALE; ++dx, pixel += 3) std::copy(colour.begin(), colour.end(), pixel);
        }
    }
    void fill(int x, int y, int width, int height, const Rgb& colour)
    {
        for (int r = y; r < y + height; ++r) {
            for (int c = x; c < x + width; ++c) put(c, r, colour);
        }
    }
    void text(int x, int y, const char* characters, const Rgb& colour)
    {
        for (; *characters != '\0'; ++characters, x += TINY_ADVANCE) {
            for (const TinyGlyph& tiny : TINY_FONT) {
                if (tiny.character != *characters) continue;
                for (int r = 0; r < 5; ++r) {
                    for (int c = 0; c < 3; ++c) {
                        if ((tiny.rows[static_cast<std::size_t>(r)] >> (2 - c) & 1) != 0) put(x + c, y + r, colour);
                    }
                }
            }
        }
    }
};

void draw_font(Canvas& canvas, const DecodedFont& font, int top, const RgbPalette* palette, FontSheet& sheet)
{
    canvas.text(MARGIN, top + 1, font.title.c_str(), INK);
    const int grid_top = top + TITLE_HEIGHT;
    canvas.fill(MARGIN, grid_top, font.columns * (font.cell_width + 1) + 1, font.rows * (font.cell_height + 1) + 1, GRID);
    for (std::size_t j = 0; j < font.glyphs.size(); ++j) {
        const DecodedGlyph& glyph = font.glyphs[j];
        const int column = static_cast<int>(j) % FONT_SHEET_COLUMNS;
        const int row = static_cast<int>(j) / FONT_SHEET_COLUMNS;
        const int x = MARGIN + 1 + column * (font.cell_width + 1);
        const int y = grid_top + 1 + row * (font.cell_height + 1);
        canvas.fill(x, y, font.cell_width, font.cell_height, CELL);
        char code[8];
        std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(j & 0xFF));
        canvas.text(x + CELL_PAD, y + CELL_PAD, code, glyph.decoded ? INK : FAILED);
        const int area_x = x + CELL_PAD;
        const int area_y = y + CELL_PAD + LABEL_HEIGHT;
        const int area_width = font.cell_width - 2 * CELL_PAD;
        const int area_height = font.cell_height - 2 * CELL_PAD - LABEL_HEIGHT;
        const int origin_x = area_x + font.left;
        const int origin_y = area_y + font.ascent;
        sheet.glyphs.push_back(GlyphPlace{font.entry, static_cast<int>(j), origin_x, origin_y, glyph.decoded});
        if (!glyph.decoded) {
            // A cross over the empty cell.
            const int size = std::min(area_width, area_height);
            for (int k = 0; k < size; ++k) {
                canvas.put(area_x + k, area_y + k, FAILED);
                canvas.put(area_x + size - 1 - k, area_y + k, FAILED);
            }
            ++sheet.failed_glyphs;
            continue;
        }
        canvas.fill(area_x, origin_y, area_width, 1, GUIDE);
        canvas.fill(origin_x, area_y, 1, area_height, GUIDE);
        const int width = glyph.left + glyph.right;
        for (int r = 0; r < glyph.ascent + glyph.descent; ++r) {
            for (int c = 0; c < width; ++c) {
                const std::uint8_t index = glyph.pixels[static_cast<std::size_t>(r * width + c)];
                if (index == UNCOVERED) continue;
                canvas.put(origin_x - glyph.left + c, origin_y - glyph.ascent + r, glyph_colour(index, palette));
            }
        }
    }
}

}  // namespace

std::array<std::uint8_t, 3> glyph_colour(std::uint8_t index, const RgbPalette* palette)
{
    if (palette != nullptr) {
        const std::size_t at = static_cast<std::size_t>(index) * 3;
        return {(*palette)[at], (*palette)[at + 1], (*palette)[at + 2]};
    }
    if (index == 0) return INK;
    // Steps that are prime to 200 send neighbouring indices far apart.
    return {static_cast<std::uint8_t>(index * 53 % 200), static_cast<std::uint8_t>((index * 97 + 60) % 200),
            static_cast<std::uint8_t>((index * 151 + 120) % 200)};
}

FontHeadings font_sheet_headings(const FontTable& table, const std::string& font_file, const FlexArchive& archive)
{
    FontHeadings headings;
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        std::string names;
        for (const FontTag tag : font_tags_of_entry(table, font_file, static_cast<int>(i))) {
            names += names.empty() ? "" : " ";
            names += font_tag_name(tag);
        }
        if (!names.empty()) headings[static_cast<int>(i)] = names;
    }
    return headings;
}

FontSheet render_font_sheet(const FlexArchive& archive, const RgbPalette* palette, const FontHeadings& headings)
{
    FontSheet sheet;
    constexpr std::int64_t SCALED = FONT_SHEET_SCALE * FONT_SHEET_SCALE;
    std::int64_t budget = FONT_SHEET_MAX_PIXELS / SCALED;
    std::vector<std::uint8_t> canvas(static_cast<std::size_t>(CANVAS_SIZE * CANVAS_SIZE), UNCOVERED);
    std::vector<DecodedFont> fonts;
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const FlexEntry& entry = archive.entries[i];
        const Shape* shape = std::get_if<Shape>(&entry.object);
        if (entry.empty() || shape == nullptr || shape->frames.empty()) continue;
        const auto heading = headings.find(static_cast<int>(i));
        fonts.emplace_back();
        if (!decode_font(static_cast<int>(i), *shape, canvas, heading != headings.end() ? heading->second : "", budget,
                         fonts.back())) {
            sheet.too_large = true;
            return sheet;
        }
    }
    // A block is at most 16 cells of at most 258 pixels (or its title)
    // across, so only the height can grow large.
    int width = 4 * 4 * 2;
    std::int64_t height = MARGIN;
    for (const DecodedFont& font : fonts) {
        width = std::max(width, font.block_width());
        height += font.block_height() + BLOCK_GAP;
    }
    width += 2 * MARGIN;
    height += MARGIN;
    if (static_cast<std::int64_t>(width) * height * SCALED > FONT_SHEET_MAX_PIXELS) {
        sheet.too_large = true;
        return sheet;
    }

    sheet.fonts = static_cast<int>(fonts.size());
    sheet.image.width = width * FONT_SHEET_SCALE;
    sheet.image.height = static_cast<int>(height) * FONT_SHEET_SCALE;
    sheet.image.pixels.assign(static_cast<std::size_t>(sheet.image.width) * static_cast<std::size_t>(sheet.image.height) * 3,
                              PAGE[0]);
    Canvas drawing{sheet.image};
    int top = MARGIN;
    for (const DecodedFont& font : fonts) {
        draw_font(drawing, font, top, palette, sheet);
        top += font.block_height() + BLOCK_GAP;
    }
    return sheet;
}
