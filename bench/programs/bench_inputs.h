// The inputs of the whole-program benchmarks, built with the toolkit's own
// library where the files are binary: translation tables for revisto,
// message files and a character map for oxleth and tawnix, font archives
// for glimmet, ENDSHAPE.FLX with its seven subtitle images for sibrel_bmp,
// and MAINSHP.FLX with its Japanese table for tawnix.
//
// Every generator is deterministic (a fixed pseudo-random sequence), so
// two runs, or an old and a new build compared, see the same bytes.  Each
// returns 0, or -1 when a file cannot be written.
#pragma once

#include "bench_support.h"
#include "archive/u7files.h"

#include <cstdint>
#include <string>
#include <vector>

// A fixed pseudo-random sequence.
struct BenchRandom {
    std::uint32_t state;
    // A number from 0 to bound - 1 (bound at least 1).
    std::uint32_t next(std::uint32_t bound);
    // A number from low to high, both included.
    int between(int low, int high);
};

// The characters of the benchmark map: map_size CJK characters from U+4E00
// on, each with a three-byte code FF t1 t2.
std::string map_character(int index);
int write_charmap(const std::string& path, int map_size);
// A text of count characters drawn from the map, with a few ASCII spaces
// and digits between them.
std::string japanese_text(BenchRandom& random, int count, int map_size);

// revisto: an English table in the new format and the Japanese table in the
// old format, line for line, with labels_per_id labels under each function
// id.  About one line in ten is sign-like, and most of those carry the
// Japanese text between <QRM> tags before the English one.
int write_revisto_tables(const std::string& english_path, const std::string& japanese_path, int lines,
                         int labels_per_id);

// oxleth: exultmsg.txt.  leading_comments "#" lines first, then messages
// message lines, every tenth line after them a comment.  With
// untranslatable_only the messages are those no record can name (so every
// record of write_exult_translation_file is for a message the file lacks),
// else every known message in turn.
struct ExultMessageFile {
    int leading_comments = 0;
    int messages = 0;
    bool untranslatable_only = false;
};
int write_exult_message_file(const std::string& path, const ExultMessageFile& shape);
// exultmsg.ja.txt: records translations for the translatable messages in
// turn, each with its own font and a text from the map.
int write_exult_translation_file(const std::string& path, int records, int map_size);
// u7kit exultmsg: a message file of today's engine, messages numbered from
// 0x500 on (every fiftieth number twice, a comment every tenth line), and a
// translation file of one MSG record for each number, texts from the map.
int write_todays_exult_files(const std::string& messages_path, const std::string& translations_path, int messages,
                             int map_size);

// Frame data for a pixel area of width × height bytes, rows from the top,
// with the origin at (origin_x, origin_y), through the library's frame
// encoder; empty when the encoder refuses the area.
std::vector<std::uint8_t> encode_frame(const std::vector<std::uint8_t>& pixels, int width, int height,
                                       std::uint8_t transparent, int origin_x, int origin_y);

// glimmet: a font of glyph_count glyphs of about 10 × 14 pixels, drawn in
// an outline colour 0 and the given text colour.
Shape make_font_shape(BenchRandom& random, int glyph_count, std::uint8_t text_colour);
// FONTS.VGA of font_count such fonts.
int write_font_archive(const std::string& path, int font_count, int glyphs_per_font);
// A font archive of entry_count entries that all name the same bytes: one
// font shape of at least shape_bytes bytes, stored once.
int write_shared_shape_archive(const std::string& path, int entry_count, int shape_bytes);

// sibrel_bmp: a subtitle image of 320 × 46 palette indices (0 background,
// 1 text, 2 outline) with a few words' worth of outlined strokes.
inline constexpr int SUBTITLE_WIDTH = 320;
inline constexpr int SUBTITLE_HEIGHT = 46;
std::vector<std::uint8_t> subtitle_image(std::uint32_t seed);
// ENDSHAPE.FLX: 129 entries, the subtitle shapes 21 to 26 and 28 with one
// 320 × 46 frame each, every other entry plain bytes, about plain_bytes in
// all.
int write_endshape_archive(const std::string& path, std::size_t plain_bytes);
// prefix1.bmp to prefix7.bmp: 8-bit subtitle images in the subtitle colours.
int write_subtitle_bitmaps(const std::string& prefix);

// tawnix: MAINSHP.FLX of 122 entries, the introduction text (entry 13) of
// intro_lines lines and the ending text (entry 21) of ending_lines lines,
// every other entry plain bytes, about plain_bytes in all.
int write_mainshp_archive(const std::string& path, int intro_lines, int ending_lines, std::size_t plain_bytes);
// bg_text.ja.txt: a translation of every line of both texts.
int write_subtitle_translation_file(const std::string& path, int intro_lines, int ending_lines, int map_size);

// The archive as a FLEX file, through the library's archive writer: the
// header as it stands, entries packed in table order.  0 or -1.
int write_bench_flexfile(FlexArchive& archive, const std::string& path);

// An 8-bit BMP through the library's bitmap writer: 256 palette colours
// given as red, green, blue triplets, pixels given top row first.
int write_bench_bitmap(const std::string& path, int width, int height,
                       const std::vector<std::uint8_t>& palette_rgb, const std::vector<std::uint8_t>& pixels);

// The bytes as the whole file at path; 0 or -1.
int write_bytes_file(const std::string& path, const std::vector<std::uint8_t>& bytes);
