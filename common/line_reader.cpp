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

void print_line_too_long(const char* path, int line_number, std::size_t max_length)
{
    console_printf("ERROR: %s(%d行目): 行が長すぎます(最大%zuバイト)\n", path, line_number, max_length);
}

bool LineReader::piece_ends_line(std::string_view piece)
{
    // A piece cut at the greatest length ends its line only when nothing
    // but the line end follows it.
    return piece.back() == '\n' || piece.size() < max_length_ || reader_.rest_is_line_end();
}

LineStatus LineReader::next(std::string_view& text)
{
    std::string_view piece = reader_.next(max_length_);
    if (piece.empty()) return LineStatus::end;
    ++line_number_;
    offset_ = line_number_ == 1 && piece.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    text_.assign(piece);
    whole_ = piece_ends_line(piece);
    // A comment is read to its end, so that no part of it is taken for a
    // record.
    const bool comment = text_.size() > offset_ && text_[offset_] == ';';
    while (!whole_ && comment) {
        piece = reader_.next(max_length_);
        if (piece.empty()) break;
        text_.append(piece);
        whole_ = piece_ends_line(piece);
    }
    // A line end that did not fit in the last piece is no line of its own.
    if (whole_ && text_.back() != '\n') reader_.skip_rest_of_line();
    piece_length_ = text_.size();
    stray_ = find_stray_line_byte(text_);
    text_.erase(0, offset_);
    while (!text_.empty() && (text_.back() == '\n' || text_.back() == '\r')) text_.pop_back();
    text = text_;
    if (!whole_) return LineStatus::too_long;
    return stray_ == std::string_view::npos ? LineStatus::line : LineStatus::refused;
}

void LineReader::skip_rest_of_line()
{
    if (!whole_) reader_.skip_rest_of_line();
    whole_ = true;
}

LineStatus read_checked_line(LineReader& reader, const char* path, std::string_view& line)
{
    const LineStatus status = reader.next(line);
    if (status == LineStatus::refused) print_stray_line_byte(path, reader.line_number());
    if (status == LineStatus::too_long) print_line_too_long(path, reader.line_number(), reader.max_length());
    return status;
}
