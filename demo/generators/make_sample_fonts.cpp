// make_sample_fonts: writes a small font archive in the layout of the game's
// FONTS.VGA, for the glimmet demo.
//
//   make_sample_fonts [output file]      (default: FONTS.VGA)
//
// The archive holds three entries:
//   [00] a font of the five glyphs "U7 JA": 5 × 7 letters in text colour
//        0x0B, outlined all round in colour 0; the space is a glyph with a
//        width and no rows;
//   [01] an empty entry;
//   [02] a font of the digits "0123": 3 × 5 digits in colour 0x8C with a
//        shadow in colour 0 one pixel down and right.
//
// Every glyph is encoded by the library's frame encoder, and the fonts are
// written as shape entries by the archive writer, which lays out their
// frames and packs the entries.  A row's covered stretches become spans,
// run-length coded where that is shorter than the raw pixels.
//
// Before it ends with status 0 the program loads the file back with the
// archive reader and the shape reader, compares every frame's bytes and
// draws every glyph with the frame decoder, comparing it pixel by pixel
// with the bitmap it came from.  Any difference ends it with status 1.
#include "archive/u7files.h"
#include "sample_support.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t TRANSPARENT = 0xFF;
constexpr std::uint8_t OUTLINE = 0x00;
constexpr std::uint8_t LETTER_COLOUR = 0x0B;
constexpr std::uint8_t DIGIT_COLOUR = 0x8C;

// A glyph of the built-in bitmap fonts: its character and rows of "#" (ink)
// and "." (none).
struct Bitmap {
    char character;
    std::vector<std::string> rows;
};

const std::vector<Bitmap> letter_bitmaps = {
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {' ', {}},
    {'J', {"..###", "...#.", "...#.", "...#.", "#..#.", "#..#.", ".##.."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
};

const std::vector<Bitmap> digit_bitmaps = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###", "..#", "###", "#..", "###"}},
    {'3', {"###", "..#", ".##", "..#", "###"}},
};

// A glyph's picture: width × (ascent + descent) pixels, row 0 at ascent rows
// above the origin, column 0 at the origin.  The width is the stored right
// extent (a space has one but no rows).
struct Glyph {
    char character = ' ';
    int width = 0;
    int ascent = 0;
    int descent = 0;
    std::vector<std::uint8_t> pixels;

    int height() const { return ascent + descent; }
    std::uint8_t at(int column, int row) const
    {
        return pixels[static_cast<std::size_t>(row * width + column)];
    }
    void set(int column, int row, std::uint8_t colour)
    {
        pixels[static_cast<std::size_t>(row * width + column)] = colour;
    }
};

int bitmap_width(const Bitmap& bitmap)
{
    return bitmap.rows.empty() ? 0 : static_cast<int>(bitmap.rows[0].size());
}

bool ink(const Bitmap& bitmap, int column, int row)
{
    if (row < 0 || row >= static_cast<int>(bitmap.rows.size())) return false;
    const std::string& line = bitmap.rows[static_cast<std::size_t>(row)];
    return column >= 0 && column < static_cast<int>(line.size()) && line[static_cast<std::size_t>(column)] == '#';
}

// The letter inked in the text colour, one pixel of outline all round it:
// every uninked pixel next to ink (diagonals too) gets the outline colour.
// The bottom outline row lies on the baseline.
Glyph outlined_glyph(const Bitmap& bitmap, int space_width)
{
    Glyph glyph;
    glyph.character = bitmap.character;
    if (bitmap.rows.empty()) {
        glyph.width = space_width;
        return glyph;
    }
    glyph.width = bitmap_width(bitmap) + 2;
    glyph.ascent = static_cast<int>(bitmap.rows.size()) + 1;
    glyph.descent = 1;
    glyph.pixels.assign(static_cast<std::size_t>(glyph.width * glyph.height()), TRANSPARENT);
    for (int row = 0; row < glyph.height(); ++row) {
        for (int column = 0; column < glyph.width; ++column) {
            if (ink(bitmap, column - 1, row - 1)) {
                glyph.set(column, row, LETTER_COLOUR);
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (ink(bitmap, column - 1 + dx, row - 1 + dy)) glyph.set(column, row, OUTLINE);
                }
            }
        }
    }
    return glyph;
}

