#include "texts/usecode_tables.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/line_reader.h"
#include "common/text_utils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <string_view>

namespace {

// A line holds at most 4095 bytes before its line end; a longer one is
// refused (a comment runs to its end, however long).
constexpr int LINE_BUFFER_SIZE = 4096;

constexpr unsigned MAX_FUNCTION_ID = 0xFFFF;

// Text types whose old-format texts may carry the Japanese text between
// <QRM> and </QRM>, followed by the English text.
constexpr std::string_view SIGN_LIKE_TYPES[] = {"SIGN", "TOMB", "PLAQUE", "S.BOOK", "S.SCROLL", "S.PLAQUE"};
constexpr std::string_view OPENING_TAG = "<QRM>";
constexpr std::string_view CLOSING_TAG = "</QRM>";

bool is_hex_digit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned hex_digit_value(char c)
{
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return static_cast<unsigned>(c - 'A' + 10);
}

bool is_label_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '@' || c == '_';
}

// Value of a run of hex digits, or MAX_FUNCTION_ID + 1 for any larger
// value (so long runs cannot overflow).  An empty run reads as 0.
unsigned read_function_id(std::string_view digits)
{
    unsigned value = 0;
    for (char c : digits) {
        value = value * 16 + hex_digit_value(c);
        if (value > MAX_FUNCTION_ID) return MAX_FUNCTION_ID + 1;
    }
    return value;
}

bool is_comment(std::string_view line)
{
    return line.empty() || line[0] == ';';
}

// Opens a file for reading, printing why it failed.
FilePtr open_input(const char* path)
{
    FilePtr file = open_file_or_report(path, "rb", MissingFile::quiet);
    if (!file && errno == ENOENT) console_printf("ERROR: ファイルが存在しません: %s\n", path);
    return file;
}

std::uint64_t key_hash(std::uint16_t function_id, std::string_view label)
{
    std::uint64_t hash = std::hash<std::string_view>{}(label);
    hash ^= (static_cast<std::uint64_t>(function_id) + 1) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 31;
    hash *= 0xBF58476D1CE4E5B9ull;
    hash ^= hash >> 29;
    return hash;
}

// The slot of (id, label): the one that holds it, or the free one where it
// would go.  An entry is looked at only when the stored hash bits match.
std::size_t find_slot(const EnglishTable& table, std::uint64_t hash, std::uint16_t function_id, std::string_view label)
{
    const std::size_t mask = table.slots.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    std::size_t at = static_cast<std::size_t>(hash) & mask;
    while (table.slots[at].entry != 0) {
        if (table.slots[at].hash == tag) {
            const TranslationEntry& entry = table.entries[table.slots[at].entry - 1];
            if (entry.function_id == function_id && entry.label == label) return at;
        }
        at = (at + 1) & mask;
    }
    return at;
}

// Doubles the slots; the stored hash bits and the low bits of the slot
// position are not enough to place an entry again, so each is hashed anew.
void grow_slots(EnglishTable& table)
{
    table.slots.assign(table.slots.empty() ? 1024 : table.slots.size() * 2, EnglishTableSlot{});
    const std::size_t mask = table.slots.size() - 1;
    for (std::size_t i = 0; i < table.entries.size(); ++i) {
        const TranslationEntry& entry = table.entries[i];
        const std::uint64_t hash = key_hash(entry.function_id, entry.label);
        std::size_t at = static_cast<std::size_t>(hash) & mask;
        while (table.slots[at].entry != 0) at = (at + 1) & mask;
        table.slots[at] = EnglishTableSlot{static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(hash >> 32)};
    }
}

bool is_sign_like(std::string_view type)
{
    for (std::string_view sign : SIGN_LIKE_TYPES) {
        if (type == sign) return true;
    }
    return false;
}

