// The seven subtitle images of the game's introduction, held as frame 0 of
// seven shapes in ENDSHAPE.FLX: their geometry and colours, the building of
// a frame from a BMP drawing (sibrel_bmp) and the export of a frame as such
// a drawing (u7kit subtitles).
//
// The palette an image is reduced against is a value the caller passes in:
// DEFAULT_SUBTITLE_PALETTE, or one with another background from
// subtitle_palette_with_background.
#pragma once

#include "archive/u7data_utils.h"
#include "archive/u7files.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The size of a subtitle image, and its frame origin: the middle column of
// the top row.
inline constexpr int SUBTITLE_WIDTH = 320;
inline constexpr int SUBTITLE_HEIGHT = 46;
inline constexpr std::size_t SUBTITLE_PIXELS = static_cast<std::size_t>(SUBTITLE_WIDTH) * SUBTITLE_HEIGHT;
inline constexpr int SUBTITLE_ORIGIN_X = 160;
inline constexpr int SUBTITLE_ORIGIN_Y = 0;
// The extents every subtitle frame header carries, whatever its pixels.
inline constexpr int SUBTITLE_RIGHT = 160;
inline constexpr int SUBTITLE_LEFT = 159;
inline constexpr int SUBTITLE_ASCENT = 0;
inline constexpr int SUBTITLE_DESCENT = 46;

// Game colours of a subtitle frame.
inline constexpr std::uint8_t SUBTITLE_TRANSPARENT = 255;
inline constexpr std::uint8_t SUBTITLE_TEXT_COLOUR = 11;
inline constexpr std::uint8_t SUBTITLE_OUTLINE_COLOUR = 0;

// Image numbers 1 to 7 and the archive entries whose shapes receive them.
inline constexpr int SUBTITLE_IMAGE_COUNT = 7;
inline constexpr std::array<int, SUBTITLE_IMAGE_COUNT> subtitle_entries = {21, 22, 23, 24, 25, 26, 28};

// How ENDSHAPE.FLX is loaded: entries 21 to 26 and 28 as shapes, every
// other entry as plain bytes.
inline constexpr TypeRun SUBTITLE_ARCHIVE_TYPES[] = {
    {ENTRY_RAW, 21}, {ENTRY_SHAPE, 6}, {ENTRY_RAW, 1}, {ENTRY_SHAPE, 1}, {ENTRY_RAW, 100}, {-1, 0},
};

// Room for a BMP file name (prefix + number + ".bmp"); a longer name is cut
// to fit.
inline constexpr std::size_t SUBTITLE_FILE_NAME_SIZE = 1024;
// Room for the frame data of one image; far more than a 320 × 46 frame can
// take.
inline constexpr std::int32_t SUBTITLE_ENCODE_BUFFER_SIZE = 262144;

// The colours an image is reduced to: 16 entries of blue, green, red, 0 (a
// BMP colour table).  Entry 0 is the background (white unless the user
// names another), entry 1 the light-blue text, entries 2 to 15 the black
// outline.
inline constexpr int SUBTITLE_PALETTE_ENTRIES = 16;
using SubtitlePalette = std::array<std::uint8_t, SUBTITLE_PALETTE_ENTRIES * 4>;
inline constexpr SubtitlePalette DEFAULT_SUBTITLE_PALETTE = {
    255, 255, 255, 0,  // background: white
    255, 255, 85,  0,  // text: light blue (red 85, green 255, blue 255)
    0,   0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,   0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

// The default palette with entry 0 (the background) of the given colour.
SubtitlePalette subtitle_palette_with_background(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The game colour of a palette index: 0 (background) becomes transparent,
// 1 the text colour, every other index the outline colour.
std::uint8_t subtitle_game_colour(std::uint8_t index);

// prefix + number + ".bmp", cut to SUBTITLE_FILE_NAME_SIZE - 1 bytes.
std::string subtitle_bmp_name(const char* prefix, int number);

// Whether the seven names made from prefix fit SUBTITLE_FILE_NAME_SIZE - 1
// bytes uncut (a cut name would lose its number, and the seven images one
// file).  Prints "ERROR: BMPファイル名が長すぎます(最大1023バイト): <name>"
// with the first name whole when they do not.
bool subtitle_prefix_fits(const std::string& prefix);

// Reads one subtitle BMP and reduces it against the palette to game
// colours: SUBTITLE_PIXELS bytes, rows from the top.  0, or -1 after
// printing why (open or read error, wrong size, colours that cannot be
// converted).
int read_subtitle_image(const char* path, const SubtitlePalette& palette, std::vector<std::uint8_t>& game_pixels);

// Decodes a subtitle frame onto SUBTITLE_PIXELS bytes of game colours (rows
// from the top, transparent where the frame draws nothing).  0 when the
// frame decodes cleanly, else decode_shape's result after its message.
std::int32_t decode_subtitle_frame(const ShapeFrame& frame, std::uint8_t* pixels);

// Encodes game-colour pixels as frame 0 of the shape and proves the frame
// by decoding it again and comparing every pixel.  The path names the image
// in the messages.  0, or -1 after printing why; the shape must have frames.
int store_subtitle_frame(Shape& shape, const std::vector<std::uint8_t>& game_pixels, const char* path);

// Checks that every subtitle entry holds a shape with frames.  0, or -1
// after a message naming the first entry that does not.
int check_subtitle_entries(const FlexArchive& archive);

// For image numbers 1 to 7: reads prefix + number + ".bmp", reduces it
// against the palette, stores it as frame 0 of its entry's shape and
// verifies it.  0 when all seven are in place, -1 at the first failure
// (earlier images stay replaced).
int build_subtitle_frames(FlexArchive* archive, const char* prefix, const SubtitlePalette& palette);

// ---------------------------------------------------------------------------
// The way back: a frame as a drawing in the palette's colours

// What one image became: its pixels as indices of the subtitle palette
// (0 background, 1 text, 2 outline), and how many pixels had a game colour
// other than transparent, text and outline.
struct SubtitleExport {
    std::vector<std::uint8_t> indices;  // SUBTITLE_PIXELS, rows from the top
    std::size_t other_colours = 0;
};

// The subtitle palette index of a game colour: transparent 0, text 1,
// outline 2.  Any other colour is nearest of text and outline by the game
// palette when one is given, else outline (the colour a drawing's every
// colour but the text's becomes on the way in); *other is set for them.
std::uint8_t subtitle_index_of(std::uint8_t game_colour, const RgbPalette* palette, bool* other);

// Decodes frame 0 of a subtitle shape into the subtitle palette's indices.
// 0, or -1 after a message naming the entry when the frame does not decode
// cleanly.
int export_subtitle_frame(const Shape& shape, int entry, const RgbPalette* palette, SubtitleExport& result);

// Writes the indices as an 8-bit 320 × 46 BMP in the default palette's
// colours, complete or not at all.  0, or -1 after a message.
int write_subtitle_bmp(const char* path, const std::vector<std::uint8_t>& indices);
// The same BMP written to an open stream: 0, or -1 (after write_bitmap's
// own message, if any) when a write failed.
int write_subtitle_bmp_to_stream(std::FILE* stream, const std::vector<std::uint8_t>& indices);
