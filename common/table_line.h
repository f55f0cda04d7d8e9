// The fields of one line of a translator's table (the font table, a font
// recipe): tab-separated fields, whole-field numbers, and faults reported
// with the line and the column counted in characters.
#pragma once

#include "common/line_reader.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A whole field as a number: decimal, 0x hexadecimal or 0-prefixed octal,
// a sign only where signed; no blanks, nothing after it.
bool read_table_number(std::string_view field, bool is_signed, long long& value);

// A line split at its tabs: starts holds the byte position of each field.
struct TableFields {
    std::string_view line;
    std::vector<std::size_t> starts;

    explicit TableFields(std::string_view text);
    std::size_t count() const { return starts.size(); }
    std::string_view operator[](std::size_t k) const;
};

// Reports the faults of one table's lines, counting them:
// "ERROR: <path>(<n>行目<m>文字目): <what>".
struct TableLineFaults {
    const char* path = nullptr;
    int line_number = 0;
    std::string_view line;
    int faults = 0;

    // The column (from 1, in characters) of a byte position of the line.
    int column_of(std::size_t position) const;
    void fault(std::size_t position, const std::string& what);

    // The next record of the table into line: comments (of any length) and
    // empty lines are passed over; a line holding a stray byte, or longer
    // than the reader takes, is reported as a fault and passed over.  false
    // at the end of the file (lines.failed() tells a read error).
    bool next_record(LineReader& lines);
};
