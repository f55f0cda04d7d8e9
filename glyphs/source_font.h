// Source fonts: glyphs of a font file read through FreeType, as monochrome
// bitmaps placed the way FreeType reports them.
//
// A font file is a PCF (gzip-compressed too), BDF, TTF, OTF or TTC; a TTC
// face is named by a "#N" suffix on the path ("fonts.ttc#1").  A bitmap
// font gives its glyphs at one of its strikes, exactly as stored; an
// outline font is rendered 1-bit at the pixel size asked for.  Bitmap
// fonts whose charset registry is JISX0208 (the X11 fonts indexed by JIS
// code) are looked up through the character's CP932 bytes, turned into the
// JIS row and cell arithmetically; every other font is looked up by
// Unicode.
//
// Faults are values: the caller prints the message they carry.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A glyph as a monochrome bitmap: rows top first, one byte per pixel (1:
// ink, 0: none).  left and top are FreeType's bitmap_left and bitmap_top:
// the bitmap's first column lies left columns right of the pen, its first
// row top rows above the baseline.  advance is the pen advance in pixels.
struct MonoGlyph {
    std::int32_t width = 0;
    std::int32_t rows = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t advance = 0;
    std::vector<std::uint8_t> ink;  // rows × width

    bool inked(std::int32_t row, std::int32_t column) const
    {
        return row >= 0 && row < rows && column >= 0 && column < width &&
               ink[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(column)] != 0;
    }
};

enum class SourceFontFault {
    unreadable,     // FreeType cannot open the file (or the face named)
    no_such_face,   // the "#N" face is beyond the file's faces
    no_such_size,   // a bitmap font without that strike, or a size out of range
    no_charmap,     // neither Unicode nor JIS X 0208
    no_conversion,  // the CP932 converter could not be used
};

struct SourceFontError {
    SourceFontFault fault;
    std::string message;  // the whole console line: "ERROR: ...\n"
};

struct FreeTypeLibraryCloser {
    void operator()(void* library) const;
};
struct FreeTypeFaceCloser {
    void operator()(void* face) const;
};

// An open font at one pixel size.  Move-only; closing is automatic.
struct SourceFont {
    // The face is declared after the library so that it is closed first.
    std::unique_ptr<void, FreeTypeLibraryCloser> library;
    std::unique_ptr<void, FreeTypeFaceCloser> face;
    std::string path;        // as given, "#N" included
    std::int32_t size = 0;   // pixels
    bool bitmap = false;     // glyphs come from a strike, not an outline
    bool jis = false;        // looked up by JIS X 0208 code
};

struct SourceFontOpening {
    std::optional<SourceFont> font;
    std::optional<SourceFontError> error;
};

// Opens path (with an optional "#N" face suffix) at size pixels: a bitmap
// font must have a strike of that pixel size, an outline font takes any
// size from 1 to 1024.
SourceFontOpening open_source_font(const std::string& path, std::int32_t size);

// The pixel sizes of the strikes of a font (empty for an outline font
// without strikes), for the message that refuses a size.
std::vector<std::int32_t> source_font_strikes(const SourceFont& font);

// The JIS X 0208 code (row + 0x20) << 8 | (cell + 0x20) of the CP932
// double-byte code lead, trail; 0 for bytes that are no double-byte code
// or lie beyond row 84, the last of JIS X 0208.
std::uint16_t jis_code_of_shift_jis(std::uint8_t lead, std::uint8_t trail);

// The JIS X 0208 codes of characters, through the console's CP932
// converter in one pass; 0 for a character without one (ASCII, half-width
// katakana, anything CP932 lacks).  Nothing when the converter fails.
std::optional<std::vector<std::uint16_t>> jis_codes_of(std::span<const char32_t> characters);

// The font's glyph indices of characters (0: the font lacks it).  An error
// only when a JIS font's conversion fails.
struct GlyphIndices {
    std::vector<std::uint32_t> indices;
    std::optional<SourceFontError> error;
};
GlyphIndices source_glyph_indices(const SourceFont& font, std::span<const char32_t> characters);

// The glyph at a glyph index of the font (see source_glyph_indices);
// nothing when FreeType cannot load or render it, or the index is 0.
std::optional<MonoGlyph> render_source_glyph(SourceFont& font, std::uint32_t glyph_index);

// Both steps for one character: nothing when the font lacks it.
std::optional<MonoGlyph> source_glyph(SourceFont& font, char32_t character);
