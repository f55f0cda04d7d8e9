// The conversion of one formatted console message from UTF-8 to CP932, with
// one backend per platform behind console_vwrite.  Both backends give the
// same bytes: every character CP932 lacks and every malformed sequence
// becomes one "?" (a lead byte and the continuation bytes after it count as
// one sequence), the text is converted in passes of at most
// CONSOLE_CHUNK_SIZE - 1 bytes, and a sequence cut short by the end of the
// text prints "ERROR: 22: iconv" and fails, the bytes of the pass in
// progress being dropped.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// Converts text (terminated) and writes it to stream: 0, or -1 when the
// converter could not be opened or failed.
int convert_and_write(std::FILE* stream, const char* text);

// The CP932 bytes of a UTF-8 text, converted in memory by the rules above
// (one "?" per character CP932 lacks and per malformed sequence; zero bytes
// pass through).  Nothing, and no message, when the converter could not be
// opened or the text ends inside a sequence.
std::optional<std::string> convert_to_cp932(std::string_view text);

// Writes the CP932 bytes of one code point to out and gives their number
// (1 or 2), or 0 when CP932 lacks the character.
using Cp932Encoder = int (*)(char32_t code_point, unsigned char out[2]);

// The conversion above for a converter that takes one character at a time;
// the Windows backend is this with the system's code page 932.
int convert_and_write_with(std::FILE* stream, const char* text, Cp932Encoder encode);
std::optional<std::string> convert_to_cp932_with(std::string_view text, Cp932Encoder encode);

// Number of input bytes that one unconvertible sequence takes: a lead byte
// with its continuation bytes, or any other byte alone.
std::size_t skip_unconvertible(const char* input, std::size_t left);
