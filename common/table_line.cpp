#include "common/table_line.h"

#include "common/console.h"

#include <cerrno>
#include <cstdlib>

bool read_table_number(std::string_view field, bool is_signed, long long& value)
{
    std::size_t digits_at = 0;
    if (is_signed && !field.empty() && (field[0] == '+' || field[0] == '-')) digits_at = 1;
    if (digits_at >= field.size() || field[digits_at] < '0' || field[digits_at] > '9') return false;
    const std::string text(field);
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return errno == 0 && end == text.c_str() + text.size();
}

TableFields::TableFields(std::string_view text) : line(text), starts{0}
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') starts.push_back(i + 1);
    }
}

std::string_view TableFields::operator[](std::size_t k) const
{
    const std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 1 : line.size();
    return line.substr(starts[k], end - starts[k]);
}

int TableLineFaults::column_of(std::size_t position) const
{
    int column = 1;
    for (std::size_t i = 0; i < position && i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
    }
    return column;
}

void TableLineFaults::fault(std::size_t position, const std::string& what)
{
    console_printf("ERROR: %s(%d行目%d文字目): %s\n", path, line_number, column_of(position), what.c_str());
    ++faults;
}

bool TableLineFaults::next_record(LineReader& lines)
{
    std::string_view text;
    LineStatus status = LineStatus::end;
    while ((status = lines.next(text)) != LineStatus::end) {
        line_number = lines.line_number();
        if (status == LineStatus::refused) {
            print_stray_line_byte(path, line_number);
            ++faults;
            continue;
        }
        line = text;
        if (status == LineStatus::too_long) {
            fault(0, "行が長すぎます(最大" + std::to_string(lines.max_length()) + "バイト)");
            lines.skip_rest_of_line();
            continue;
        }
        if (!text.empty() && text[0] != ';') return true;
    }
    return false;
}
