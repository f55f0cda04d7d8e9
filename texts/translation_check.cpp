// check: reads translation files by the rules of the program that takes
// each of them, and reports everything that program or the game would trip
// on, with file, line and column: line faults, refused records, invalid
// UTF-8, characters missing from the map, texts too long once converted,
// and codes that the text's font cannot draw.
#include "texts/translation_check.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "texts/exult_messages.h"
#include "texts/bg_text.h"
#include "texts/usecode_tables.h"
#include "common/line_reader.h"
#include "common/text_utils.h"
#include "charmap/u7charmap.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <variant>

namespace {

// The game's fonts in the order of the map's font limits; the position is
// the font's entry in FONTS.VGA.
struct GameFont {
    const char* name;
    std::int32_t CharMap::*limit;
};
constexpr GameFont GAME_FONTS[] = {
    {"NORMAL", &CharMap::max_code_font_normal},     {"STATUS", &CharMap::max_code_font_status},
    {"BOOKS", &CharMap::max_code_font_books},       {"SUBTITLE", &CharMap::max_code_font_subtitle},
    {"MENU", &CharMap::max_code_font_menu},         {"BG_INTRO", &CharMap::max_code_font_bg_intro},
    {"BG_END2", &CharMap::max_code_font_bg_end2},   {"BG_END3", &CharMap::max_code_font_bg_end3},
    {"SI_INTRO", &CharMap::max_code_font_si_intro}, {"SPEECH_RED", &CharMap::max_code_font_speech_red},
};
constexpr int FONT_NORMAL_AT = 0;
constexpr int FONT_BOOKS_AT = 2;
constexpr int FONT_MENU_AT = 4;
constexpr int FONT_BG_INTRO_AT = 5;
constexpr int FONT_BG_END2_AT = 6;
constexpr int FONT_BG_END3_AT = 7;
constexpr int FONT_SI_INTRO_AT = 8;

// The fonts a text is drawn with (END2_MENU texts appear in two).
struct TextFonts {
    int first = FONT_NORMAL_AT;
    int second = -1;
};

// Line buffers and converted-text capacities of the programs.
constexpr std::size_t USECODE_LINE_SIZE = 4096;
constexpr std::size_t TABLE_LINE_SIZE = 1024;
constexpr std::size_t CONVERTED_CAPACITY = 1024;

struct FileCheck {
    const char* path;
    const CheckSettings& settings;
    CheckReport& report;
    int line_number = 0;
    std::string_view line;

    // 1-based character column of a byte position of the line.
    int column_of(std::size_t position) const
    {
        int column = 1;
        for (std::size_t i = 0; i < position && i < line.size(); ++i) {
            if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
        }
        return column;
    }

    void fault(std::size_t position, const char* format, ...) U7_PRINTF_FORMAT(3, 4)
    {
        va_list args;
        va_start(args, format);
        report_at("ERROR", position, format, args);
        va_end(args);
        ++report.faults;
    }

    void warning(std::size_t position, const char* format, ...) U7_PRINTF_FORMAT(3, 4)
    {
        va_list args;
        va_start(args, format);
        report_at("WARNING", position, format, args);
        va_end(args);
        ++report.warnings;
    }

    // One line: level, file, line and column, then what was found.
    void report_at(const char* level, std::size_t position, const char* format, va_list args) const
    {
        char what[1024];
        std::vsnprintf(what, sizeof what, format, args);
        console_printf("%s: %s(%d行目%d文字目): %s\n", level, path, line_number, column_of(position), what);
    }

