// The map that writes itself: an existing character map extended by every
// character the translation texts use and the map lacks, each given the
// lowest free code.  The old map's lines stay unchanged and in place, and
// the new ones follow in Unicode order, so codes once given never change
// and texts converted earlier stay valid.  Extending the result again adds
// nothing.
#pragma once

#include "charmap/u7charmap.h"

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Code numbers a new character may get: the multi-byte codes, two bytes
// (a lead byte and a trail byte) up to 2379, 0xFF and two trail bytes above.
inline constexpr int CHARMAP_FIRST_FREE_CODE = 244;
inline constexpr int CHARMAP_LAST_TWO_BYTE_CODE = 2379;
inline constexpr int CHARMAP_LAST_CODE = 33885;

// The code bytes that get_code_value turns back into number, or "" for a
// number outside 244 to 33885.  They never hold a zero, CR or LF byte.
std::string code_bytes_of_number(int number);

// The code column of a map line for code bytes: "0xF5,0x41".
std::string code_column(const std::string& bytes);

// Characters ordered by code point.
struct CodePointOrder {
    bool operator()(const std::string& a, const std::string& b) const;
};
using CharacterSet = std::set<std::string, CodePointOrder>;

// Adds every character of two or more UTF-8 bytes of text to characters.
// False when the text holds an invalid sequence, which is skipped (the
// characters around it are still added).
bool add_text_characters(std::string_view text, CharacterSet& characters);

// A map limit that a new code goes past.
struct CharmapLimitExceeded {
    const char* tag;       // "<MAX_CODE>", "<MAX_CODE_FONT_NORMAL>", ...
    int limit = 0;
    int new_codes_over = 0;  // how many of the added codes are above it
};

struct CharmapExtension {
    std::string text;    // the new map; empty when the map is full
    int used = 0;        // characters the texts use
    int mapped = 0;      // of those, already in the map
    int added = 0;       // given a code now
    int highest_code = 0;  // highest code number of an entry of the new map
    int unassigned = 0;    // characters left without a code: the map is full
    std::vector<CharmapLimitExceeded> exceeded;  // limits set in the map, in the map's tag order
};

// Extends the map whose file bytes are old_map (empty for a map that does
// not exist yet) and which is loaded as map.  A new line is
// "CHARACTER<TAB>0xLL,0xTT" (or three bytes), ended as the old map's lines
// are (CR LF or LF); an empty map is begun with a comment line.  When the
// free codes do not reach every character, nothing is added: text stays
// empty and unassigned counts the characters left over.
CharmapExtension extend_charmap(std::string_view old_map, const CharMap& map, const CharacterSet& used);

// Reads the bytes of the map file and loads it as the process's map; a file
// that does not exist gives no bytes and an empty map.  0, or -1 after
// "ERROR: FILE を読み込めません".
int load_charmap_for_extension(const char* path, std::string& bytes);

// The lines for the caller: an ERROR when the map is full, else the
// INFORMATION line of the counts and a WARNING per limit exceeded.
void print_charmap_extension(const CharmapExtension& extension);
