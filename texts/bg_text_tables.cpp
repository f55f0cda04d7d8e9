// The text tables exchanged with the translator: bg_text.en.txt (written)
// and bg_text.ja.txt (read).  One record a line, four tab-separated
// columns:
//
//   TYPE <tab> ID <tab> FONT <tab> TEXT
//
//   TYPE  BG_INTRO or BG_ENDGAME2 (any letter case when read)
//   ID    the line's number within its kind, from 1 (decimal, 0x hex or
//         0-prefixed octal)
//   FONT  GUARDIAN for BG_INTRO, MENU for BG_ENDGAME2 (any letter case)
//   TEXT  the rest of the line, tabs included, taken literally
//
// Lines beginning with ";" are comments, empty lines are skipped, and a
// byte order mark on line 1 is dropped.
#include "texts/bg_text.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/text_utils.h"
#include "charmap/u7charmap.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* MODULE = "tawnix";

constexpr long MIN_LINE_ID = 1;
constexpr long MAX_LINE_ID = 65535;

// Reads one line of at most SUBTITLE_TABLE_LINE_SIZE - 1 bytes, its LF
// included when it fits, as fgets would, but keeps every byte (a zero byte
// too).  False at the end of the file with nothing read, or on a read
// error.
bool read_table_line(std::FILE* file, std::string& line)
{
    line.clear();
    while (line.size() < static_cast<std::size_t>(SUBTITLE_TABLE_LINE_SIZE - 1)) {
        const int c = std::getc(file);
        if (c == EOF) break;
        line += static_cast<char>(c);
        if (c == '\n') break;
    }
    return !line.empty();
}

// The ID column: the whole column one number (leading white space and a
// sign allowed) from 1 to 65535, else -1.
long read_line_id(const std::string& column)
{
    char* end = nullptr;
    errno = 0;
    const long id = std::strtol(column.c_str(), &end, 0);
    if (end == column.c_str() || *end != '\0' || errno == ERANGE) return -1;
    if (id < MIN_LINE_ID || id > MAX_LINE_ID) return -1;
    return id;
}

int find_subtitle_kind(const std::string& type_name)
{
    for (int kind = 0; kind < SUBTITLE_KIND_COUNT; ++kind) {
        if (strcasecmp(type_name.c_str(), subtitle_kinds[kind].type_name) == 0) return kind;
    }
    return -1;
}

// A failed write leaves a table cut short; a regular file is removed so
// that a later run does not take it for a finished export.
void remove_cut_short_file(const char* path)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error))) {
        std::filesystem::remove(path, error);
    }
}

int write_failure(const char* path)
{
    console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
    console_printf("ERROR: %s を作成できません\n", path);
    return -1;
}

}  // namespace

int write_english_text_file(const char* path, const SubtitleTables& tables)
{
    if (path == nullptr) return -1;
    FilePtr file = open_file_or_report(path, "w");
    if (!file) {
        console_printf("ERROR: %s を作成できません\n", path);
        return -1;
    }
    std::FILE* const stream = file.get();
    bool written = std::fputs("; タブ区切りファイル\n", stream) >= 0 && std::fputs("; TYPE\tID\tFONT\tTEXT\n", stream) >= 0;
    for (int kind = 0; kind < SUBTITLE_KIND_COUNT && written; ++kind) {
        const SubtitleTable& table = tables[static_cast<std::size_t>(kind)];
        for (std::size_t i = 0; i < table.lines.size() && written; ++i) {
            const char* english = table.lines[i].english;
            written = std::fprintf(stream, "%s\t%zu\t%s\t%s\n", subtitle_kinds[kind].type_name, i + 1,
                                   subtitle_kinds[kind].font_name, english != nullptr ? english : "") >= 0;
        }
    }
    written = written && std::fputs("; EOF\n", stream) >= 0;
    if (!written) {
        const int saved_errno = errno;
        file.reset();
        remove_cut_short_file(path);
        errno = saved_errno;
        return write_failure(path);
    }
    if (close_written_file(file) != 0) {
        const int saved_errno = errno;
        remove_cut_short_file(path);
        errno = saved_errno;
        return write_failure(path);
    }
    return 0;
}

int read_japanese_text_file(FlexArchive& archive, SubtitleTables& tables, const char* path)
{
    if (path == nullptr) return -1;
    FilePtr file = open_file_or_report(path, "r");
    if (!file) return -1;

    std::string line;
    char converted[SUBTITLE_TABLE_LINE_SIZE];
    int line_number = 0;
    int accepted = 0;
    while (read_table_line(file.get(), line)) {
        ++line_number;
        if (line_number == 1) remove_utf8_bom(line);
        remove_trailing_newlines(line);
        // A zero byte would cut the line short unseen, and a CR inside it
        // would split a subtitle line in the rebuilt entry.
        if (line.find('\0') != std::string::npos) {
            console_printf("ERROR: %s(%d行目): NUL文字があります\n", path, line_number);
            return -1;
        }
        if (line.find('\r') != std::string::npos) {
            console_printf("ERROR: %s(%d行目): 行の途中にCR文字があります\n", path, line_number);
            return -1;
        }
        if (line.empty() || line[0] == ';') continue;

        const std::optional<StringList> fields = split_string(line.c_str(), '\t', 4, false);
        if (!fields || fields->size() < 4 || (*fields)[0].empty() || (*fields)[1].empty() ||
            (*fields)[2].empty()) {
            console_printf("ERROR: %s(%d行目): syntax error\n", path, line_number);
            return -1;
        }
        const int kind = find_subtitle_kind((*fields)[0]);
        if (kind < 0) {
            console_printf("ERROR: %s(%d行目): 不正なテキスト種別です\n", path, line_number);
            return -1;
        }
        SubtitleTable& table = tables[static_cast<std::size_t>(kind)];
        const long id = read_line_id((*fields)[1]);
        if (id < 0 || id > table.line_count || static_cast<std::size_t>(id) > table.lines.size()) {
            console_printf("ERROR: %s(%d行目): 不正なIDです\n", path, line_number);
            return -1;
        }
        if (strcasecmp((*fields)[2].c_str(), subtitle_kinds[kind].font_name) != 0) {
            console_printf("ERROR: %s(%d行目): 不正なフォント種別です\n", path, line_number);
            return -1;
        }
        // A code byte CR or LF (a map may give one) would split the line
        // in the rebuilt entry.
        if (convert_text_by_charmap(converted, SUBTITLE_TABLE_LINE_SIZE, (*fields)[3].c_str()) == nullptr ||
            std::strpbrk(converted, "\r\n") != nullptr) {
            console_printf("ERROR: %s(%d行目): テキストを変換できません\n", path, line_number);
            return -1;
        }
        try {
            table.lines[static_cast<std::size_t>(id - 1)].translation = std::string(converted);
        } catch (const std::bad_alloc&) {
            plain_printf("ERROR: %s(%d): memory exhausted!\n", MODULE, __LINE__);
            return -1;
        }
        ++accepted;
    }
    if (std::ferror(file.get()) != 0) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", path, line_number + 1);
        return -1;
    }
    file.reset();
    if (rebuild_subtitle_entries(archive, tables) != 0) return -1;
    return accepted;
}