// The digit inked in its colour over a shadow one pixel down and right.
Glyph shadowed_glyph(const Bitmap& bitmap)
{
    Glyph glyph;
    glyph.character = bitmap.character;
    glyph.width = bitmap_width(bitmap) + 1;
    glyph.ascent = static_cast<int>(bitmap.rows.size());
    glyph.descent = 1;
    glyph.pixels.assign(static_cast<std::size_t>(glyph.width * glyph.height()), TRANSPARENT);
    for (int row = 0; row < glyph.height(); ++row) {
        for (int column = 0; column < glyph.width; ++column) {
            if (ink(bitmap, column, row)) {
                glyph.set(column, row, DIGIT_COLOUR);
            } else if (ink(bitmap, column - 1, row - 1)) {
                glyph.set(column, row, OUTLINE);
            }
        }
    }
    return glyph;
}

// A glyph's frame: its picture encoded by the frame encoder with the origin
// at column 0 of the baseline row, and the extents stored as they stand
// (right = the width, left = 0, ascent and descent).  A glyph without rows
// is encoded from one transparent row: a header and the end marker.
ShapeFrame encode_glyph(const Glyph& glyph)
{
    ShapeFrame frame;
    frame.right = static_cast<std::int16_t>(glyph.width);
    frame.left = 0;
    frame.ascent = static_cast<std::int16_t>(glyph.ascent);
    frame.descent = static_cast<std::int16_t>(glyph.descent);
    const bool has_rows = glyph.height() > 0 && glyph.width > 0;
    const std::vector<std::uint8_t> blank(static_cast<std::size_t>(glyph.width > 0 ? glyph.width : 1), TRANSPARENT);
    const std::uint8_t* pixels = has_rows ? glyph.pixels.data() : blank.data();
    const int width = has_rows ? glyph.width : static_cast<int>(blank.size());
    const int height = has_rows ? glyph.height() : 1;
    const int origin_y = has_rows ? glyph.ascent : 0;
    std::int32_t size = 0;
    encode_shape(pixels, width, height, TRANSPARENT, 0, origin_y, glyph.width, 0, glyph.ascent, glyph.descent, nullptr,
                 &size);
    frame.data.resize(static_cast<std::size_t>(size));
    if (encode_shape(pixels, width, height, TRANSPARENT, 0, origin_y, glyph.width, 0, glyph.ascent, glyph.descent,
                     frame.data.data(), &size) != 1) {
        frame.data.clear();
    }
    return frame;
}

// The archive: one shape entry per font, its frames the glyphs; a font
// without glyphs is an empty entry.  The archive writer lays the shapes out
// and packs the entries.
FlexArchive font_archive(const std::vector<std::vector<Glyph>>& fonts)
{
    FlexArchive archive = sample_archive("U7 JA sample fonts", static_cast<int>(fonts.size()));
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        if (fonts[i].empty()) continue;
        FlexEntry& entry = archive.entries[i];
        entry.type = ENTRY_SHAPE;
        Shape& shape = entry.object.emplace<Shape>();
        for (const Glyph& glyph : fonts[i]) shape.frames.push_back(encode_glyph(glyph));
    }
    return archive;
}

