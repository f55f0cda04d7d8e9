#include "common/console_cp932.h"

#include "common/console.h"

#include <cerrno>
#include <cstring>

std::size_t skip_unconvertible(const char* input, std::size_t left)
{
    const auto first = static_cast<unsigned char>(input[0]);
    std::size_t skip = 1;
    if ((first & 0xC0) == 0xC0) {
        while (skip < left && (static_cast<unsigned char>(input[skip]) & 0xC0) == 0x80) ++skip;
    }
    return skip;
}

namespace {

bool is_continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length a lead byte announces, counting the old five- and six-byte forms
// as the C library's converter does; 0 for a byte that leads nothing.
std::size_t announced_length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xF8 && lead <= 0xFB) return 5;
    if (lead >= 0xFC && lead <= 0xFD) return 6;
    return 0;
}

enum class Decoded { character, malformed, truncated };

// Decodes the character at input.  A sequence that the end of the text
// cuts short (a lead byte followed only by continuation bytes, fewer than
// it announces) is truncated; any other sequence that is not well-formed
// UTF-8 (overlong, a surrogate, beyond U+10FFFF, a stray byte) is malformed.
Decoded decode(const unsigned char* input, std::size_t left, char32_t& code_point, std::size_t& length)
{
    const unsigned char lead = input[0];
    if (lead < 0x80) {
        code_point = lead;
        length = 1;
        return Decoded::character;
    }
    const std::size_t wanted = announced_length(lead);
    if (wanted == 0) return Decoded::malformed;
    std::size_t have = 1;
    while (have < left && have < wanted && is_continuation(input[have])) ++have;
    if (have < wanted) return have == left ? Decoded::truncated : Decoded::malformed;
    if (wanted > 4) return Decoded::malformed;

    char32_t value = lead & (0x7F >> wanted);
    for (std::size_t i = 1; i < wanted; ++i) value = (value << 6) | (input[i] & 0x3F);
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[wanted] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return Decoded::malformed;
    }
    code_point = value;
    length = wanted;
    return Decoded::character;
}

// Writes the converted bytes of one pass, terminated, with fputs.
void flush_chunk(std::FILE* stream, char* chunk, std::size_t used)
{
    chunk[used] = '\0';
    std::fputs(chunk, stream);
}

}  // namespace

int convert_and_write_with(std::FILE* stream, const char* text, Cp932Encoder encode)
{
    const auto* input = reinterpret_cast<const unsigned char*>(text);
    std::size_t input_left = std::strlen(text);
    char chunk[CONSOLE_CHUNK_SIZE];
    constexpr std::size_t capacity = CONSOLE_CHUNK_SIZE - 1;
    std::size_t used = 0;
    while (input_left > 0) {
        char32_t code_point = 0;
        std::size_t length = 1;
        const Decoded decoded = decode(input, input_left, code_point, length);
        if (decoded == Decoded::truncated) {
            // The pass in progress is dropped, as the C library's converter
            // reports the cut sequence before its output is written.
            std::printf("ERROR: %d: iconv\n", EINVAL);
            return -1;
        }
        unsigned char bytes[2] = {0, 0};
        const int count = decoded == Decoded::character ? encode(code_point, bytes) : 0;
        if (count <= 0) {
            flush_chunk(stream, chunk, used);
            used = 0;
            std::fputc('?', stream);
            const std::size_t skip = skip_unconvertible(reinterpret_cast<const char*>(input), input_left);
            input += skip;
            input_left -= skip;
            continue;
        }
        const auto size = static_cast<std::size_t>(count);
        if (used + size > capacity) {
            flush_chunk(stream, chunk, used);
            used = 0;
        }
        std::memcpy(chunk + used, bytes, size);
        used += size;
        input += length;
        input_left -= length;
    }
    if (used > 0) flush_chunk(stream, chunk, used);
    return 0;
}

std::optional<std::string> convert_to_cp932_with(std::string_view text, Cp932Encoder encode)
{
    std::string out;
    out.reserve(text.size());
    const auto* input = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t input_left = text.size();
    while (input_left > 0) {
        char32_t code_point = 0;
        std::size_t length = 1;
        const Decoded decoded = decode(input, input_left, code_point, length);
        if (decoded == Decoded::truncated) return std::nullopt;
        unsigned char bytes[2] = {0, 0};
        const int count = decoded == Decoded::character ? encode(code_point, bytes) : 0;
        if (count <= 0) {
            out += '?';
            const std::size_t skip = skip_unconvertible(reinterpret_cast<const char*>(input), input_left);
            input += skip;
            input_left -= skip;
            continue;
        }
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
        input += length;
        input_left -= length;
    }
    return out;
}
