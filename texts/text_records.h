// What the readers of the translators' tables share: the fault a record
// parser found (as a value, so that each program prints its own message and
// u7kit check its own, from the same verdict), the four columns of a table
// record, the ID column, and the refusal of a map code the output cannot
// carry.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Everything a record parser can find wrong, for the three kinds of file.
enum class RecordFault {
    none,
    // Table records (exultmsg.ja.txt, bg_text.ja.txt)
    missing_column,      // TYPE, ID or FONT empty, or fewer than four columns
    unknown_type,        // TYPE
    bad_id,              // ID: no whole number from 1 to 65535
    bad_message_number,  // ID of a MSG record: no whole number from 1 to 0x7FFFFFFF
    unknown_font,        // FONT
    unknown_message,     // no message has that kind and ID
    message_not_in_file,  // a MSG record's number is no message of the file read
    // Conversation table lines (usecode.*.txt)
    bad_function_id_column,  // the hex digits not followed by a tab
    bad_label,               // the label not followed by a tab
    missing_type_column,     // no tab after the type
    no_opening_quote,
    nothing_after_backslash,
    multibyte_character,  // in the English table
    bad_character,        // not the lead byte of a UTF-8 character
    no_closing_quote,
    text_after_quote,
    function_id_too_large,
};

// A fault and the byte position of the line where it stands.
struct RecordProblem {
    RecordFault fault = RecordFault::none;
    std::size_t column = 0;

    explicit operator bool() const { return fault != RecordFault::none; }
};

// The four columns of a table record "TYPE <tab> ID <tab> FONT <tab> TEXT"
// (TEXT runs to the line end, tabs and all), views of the line.
struct TableColumns {
    std::string_view type;
    std::string_view id;
    std::string_view font;
    std::string_view text;
    std::size_t id_at = 0;    // byte positions of the columns in the line
    std::size_t font_at = 0;
    std::size_t text_at = 0;
};

// Splits a record at its first three tabs; missing_column when TYPE, ID or
// FONT is empty or TEXT is missing.
RecordProblem split_table_columns(std::string_view line, TableColumns& columns);

// The ID column: a whole number (decimal, 0x hex or 0-prefixed octal;
// leading white space and a sign allowed) from 1 to 65535, else -1.
long read_record_id(std::string_view column);

// Letter case ignored.
bool same_name(std::string_view a, std::string_view b);

// The bytes an output cannot carry in a text: CR and LF end or split its
// lines (the engine's message file and the subtitle entries alike).
inline constexpr std::string_view LINE_BREAK_BYTES = "\r\n";

// A character of a text whose map code holds one of those bytes.
struct CodeByteFault {
    std::size_t position = 0;  // byte position in the text
    std::string_view character;
    unsigned char byte = 0;
};

// The first such character of a UTF-8 text (through the loaded map), or
// none.  Characters without a map entry and broken sequences are passed
// over: the conversion reports them.
std::optional<CodeByteFault> find_code_byte(std::string_view text, std::string_view bytes);

// The one message for it:
// "ERROR: '<character>' のコードには出力できない制御文字(0x0A)があります: <path>(<n>行目)".
void print_code_byte_fault(const CodeByteFault& fault, const char* path, int line_number);