// Adds the entry unless the table has one with its id and label: false
// then (the first entry wins).
bool add_translation_entry(EnglishTable& table, unsigned function_id, std::string_view label, std::string_view type)
{
    try {
        if ((table.entries.size() + 1) * 2 > table.slots.size()) grow_slots(table);
        const auto id = static_cast<std::uint16_t>(function_id);
        const std::uint64_t hash = key_hash(id, label);
        const std::size_t at = find_slot(table, hash, id, label);
        if (table.slots[at].entry != 0) return false;
        TranslationEntry entry;
        entry.function_id = id;
        entry.label = label;
        entry.type = type;
        table.entries.push_back(std::move(entry));
        table.slots[at] =
            EnglishTableSlot{static_cast<std::uint32_t>(table.entries.size()), static_cast<std::uint32_t>(hash >> 32)};
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted("revisto", __LINE__);
    }
    return true;
}

const char* english_fault_message(RecordFault fault)
{
    switch (fault) {
    case RecordFault::no_opening_quote: return "ERROR: %s(%d行目): テキストが \" で始まっていません\n";
    case RecordFault::nothing_after_backslash: return "ERROR: %s(%d行目): \\ の後に文字がありません\n";
    case RecordFault::multibyte_character: return "ERROR: %s(%d行目): マルチバイト文字は使用できません\n";
    case RecordFault::no_closing_quote: return "ERROR: %s(%d行目): テキストの終りに \" がありません\n";
    case RecordFault::text_after_quote:
        return "ERROR: %s(%d行目): テキストが \" で終っていないか、テキスト中に前に \\ のない \" があります\n";
    case RecordFault::function_id_too_large: return "ERROR: %s(%d行目): 不正な関数IDです\n";
    default: return "ERROR: %s(%d行目): syntax error\n";
    }
}

const char* japanese_fault_message(RecordFault fault)
{
    switch (fault) {
    case RecordFault::no_opening_quote: return "ERROR: %s(%d行目): テキストが \" で始まっていません\n";
    case RecordFault::nothing_after_backslash: return "ERROR: %s(%d行目): \\ の後に文字がありません\n";
    case RecordFault::bad_character: return "ERROR: %s(%d行目): 不正な文字コードです\n";
    case RecordFault::no_closing_quote: return "ERROR: %s(%d行目): テキストの終わりに \" がありません\n";
    case RecordFault::text_after_quote: return "ERROR: %s(%d行目): テキスト中に \\ でエスケープされていない \" があります\n";
    case RecordFault::function_id_too_large: return "ERROR: %s(%d行目): 不正な関数IDです\n";
    default: return "ERROR: %s(%d行目): syntax error\n";
    }
}

// Index of the entry with this id and label, or -1.
std::ptrdiff_t find_entry_index(const EnglishTable& table, std::uint16_t function_id, std::string_view label)
{
    if (table.slots.empty()) return -1;
    const std::uint32_t slot = table.slots[find_slot(table, key_hash(function_id, label), function_id, label)].entry;
    return static_cast<std::ptrdiff_t>(slot) - 1;
}

// The entry with this id and label, trying first the entry after the one
// found last (a Japanese table mostly follows the English one's order):
// (id, label) are unique in the table, so a match there is the entry.
const TranslationEntry* find_entry_from(const EnglishTable& table, std::size_t& next, std::uint16_t function_id,
                                        std::string_view label)
{
    if (next < table.entries.size()) {
        const TranslationEntry& expected = table.entries[next];
        if (expected.function_id == function_id && expected.label == label) {
            ++next;
            return &expected;
        }
    }
    const std::ptrdiff_t index = find_entry_index(table, function_id, label);
    if (index < 0) return nullptr;
    next = static_cast<std::size_t>(index) + 1;
    return &table.entries[static_cast<std::size_t>(index)];
}

