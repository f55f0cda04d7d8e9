#include "texts/exult_messages.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/line_reader.h"
#include "common/text_utils.h"
#include "charmap/u7charmap.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

const char* const text_kind_names[TEXT_KIND_COUNT] = {
    "", "COMMON", "BG_ENDGAME", "SI_INTRO", "SI_ENDGAME", "OINK",
};

const char* const font_names[FONT_COUNT] = {
    "error", "MENU", "END2", "END3", "INTRO", "END2_MENU", "NORMAL", "OINK",
};

namespace {

// A run of rows: within a run the translation ID (unless there is none) and
// the message number both go up by one per row.
struct MessageRun {
    std::int32_t kind;
    std::int32_t first_id;  // NO_TRANSLATION_ID for messages that cannot be translated
    std::int32_t first_number;
    std::int32_t last_number;
    std::int32_t font;
};

constexpr MessageRun message_runs[] = {
    {TEXT_KIND_COMMON, 1, 0x500, 0x50F, FONT_NORMAL},
    {TEXT_KIND_COMMON, 17, 0x510, 0x512, FONT_END2_MENU},
    {TEXT_KIND_BG_ENDGAME, 1, 0x513, 0x514, FONT_MENU},
    {TEXT_KIND_BG_ENDGAME, 3, 0x515, 0x516, FONT_END2},
    {TEXT_KIND_BG_ENDGAME, 5, 0x517, 0x518, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, 7, 0x519, 0x51E, FONT_END3},
    {TEXT_KIND_BG_ENDGAME, NO_TRANSLATION_ID, 0x51F, 0x520, FONT_END3},
    {TEXT_KIND_BG_ENDGAME, 13, 0x521, 0x52A, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, NO_TRANSLATION_ID, 0x52B, 0x52B, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, 23, 0x52C, 0x531, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, NO_TRANSLATION_ID, 0x532, 0x534, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, 29, 0x535, 0x53A, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, NO_TRANSLATION_ID, 0x53B, 0x53C, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, 35, 0x53D, 0x540, FONT_NORMAL},
    {TEXT_KIND_BG_ENDGAME, NO_TRANSLATION_ID, 0x541, 0x54A, FONT_NORMAL},
    {TEXT_KIND_SI_INTRO, 1, 0x54B, 0x569, FONT_INTRO},
    {TEXT_KIND_SI_INTRO, 32, 0x57F, 0x57F, FONT_INTRO},
    {TEXT_KIND_SI_ENDGAME, 1, 0x56A, 0x57E, FONT_INTRO},
    {TEXT_KIND_OINK, 1, 0x580, 0x581, FONT_OINK},
};

constexpr std::array<MessageRow, MESSAGE_ROW_COUNT + 1> make_message_table()
{
    std::array<MessageRow, MESSAGE_ROW_COUNT + 1> table{};
    std::size_t row = 0;
    table[row++] = {TEXT_KIND_NONE, 0, 0, FONT_NORMAL};
    for (const MessageRun& run : message_runs) {
        for (std::int32_t number = run.first_number; number <= run.last_number; ++number) {
            const std::int32_t step = number - run.first_number;
            const std::int32_t id = run.first_id == NO_TRANSLATION_ID ? NO_TRANSLATION_ID : run.first_id + step;
            table[row++] = {run.kind, id, number, run.font};
        }
    }
    table[row] = {TEXT_KIND_END, 0, 0, FONT_ERROR};
    return table;
}

constexpr int count_run_rows()
{
    int rows = 1;  // the row for lines that are no message
    for (const MessageRun& run : message_runs) rows += run.last_number - run.first_number + 1;
    return rows;
}
static_assert(count_run_rows() == MESSAGE_ROW_COUNT, "the runs must give the table's 131 rows");

// Position of the text that follows the leading CRs and LFs.
const char* skip_line_ends(const char* text)
{
    while (*text == '\r' || *text == '\n') ++text;
    return text;
}

// Reads the stream to its end (or to a read error, which ferror tells).
// A regular file is read into a buffer of its size, without slack.
void read_whole_stream(std::FILE* stream, std::vector<char>& text)
{
    struct stat status {};
    std::size_t expected = 0;
    if (fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        expected = static_cast<std::size_t>(status.st_size);
    }
    text.reserve(expected + 1);  // room for the zero behind the bytes
    text.resize(expected);
    const std::size_t got = expected != 0 ? std::fread(text.data(), 1, expected, stream) : 0;
    text.resize(got);
    if (got < expected) return;
    char block[1 << 16];
    for (;;) {
        const std::size_t more = std::fread(block, 1, sizeof block, stream);
        text.insert(text.end(), block, block + more);
        if (more < sizeof block) return;
    }
}

// Bytes of the next line: up to and including the first LF, or the rest.
std::size_t line_length(const char* text, std::size_t available)
{
    const void* lf = std::memchr(text, '\n', available);
    return lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - text) + 1 : available;
}