    // Whether a font draws a code; faults name the character.
    void check_code(int code, const char* character, std::size_t position, int font_at)
    {
        if (font_at < 0) return;
        const GameFont& font = GAME_FONTS[font_at];
        const CharMap& map = current_charmap();
        const std::int32_t limit = map.*font.limit > 0 ? map.*font.limit : map.max_code;
        if (limit > 0 && code > limit) {
            fault(position, "'%s'(コード%d)はフォント%sにありません(最大%d)", character, code, font.name,
                  static_cast<int>(limit));
            return;
        }
        const std::vector<int>& glyphs = settings.font_glyphs;
        if (glyphs.empty()) return;
        const int count = static_cast<std::size_t>(font_at) < glyphs.size() ? glyphs[static_cast<std::size_t>(font_at)] : 0;
        if (code >= count) {
            fault(position, "'%s'(コード%d)はフォント%s(FONTS.VGA [%02d], %d文字)にありません", character, code, font.name,
                  font_at, count);
        }
    }

    // Every character of the text at [start, start + length) of the line.
    // capacity 0: no conversion limit.  A code holding one of the breaking
    // bytes cannot be written out.
    void check_text(std::size_t start, std::size_t length, TextFonts fonts, std::size_t capacity,
                    std::string_view breaking = {})
    {
        std::size_t converted = 0;
        std::size_t position = start;
        const std::size_t end = start + length;
        while (position < end) {
            const auto byte = static_cast<unsigned char>(line[position]);
            // ASCII is copied as it stands, and every font has it.
            if (byte < 0x80) {
                ++converted;
                ++position;
                continue;
            }
            const int size = utf8_char_length(byte);
            bool valid = size >= 2 && static_cast<std::size_t>(size) <= end - position;
            for (int k = 1; valid && k < size; ++k) {
                valid = (static_cast<unsigned char>(line[position + static_cast<std::size_t>(k)]) & 0xC0) == 0x80;
            }
            if (!valid) {
                fault(position, "不正なUTF-8です(0x%02X)", static_cast<unsigned>(byte));
                // The rest of the broken sequence goes with it.
                ++position;
                while (position < end && (static_cast<unsigned char>(line[position]) & 0xC0) == 0x80) ++position;
                continue;
            }
            const std::string character(line.substr(position, static_cast<std::size_t>(size)));
            ++report.characters[character];
            const char* code = lookup_charmap(character.c_str());
            if (code == nullptr) {
                ++report.missing[character];
                fault(position, "'%s' は文字マップにありません", character.c_str());
            } else {
                const std::string_view code_bytes(code);
                converted += code_bytes.size();
                const std::size_t breaking_at = code_bytes.find_first_of(breaking);
                if (breaking_at != std::string_view::npos) {
                    fault(position, "'%s' のコードには出力できない制御文字(0x%02X)があります", character.c_str(),
                          static_cast<unsigned>(static_cast<unsigned char>(code_bytes[breaking_at])));
                }
                const int value = get_code_value(code);
                if (value < 0) {
                    fault(position, "'%s' の文字マップのコードが不正です", character.c_str());
                } else if (value > 0) {
                    check_code(value, character.c_str(), position, fonts.first);
                    check_code(value, character.c_str(), position, fonts.second);
                }
            }
            position += static_cast<std::size_t>(size);
        }
        if (capacity > 0 && converted > capacity - 1) {
            fault(start, "変換後のテキストが長すぎます: %zuバイト(最大%zu)", converted, capacity - 1);
        }
    }
};

TextFonts exult_text_fonts(int font)
{
    switch (font) {
    case FONT_MENU: return {FONT_MENU_AT, -1};
    case FONT_END2: return {FONT_BG_END2_AT, -1};
    case FONT_END3: return {FONT_BG_END3_AT, -1};
    case FONT_INTRO: return {FONT_SI_INTRO_AT, -1};
    case FONT_END2_MENU: return {FONT_BG_END2_AT, FONT_MENU_AT};
    default: return {FONT_NORMAL_AT, -1};
    }
}

// A column's text for a message.
std::string column_text(std::string_view column)
{
    return std::string(column);
}

// The records of u7kit exultmsg, which takes oxleth's and MSG records too.
void check_exultmsg_record(FileCheck& check)
{
    ExultRecord record;
    const TableColumns& c = record.columns;
    if (const RecordProblem problem = parse_exult_record(check.line, MessageNumbers::any, record)) {
        switch (problem.fault) {
        case RecordFault::unknown_type:
            check.fault(problem.column, "不正なテキスト種別です: %s", column_text(c.type).c_str());
            break;
        case RecordFault::bad_message_number:
            check.fault(problem.column, "不正なメッセージ番号です: %s", column_text(c.id).c_str());
            break;
        case RecordFault::bad_id: check.fault(problem.column, "syntax error: ID %s", column_text(c.id).c_str()); break;
        case RecordFault::unknown_font:
            check.fault(problem.column, "不正なフォント種別です: %s", column_text(c.font).c_str());
            break;
        default: check.fault(problem.column, "syntax error"); break;
        }
        return;
    }
    // A MSG record's number may be any message of the file it is used with.
    const MessageRow* row = find_record_row(message_table.data(), record);
    if (row == nullptr && !record.by_number) {
        check.fault(c.id_at, "不正なIDです: %s %ld", text_kind_names[record.kind], record.id);
        return;
    }
    if (row != nullptr && row->font != record.font) {
        check.warning(c.font_at, "フォント種別が違います: %s", font_names[row->font]);
    }
    // A known message is drawn in its own font, whatever the record says;
    // any other in the record's.
    check.check_text(c.text_at, c.text.size(), exult_text_fonts(row != nullptr ? row->font : record.font),
                     CONVERTED_CAPACITY, EXULT_TEXT_BREAKING_BYTES);
}

void check_bgtext_record(FileCheck& check)
{
    BgTextRecord record;
    const TableColumns& c = record.columns;
    if (const RecordProblem problem = parse_bg_text_record(check.line, record)) {
        switch (problem.fault) {
        case RecordFault::unknown_type:
            check.fault(problem.column, "不正なテキスト種別です: %s", column_text(c.type).c_str());
            break;
        case RecordFault::bad_id: check.fault(problem.column, "不正なIDです: %s", column_text(c.id).c_str()); break;
        case RecordFault::unknown_font:
            check.fault(problem.column, "不正なフォント種別です: %s", column_text(c.font).c_str());
            break;
        default: check.fault(problem.column, "syntax error"); break;
        }
        return;
    }
    const bool intro = record.kind == SUBTITLE_KIND_INTRO;
    check.check_text(c.text_at, c.text.size(), {intro ? FONT_BG_INTRO_AT : FONT_MENU_AT, -1}, CONVERTED_CAPACITY,
                     SUBTITLE_TEXT_BREAKING_BYTES);
}

// A line of a four-field table: "<hex id>\t<label>\t<type>\t\"<text>\"".
void check_usecode_record(FileCheck& check)
{
    UsecodeRecord record;
    if (const RecordProblem problem = parse_usecode_record(check.line, UsecodeLayout::japanese, record)) {
        const std::size_t at = problem.column;
        switch (problem.fault) {
        case RecordFault::bad_function_id_column:
        case RecordFault::function_id_too_large: check.fault(at, "syntax error: 関数IDが不正です"); break;
        case RecordFault::bad_label: check.fault(at, "syntax error: ラベルが不正です"); break;
        case RecordFault::missing_type_column: check.fault(at, "syntax error: 列が足りません"); break;
        case RecordFault::no_opening_quote: check.fault(at, "syntax error: テキストが\"で始まっていません"); break;
        case RecordFault::text_after_quote: check.fault(at, "syntax error: テキストの後に文字があります"); break;
        case RecordFault::bad_character:
            check.fault(at, "不正なUTF-8です(0x%02X)", static_cast<unsigned>(static_cast<unsigned char>(check.line[at])));
            break;
        default: check.fault(at, "syntax error: テキストが\"で終わっていません"); break;
        }
        return;
    }
    const std::string label(record.label);
    if (check.settings.english != nullptr &&
        find_translation_entry(*check.settings.english, static_cast<std::uint16_t>(record.function_id), label) !=
            nullptr) {
        check.report.translated.emplace(record.function_id, label);
    }
    const bool book = record.type == "S.BOOK" || record.type == "S.SCROLL";
    check.check_text(record.text_at + 1, record.text.size() - 2, {book ? FONT_BOOKS_AT : FONT_NORMAL_AT, -1}, 0);
}

}  // namespace

