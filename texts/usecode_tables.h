// The translation tables of the game's conversation texts: the English table
// (usecode.en.txt, four fields: id, label, type, text) with its index by
// function id and label, and the conversion of a Japanese table from the
// old three-field format (id, label, text) to the four-field one, each
// line's type taken from the English table.
#pragma once

#include "texts/text_records.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// One line of the English table, as far as the conversion needs it.
struct TranslationEntry {
    std::uint16_t function_id = 0;
    std::string label;
    std::string type;
};

// The English table: its entries in the order the lines were read, and an
// open-addressing index from (function id, label) to the entry, so that a
// look-up costs the same however many labels an id has.
struct EnglishTableSlot {
    std::uint32_t entry = 0;  // entry index + 1; 0: free
    std::uint32_t hash = 0;   // the high bits of the key's hash, compared first
};

struct EnglishTable {
    std::deque<TranslationEntry> entries;  // never moved once added
    std::vector<EnglishTableSlot> slots;   // a power of two of them, at most half used
};

// The layouts of a table line:
//   old_japanese  <hex id> TAB <label> TAB "<text>"           (UTF-8 text)
//   english       <hex id> TAB <label> TAB <type> TAB "<text>" (ASCII text)
//   japanese      <hex id> TAB <label> TAB <type> TAB "<text>" (UTF-8 text)
// The id is at most FFFF, the label letters, digits, "@" and "_"; in the
// text a backslash escapes the byte after it, and the closing quote ends
// the line.
enum class UsecodeLayout { old_japanese, english, japanese };

// One line's fields, views of the line.
struct UsecodeRecord {
    unsigned function_id = 0;
    std::string_view label;
    std::string_view type;  // empty in the old layout
    std::string_view text;  // with its enclosing double quotes
    std::size_t text_at = 0;  // byte position of the opening quote
};

// Parses a line that is no comment; the first fault found, in the order of
// the line but for the id's value, which is tested last.
RecordProblem parse_usecode_record(std::string_view line, UsecodeLayout layout, UsecodeRecord& record);

// The entry with this id and label, or null.
const TranslationEntry* find_translation_entry(const EnglishTable& table, std::uint16_t function_id,
                                               std::string_view label);

// Number of entries with this function id.
std::size_t count_translation_entries(const EnglishTable& table, std::uint16_t function_id);

// Loads the English table from path into table.  Returns 0, or -1 after
// printing the reason.
int read_english_texts(EnglishTable& table, const char* path);

// Converts the old-format Japanese file at input_path into output_path,
// line by line.  Returns 0, or -1 after printing the reason; the lines
// converted before a failing line stay in the output.
int convert_translation_file(const EnglishTable& table, const char* input_path, const char* output_path);
