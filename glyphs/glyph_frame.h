// Glyph frames in the look of the game's fonts: a monochrome source glyph
// coloured in one of the fonts' designs and encoded as a shape frame, and
// the design and colours of a font measured from its English glyphs.
//
// Placement.  Source row r of a glyph whose top lies `top` rows above the
// baseline lands on frame row r - top, source column c on frame column
// left + c: the frame's origin is the source's pen position on the
// baseline, so a glyph standing on the baseline ends on row -1.
//
// Designs.  plain: the ink in the body colour.  outline: besides, the edge
// colour on every empty pixel among the eight neighbours of an ink pixel.
// shadow: the edge colour on every empty pixel one right, one down or one
// down-right of an ink pixel.  outline+shadow: the shadow of the outlined
// glyph (so the outline, then one more pixel right and down).  bands: the
// ink coloured by its frame row, as the English glyphs' bands are.
//
// Extents.  The engine reads a frame's extents inclusively: it covers
// columns -left .. +right and rows -ascent .. +descent, and advances the
// pen by left + right + 1 plus the font's lead.  The decoder of this
// toolkit reads them as a box one column and one row smaller (columns
// -left .. right - 1, rows -ascent .. descent - 1).  A built glyph is
// written for the engine:
//
//   left    = columns of pixels left of the origin (0 when none)
//   right   = the larger of the last pixel column and
//             advance - lead - left - 1, where advance is the source's
//             advance plus the columns the design adds (outline 2, shadow
//             1, outline+shadow 3), so the engine's pen advance
//             left + right + 1 + lead equals that advance
//   ascent  = rows of pixels above the origin row (0 when none)
//   descent = the last pixel row below the baseline, inclusive (0 for a
//             glyph that does not reach below row 0)
//
// In the engine's reading the frame covers every pixel, and glyphs drawn
// side by side keep the source's own gap between their decorated shapes:
// they neither overlap nor run together (given a source whose glyphs fit
// their advance).  In the decoder's reading the same frame measures
// left, max(right, last column + 1), ascent, max(descent, last row + 1):
// the stored values, widened where a pixel lies on the engine's last
// column or row.
#pragma once

#include "glyphs/source_font.h"
#include "types/u7shape_types.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

enum class GlyphDesign { plain, outline, shadow, outline_shadow, bands };

// "plain", "outline", "shadow", "outline+shadow", "bands"; nothing for any
// other word.
std::optional<GlyphDesign> parse_glyph_design(std::string_view word);
const char* glyph_design_name(GlyphDesign design);

// Palette indices.  With bands, frame row band_top + i takes bands[i];
// rows above the first band take the first, rows below the last the last
// (an empty list colours everything in body).
struct GlyphColours {
    std::uint8_t body = 0;
    std::uint8_t edge = 0;
    std::int32_t band_top = 0;
    std::vector<std::uint8_t> bands;
};

struct GlyphStyle {
    GlyphDesign design = GlyphDesign::plain;
    GlyphColours colours;
};

// A coloured glyph in frame coordinates: pixel (i, j) of the width × height
// area lies on frame row top + i, column left + j; -1 is no pixel.
// advance is the source's advance plus the columns the design adds.
struct StyledGlyph {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t advance = 0;
    std::vector<std::int16_t> pixels;

    std::int16_t at(std::int32_t row, std::int32_t column) const
    {
        return pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(column)];
    }
};

StyledGlyph style_glyph(const MonoGlyph& glyph, const GlyphStyle& style);

// The frame of a styled glyph for a font of that lead, its extents set as
// above (data, and the copies of the extents).  Prints the encoder's trace
// line.
ShapeFrame encode_glyph_frame(const StyledGlyph& glyph, std::int32_t lead);

// A frame that draws nothing: all extents 0, no spans.
ShapeFrame empty_glyph_frame();

// The design and colours of a font, measured from its frames below 244
// (the English glyphs).  Each of the four commonest colours is tried as the
// body: the pixels of the other colours are compared with the edge that
// outline+shadow, outline and shadow would paint round the body pixels,
// and the pair that predicts them best (at most one cell in ten wrong) is
// taken, with the commonest of those colours as edge.  Otherwise each
// frame row's commonest colour makes the bands (a row without pixels
// taking the one above), or plain in the commonest colour when every row
// has the same.  Nothing when no English glyph draws a pixel.
std::optional<GlyphStyle> measure_font_style(const Shape& font);