// The glyph drawn by the frame decoder must be the glyph's picture at the
// origin, with the stored extents, and nothing else.
bool check_decoded(const ShapeFrame& frame, const Glyph& glyph, int entry, int index)
{
    constexpr int SIZE = 64;
    constexpr int ORIGIN = 32;
    std::vector<std::uint8_t> canvas(SIZE * SIZE);
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    if (decode_shape(canvas.data(), SIZE, SIZE, TRANSPARENT, ORIGIN, ORIGIN, &right, &left, &ascent, &descent,
                     frame.data.data(), static_cast<std::int32_t>(frame.size()), nullptr) != 0) {
        std::printf("ERROR: glyph [%02d][%02X] does not decode\n", entry, static_cast<unsigned>(index));
        return false;
    }
    if (right != glyph.width || left != 0 || ascent != glyph.ascent || descent != glyph.descent) {
        std::printf("ERROR: glyph [%02d][%02X] has extents %d %d %d %d\n", entry, static_cast<unsigned>(index), right,
                    left, ascent, descent);
        return false;
    }
    for (int row = 0; row < SIZE; ++row) {
        for (int column = 0; column < SIZE; ++column) {
            const int x = column - ORIGIN;
            const int y = row - ORIGIN + glyph.ascent;
            const bool inside = x >= 0 && x < glyph.width && y >= 0 && y < glyph.height();
            const std::uint8_t expected = inside ? glyph.at(x, y) : TRANSPARENT;
            if (canvas[static_cast<std::size_t>(row * SIZE + column)] != expected) {
                std::printf("ERROR: glyph [%02d][%02X] '%c' differs at x=%d y=%d\n", entry,
                            static_cast<unsigned>(index), glyph.character, x, y - glyph.ascent);
                return false;
            }
        }
    }
    return true;
}

// Loads the written file back as fonts and compares it with what was meant.
bool verify(const char* path, const std::vector<std::vector<Glyph>>& fonts, const FlexArchive& written)
{
    FlexArchivePtr archive;
    if (read_flexfile_with_readfunc(&archive, path, read_shape_from_buffer) != 0) {
        std::printf("ERROR: %s does not load back\n", path);
        return false;
    }
    bool ok = archive->count == static_cast<std::int32_t>(fonts.size());
    for (std::size_t i = 0; ok && i < fonts.size(); ++i) {
        const FlexEntry& entry = archive->entries[i];
        const int index = static_cast<int>(i);
        if (fonts[i].empty()) {
            ok = entry.empty() && std::holds_alternative<std::monostate>(entry.object);
            if (!ok) std::printf("ERROR: entry [%02d] is not empty\n", index);
            continue;
        }
        const Shape* shape = std::get_if<Shape>(&entry.object);
        const Shape& meant = std::get<Shape>(written.entries[i].object);
        if (shape == nullptr || shape->count() != static_cast<std::int32_t>(fonts[i].size()) ||
            entry.size != written.entries[i].size) {
            std::printf("ERROR: entry [%02d] is not the font written\n", index);
            ok = false;
            continue;
        }
        for (std::size_t j = 0; ok && j < fonts[i].size(); ++j) {
            if (shape->frames[j].data != meant.frames[j].data) {
                std::printf("ERROR: glyph [%02d][%02X] reads back changed\n", index, static_cast<unsigned>(j));
                ok = false;
                break;
            }
            ok = check_decoded(shape->frames[j], fonts[i][j], index, static_cast<int>(j));
        }
    }
    if (archive->count != static_cast<std::int32_t>(fonts.size())) {
        std::printf("ERROR: %s holds %d entries\n", path, static_cast<int>(archive->count));
    }
    free_flexfile(archive);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::printf("usage: make_sample_fonts [output file]\n");
        return 1;
    }
    const char* path = argc == 2 ? argv[1] : "FONTS.VGA";

    std::vector<std::vector<Glyph>> fonts(3);
    for (const Bitmap& bitmap : letter_bitmaps) fonts[0].push_back(outlined_glyph(bitmap, 4));
    for (const Bitmap& bitmap : digit_bitmaps) fonts[2].push_back(shadowed_glyph(bitmap));

    FlexArchive archive = font_archive(fonts);
    const std::int64_t size = write_flexfile(&archive, path);
    if (size < 0) {
        std::printf("ERROR: cannot write %s\n", path);
        return 1;
    }
    if (!verify(path, fonts, archive)) return 1;
    std::printf("%s: %lld bytes, %zu entries, verified\n", path, static_cast<long long>(size), archive.entries.size());
    return 0;
}
