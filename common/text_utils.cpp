#include "common/text_utils.h"

#include <cstring>

int utf8_char_length(unsigned char first_byte)
{
    if (first_byte < 0x80) return 1;
    if (first_byte < 0xC0) return -1;  // 10xxxxxx continues a character
    if (first_byte < 0xE0) return 2;
    if (first_byte < 0xF0) return 3;
    if (first_byte < 0xF8) return 4;
    if (first_byte < 0xFC) return 5;
    if (first_byte < 0xFE) return 6;
    return -1;  // 0xFE, 0xFF
}

static bool is_continuation_byte(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

int get_utf8_char(char* destination, const char* source)
{
    if (source == nullptr) return -1;
    const auto first = static_cast<unsigned char>(source[0]);
    if (first == 0) {
        if (destination != nullptr) destination[0] = '\0';
        return 0;
    }
    const int length = utf8_char_length(first);
    if (length < 0) return -1;
    if (destination == nullptr) return length;

    destination[0] = source[0];
    for (int i = 1; i < length; ++i) {
        // The terminator is no continuation byte, so this never runs past it.
        if (!is_continuation_byte(static_cast<unsigned char>(source[i]))) return -1;
        destination[i] = source[i];
    }
    destination[length] = '\0';
    return length;
}

unsigned decode_utf8_char(const char* source)
{
    const auto first = static_cast<unsigned char>(source[0]);
    const int length = utf8_char_length(first);
    if (length < 0) return 0;
    if (length == 1) return first;

    static constexpr unsigned char payload_mask[7] = {0, 0x7F, 0x1F, 0x0F, 0x07, 0x03, 0x01};
    unsigned code = first & payload_mask[length];
    for (int i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(source[i]);
        if (!is_continuation_byte(byte)) return 0;
        code = (code << 6) | (byte & 0x3Fu);
    }
    return code;
}

static bool starts_with_bom(const char* text)
{
    return static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
           static_cast<unsigned char>(text[2]) == 0xBF;
}

int remove_utf8_bom(char* text)
{
    if (text == nullptr) return -1;
    // Each byte is compared before the next is looked at, so a short text
    // stops at its terminator.
    if (!starts_with_bom(text)) return 0;
    std::memmove(text, text + 3, std::strlen(text + 3) + 1);
    return 1;
}

int remove_utf8_bom(std::string& text)
{
    if (!starts_with_bom(text.c_str())) return 0;
    text.erase(0, 3);
    return 1;
}

static bool is_line_end(char c)
{
    return c == '\r' || c == '\n';
}

int remove_trailing_newlines(char* text)
{
    if (text == nullptr) return -1;
    std::size_t length = std::strlen(text);
    int removed = 0;
    while (length > 0 && is_line_end(text[length - 1])) {
        text[--length] = '\0';
        ++removed;
    }
    return removed;
}

int remove_trailing_newlines(std::string& text)
{
    int removed = 0;
    while (!text.empty() && is_line_end(text.back())) {
        text.pop_back();
        ++removed;
    }
    return removed;
}

std::optional<StringViewList> split_in_place(const char* text, char separator, int field_limit)
{
    if (text == nullptr) return std::nullopt;
    const std::string_view whole(text);
    std::size_t limit = field_limit > 0 ? static_cast<std::size_t>(field_limit) : 0;
    if (limit == 0) {
        limit = 1;
        for (char c : whole) {
            if (c == separator) ++limit;
        }
    }

    StringViewList fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < whole.size() && fields.size() + 1 < limit; ++i) {
        if (whole[i] == separator) {
            fields.push_back(whole.substr(start, i - start));
            start = i + 1;
        }
    }
    fields.push_back(whole.substr(start));
    return fields;
}

// End of the field that begins at start: the first separator outside a
// quoted stretch, or the end of the text.
static std::size_t find_field_end(std::string_view text, std::size_t start, char separator,
                                  bool quote_aware)
{
    bool quoted = false;
    std::size_t i = start;
    while (i < text.size()) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\') {
                if (i + 1 >= text.size()) return text.size();  // trailing backslash ends the field
                i += 2;
                continue;
            }
            if (c == '"') quoted = false;
        } else if (quote_aware && c == '"') {
            quoted = true;
        } else if (c == separator) {
            return i;
        }
        ++i;
    }
    return text.size();
}

