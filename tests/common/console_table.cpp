// Prints every character of the Basic Multilingual Plane from U+0020 (no
// surrogates) through the console's CP932 conversion, one a line as
// "XXXX:<character>", in one message.  The end-to-end tests compare what the
// Windows build prints with the C library's CP932.
#include "common/console.h"

#include <string>

int main()
{
    std::string text;
    char prefix[8];
    for (char32_t c = 0x20; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::snprintf(prefix, sizeof prefix, "%04X:", static_cast<unsigned>(c));
        text += prefix;
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
        text += '\n';
    }
    return console_write(stdout, ConsoleMode::convert, "%s", text.c_str()) == 0 ? 0 : 1;
}
