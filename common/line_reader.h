// The line reader of the translators' text files (translation tables,
// English tables): a line at a time, of a fixed greatest length as the
// programs have always read them, with the byte order mark of line 1 and
// the line end taken off, and a line holding a zero byte or a CR that does
// not end it refused.  A zero byte would cut the line short unseen; a stray
// CR glues the lines of a file with CR-only line ends into one, or splits a
// line where the text is written out again.
//
// A comment (a line beginning with ";") runs to its line end however long
// it is; any other line longer than the greatest length is told apart, so
// that its tail is never taken for a line of its own.  The files are read
// in binary on every platform: a 0x1A byte is a byte like any other, and
// CR LF and LF line ends read the same.
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

// The one message for a line longer than a reader takes:
// "ERROR: <path>(<n>行目): 行が長すぎます(最大<max>バイト)".
void print_line_too_long(const char* path, int line_number, std::size_t max_length);

enum class LineStatus { line, end, refused, too_long };

class LineReader;

// The next line of reader, or the end.  A line holding a zero byte or a
// stray CR, or a line longer than the reader takes, is reported with its
// message (print_stray_line_byte, print_line_too_long) and its status
// returned.
LineStatus read_checked_line(LineReader& reader, const char* path, std::string_view& line);

class LineReader {
public:
    // Lines of at most max_length bytes before their line end.  The stream
    // is opened in binary ("rb").
    LineReader(std::FILE* stream, std::size_t max_length) : reader_(stream), max_length_(max_length) {}

    // The next line: its text without the line end (and without the byte
    // order mark on line 1).  A comment comes whole, however long.
    // too_long: a longer line; the text is its first max_length bytes, and
    // the next call reads on in the same line (as a piece of its own) unless
    // skip_rest_of_line() is called.  refused: the line holds a stray byte
    // (the line is still counted, stray_position() tells where).  end:
    // nothing more, or a read error (failed() tells them apart).  The text
    // stays valid, and is followed by a zero byte, until the next call.
    LineStatus next(std::string_view& text);

    // Number of the last line read, from 1.
    int line_number() const { return line_number_; }
    // Whether the last line was read whole (it was not too long).
    bool whole() const { return whole_; }
    std::size_t max_length() const { return max_length_; }
    // Bytes the last line held as read, the line end included.
    std::size_t piece_length() const { return piece_length_; }
    // Byte position of the stray byte of a refused line, within the line.
    std::size_t stray_position() const { return stray_; }
    // Bytes taken off the front of the line (a byte order mark): 0 or 3.
    std::size_t text_offset() const { return offset_; }
    // Skips the rest of a line that was not whole.
    void skip_rest_of_line();
    bool failed() const { return reader_.failed(); }

private:
    bool piece_ends_line(std::string_view piece);

    TextLineReader reader_;
    std::size_t max_length_;
    std::string text_;
    int line_number_ = 0;
    bool whole_ = true;
    std::size_t piece_length_ = 0;
    std::size_t stray_ = std::string_view::npos;
    std::size_t offset_ = 0;
};