std::optional<StringList> split_string(const char* text, char separator, int field_limit,
                                       bool quote_aware)
{
    if (text == nullptr || text[0] == '\0') return std::nullopt;
    const std::string_view whole(text);
    const std::size_t limit = field_limit > 0 ? static_cast<std::size_t>(field_limit) : 0;

    StringList fields;
    std::size_t start = 0;
    for (;;) {
        if (limit != 0 && fields.size() + 1 == limit) {
            fields.emplace_back(whole.substr(start));
            break;
        }
        const std::size_t end = find_field_end(whole, start, separator, quote_aware);
        fields.emplace_back(whole.substr(start, end - start));
        if (end >= whole.size()) break;
        start = end + 1;  // exactly one separator
    }
    return fields;
}

static char unescape_byte(char c)
{
    switch (c) {
    case 't': return '\t';
    case 'r': return '\r';
    case 'n': return '\n';
    default: return c;
    }
}

std::optional<std::string> unquote_string(const char* text)
{
    if (text == nullptr || text[0] != '"') return std::nullopt;
    std::string result;
    for (const char* p = text + 1; *p != '\0'; ++p) {
        if (*p == '"') return result;
        if (*p == '\\') {
            ++p;
            if (*p == '\0') return std::nullopt;
            result.push_back(unescape_byte(*p));
        } else {
            result.push_back(*p);
        }
    }
    return std::nullopt;
}

std::optional<std::string> parse_quoted_text(const char* text, StatusCode* status)
{
    auto fail = [status](StatusCode code) -> std::optional<std::string> {
        if (status != nullptr) *status = code;
        return std::nullopt;
    };
    if (text == nullptr) return fail(STATUS_NULL_STRING);
    if (text[0] != '"') return fail(STATUS_NO_OPENING_QUOTE);

    std::string result;
    const char* p = text + 1;
    while (*p != '\0' && *p != '"') {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte == '\\') {
            if (p[1] == '\0') return fail(STATUS_NOTHING_AFTER_BACKSLASH);
            result.push_back(unescape_byte(p[1]));
            p += 2;
        } else if (byte >= 0x80) {
            const int length = utf8_char_length(byte);
            if (length < 0) return fail(STATUS_BAD_CHARACTER);
            // The following bytes are copied unexamined, but a character cut
            // short by the end of the text leaves the text without its
            // closing quote.
            for (int i = 0; i < length; ++i) {
                if (p[i] == '\0') return fail(STATUS_NO_CLOSING_QUOTE);
            }
            result.append(p, static_cast<std::size_t>(length));
            p += length;
        } else {
            result.push_back(*p);
            ++p;
        }
    }
    if (*p == '\0') return fail(STATUS_NO_CLOSING_QUOTE);
    if (p[1] != '\0') return fail(STATUS_TEXT_AFTER_QUOTE);
    return result;
}

const char* get_status_message(StatusCode code)
{
    switch (code) {
    case STATUS_OK: return "no error";
    case STATUS_NULL_STRING: return "null string";
    case STATUS_NO_MEMORY: return "memory exhausted!";
    case STATUS_NO_OPENING_QUOTE: return "テキストが \" で始まっていません。";
    case STATUS_NOTHING_AFTER_BACKSLASH: return "\\ の後に文字がありません。";
    case STATUS_BAD_CHARACTER: return "不正な文字コードです。";
    case STATUS_NO_CLOSING_QUOTE: return "テキストが \" で終わっていません。";
    case STATUS_TEXT_AFTER_QUOTE:
        return "テキストが \" で終わっていないか、テキスト中に前に \\ のない \" があります。";
    default: return "unknown error";
    }
}

std::string quote_string(const char* text)
{
    const std::string_view source(text);
    std::string result;
    result.reserve(source.size() * 2 + 2);
    result.push_back('"');
    for (char c : source) {
        switch (c) {
        case '\t': result += "\\t"; break;
        case '\r': result += "\\r"; break;
        case '\n': result += "\\n"; break;
        case '"': result += "\\\""; break;
        case '\\': result += "\\\\"; break;
        default: result.push_back(c); break;
        }
    }
    result.push_back('"');
    return result;
}

void append_hex(std::string& out, std::uint32_t value, int min_digits)
{
    static constexpr char HEX_DIGITS[] = "0123456789ABCDEF";
    char digits[8];
    int count = 0;
    do {
        digits[count++] = HEX_DIGITS[value & 0xFu];
        value >>= 4;
    } while (value != 0);
    for (int i = count; i < min_digits; ++i) out += '0';
    while (count != 0) out += digits[--count];
}

void append_utf8_char(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