std::size_t count_lines(const char* text, std::size_t size)
{
    std::size_t count = 0;
    for (std::size_t position = 0; position < size; ++count) position += line_length(text + position, size - position);
    return count;
}

// Bytes of a line before the CRs and LFs that end it.
std::size_t length_before_line_end(std::string_view line)
{
    std::size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
    return end;
}

int find_name(const char* name, const char* const* names, int count, int first)
{
    for (int code = first; code < count; ++code) {
        if (strcasecmp(name, names[code]) == 0) return code;
    }
    return -1;
}

// The entry of a number past the table, made with its row on first use.
NumberedMessage& numbered_message(MessageList& list, std::int32_t number)
{
    const auto [entry, made] = list.numbered.try_emplace(number);
    if (made) entry->second.row = {TEXT_KIND_NUMBERED, NO_TRANSLATION_ID, number, FONT_NORMAL};
    return entry->second;
}

}  // namespace

const std::array<MessageRow, MESSAGE_ROW_COUNT + 1> message_table = make_message_table();

const MessageRow* find_message_row_by_number(const MessageRow* table, long message_number)
{
    if (table == nullptr) return nullptr;
    for (const MessageRow* row = table; row->kind != TEXT_KIND_END; ++row) {
        if (row->message_number == message_number) return row;
    }
    return nullptr;
}

const MessageRow* find_message_row_by_id(const MessageRow* table, std::int32_t kind, long translation_id)
{
    if (table == nullptr) return nullptr;
    for (const MessageRow* row = table; row->kind != TEXT_KIND_END; ++row) {
        if (row->kind == kind && row->translation_id == translation_id) return row;
    }
    return nullptr;
}

long read_message_number(const char* column)
{
    if (column == nullptr || column[0] == '\0') return -1;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(column, &end, 0);
    if (*end != '\0' || errno == ERANGE || number < 1 || number > MAX_MESSAGE_NUMBER) return -1;
    return number;
}

int find_text_kind(const char* name)
{
    return name == nullptr ? -1 : find_name(name, text_kind_names, TEXT_KIND_COUNT, TEXT_KIND_COMMON);
}

int find_font(const char* name)
{
    return name == nullptr ? -1 : find_name(name, font_names, FONT_COUNT, FONT_MENU);
}

RecordProblem parse_exult_record(std::string_view line, MessageNumbers numbers, ExultRecord& record)
{
    TableColumns& columns = record.columns;
    if (const RecordProblem problem = split_table_columns(line, columns)) return problem;
    record.by_number = numbers == MessageNumbers::any && same_name(columns.type, NUMBERED_TYPE_NAME);
    record.kind = record.by_number ? TEXT_KIND_NUMBERED : find_text_kind(std::string(columns.type).c_str());
    if (record.kind < 0) return {RecordFault::unknown_type, 0};
    const std::string id(columns.id);
    record.id = record.by_number ? read_message_number(id.c_str()) : read_record_id(id);
    if (record.id < 0) return {record.by_number ? RecordFault::bad_message_number : RecordFault::bad_id, columns.id_at};
    record.font = find_font(std::string(columns.font).c_str());
    if (record.font < 0) return {RecordFault::unknown_font, columns.font_at};
    return {};
}

const MessageRow* find_record_row(const MessageRow* table, const ExultRecord& record)
{
    return record.by_number ? find_message_row_by_number(table, record.id)
                            : find_message_row_by_id(table, record.kind, record.id);
}

const char* exult_record_message(RecordFault fault)
{
    switch (fault) {
    case RecordFault::unknown_type: return "ERROR: 不正なテキスト種別です: %s(%d行目): %s\n";
    case RecordFault::bad_message_number: return "ERROR: 不正なメッセージ番号です: %s(%d行目): %s\n";
    case RecordFault::unknown_font: return "ERROR: 不正なフォント種別です: %s(%d行目): %s\n";
    case RecordFault::unknown_message: return "ERROR: 不正なIDです: %s(%d行目): %s\n";
    case RecordFault::message_not_in_file: return "ERROR: メッセージファイルにない番号です: %s(%d行目): %s\n";
    default: return "ERROR: syntax error: %s(%d行目): %s\n";
    }
}