CheckFormat check_format_by_name(const std::string& name)
{
    if (name == "usecode") return CheckFormat::usecode;
    if (name == "exultmsg") return CheckFormat::exultmsg;
    if (name == "bgtext") return CheckFormat::bgtext;
    return CheckFormat::unknown;
}

CheckFormat check_format_of_file(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.starts_with("usecode")) return CheckFormat::usecode;
    if (name.starts_with("exultmsg")) return CheckFormat::exultmsg;
    if (name.starts_with("bg_text")) return CheckFormat::bgtext;
    return CheckFormat::unknown;
}

int check_translation_file(const char* path, CheckFormat format, const CheckSettings& settings, CheckReport& report)
{
    FilePtr file = open_file_or_report(path, "rb");
    if (!file) return -1;
    const std::size_t line_size = format == CheckFormat::usecode ? USECODE_LINE_SIZE : TABLE_LINE_SIZE;
    LineReader reader(file.get(), line_size - 1);
    FileCheck check{path, settings, report, 0, {}};
    const int records_before = report.records;
    std::string_view text;
    LineStatus status = LineStatus::end;
    while ((status = reader.next(text)) != LineStatus::end) {
        check.line_number = reader.line_number();
        check.line = text;
        if (!reader.whole()) {
            // The rest of a line too long for the program is no line here.
            check.fault(text.size(), "行が長すぎます(最大%zuバイト)", line_size - 1);
            reader.skip_rest_of_line();
            continue;
        }
        if (status == LineStatus::refused) {
            check.fault(reader.stray_position() - reader.text_offset(), "不正な文字(NULまたはCR)があります");
            continue;
        }
        if (check.line.empty() || check.line[0] == ';') continue;
        ++report.records;
        switch (format) {
        case CheckFormat::usecode: check_usecode_record(check); break;
        case CheckFormat::exultmsg: check_exultmsg_record(check); break;
        case CheckFormat::bgtext: check_bgtext_record(check); break;
        case CheckFormat::unknown: return -1;
        }
    }
    if (reader.failed()) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", errno, path);
        return -1;
    }
    // oxleth and tawnix refuse a translation file without records.
    if (report.records == records_before && format != CheckFormat::usecode) {
        console_printf("ERROR: データがありません: %s\n", path);
        ++report.faults;
    }
    return 0;
}

void print_check_summary(const CheckReport& report, const CheckSettings& settings)
{
    int missing_total = 0;
    for (const auto& [character, count] : report.missing) missing_total += count;
    console_printf("INFORMATION: レコード数: %d\n", report.records);
    console_printf("INFORMATION: 文字の種類(ASCII以外): %zu\n", report.characters.size());
    console_printf("INFORMATION: 文字マップにない文字: %zu種類 %d個\n", report.missing.size(), missing_total);
    // Most frequent first; equal counts in byte order.
    std::vector<std::pair<std::string, int>> missing(report.missing.begin(), report.missing.end());
    std::stable_sort(missing.begin(), missing.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    for (const auto& [character, count] : missing) console_printf("    '%s' %d\n", character.c_str(), count);
    if (settings.english != nullptr) {
        const int translated = static_cast<int>(report.translated.size());
        const double percent = settings.english_lines > 0 ? 100.0 * translated / settings.english_lines : 0.0;
        console_printf("INFORMATION: 翻訳済み: %d / %d 行 (%.1f%%)\n", translated, settings.english_lines, percent);
    }
}

