// The font sheet: every glyph of every font of a font archive drawn on one
// RGB image, for the translator to see which codes hold which glyphs.
#pragma once

#include "archive/u7data_utils.h"
#include "archive/u7files.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// An RGB image, rows from the top, three bytes a pixel.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Where a glyph was drawn in the unscaled sheet: its origin (the frame's
// origin point) and whether it decoded.
struct GlyphPlace {
    int font = 0;   // archive entry
    int code = 0;   // frame number
    int origin_x = 0;
    int origin_y = 0;
    bool decoded = false;
};

struct FontSheet {
    RgbImage image;                 // scaled by FONT_SHEET_SCALE
    std::vector<GlyphPlace> glyphs;  // every frame of every font
    int fonts = 0;
    int failed_glyphs = 0;
    bool too_large = false;          // over FONT_SHEET_MAX_PIXELS: nothing drawn
};

inline constexpr int FONT_SHEET_SCALE = 3;
inline constexpr int FONT_SHEET_COLUMNS = 16;
// Pixels of the largest sheet drawn (300 MB in memory; a font of 3000
// glyphs of 16 pixels takes about 14 million).
inline constexpr int FONT_SHEET_MAX_PIXELS = 100'000'000;

// The font tags heading each font's grid, by archive entry ("NORMAL
// SUBTITLE"): those the table gives the entries of the archive file named
// font_file.
using FontHeadings = std::map<int, std::string>;
struct FontTable;
FontHeadings font_sheet_headings(const FontTable& table, const std::string& font_file, const FlexArchive& archive);

// The colour of a glyph's palette index: the game palette's when given,
// else a fixed ramp whose neighbours stand apart.
std::array<std::uint8_t, 3> glyph_colour(std::uint8_t index, const RgbPalette* palette);

// Draws every glyph of every font of the archive, each grid headed "FONT
// nn" and its headings.  Never fails on a glyph: one that does not decode
// becomes a marked empty cell and is counted.  A sheet over the pixel cap
// is not drawn: too_large is set.
FontSheet render_font_sheet(const FlexArchive& archive, const RgbPalette* palette, const FontHeadings& headings = {});