// exultmsg.txt, one line each:
//
//   # comment, or an empty line       kept as it stands (up to its line end)
//   <number>:<text>                   a message; the number is decimal, 0x
//                                     hex or 0-prefixed octal
//
// Every message number must be one of the table's (or, reading any number,
// from 1 to MAX_MESSAGE_NUMBER).  A line numbered 0 is no message and is
// kept whole, number and all.  A message line holds at most
// EXULT_LINE_SIZE - 1 bytes before its line end; a comment any number.
int read_exult_messages(MessageList& list, const MessageRow* table, const char* path, MessageNumbers numbers)
{
    if (table == nullptr || path == nullptr || path[0] == '\0') return -1;
    list = MessageList{};
    FilePtr file = open_file_or_report(path, "rb");
    if (!file) return -1;
    // Read whole (until the end or a read error), then split into lines.
    std::vector<char>& text = list.file_text;
    read_whole_stream(file.get(), text);
    // A read error would leave the messages after it out of the output (a
    // folder gives one at the first read).
    if (std::ferror(file.get()) != 0) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", errno, path);
        return -1;
    }
    const std::size_t text_size = text.size();
    text.push_back('\0');
    list.lines.reserve(count_lines(text.data(), text_size));

    std::string line;
    int line_number = 0;
    std::size_t position = 0;
    while (position < text_size) {
        const char* piece = text.data() + position;
        const std::size_t length = line_length(piece, text_size - position);
        line.assign(piece, length);
        position += length;
        ++line_number;
        if (!check_text_line(line.c_str(), length, path, line_number)) return -1;
        MessageLine entry;
        const char first = line[0];
        const char* source = nullptr;
        if (first == '#' || first == '\r' || first == '\n' || first == '\0') {
            entry.row = &table[0];
            source = skip_line_ends(line.c_str());
        } else {
            if (length_before_line_end(line) > static_cast<std::size_t>(EXULT_LINE_SIZE - 1)) {
                print_line_too_long(path, line_number, EXULT_LINE_SIZE - 1);
                return -1;
            }
            // long long: a long has 32 bits on Windows, where strtol would
            // give LONG_MAX for a larger number.
            char* end = nullptr;
            errno = 0;
            const long long number = std::strtoll(line.c_str(), &end, 0);
            if (*end != ':') {
                console_printf("ERROR: syntax error: %s(%d行目): %s\n", path, line_number, line.c_str());
                return -1;
            }
            const bool in_range = errno != ERANGE && number >= 0 && number <= MAX_MESSAGE_NUMBER;
            const MessageRow* row = in_range ? find_message_row_by_number(table, static_cast<long>(number)) : nullptr;
            if (row == nullptr && in_range && number > 0 && numbers == MessageNumbers::any) {
                row = &numbered_message(list, static_cast<std::int32_t>(number)).row;
            }
            if (row == nullptr) {
                console_printf("ERROR: 不正なIDです: %s(%d): %s\n", path, line_number, line.c_str());
                return -1;
            }
            entry.row = row;
            // A line numbered 0 is written back as it stands, so that it
            // reads the same again.
            source = row == &table[0] ? line.c_str() : end + 1;
        }
        entry.source = piece + (source - line.c_str());
        entry.source_length = static_cast<std::uint32_t>(std::strcspn(source, "\r\n"));
        list.lines.push_back(entry);
        std::uint32_t& first_line = entry.row->kind == TEXT_KIND_NUMBERED
                                        ? list.numbered.find(entry.row->message_number)->second.first_line
                                        : list.first_line[static_cast<std::size_t>(entry.row - table)];
        if (first_line == 0) first_line = static_cast<std::uint32_t>(list.lines.size());
    }
    if (line_number == 0) {
        console_printf("ERROR: データがありません: %s\n", path);
        return -1;
    }
    return line_number;
}

