// The check of translation files: each file read by the rules of the
// program that takes it, through the same record parsers, and everything
// that program or the game would trip on reported with file, line and
// column: line faults, refused records, invalid UTF-8, characters missing
// from the map, texts too long once converted, and codes that the text's
// font cannot draw.
#pragma once

#include "texts/usecode_tables.h"
#include "fonts/font_table.h"

#include <array>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

enum class CheckFormat { unknown, usecode, exultmsg, bgtext };

// The format named by --format, or recognised from the file name
// (usecode*, exultmsg*, bg_text*, letter case ignored); unknown otherwise.
CheckFormat check_format_by_name(const std::string& name);
CheckFormat check_format_of_file(const std::string& path);

// The font a tag's texts are drawn with, as read from the game's folder:
// where it stands and how many glyphs it has.  glyphs < 0: not read, so no
// glyph count is checked for the tag.
struct CheckFont {
    int glyphs = -1;
    std::string archive;
    int entry = 0;
};

// What the check is done against: the loaded map's limits, and the glyph
// count of each tag's font when the game's fonts were read.
struct CheckSettings {
    std::array<CheckFont, FONT_TAG_COUNT> fonts;  // by FontTag
    const EnglishTable* english = nullptr;        // with --en
    int english_lines = 0;
    // false: the texts are only read, for their faults and their
    // characters (u7kit charmap); nothing is looked up in the map.
    bool map_checked = true;
};

// What the check found, over every file.
struct CheckReport {
    int records = 0;
    int faults = 0;
    int warnings = 0;
    std::unordered_map<std::string, int> characters;  // every non-ASCII character and its count
    std::map<std::string, int> missing;     // those without a map entry
    std::set<std::pair<unsigned, std::string>> translated;  // usecode (id, label) found in the English table
};

// Reports every line of the loaded map whose code is empty (its code column
// holds no number that gives a byte): a text holding that character is
// refused where it is converted.  One fault per line, counted in report.
void check_charmap_codes(const char* map_path, CheckReport& report);

// Checks one file, printing one line per fault with file, line and column.
// 0 when the file could be read (faults or not), -1 when it could not (the
// file then counts as one fault).
int check_translation_file(const char* path, CheckFormat format, const CheckSettings& settings, CheckReport& report);

// The closing summary.
void print_check_summary(const CheckReport& report, const CheckSettings& settings);
