#include "charmap/u7charmap.h"

#include "common/console.h"
#include "common/text_utils.h"

#include <cstring>

char* convert_text_by_charmap(char* output, std::int32_t capacity, const char* source)
{
    if (output == nullptr || source == nullptr || capacity <= 0) return nullptr;

    // Room is counted on the output bytes, the terminator included, so the
    // result holds at most capacity - 1 bytes and is never cut short.
    std::int32_t room = capacity;
    std::int32_t out = 0;
    const char* p = source;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte == 0) {
            output[out] = '\0';
            return output;
        }
        if (byte < 0x80) {
            if (--room <= 0) break;
            output[out++] = *p++;
            continue;
        }

        // The character's bytes, checked as get_utf8_char checks them (the
        // terminator is no continuation byte, so nothing past it is read).
        const int length = utf8_char_length(byte);
        bool valid = length > 0;
        for (int i = 1; valid && i < length; ++i) {
            valid = (static_cast<unsigned char>(p[i]) & 0xC0u) == 0x80u;
        }
        if (!valid) {
            console_printf("ERROR: 不正な文字コードです: %s\n", source);
            return nullptr;
        }
        std::size_t code_size = 0;
        const char* code = lookup_charmap_packed(pack_charmap_name(p, static_cast<std::size_t>(length)), &code_size);
        if (code == nullptr) {
            console_printf("ERROR: '%*.*s' は使用できません\n", length, length, p);
            return nullptr;
        }
        if (code_size == 0) {
            console_printf("ERROR: '%*.*s' の文字マップのコードが空です\n", length, length, p);
            return nullptr;
        }
        const auto code_length = static_cast<std::int32_t>(code_size);
        room -= code_length;
        if (room <= 0) break;
        std::memcpy(output + out, code, code_size);
        out += code_length;
        p += length;
    }
    console_printf("ERROR: 翻訳テキストが長すぎます: %s\n", source);
    return nullptr;
}
