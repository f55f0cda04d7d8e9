// The shape codec: shape and tiles entries read into their records and
// written back, the re-layout of a shape whose frames changed size, and the
// decoding of one frame into a pixel area.
//
// Read functions follow FlexReadFunc (u7entry_types.h); write functions take
// the entry's object slot, the output position and the entry size and
// return the bytes written, 0 for a size of 0, or -1.  An allocation
// failure prints the memory-exhausted line and ends the program with
// status 1.
#pragma once

#include "types/u7entry_types.h"
#include "types/u7shape_types.h"

#include <cstdint>

// The module's trace lines (the two of every shape read, the frame listing
// of every re-layout, the encoder's "pre encode check") are on in every
// process, as part of each program's output.  Only u7kit's font build,
// which lays out fonts of thousands of frames, turns them off.
void set_shape_trace_lines(bool on);

// Reads a shape entry into a Shape: 6.  A stored size that differs from the
// entry size is not an error: after a warning the entry is kept as plain
// bytes and the result is 0.  -1 for bad arguments and for an offset table
// that does not describe frames inside the entry (see the reader).  Prints
// two trace lines.
std::int32_t read_shape_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                    std::int32_t index);

// Writes the shape in the slot: its size, its frame offsets, its frames.
// The frames must lie at their recorded offsets and fill exactly size
// bytes (update_shape_layout makes them so); else -1, with a warning for the
// first offset that disagrees.
std::int32_t write_shape_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size,
                                   std::int32_t index);

// Lays the frames out back to back behind the offset table, sets `size` and
// returns it; lists every frame on standard output.
std::uint32_t update_shape_layout(Shape& shape);

// Reads whole 64-byte tiles: 5 (a remainder is dropped after a warning).
std::int32_t read_tiles_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                    std::int32_t index);
std::int32_t write_tiles_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size);

// Draws one frame's data into a width × height area of 8-bit pixels (row
// stride width), first filled with the low 8 bits of background, with the
// frame origin at (origin_x, origin_y).  Pixels beyond the area are dropped;
// nothing is written outside it and nothing read outside data.
//
// right, left, ascent and descent receive the header's extents, widened to
// cover every drawn pixel.  counts, when not null, is an array of 256
// counters (zeroed by the caller) that receives how often each colour byte
// occurs in the frame data.
//
// Returns 0 when the data ended exactly at its end marker, -1 (after a
// warning; the area and extents are filled) when it did not, and -2 (after
// printing the arguments; nothing written) for refused arguments.
std::int32_t decode_shape(std::uint8_t* destination, std::int32_t width, std::int32_t height, std::int32_t background,
                          std::int32_t origin_x, std::int32_t origin_y, std::int32_t* right, std::int32_t* left,
                          std::int32_t* ascent, std::int32_t* descent, const std::uint8_t* data, std::int32_t size,
                          std::uint32_t* counts);

// The rectangle of the area that a decode wrote to (rows top to bottom and
// columns left to right, inclusive); empty (top > bottom) when nothing was.
struct ShapeDrawnBox {
    std::int32_t top = 0;
    std::int32_t bottom = -1;
    std::int32_t left = 0;
    std::int32_t right = -1;
};

// decode_shape without the fill: the area must already hold the background
// wherever this frame does not write (for example a canvas whose previous
// frame's box was cleared again), and only the box in *written (when not
// null) is touched.  Results as decode_shape's.
std::int32_t decode_shape_onto(std::uint8_t* destination, std::int32_t width, std::int32_t height,
                               std::int32_t background, std::int32_t origin_x, std::int32_t origin_y,
                               std::int32_t* right, std::int32_t* left, std::int32_t* ascent, std::int32_t* descent,
                               const std::uint8_t* data, std::int32_t size, std::uint32_t* counts,
                               ShapeDrawnBox* written);

// Encodes a width × height area of 8-bit pixels (row by row from the top)
// as frame data: the header (right, left, ascent, descent as their low 16
// bits), one span per stretch of pixels that differ from the low 8 bits of
// transparent (cut at 1024 pixels), each span run-length coded only when
// its runs are shorter than its raw pixels, then the end marker.  The frame
// origin is at (origin_x, origin_y); a negative extent is computed from
// the pixels.  Null pixels give a frame without spans.  Prints the
// "pre encode check" trace line.
//
// *size is the capacity of out on entry (out null or a capacity of 0 or
// less: measure only) and the bytes the frame needs on return.  Returns 1
// when the whole frame was written, 0 when it was measured or did not fit
// (nothing is ever written at or beyond the capacity), and -1 for refused
// arguments (size untouched): a width or height below 1 or above 32767 (the
// frame's coordinates are 16-bit), an origin outside the area, a null size,
// or a frame whose size would not fit 31 bits.
std::int32_t encode_shape(const std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::int32_t transparent,
                          std::int32_t origin_x, std::int32_t origin_y, std::int32_t right, std::int32_t left,
                          std::int32_t ascent, std::int32_t descent, std::uint8_t* out, std::int32_t* size);
