// The dump of the game's font file (a FLEX archive of font shapes) as
// readable text: the archive's header lines, every glyph's lines and a
// drawing of its pixels, and each font's used colours on standard output.
#pragma once

#include "archive/u7files.h"
#include "types/u7shape_types.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Writes the archive-level lines and, for every non-empty entry, its
// glyphs.  A null stream means standard output.  0, or -1 for a null
// archive, a glyph that does not decode, an entry that does not hold a
// shape, or a write error on the stream.
int dump_fonts(std::FILE* stream, const FlexArchive* archive);

// dump_fonts for the table of a font file read with
// read_flex_table_from_memory and check_shape_in_place from its bytes
// (image, image_size): each font is read from them in place.
int dump_fonts_in_place(std::FILE* stream, const FlexTable* table, const std::uint8_t* image, std::size_t image_size);

// Writes every frame of one font: its lines and a drawing of its pixels
// into the stream, then the font's used-colour list on standard output.
// 0, or -1 when a frame does not decode cleanly.
int dump_entry_glyphs(std::FILE* stream, int index, const Shape& shape);
