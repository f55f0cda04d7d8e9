// Text utilities shared by the readers and writers of the toolkit's text
// files: UTF-8 character stepping, byte order mark and line end removal,
// field splitting, and quoting of texts with backslash escapes.
//
// Inputs are zero-terminated byte strings; a null pointer is refused as the
// functions document.  Results that the C library would hand back as new
// allocations are returned as C++ values here, with std::nullopt standing
// for "no result".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Results of the strict unquoting, with fixed messages (get_status_message).
using StatusCode = int;
inline constexpr StatusCode STATUS_OK = 0;
inline constexpr StatusCode STATUS_NULL_STRING = -1;
inline constexpr StatusCode STATUS_NO_MEMORY = -2;
inline constexpr StatusCode STATUS_NO_OPENING_QUOTE = 1;
inline constexpr StatusCode STATUS_NOTHING_AFTER_BACKSLASH = 2;
inline constexpr StatusCode STATUS_BAD_CHARACTER = 3;
inline constexpr StatusCode STATUS_NO_CLOSING_QUOTE = 4;
inline constexpr StatusCode STATUS_TEXT_AFTER_QUOTE = 5;

// Room that get_utf8_char needs at its destination (six bytes and a zero).
inline constexpr std::size_t UTF8_CHAR_BUFFER_SIZE = 7;

// Fields of a split line.  A field that the line does not reach is simply
// absent, so size() is the number of fields present.
using StringList = std::vector<std::string>;
using StringViewList = std::vector<std::string_view>;

// Length in bytes that a UTF-8 first byte announces (1 to 6), or -1 for a
// byte that cannot begin a character (10xxxxxx, 0xFE, 0xFF).
int utf8_char_length(unsigned char first_byte);

// Length of the character at source: 0 at the end of the text, -1 for a
// null source or an invalid first byte.  With a null destination only the
// first byte is examined; otherwise the character's bytes are copied to the
// destination (UTF8_CHAR_BUFFER_SIZE bytes of room) followed by a zero, and
// every following byte must be 10xxxxxx, else the result is -1.  Never reads
// past the terminator of the source.
int get_utf8_char(char* destination, const char* source);

// Code point of the character at source; 0 at the end, for an invalid first
// byte or for a missing continuation byte.  The source must not be null.
unsigned decode_utf8_char(const char* source);

// Appends the UTF-8 bytes of a code point (one to four bytes).
void append_utf8_char(std::string& out, char32_t code_point);

// Removes a leading EF BB BF (terminator moved along): 1 if removed, 0 if
// not there, -1 for a null text.
int remove_utf8_bom(char* text);
int remove_utf8_bom(std::string& text);

// Cuts every CR and LF at the end of the text; returns how many, or -1 for
// a null text.
int remove_trailing_newlines(char* text);
int remove_trailing_newlines(std::string& text);

// Splits at the separator byte into views of the caller's text.  A limit of
// 0 or less means one field per separator plus one; once the last allowed
// field has started, the rest of the text, separators included, belongs to
// it.  std::nullopt for a null text.
std::optional<StringViewList> split_in_place(const char* text, char separator, int field_limit);

// Splits at the separator byte into new strings, keeping each field's bytes
// as they stand.  With quote_aware set, separators inside double-quoted
// stretches (backslash escapes honoured) do not split.  std::nullopt for a
// null or empty text.
std::optional<StringList> split_string(const char* text, char separator, int field_limit,
                                       bool quote_aware);

// Lenient decoding of a double-quoted text: \t \r \n and \<byte>; anything
// after the closing quote is ignored.  std::nullopt when the text is null,
// does not begin with a quote, or ends before the closing quote.
std::optional<std::string> unquote_string(const char* text);

// Strict decoding of a double-quoted text.  On failure the status (if not
// null) receives the reason and the result is std::nullopt; on success the
// status is left untouched.
std::optional<std::string> parse_quoted_text(const char* text, StatusCode* status);

// Fixed message of a StatusCode; never null.
const char* get_status_message(StatusCode code);

// The text in double quotes, with TAB, CR, LF, double quote and backslash
// escaped.  The text must not be null.
std::string quote_string(const char* text);

// Appends value in upper-case hexadecimal, at least min_digits digits with
// leading zeros, as printf's "%.*X" writes it, without the cost of a
// formatted print per number.
void append_hex(std::string& out, std::uint32_t value, int min_digits);
