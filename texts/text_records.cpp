#include "texts/text_records.h"

#include "charmap/u7charmap.h"
#include "common/console.h"
#include "common/text_utils.h"

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

constexpr long MIN_RECORD_ID = 1;
constexpr long MAX_RECORD_ID = 65535;

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

RecordProblem split_table_columns(std::string_view line, TableColumns& columns)
{
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    const std::size_t third = second == std::string_view::npos ? second : line.find('\t', second + 1);
    if (third == std::string_view::npos || first == 0 || second == first + 1 || third == second + 1) {
        return {RecordFault::missing_column, 0};
    }
    columns.type = line.substr(0, first);
    columns.id_at = first + 1;
    columns.id = line.substr(columns.id_at, second - columns.id_at);
    columns.font_at = second + 1;
    columns.font = line.substr(columns.font_at, third - columns.font_at);
    columns.text_at = third + 1;
    columns.text = line.substr(columns.text_at);
    return {};
}

long read_record_id(std::string_view column)
{
    const std::string text(column);
    char* end = nullptr;
    errno = 0;
    const long id = std::strtol(text.c_str(), &end, 0);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE) return -1;
    if (id < MIN_RECORD_ID || id > MAX_RECORD_ID) return -1;
    return id;
}

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::optional<CodeByteFault> find_code_byte(std::string_view text, std::string_view bytes)
{
    std::size_t position = 0;
    while (position < text.size()) {
        const auto lead = static_cast<unsigned char>(text[position]);
        if (lead < 0x80) {
            ++position;
            continue;
        }
        const int length = utf8_char_length(lead);
        if (length <= 0 || static_cast<std::size_t>(length) > text.size() - position) return std::nullopt;
        const std::string_view character = text.substr(position, static_cast<std::size_t>(length));
        std::size_t code_size = 0;
        const char* code = lookup_charmap_packed(pack_charmap_name(character.data(), character.size()), &code_size);
        for (std::size_t i = 0; code != nullptr && i < code_size; ++i) {
            if (bytes.find(code[i]) != std::string_view::npos) {
                return CodeByteFault{position, character, static_cast<unsigned char>(code[i])};
            }
        }
        position += character.size();
    }
    return std::nullopt;
}

void print_code_byte_fault(const CodeByteFault& fault, const char* path, int line_number)
{
    console_printf("ERROR: '%.*s' のコードには出力できない制御文字(0x%02X)があります: %s(%d行目)\n",
                   static_cast<int>(fault.character.size()), fault.character.data(), static_cast<unsigned>(fault.byte),
                   path, line_number);
}
