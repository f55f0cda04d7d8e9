// sibrel_bmp: replaces the seven subtitle images of the game's
// introduction, held as frame 0 of seven shapes in ENDSHAPE.FLX, with
// images drawn in BMP files, and writes the archive to a new file
// (endshape.flx.new).
#pragma once

#include "archive/u7files.h"

#include <array>
#include <cstdint>
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

// Room for a BMP file name (prefix + number + ".bmp"); a longer name is cut
// to fit.
inline constexpr std::size_t SUBTITLE_FILE_NAME_SIZE = 1024;
// Room for the frame data of one image; far more than a 320 × 46 frame can
// take.
inline constexpr std::int32_t SUBTITLE_ENCODE_BUFFER_SIZE = 262144;

// The colours an image is reduced to: 16 entries of blue, green, red, 0 (a
// BMP colour table).  Entry 0 is the background (white unless --bg changes
// it), entry 1 the light-blue text, entries 2 to 15 the black outline.
inline constexpr int SUBTITLE_PALETTE_ENTRIES = 16;
using SubtitlePalette = std::array<std::uint8_t, SUBTITLE_PALETTE_ENTRIES * 4>;
inline constexpr SubtitlePalette DEFAULT_SUBTITLE_PALETTE = {
    255, 255, 255, 0,  // background: white
    255, 255, 85,  0,  // text: light blue (red 85, green 255, blue 255)
    0,   0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,   0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};
// The palette of the run; --bg overwrites its entry 0.
extern SubtitlePalette subtitle_palette;

// Sets entry 0 of subtitle_palette.
void set_subtitle_background(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The game colour of a palette index: 0 (background) becomes transparent,
// 1 the text colour, every other index the outline colour.
std::uint8_t subtitle_game_colour(std::uint8_t index);

// prefix + number + ".bmp", cut to SUBTITLE_FILE_NAME_SIZE - 1 bytes.
std::string subtitle_bmp_name(const char* prefix, int number);

// Reads one subtitle BMP and reduces it to game colours: SUBTITLE_PIXELS
// bytes, rows from the top.  0, or -1 after printing why (open or read
// error, wrong size, colours that cannot be converted).
int read_subtitle_image(const char* path, std::vector<std::uint8_t>& game_pixels);

// Encodes game-colour pixels as frame 0 of the shape and proves the frame
// by decoding it again and comparing every pixel.  The path names the image
// in the messages.  0, or -1 after printing why; the shape must have frames.
int store_subtitle_frame(Shape& shape, const std::vector<std::uint8_t>& game_pixels, const char* path);

// Checks that every subtitle entry holds a shape with frames.  0, or -1
// after a message naming the first entry that does not.
int check_subtitle_entries(const FlexArchive& archive);

// For image numbers 1 to 7: reads prefix + number + ".bmp", stores it as
// frame 0 of its entry's shape and verifies it.  0 when all seven are in
// place, -1 at the first failure (earlier images stay replaced).
int build_subtitle_frames(FlexArchive* archive, const char* prefix);

// The whole program: command line, load, frames, write.  Returns the exit
// status.
int run_sibrel_bmp(int argc, char** argv);
