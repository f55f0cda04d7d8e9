// The font table: which archive entry the game draws each kind of text
// with, named by the font tags of the character map (the <MAX_CODE_FONT_*>
// tags), and the horizontal lead the engine adds after each glyph (it draws
// a glyph frame at the pen on the baseline and advances by the frame's width
// plus the lead).
//
// Built in for both games; a translator's own table, a text file of the
// toolkit's conventions, replaces the built-in one:
//
//   ; TAG <TAB> ARCHIVE <TAB> ENTRY <TAB> LEAD
//   NORMAL	FONTS.VGA	0	-2
//   MENU	MAINSHP.FLX	9	+1
//
// Numbers are decimal, 0x hexadecimal or 0-prefixed octal; the lead may
// carry a sign.  A tag the table does not name has no font.
#pragma once

#include "charmap/u7charmap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class Game { bg, si };

// The ten font tags, in the order of the character map's font limits.
enum class FontTag { normal, status, books, subtitle, menu, bg_intro, bg_end2, bg_end3, si_intro, speech_red };
inline constexpr int FONT_TAG_COUNT = 10;

// Every tag in that order, for walking them.
extern const FontTag ALL_FONT_TAGS[FONT_TAG_COUNT];

struct FontTableRow {
    FontTag tag = FontTag::normal;
    std::string archive;  // file name in the game's folder, e.g. "FONTS.VGA"
    int entry = 0;
    int lead = 0;
};

// At most one row per tag, in the order they were given.
struct FontTable {
    std::vector<FontTableRow> rows;
};

// Leads a table may give, in pixels.
inline constexpr int FONT_LEAD_MIN = -128;
inline constexpr int FONT_LEAD_MAX = 127;

// "NORMAL", "STATUS", ... as the map's tags spell them after MAX_CODE_FONT_.
const char* font_tag_name(FontTag tag);
// The tag of that exact (case-sensitive) name.
std::optional<FontTag> font_tag_by_name(std::string_view name);

// "bg" or "si" (case-sensitive).
std::optional<Game> game_by_name(std::string_view name);

// The engine's fonts of a game.  SUBTITLE is not loaded by name; the table
// gives it the conversation font, FONTS.VGA 0.
FontTable builtin_font_table(Game game);

// The row of a tag, or null when the table names no font for it.
const FontTableRow* find_font(const FontTable& table, FontTag tag);

// The tags whose font is that entry of the archive named archive_name (the
// file name alone, letter case ignored, as the game's folder may spell it
// either way), in table order.
std::vector<FontTag> font_tags_of_entry(const FontTable& table, std::string_view archive_name, int entry);

// Reads a translator's font table.  Every fault is reported in one line
// "ERROR: FILE(N行目M文字目): ..." (or a line naming the file when it
// cannot be read or names no font); std::nullopt when there was any.
std::optional<FontTable> read_font_table(const char* path);

// The table the --game and --font-table options choose: the file's when
// table_path is not empty, else the built-in one of the game named (empty:
// bg).  std::nullopt after a message.
std::optional<FontTable> font_table_from_options(const std::string& game_name, const std::string& table_path);

// The map's limit for a tag's font: "<MAX_CODE_FONT_NORMAL>" and the
// CharMap field it sets.
const char* font_limit_tag(FontTag tag);
std::int32_t CharMap::*font_limit_field(FontTag tag);
