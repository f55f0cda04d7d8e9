// The check of translation files: each file read by the rules of the
// program that takes it, through the same record parsers, and everything
// that program or the game would trip on reported with file, line and
// column: line faults, refused records, invalid UTF-8, characters missing
// from the map, texts too long once converted, and codes that the text's
// font cannot draw.
#pragma once

#include "texts/usecode_tables.h"

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

// What the check is done against: the loaded map's limits, and the glyph
// count of each FONTS.VGA entry when a font file was given.
struct CheckSettings {
    std::vector<int> font_glyphs;            // per FONTS.VGA entry; empty without --font
    const EnglishTable* english = nullptr;   // with --en
    int english_lines = 0;
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

// Checks one file, printing one line per fault with file, line and column.
// 0 when the file could be read (faults or not), -1 when it could not.
int check_translation_file(const char* path, CheckFormat format, const CheckSettings& settings, CheckReport& report);

// The closing summary.
void print_check_summary(const CheckReport& report, const CheckSettings& settings);
