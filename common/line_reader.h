// The line reader of the translators' text files (translation tables,
// English tables): a line at a time, read in pieces of a fixed greatest
// length as the programs have always read them, with the byte order mark of
// line 1 and the line end taken off, and a line holding a zero byte or a CR
// that does not end it refused.  A zero byte would cut the line short
// unseen; a stray CR glues the lines of a file with CR-only line ends into
// one, or splits a line where the text is written out again.
#pragma once

#include "common/file_utils.h"

#include <cstdio>
#include <string>
#include <string_view>

// Where a line (length bytes as read, line end included) holds a zero byte
// or a CR that is not part of the CR and LF run ending it: the byte
// position of the first, or npos.
std::size_t find_stray_line_byte(std::string_view line);

// The one message for such a line:
// "ERROR: <path>(<n>行目): 不正な文字(NULまたはCR)があります".
void print_stray_line_byte(const char* path, int line_number);

// Refuses such a line with the message and returns false.
bool check_text_line(const char* line, std::size_t length, const char* path, int line_number);

enum class LineStatus { line, end, refused };

class LineReader {
public:
    // Pieces of at most max_length bytes, the line end included; the rest
    // of a longer line is the next piece, a line of its own.
    LineReader(std::FILE* stream, std::size_t max_length) : reader_(stream), max_length_(max_length) {}

    // The next line: its text without the line end (and without the byte
    // order mark on line 1).  refused: the piece holds a stray byte (the
    // line is still counted, stray_position() tells where); end: nothing
    // more, or a read error (failed() tells them apart).  The text stays
    // valid, and is followed by a zero byte, until the next call.
    LineStatus next(std::string_view& text);

    // Number of the last line read, from 1.
    int line_number() const { return line_number_; }
    // Whether the last piece holds its whole line: it ends with an LF, or
    // nothing but a line end (read next as an empty line) or the end of
    // the file follows it.
    bool whole() const { return whole_; }
    // Bytes the last piece held, the line end included.
    std::size_t piece_length() const { return piece_length_; }
    // Byte position of the stray byte of a refused piece, within the piece.
    std::size_t stray_position() const { return stray_; }
    // Bytes taken off the front of the piece (a byte order mark): 0 or 3.
    std::size_t text_offset() const { return offset_; }
    // Skips the rest of a line that was not whole.
    void skip_rest_of_line();
    bool failed() const { return reader_.failed(); }

private:
    TextLineReader reader_;
    std::size_t max_length_;
    std::string text_;
    int line_number_ = 0;
    bool whole_ = true;
    std::size_t piece_length_ = 0;
    std::size_t stray_ = std::string_view::npos;
    std::size_t offset_ = 0;
};
