// Read and write functions of the simple entry types: plain bytes, named
// files, texts and the two palette layouts; and the conversion of a palette
// to the colour table of a BMP file.
//
// Read functions follow FlexReadFunc (u7entry_types.h): they fill the slot
// and return the type of what they stored.  Write functions take the slot,
// the output position and the entry's size, write exactly size bytes and
// return that count.  Both return -1 without a message when the slot or the
// data pointer is null or the size negative; a write of size 0 writes
// nothing and returns 0.  A write function also refuses (-1, no message) a
// slot that does not hold its kind of object or holds fewer bytes than size.
//
// An allocation failure prints the memory-exhausted line and ends the
// program with status 1.
#pragma once

#include "types/u7entry_types.h"

#include <array>
#include <cstdint>

std::int32_t read_data_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                   std::int32_t index);
std::int32_t write_data_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size);

// Needs at least the 13 name bytes.  Prints the trace line "[index][name]".
std::int32_t read_file_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                   std::int32_t index);
std::int32_t write_file_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size);

// A size of 0 stores no object and returns 0.
std::int32_t read_text_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                   std::int32_t index);
std::int32_t write_text_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size);

// A size other than 768 (1536) is not an error: after a warning the bytes
// are kept as plain bytes and the result is 0.
std::int32_t read_palette_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                      std::int32_t index);
std::int32_t write_palette_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size);
std::int32_t read_palette2_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                       std::int32_t index);
std::int32_t write_palette2_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size);

// Fills a 1024-byte BMP colour table (blue, green, red, 0 per colour, each
// component scaled from 6 to 8 bits) and returns the position behind it;
// null when out or the palette is null.
std::uint8_t* palette_to_rgbquad(std::uint8_t* out, const Palette* palette);
std::uint8_t* palette2_to_rgbquad(std::uint8_t* out, const Palette2* palette);

// A game palette as 256 colours of red, green, blue (8 bits each).
using RgbPalette = std::array<std::uint8_t, 256 * 3>;

// Palette 0 of a palette archive (PALETTES.FLX), read with the palette
// read function (registered here for its type).  0, or -1 after a message:
// "ERROR: <path> を読み込めません" when the archive cannot be read,
// "ERROR: パレット0がありません: <path>" when its entry 0 is no palette.
// The palettes after the first are not read (the game's archive holds a
// dozen, and palette 0 is the one the subtitles and fonts are drawn in).
int load_game_palette(const char* path, RgbPalette& palette);