// exultmsg.ja.txt: ";" comments and empty lines are skipped; every other
// line is a record of four tab-separated columns
//
//   TYPE <tab> ID <tab> FONT <tab> TEXT
//
// TYPE and FONT are names (any letter case), ID the message's translation
// ID within its kind, TEXT the UTF-8 text (it may hold tabs).  Reading any
// message number, TYPE may also be MSG, whose ID is the message number.
int read_exult_translations(MessageList& list, const MessageRow* table, const char* path, MessageNumbers numbers)
{
    if (table == nullptr || path == nullptr || path[0] == '\0') return -1;
    FilePtr file = open_file_or_report(path, "rb", MissingFile::quiet);
    if (!file) return errno == ENOENT ? 0 : -1;
    if (!list.translations) list.translations = std::make_unique<std::array<std::string, MESSAGE_ROW_COUNT>>();

    LineReader reader(file.get(), EXULT_LINE_SIZE - 1);
    char converted[EXULT_LINE_SIZE];
    int accepted = 0;
    std::string_view text;
    LineStatus status = LineStatus::end;
    while ((status = read_checked_line(reader, path, text)) != LineStatus::end) {
        const int line_number = reader.line_number();
        if (status != LineStatus::line) return -1;
        if (text.empty() || text[0] == ';') continue;
        const char* line = text.data();
        auto fault = [&](const char* message) {
            console_printf(message, path, line_number, line);
            return -1;
        };

        ExultRecord record;
        if (const RecordProblem problem = parse_exult_record(text, numbers, record)) {
            return fault(exult_record_message(problem.fault));
        }
        const bool by_number = record.by_number;
        const long id = record.id;
        const int font = record.font;
        if (convert_text_by_charmap(converted, EXULT_LINE_SIZE, record.columns.text.data()) == nullptr) {
            return fault("ERROR: テキストを変換できません: %s(%d行目): %s\n");
        }
        if (const auto code_fault = find_code_byte(record.columns.text, EXULT_TEXT_BREAKING_BYTES)) {
            print_code_byte_fault(*code_fault, path, line_number);
            return -1;
        }

        // The row, the index + 1 of its first line and its translation.
        const MessageRow* row = nullptr;
        std::uint32_t* first_line = nullptr;
        std::string* translation = nullptr;
        const MessageRow* table_row = find_record_row(table, record);
        if (table_row != nullptr) {
            const auto row_index = static_cast<std::size_t>(table_row - table);
            row = table_row;
            first_line = &list.first_line[row_index];
            translation = &(*list.translations)[row_index];
        } else if (by_number) {
            const auto numbered = list.numbered.find(static_cast<std::int32_t>(id));
            if (numbered != list.numbered.end()) {
                row = &numbered->second.row;
                first_line = &numbered->second.first_line;
                translation = &numbered->second.translation;
            }
        }
        // A record keyed by number names a message of the file; a record of
        // a kind may add a message the file lacks.
        if (row == nullptr || (by_number && *first_line == 0)) {
            return fault(exult_record_message(by_number ? RecordFault::message_not_in_file
                                                        : RecordFault::unknown_message));
        }
        if (row->kind != TEXT_KIND_NUMBERED && font != row->font) {
            console_printf("WARNING: フォント種別が違います: %s: %s(%d行目): %s\n", font_names[row->font], path,
                           line_number, line);
        }

        // The row's first line takes the translation; a message the list
        // lacks gets a line at the end.
        if (*first_line == 0) {
            list.lines.push_back(MessageLine{row, nullptr, 0, nullptr});
            *first_line = static_cast<std::uint32_t>(list.lines.size());
        }
        *translation = converted;
        list.lines[*first_line - 1].translation = translation;
        ++accepted;
    }
    if (reader.failed()) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", errno, path);
        return -1;
    }
    if (accepted == 0) {
        console_printf("ERROR: データがありません: %s\n", path);
        return -1;
    }
    return accepted;
}

std::uint32_t first_line_of_row(const MessageList& list, const MessageRow* table, const MessageRow* row)
{
    if (row == nullptr || table == nullptr) return 0;
    if (row->kind == TEXT_KIND_NUMBERED) {
        const auto numbered = list.numbered.find(row->message_number);
        return numbered != list.numbered.end() ? numbered->second.first_line : 0;
    }
    return list.first_line[static_cast<std::size_t>(row - table)];
}

void append_message_line(std::string& out, const MessageLine& line)
{
    if (line.row == nullptr || line.row->kind == TEXT_KIND_NONE) {
        if (line.source != nullptr) out.append(line.source, line.source_length);
        out += '\n';
        return;
    }
    out += "0x";
    append_hex(out, static_cast<std::uint32_t>(line.row->message_number), 1);
    out += ':';
    if (line.translation != nullptr) {
        out += *line.translation;
    } else if (line.source != nullptr) {
        out.append(line.source, line.source_length);
    }
    out += '\n';
}

