// The character map: which code bytes of the game's fonts stand for each
// character that is not ASCII, loaded from a text file (usecode.map), and
// the conversion of UTF-8 texts to those code bytes.
//
// The map is one per process and lives inside this module; every operation
// below works on it.  Code byte strings are zero-terminated char strings
// whose bytes are read as unsigned values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A code is one to seven non-zero bytes; the stored form keeps a zero after
// them.
inline constexpr int CHARMAP_MAX_CODE_BYTES = 7;
inline constexpr int CHARMAP_CODE_SIZE = CHARMAP_MAX_CODE_BYTES + 1;

// Bytes one read of a map line takes, the terminator included; the rest of
// a longer line is read as the next line, except for a comment, which runs
// to its line end.
inline constexpr int CHARMAP_LINE_SIZE = 256;

// Bytes 0xF4 to 0xFF lead a multi-byte code; the lower ones are ordinary.
inline constexpr unsigned CHARMAP_FIRST_LEAD_BYTE = 0xF4;
// Number of trail bytes (digits, ASCII letters, 0x80 to 0xF3).
inline constexpr int CHARMAP_TRAIL_COUNT = 178;

// Per byte value: the trail index (0 to 177) of a trail byte, the first code
// number of a lead byte's range (244 + 178 * (byte - 0xF4)), or -1.
extern const std::array<std::int32_t, 256> code_byte_index;

struct CharMapEntry {
    std::string name;                                // the character (column 1)
    std::array<char, CHARMAP_CODE_SIZE> code{};      // code bytes, ended by the first zero
    std::uint32_t attribute = 0;                     // column 3; nothing interprets it
    std::int32_t line = 0;                           // line of the map file; 0: added by add_charmap_entry
};

struct CharMap {
    std::int32_t entry_count = 0;
    std::int32_t max_code = 0;
    std::int32_t max_code_font_normal = 0;
    std::int32_t max_code_font_status = 0;
    std::int32_t max_code_font_books = 0;
    std::int32_t max_code_font_subtitle = 0;
    std::int32_t max_code_font_menu = 0;
    std::int32_t max_code_font_bg_intro = 0;
    std::int32_t max_code_font_bg_end2 = 0;
    std::int32_t max_code_font_bg_end3 = 0;
    std::int32_t max_code_font_si_intro = 0;
    std::int32_t max_code_font_speech_red = 0;
    std::vector<CharMapEntry> entries;  // file order; entry_count == entries.size()
};

// The tags of the map that set its limits, each with the field it sets, in
// the map's order ("<MAX_CODE>" first).
struct CharMapLimitTag {
    const char* name;
    std::int32_t CharMap::*limit;
};
extern const CharMapLimitTag CHARMAP_LIMIT_TAGS[11];

// The process's map, read-only: its users read the eleven limits here.
const CharMap& current_charmap();

// Code number of a code byte string (only its first three bytes count):
// 1 to 243 for one ordinary byte, 244 to 2379 for a lead byte and a trail
// byte, 2202 to 33885 for 0xFF and two trail bytes, 0 for an empty code or
// two ordinary bytes, -1 for a null string or any other combination.
int get_code_value(const char* code);

// Loads the map file.  A null path empties the map and reads nothing.  A
// file that cannot be opened gives -1 and leaves the map untouched;
// otherwise the entries read replace the old ones, and the result is 0, or
// -1 after a read error (the lines read until then stay loaded).
int load_charmap(const char* path);

// Drops every entry; the limits stay.
void free_charmap();

// Appends name with the bytes of code up to its first zero or its seventh
// byte.  -1 for a null argument, 0 (nothing added) for an empty name, else
// the new entry count.
int add_charmap_entry(const char* name, const char* code);

// Code bytes (zero-terminated) of the first entry named exactly character,
// or null when there is none, the character is null or empty, or the map
// is empty.
const char* lookup_charmap(const char* character);

// A name of one to seven bytes packed into a look-up key: its bytes from
// the low end up, its length in the top byte.
std::uint64_t pack_charmap_name(const char* name, std::size_t length);

// The code bytes of the first entry whose packed name is key, with their
// number in *code_length (not zero-terminated), or null when there is none.
// The same entry lookup_charmap finds, without measuring or hashing names.
const char* lookup_charmap_packed(std::uint64_t key, std::size_t* code_length);

// get_code_value of the first entry named character; 0 for a null or empty
// character, -1 when the map has no such entry.
int get_charmap_code(const char* character);

// get_code_value of the entry at index, or -1 for an index out of range.
int get_charmap_code_at(int index);

// Converts a UTF-8 text into output (capacity bytes, the terminator
// included): ASCII bytes are copied, every other character is replaced by
// its map code.  Returns output, or null after printing one console line
// for the first fault: an invalid UTF-8 sequence, a character without a
// map entry, a character whose map code is empty (a map line whose code is
// no number: the character would vanish from the text), or a result longer
// than capacity - 1 bytes.
char* convert_text_by_charmap(char* output, std::int32_t capacity, const char* source);
