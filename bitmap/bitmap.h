// Windows BMP files (the version 3 layout: a 14-byte file header, a 40-byte
// information header, no compression) read into and written from plain
// pixel arrays, and the conversion of pixel arrays between bit counts.
//
// Pixel arrays in memory: the top row first, rows back to back without
// padding.  1, 4 and 8 bits: one byte per pixel holding the palette index;
// 16 bits: two bytes per pixel as stored (little-endian, red in bits 10 to
// 14, green in bits 5 to 9, blue in bits 0 to 4, bit 15 ignored); 24 bits:
// blue, green, red; 32 bits: blue, green, red, reserved.  An array holds
// width × height × ((bit count + 7) ÷ 8) bytes.
//
// Palettes: 4-byte entries blue, green, red, reserved, in file order; a
// palette image always has the full 2, 16 or 256 entries of its bit count.
//
// Buffers are the caller's std::vector slots.  An empty vector is sized by
// the function; a non-empty one must already have exactly the right size
// and is filled, else the call is refused (-1) before anything is read or
// written.  A memory failure prints the memory-exhausted line and returns
// -2; it never ends the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

// The two headers without the magic "BM", fields in file order.
struct BitmapHeader {
    std::uint32_t file_size = 0;  // whole file in bytes
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t data_offset = 0;  // file offset of the pixel rows
    std::uint32_t info_size = 0;    // 40 for the version 3 layout
    std::int32_t width = 0;
    std::int32_t height = 0;  // rows stored bottom-up; negative heights are refused
    std::uint16_t planes = 0;
    std::uint16_t bit_count = 0;  // 1, 4, 8, 16, 24 or 32
    std::uint32_t compression = 0;
    std::uint32_t image_size = 0;  // bytes of pixel rows
    std::int32_t x_resolution = 0;  // pixels per metre
    std::int32_t y_resolution = 0;
    std::uint32_t colours_used = 0;
    std::uint32_t important_colours = 0;
};

inline constexpr std::size_t BITMAP_HEADER_SIZE = 54;
inline constexpr std::size_t BITMAP_INFO_SIZE = 40;
// The largest pixel array (in memory) that the reader will make: 1 GiB.
inline constexpr std::uint64_t BITMAP_MAX_PIXEL_BYTES = std::uint64_t{1} << 30;

// Reads the 54 header bytes from an open file at its start into header.
// Returns 0 (valid), 1 (valid after the image size 0 was corrected, or with
// bytes beyond the pixel rows), 2 (both) or -1 (invalid, with a message
// where the format names one).  Besides the format's own checks, a zero or
// negative width or height and pixel rows that could not be described by a
// 32-bit file size or held in BITMAP_MAX_PIXEL_BYTES are refused.
std::int32_t check_bitmap_header(std::FILE* file, BitmapHeader* header);
// The same on the first 54 bytes of a buffer.
std::int32_t check_bitmap_header_in_buffer(const std::uint8_t* data, std::size_t size, BitmapHeader* header);

// Reads a BMP file from an open file into pixels (and, for 1, 4 and 8 bits,
// palette, when its slot is given).  With header_read set the header is
// taken as it stands in header and the file must stand just behind it;
// otherwise the header is read and checked first.  The pixel rows are read
// right behind the palette.  Returns 0; -1 for a read or format error; -2
// when memory runs out; -3 without a pixel slot.  Whatever it sized stays
// with the caller on failure.
std::int32_t read_bitmap(std::FILE* file, BitmapHeader* header, std::vector<std::uint8_t>* palette,
                         std::vector<std::uint8_t>* pixels, bool header_read);
// The same on a whole BMP file held in memory (header included).
std::int32_t read_bitmap_from_buffer(const std::uint8_t* data, std::size_t size, BitmapHeader* header,
                                     std::vector<std::uint8_t>* palette, std::vector<std::uint8_t>* pixels);

// Writes the header as handed (nothing recomputed), the palette (2^bit count
// entries for 1, 4 and 8 bits; zero entries when the palette is empty) and
// the rows bottom-up, padded to 4 bytes.  1 bit: a set bit for every
// non-zero pixel; 4 bits: the low 4 bits of each pixel.  Returns 0 or -1.
// Refused without a message: a width or height of 0 or less, a palette
// smaller than its entries, or fewer pixels than the header describes.
std::int32_t write_bitmap(std::FILE* file, const BitmapHeader* header, std::span<const std::uint8_t> palette,
                          std::span<const std::uint8_t> pixels);

// Fills a header for a new image: version 3 layout, one plane, no
// compression, the full palette of the bit count, image and file sizes.
// Returns 0, or -1 for an unsupported bit count (offset and sizes left
// unset), a width or height of 0 or less, or sizes beyond 32 bits.
std::int32_t init_bitmap_header(BitmapHeader* header, std::int32_t width, std::int32_t height,
                                std::int32_t bit_count);

// Index of the palette entry nearest to the colour (squared distance over
// blue, green and red; the lower index on equal distances).  count entries
// are searched, at most as many as the palette holds; 0 when there are none.
std::int32_t find_nearest_colour(std::int32_t red, std::int32_t green, std::int32_t blue,
                                 std::span<const std::uint8_t> palette, std::int32_t count);

// Converts a pixel array from one bit count to another.  Palette images
// need their full palette (16 or 256 entries for 4 and 8 bits); a 1-bit
// image without one uses black and white.  A destination palette image gets
// every pixel as the index of its nearest destination colour.  The
// destination is zero-filled first.  Returns 0; -1 for refused arguments (a
// negative size, a bit count other than 1, 4, 8, 16, 24 or 32, a missing or
// short palette, fewer source pixels than the size needs, a source index
// outside its palette, a destination slot that is null or of the wrong
// size); -2 when memory runs out.
std::int32_t convert_bitmap_depth(std::int32_t width, std::int32_t height, std::int32_t source_bit_count,
                                  std::span<const std::uint8_t> source_palette,
                                  std::span<const std::uint8_t> source_pixels, std::int32_t destination_bit_count,
                                  std::span<const std::uint8_t> destination_palette,
                                  std::vector<std::uint8_t>* destination);
