// Japanese glyphs put into a game font, and a line of codes drawn with a
// game font as the engine draws it.
#pragma once

#include "glyphs/glyph_frame.h"
#include "glyphs/source_font.h"
#include "types/u7shape_types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The lowest code a built glyph takes: the frames below it are the font's
// English glyphs, kept as they are.
inline constexpr std::int32_t FIRST_GLYPH_CODE = 244;
// The highest code number of the character map.
inline constexpr std::int32_t LAST_GLYPH_CODE = 33885;

// A code number of the character map and the character it stands for.
struct GlyphCode {
    std::int32_t code = 0;
    char32_t character = 0;
};

struct FontBuild {
    std::int32_t built = 0;                 // glyphs drawn from the source
    std::vector<GlyphCode> missing;         // characters the source lacks (their frames draw nothing)
    std::int32_t highest_code = 0;          // highest code given a glyph frame; 0 for none
    std::optional<SourceFontError> error;   // nothing was changed
};

// Puts the glyph of each code's character (codes FIRST_GLYPH_CODE to
// LAST_GLYPH_CODE; others are passed over, and of two entries for one code
// the first counts) into font, drawn from source in style for a font of
// that lead (glyph_frame.h).  Every frame below FIRST_GLYPH_CODE stays as
// it was, byte for byte; the shape grows to the highest code, and every
// frame from FIRST_GLYPH_CODE on whose code has no character, or whose
// character the source lacks, becomes a frame that draws nothing.  On an
// error font is left untouched.  The frames' offsets are left to the
// archive writer (update_shape_layout).
FontBuild build_font_glyphs(Shape& font, std::span<const GlyphCode> codes, SourceFont& source,
                            const GlyphStyle& style, std::int32_t lead);

// An 8-bit indexed picture, rows top first.
struct IndexedImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

// The highest ascent of the font's frames: the baseline's distance from
// the top of a line.
std::int32_t font_highest_ascent(const Shape& font);

// The engine's pen advance after a frame: left + right + 1 + lead, from the
// frame's header.
std::int32_t engine_advance(const ShapeFrame& frame, std::int32_t lead);

// The width of a line of codes as the engine measures it: the sum of the
// advances of the codes that have a frame (the others are passed over).
std::int32_t measure_code_line(const Shape& font, std::span<const std::int32_t> codes, std::int32_t lead);

// Draws a line of codes into image as the engine does: the pen starts at
// column x, the baseline lies font_highest_ascent rows below row top, each
// frame is drawn with its origin at the pen on the baseline and the pen
// advances by engine_advance.  Pixels beyond the image are dropped (a frame
// whose origin lies outside is not drawn).  Returns the line's width, as
// measure_code_line.
std::int32_t draw_code_line(IndexedImage& image, std::int32_t x, std::int32_t top, const Shape& font,
                            std::span<const std::int32_t> codes, std::int32_t lead);