std::string format_message_line(const MessageLine& line)
{
    std::string text;
    append_message_line(text, line);
    return text;
}

int write_exult_messages(const MessageList& list, const char* path)
{
    if (path == nullptr) return -1;
    auto fail = [path]() {
        console_printf("ERROR: %s を書き込めません\n", path);
        return -1;
    };
    if (path[0] == '\0') return fail();

    // Written beside its destination and put in place only when complete:
    // a failed write never leaves a truncated message file, even when the
    // output is the message file itself.
    ReplacingFile file;
    if (file.open(path, "w") != 0) {
        print_open_error(path);
        return fail();
    }
    // Lines are gathered into large blocks, each written with one call.
    BlockWriter writer(file.get(), std::size_t{1} << 20);
    writer.block.reserve(writer.block_size + 2 * EXULT_LINE_SIZE);
    for (const MessageLine& line : list.lines) {
        append_message_line(writer.block, line);
        if (!writer.flush_if_full()) break;
    }
    if (writer.failed || !writer.flush()) {
        console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
        return fail();  // the temporary file is removed
    }
    if (file.commit() != 0) {
        console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
        return fail();
    }
    return 0;
}

namespace {

// Numbers a template groups under one comment line.
constexpr std::int32_t TEMPLATE_BLOCK = 0x100;

// The longest record a translation line holds before its line end.
constexpr std::size_t MAX_RECORD_LENGTH = EXULT_LINE_SIZE - 1;

}  // namespace

MessageTemplate make_message_template(const MessageList& list)
{
    // The first line of each number, by number.
    std::vector<const MessageLine*> firsts;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const MessageLine& line = list[i];
        if (line.row == nullptr || line.row->kind == TEXT_KIND_NONE || !line.source_text()) continue;
        if (first_line_of_row(list, message_table.data(), line.row) == i + 1) firsts.push_back(&line);
    }
    std::sort(firsts.begin(), firsts.end(), [](const MessageLine* a, const MessageLine* b) {
        return a->row->message_number < b->row->message_number;
    });

    MessageTemplate made;
    made.text = "; TYPE\tID\tFONT\tTEXT\n";
    std::int32_t block = -1;
    for (const MessageLine* line : firsts) {
        const std::int32_t number = line->row->message_number;
        char head[64];
        if (number / TEMPLATE_BLOCK != block) {
            block = number / TEMPLATE_BLOCK;
            const auto first = static_cast<unsigned>(block * TEMPLATE_BLOCK);
            std::snprintf(head, sizeof head, "\n; 0x%X-0x%X\n", first, first + TEMPLATE_BLOCK - 1);
            made.text += head;
        }
        std::snprintf(head, sizeof head, "%s\t0x%X\t%s\t", NUMBERED_TYPE_NAME, static_cast<unsigned>(number),
                      font_names[line->row->font]);
        const std::string_view text = *line->source_text();
        if (std::char_traits<char>::length(head) + text.size() > MAX_RECORD_LENGTH) made.too_long.push_back(number);
        made.text += head;
        made.text += text;
        made.text += '\n';
        ++made.records;
    }
    return made;
}

// The output replaces its file, so it must not name the translation file
// or the map, which the translator edits by hand.  (Naming the message file
// is safe: it is read whole before anything is written.)
int translate_exult_message_file(const ExultMessageFiles& files, MessageNumbers numbers)
{
    if (output_is_an_input(files.output_file, {files.translation_file, files.map_file})) return 1;

    MessageList messages;
    if (read_exult_messages(messages, message_table.data(), files.message_file.c_str(), numbers) < 0) {
        console_printf("ERROR: %s を読み込めません\n", files.message_file.c_str());
        return 1;
    }
    if (load_charmap(files.map_file.c_str()) < 0) {
        console_printf("ERROR: %s を読み込めません\n", files.map_file.c_str());
        return 1;
    }
    const int accepted = read_exult_translations(messages, message_table.data(), files.translation_file.c_str(), numbers);
    if (accepted < 0) {
        console_printf("ERROR: %s を読み込めません\n", files.translation_file.c_str());
        return 1;
    }
    if (accepted == 0) {
        console_printf("更新する必要がありません\n");
        return 0;
    }
    // A failed write has printed its reason.
    if (write_exult_messages(messages, files.output_file.c_str()) != 0) return 1;
    console_printf("処理完了\n");
    return 0;
}
