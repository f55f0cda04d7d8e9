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
#include "common/line_reader.h"
#include "charmap/u7charmap.h"

#include <cstdio>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* MODULE = "tawnix";

int find_subtitle_kind(std::string_view type_name)
{
    for (int kind = 0; kind < SUBTITLE_KIND_COUNT; ++kind) {
        if (same_name(type_name, subtitle_kinds[kind].type_name)) return kind;
    }
    return -1;
}

const char* bg_text_fault_message(RecordFault fault)
{
    switch (fault) {
    case RecordFault::unknown_type: return "ERROR: %s(%d行目): 不正なテキスト種別です\n";
    case RecordFault::bad_id: return "ERROR: %s(%d行目): 不正なIDです\n";
    case RecordFault::unknown_font: return "ERROR: %s(%d行目): 不正なフォント種別です\n";
    default: return "ERROR: %s(%d行目): syntax error\n";
    }
}

}  // namespace

RecordProblem parse_bg_text_record(std::string_view line, BgTextRecord& record)
{
    TableColumns& columns = record.columns;
    if (const RecordProblem problem = split_table_columns(line, columns)) return problem;
    record.kind = find_subtitle_kind(columns.type);
    if (record.kind < 0) return {RecordFault::unknown_type, 0};
    record.id = read_record_id(columns.id);
    if (record.id < 0) return {RecordFault::bad_id, columns.id_at};
    if (!same_name(columns.font, subtitle_kinds[record.kind].font_name)) return {RecordFault::unknown_font, columns.font_at};
    return {};
}

int write_english_text_file(const char* path, const SubtitleTables& tables)
{
    if (path == nullptr) return -1;
    // Written beside and put in place whole: a failed write leaves an
    // earlier table as it was, and never a table cut short that a later
    // run would take for a finished export.
    const int written = write_whole_file(path, [&tables](std::FILE* stream) {
        bool ok = std::fputs("; タブ区切りファイル\n", stream) >= 0 && std::fputs("; TYPE\tID\tFONT\tTEXT\n", stream) >= 0;
        for (int kind = 0; kind < SUBTITLE_KIND_COUNT && ok; ++kind) {
            const SubtitleTable& table = tables[static_cast<std::size_t>(kind)];
            for (std::size_t i = 0; i < table.lines.size() && ok; ++i) {
                const char* english = table.lines[i].english;
                ok = std::fprintf(stream, "%s\t%zu\t%s\t%s\n", subtitle_kinds[kind].type_name, i + 1,
                                  subtitle_kinds[kind].font_name, english != nullptr ? english : "") >= 0;
            }
        }
        return ok && std::fputs("; EOF\n", stream) >= 0 ? 0 : -1;
    }, "wt");
    if (written != 0) {
        console_printf("ERROR: %s を作成できません\n", path);
        return -1;
    }
    return 0;
}

int read_japanese_text_file(FlexArchive& archive, SubtitleTables& tables, const char* path)
{
    if (path == nullptr) return -1;
    FilePtr file = open_file_or_report(path, "rb");
    if (!file) return -1;

    LineReader reader(file.get(), SUBTITLE_TABLE_LINE_SIZE - 1);
    std::string_view line;
    LineStatus status = LineStatus::end;
    char converted[SUBTITLE_TABLE_LINE_SIZE];
    int accepted = 0;
    while ((status = read_checked_line(reader, path, line)) != LineStatus::end) {
        const int line_number = reader.line_number();
        if (status != LineStatus::line) return -1;
        if (line.empty() || line[0] == ';') continue;

        BgTextRecord record;
        RecordProblem problem = parse_bg_text_record(line, record);
        // An ID past the lines of its entry names no line.
        if (!problem && (record.id > tables[static_cast<std::size_t>(record.kind)].line_count ||
                         static_cast<std::size_t>(record.id) > tables[static_cast<std::size_t>(record.kind)].lines.size())) {
            problem = {RecordFault::bad_id, record.columns.id_at};
        }
        if (problem) {
            console_printf(bg_text_fault_message(problem.fault), path, line_number);
            return -1;
        }
        SubtitleTable& table = tables[static_cast<std::size_t>(record.kind)];
        if (convert_text_by_charmap(converted, SUBTITLE_TABLE_LINE_SIZE, record.columns.text.data()) == nullptr) {
            console_printf("ERROR: %s(%d行目): テキストを変換できません\n", path, line_number);
            return -1;
        }
        if (const auto code_fault = find_code_byte(record.columns.text, SUBTITLE_TEXT_BREAKING_BYTES)) {
            print_code_byte_fault(*code_fault, path, line_number);
            return -1;
        }
        try {
            table.lines[static_cast<std::size_t>(record.id - 1)].translation = std::string(converted);
        } catch (const std::bad_alloc&) {
            plain_printf("ERROR: %s(%d): memory exhausted!\n", MODULE, __LINE__);
            return -1;
        }
        ++accepted;
    }
    if (reader.failed()) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", path, reader.line_number() + 1);
        return -1;
    }
    file.reset();
    if (accepted == 0) {
        console_printf("ERROR: データがありません: %s\n", path);
        return 0;
    }
    if (rebuild_subtitle_entries(archive, tables) != 0) return -1;
    return accepted;
}
