// The text utilities on arbitrary bytes: splitting, unquoting, UTF-8
// stepping.  Quoting then unquoting must give the text back.
#include "common/text_utils.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* c = text.c_str();  // stops at the first zero byte, as files read line by line do

    StatusCode status = STATUS_OK;
    (void)parse_quoted_text(c, &status);
    (void)unquote_string(c);
    (void)split_string(c, '\t', 4, false);
    (void)split_string(c, ',', 0, true);
    (void)split_in_place(c, '\t', 0);
    for (const char* p = c; *p != '\0';) {
        char buffer[UTF8_CHAR_BUFFER_SIZE];
        const int length = get_utf8_char(buffer, p);
        (void)decode_utf8_char(p);
        (void)length;
        ++p;  // every position is tried, continuation bytes included
    }

    const std::string quoted = quote_string(c);
    const auto back = unquote_string(quoted.c_str());
    if (!back || *back != std::string(c)) std::abort();
    return 0;
}
