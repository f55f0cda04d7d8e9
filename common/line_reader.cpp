#include "common/line_reader.h"

#include "common/console.h"
#include "common/text_utils.h"

std::size_t find_stray_line_byte(std::string_view line)
{
    std::size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
    for (std::size_t i = 0; i < end; ++i) {
        if (line[i] == '\0' || line[i] == '\r') return i;
    }
    return std::string_view::npos;
}

void print_stray_line_byte(const char* path, int line_number)
{
    console_printf("ERROR: %s(%d行目): 不正な文字(NULまたはCR)があります\n", path, line_number);
}

bool check_text_line(const char* line, std::size_t length, const char* path, int line_number)
{
    if (line != nullptr && find_stray_line_byte(std::string_view(line, length)) == std::string_view::npos) return true;
    print_stray_line_byte(path, line_number);
    return false;
}

LineStatus LineReader::next(std::string_view& text)
{
    std::string_view piece = reader_.next(max_length_);
    if (piece.empty()) return LineStatus::end;
    ++line_number_;
    piece_length_ = piece.size();
    // A piece cut at the greatest length ends its line only when nothing
    // but the line end follows it (which is then a piece of its own).
    whole_ = piece.back() == '\n' || piece.size() < max_length_ || reader_.rest_is_line_end();
    stray_ = find_stray_line_byte(piece);
    offset_ = line_number_ == 1 && piece.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    piece.remove_prefix(offset_);
    while (!piece.empty() && (piece.back() == '\n' || piece.back() == '\r')) piece.remove_suffix(1);
    text_.assign(piece);
    text = text_;
    return stray_ == std::string_view::npos ? LineStatus::line : LineStatus::refused;
}

void LineReader::skip_rest_of_line()
{
    if (!whole_) reader_.skip_rest_of_line();
    whole_ = true;
}
