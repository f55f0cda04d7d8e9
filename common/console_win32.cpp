// The CP932 conversion on Windows, without iconv: the system's code page
// 932 (WideCharToMultiByte, no best-fit guesses), one character at a time,
// adjusted where its table and the C library's CP932 table disagree so that
// both builds print the same bytes:
//
//   - seven characters that the C library maps one way onto a CP932
//     character of similar look are mapped the same here: the wave dash
//     U+301C (as U+FF5E), the minus sign U+2212 (as U+FF0D), the double
//     vertical line U+2016 (as U+2225), the cent, pound and not signs
//     U+00A2, U+00A3, U+00AC (as their full-width forms) and the em dash
//     U+2014 (as U+2015); besides, the yen sign U+00A5 and the overline
//     U+203E become the single bytes 0x5C and 0x7E;
//   - U+0080 and U+F8F0..U+F8F3, which only the system's table maps (onto
//     the single bytes 0x80, 0xA0, 0xFD..0xFF), are unconvertible.
#include "common/console_cp932.h"

#include <windows.h>

namespace {

struct Cp932Override {
    char32_t code_point;
    unsigned char bytes[2];
    int count;  // 0: CP932 lacks the character
};

constexpr Cp932Override OVERRIDES[] = {
    {0x0080, {0, 0}, 0},
    {0x00A2, {0x81, 0x91}, 2},
    {0x00A3, {0x81, 0x92}, 2},
    {0x00A5, {0x5C, 0}, 1},
    {0x00AC, {0x81, 0xCA}, 2},
    {0x2014, {0x81, 0x5C}, 2},
    {0x2016, {0x81, 0x61}, 2},
    {0x203E, {0x7E, 0}, 1},
    {0x2212, {0x81, 0x7C}, 2},
    {0x301C, {0x81, 0x60}, 2},
    {0xF8F0, {0, 0}, 0},
    {0xF8F1, {0, 0}, 0},
    {0xF8F2, {0, 0}, 0},
    {0xF8F3, {0, 0}, 0},
};

int encode_cp932(char32_t code_point, unsigned char out[2])
{
    if (code_point < 0x80) {
        out[0] = static_cast<unsigned char>(code_point);
        return 1;
    }
    for (const Cp932Override& entry : OVERRIDES) {
        if (entry.code_point == code_point) {
            out[0] = entry.bytes[0];
            out[1] = entry.bytes[1];
            return entry.count;
        }
    }
    // Code page 932 has no character outside the Basic Multilingual Plane.
    if (code_point > 0xFFFF) return 0;
    const wchar_t wide = static_cast<wchar_t>(code_point);
    char bytes[2] = {0, 0};
    BOOL used_default = FALSE;
    const int count = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, 2, nullptr, &used_default);
    if (count <= 0 || count > 2 || used_default) return 0;
    out[0] = static_cast<unsigned char>(bytes[0]);
    out[1] = static_cast<unsigned char>(bytes[1]);
    return count;
}

}  // namespace

int convert_and_write(std::FILE* stream, const char* text)
{
    return convert_and_write_with(stream, text, encode_cp932);
}

std::optional<std::string> convert_to_cp932(std::string_view text)
{
    return convert_to_cp932_with(text, encode_cp932);
}