// Appends the text to write for a line: sign-like texts in the old format
// kept the Japanese text between <QRM> and </QRM>, followed by the English
// text; only the Japanese text is kept.
void append_text_without_qrm(std::string& out, std::string_view text, std::string_view type, int line_number)
{
    if (text.substr(1, OPENING_TAG.size()) != OPENING_TAG || !is_sign_like(type)) {
        out += text;
        return;
    }
    console_printf("%d行目: <QRM>タグを見つけました: 英語テキストを取り除きます\n", line_number);
    const std::size_t inner_start = 1 + OPENING_TAG.size();
    const std::size_t closing = text.find(CLOSING_TAG, inner_start);
    if (closing == std::string_view::npos) {
        console_printf("%d行目: </QRM>タグが見つかりません ... 無視します\n", line_number);
        out += text;
        return;
    }
    out += '"';
    out += text.substr(inner_start, closing - inner_start);
    out += '"';
}

// Output gathered into blocks of this size, each written with one call.
constexpr std::size_t OUTPUT_BLOCK_SIZE = 1 << 20;


}  // namespace

RecordProblem parse_usecode_record(std::string_view line, UsecodeLayout layout, UsecodeRecord& record)
{
    // "<hex id>\t<label>\t", then "<type>\t" but in the old layout.
    std::size_t pos = 0;
    while (pos < line.size() && is_hex_digit(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '\t') return {RecordFault::bad_function_id_column, pos};
    const std::size_t digits_end = pos;
    const std::size_t label_start = ++pos;
    while (pos < line.size() && is_label_char(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '\t') return {RecordFault::bad_label, pos};
    record.label = line.substr(label_start, pos - label_start);
    ++pos;
    record.type = {};
    if (layout != UsecodeLayout::old_japanese) {
        const std::size_t type_end = line.find('\t', pos);
        if (type_end == std::string_view::npos) return {RecordFault::missing_type_column, line.size()};
        record.type = line.substr(pos, type_end - pos);
        pos = type_end + 1;
    }

    // The text: in double quotes that end the line, a backslash escaping the
    // byte after it.
    if (pos >= line.size() || line[pos] != '"') return {RecordFault::no_opening_quote, pos};
    const std::size_t quote = pos;
    for (++pos;;) {
        if (pos >= line.size()) return {RecordFault::no_closing_quote, quote};
        const auto byte = static_cast<unsigned char>(line[pos]);
        if (byte == '\\') {
            if (pos + 1 >= line.size()) return {RecordFault::nothing_after_backslash, quote};
            pos += 2;
        } else if (byte >= 0x80 && layout == UsecodeLayout::english) {
            return {RecordFault::multibyte_character, pos};
        } else if (byte >= 0x80) {
            const int length = utf8_char_length(byte);
            if (length < 0) return {RecordFault::bad_character, pos};
            // The following bytes are skipped unexamined; a character cut
            // short by the end of the line leaves the text unclosed.
            if (static_cast<std::size_t>(length) > line.size() - pos) return {RecordFault::no_closing_quote, quote};
            pos += static_cast<std::size_t>(length);
        } else if (byte == '"') {
            if (pos + 1 != line.size()) return {RecordFault::text_after_quote, pos + 1};
            break;
        } else {
            ++pos;
        }
    }
    record.text = line.substr(quote);
    record.text_at = quote;

    record.function_id = read_function_id(line.substr(0, digits_end));
    if (record.function_id > MAX_FUNCTION_ID) return {RecordFault::function_id_too_large, digits_end};
    return {};
}

const TranslationEntry* find_translation_entry(const EnglishTable& table, std::uint16_t function_id,
                                               std::string_view label)
{
    const std::ptrdiff_t index = find_entry_index(table, function_id, label);
    return index < 0 ? nullptr : &table.entries[static_cast<std::size_t>(index)];
}

std::size_t count_translation_entries(const EnglishTable& table, std::uint16_t function_id)
{
    std::size_t count = 0;
    for (const TranslationEntry& entry : table.entries) count += entry.function_id == function_id ? 1 : 0;
    return count;
}

int read_english_texts(EnglishTable& table, const char* path)
{
    FilePtr file = open_input(path);
    if (!file) return -1;

    LineReader reader(file.get(), LINE_BUFFER_SIZE - 1);
    std::string_view line;
    LineStatus read = LineStatus::end;
    while ((read = read_checked_line(reader, path, line)) == LineStatus::line) {
        if (is_comment(line)) continue;
        UsecodeRecord parsed;
        if (const RecordProblem problem = parse_usecode_record(line, UsecodeLayout::english, parsed)) {
            console_printf(english_fault_message(problem.fault), path, reader.line_number());
            return -1;
        }
        if (!add_translation_entry(table, parsed.function_id, parsed.label, parsed.type)) {
            console_printf("[%04X][%.*s] 既に登録されています: type=[%.*s] ... 無視します\n", parsed.function_id,
                           static_cast<int>(parsed.label.size()), parsed.label.data(),
                           static_cast<int>(parsed.type.size()), parsed.type.data());
        }
    }
    if (read != LineStatus::end) return -1;
    if (reader.failed()) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", path, reader.line_number());
        return -1;
    }
    return 0;
}

int convert_translation_file(const EnglishTable& table, const char* input_path, const char* output_path)
{
    FilePtr input = open_input(input_path);
    if (!input) return -1;
    LineReader reader(input.get(), LINE_BUFFER_SIZE - 1);
    std::string_view line;
    // The output is opened once the input has given its first line: an
    // input that cannot be read (a folder) leaves an earlier output as it
    // was.
    LineStatus read = read_checked_line(reader, input_path, line);
    if (read == LineStatus::refused) return -1;
    if (read == LineStatus::end && reader.failed()) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", input_path, reader.line_number());
        return -1;
    }
    FilePtr output = open_file_or_report(output_path, "wt");
    if (!output) return -1;

    BlockWriter writer(output.get(), OUTPUT_BLOCK_SIZE);
    std::size_t next_entry = 0;
    writer.block.reserve(OUTPUT_BLOCK_SIZE + 2 * LINE_BUFFER_SIZE);
    for (; read == LineStatus::line; read = read_checked_line(reader, input_path, line)) {
        const int line_number = reader.line_number();
        if (is_comment(line)) {
            writer.block += line;
            writer.block += '\n';
            writer.flush_if_full();
            continue;
        }
        UsecodeRecord parsed;
        const TranslationEntry* entry = nullptr;
        if (const RecordProblem problem = parse_usecode_record(line, UsecodeLayout::old_japanese, parsed)) {
            console_printf(japanese_fault_message(problem.fault), input_path, line_number);
        } else if ((entry = find_entry_from(table, next_entry, static_cast<std::uint16_t>(parsed.function_id),
                                            parsed.label)) == nullptr) {
            console_printf("ERROR: %s(%d行目): ラベルが見つかりません: %.*s\n", input_path, line_number,
                           static_cast<int>(parsed.label.size()), parsed.label.data());
        }
        if (entry == nullptr) {
            writer.flush();
            return -1;  // the lines written so far stay in the output
        }
        std::string& out = writer.block;
        append_hex(out, entry->function_id, 4);
        out += '\t';
        out += entry->label;
        out += '\t';
        out += entry->type;
        out += '\t';
        append_text_without_qrm(out, parsed.text, entry->type, line_number);
        out += '\n';
        writer.flush_if_full();
    }
    writer.flush();
    if (read != LineStatus::end) return -1;  // the lines written so far stay in the output

    const int line_number = reader.line_number();
    if (reader.failed()) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", input_path, line_number);
        return -1;
    }
    // A failed write may show only when the last buffer is flushed or the
    // file is closed; either way the output is incomplete.
    if (close_written_file(output) != 0) {
        console_printf("ERROR: %s(%d行目): 書き込みエラー\n", output_path, line_number);
        return -1;
    }
    return 0;
}
