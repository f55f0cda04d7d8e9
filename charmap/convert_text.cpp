#include "u7charmap.h"

#include "console.h"
#include "text_utils.h"

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

        char character[UTF8_CHAR_BUFFER_SIZE];
        const int length = get_utf8_char(character, p);
        if (length <= 0) {
            console_printf("ERROR: 不正な文字コードです: %s\n", source);
            return nullptr;
        }
        const char* code = lookup_charmap(character);
        if (code == nullptr) {
            console_printf("ERROR: '%*.*s' は使用できません\n", length, length, p);
            return nullptr;
        }
        const auto code_length = static_cast<std::int32_t>(std::strlen(code));
        room -= code_length;
        if (room <= 0) break;
        std::memcpy(output + out, code, static_cast<std::size_t>(code_length));
        out += code_length;
        p += length;
    }
    console_printf("ERROR: 翻訳テキストが長すぎます: %s\n", source);
    return nullptr;
}
