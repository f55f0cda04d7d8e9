#include "texts/usecode_tables.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/text_utils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <string_view>

namespace {

// A line is read in pieces of at most 4095 bytes; each piece counts as a
// line of its own.
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

// The fields in front of the text: "<hex id>\t<label>\t".
struct LinePrefix {
    std::string_view id_digits;
    std::string_view label;
    std::size_t rest = 0;  // position right after the label's tab
};

bool parse_line_prefix(std::string_view line, LinePrefix& prefix)
{
    std::size_t pos = 0;
    while (pos < line.size() && is_hex_digit(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '\t') return false;
    prefix.id_digits = line.substr(0, pos);
    const std::size_t label_start = ++pos;
    while (pos < line.size() && is_label_char(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '\t') return false;
    prefix.label = line.substr(label_start, pos - label_start);
    prefix.rest = pos + 1;
    return true;
}

bool is_comment(std::string_view line)
{
    return line.empty() || line[0] == ';';
}

// Opens a file for reading, printing why it failed.
FilePtr open_input(const char* path)
{
    FilePtr file = open_file_or_report(path, "rt", MissingFile::quiet);
    if (!file && errno == ENOENT) console_printf("ERROR: ファイルが存在しません: %s\n", path);
    return file;
}

enum class LineRead { line, end, refused };

// Reads the next line piece, with the byte order mark removed on line 1
// and the line end removed.  A piece holding a zero byte or a CR that does
// not end it is refused with a message.
LineRead read_line(TextLineReader& reader, const char* path, int& line_number, std::string_view& line)
{
    std::string_view piece = reader.next(LINE_BUFFER_SIZE - 1);
    if (piece.empty()) return LineRead::end;
    ++line_number;
    if (!check_text_line(piece.data(), piece.size(), path, line_number)) return LineRead::refused;
    if (line_number == 1 && piece.substr(0, 3) == "\xEF\xBB\xBF") piece.remove_prefix(3);
    while (!piece.empty() && (piece.back() == '\n' || piece.back() == '\r')) piece.remove_suffix(1);
    line = piece;
    return LineRead::line;
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

// Problems an English line can have, in the order they are tested.
enum class EnglishLineFault {
    none,
    syntax,
    no_opening_quote,
    nothing_after_backslash,
    multibyte_character,
    no_closing_quote,
    text_after_quote,
    bad_function_id,
};

struct EnglishLine {
    unsigned function_id = 0;
    std::string_view label;
    std::string_view type;
};

EnglishLineFault parse_english_line(std::string_view line, EnglishLine& parsed)
{
    LinePrefix prefix;
    if (!parse_line_prefix(line, prefix)) return EnglishLineFault::syntax;
    const std::size_t type_end = line.find('\t', prefix.rest);
    if (type_end == std::string_view::npos) return EnglishLineFault::syntax;
    std::size_t pos = type_end + 1;
    if (pos >= line.size() || line[pos] != '"') return EnglishLineFault::no_opening_quote;

    for (++pos;; ++pos) {
        if (pos >= line.size()) return EnglishLineFault::no_closing_quote;
        const auto byte = static_cast<unsigned char>(line[pos]);
        if (byte == '\\') {
            if (pos + 1 >= line.size()) return EnglishLineFault::nothing_after_backslash;
            ++pos;
        } else if (byte >= 0x80) {
            return EnglishLineFault::multibyte_character;
        } else if (byte == '"') {
            if (pos + 1 != line.size()) return EnglishLineFault::text_after_quote;
            break;
        }
    }

    parsed.function_id = read_function_id(prefix.id_digits);
    if (parsed.function_id > MAX_FUNCTION_ID) return EnglishLineFault::bad_function_id;
    parsed.label = prefix.label;
    parsed.type = line.substr(prefix.rest, type_end - prefix.rest);
    return EnglishLineFault::none;
}

const char* english_fault_message(EnglishLineFault fault)
{
    switch (fault) {
    case EnglishLineFault::syntax: return "ERROR: %s(%d行目): syntax error\n";
    case EnglishLineFault::no_opening_quote: return "ERROR: %s(%d行目): テキストが \" で始まっていません\n";
    case EnglishLineFault::nothing_after_backslash: return "ERROR: %s(%d行目): \\ の後に文字がありません\n";
    case EnglishLineFault::multibyte_character: return "ERROR: %s(%d行目): マルチバイト文字は使用できません\n";
    case EnglishLineFault::no_closing_quote: return "ERROR: %s(%d行目): テキストの終りに \" がありません\n";
    case EnglishLineFault::text_after_quote:
        return "ERROR: %s(%d行目): テキストが \" で終っていないか、テキスト中に前に \\ のない \" があります\n";
    case EnglishLineFault::bad_function_id: return "ERROR: %s(%d行目): 不正な関数IDです\n";
    case EnglishLineFault::none: break;
    }
    return "";
}

// Problems a Japanese (old-format) line can have, in the order they are
// tested.
enum class JapaneseLineFault {
    none,
    syntax,
    no_opening_quote,
    nothing_after_backslash,
    bad_character,
    no_closing_quote,
    unescaped_quote,
    bad_function_id,
    label_not_found,
};

struct JapaneseLine {
    const TranslationEntry* entry = nullptr;
    std::string_view label;
    std::string_view text;  // with its enclosing double quotes
};

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

JapaneseLineFault parse_japanese_line(const EnglishTable& table, std::size_t& next_entry, std::string_view line,
                                      JapaneseLine& parsed)
{
    LinePrefix prefix;
    if (!parse_line_prefix(line, prefix)) return JapaneseLineFault::syntax;
    parsed.label = prefix.label;
    std::size_t pos = prefix.rest;
    if (pos >= line.size() || line[pos] != '"') return JapaneseLineFault::no_opening_quote;
    const std::size_t text_start = pos;

    for (++pos;;) {
        if (pos >= line.size()) return JapaneseLineFault::no_closing_quote;
        const auto byte = static_cast<unsigned char>(line[pos]);
        if (byte == '\\') {
            if (pos + 1 >= line.size()) return JapaneseLineFault::nothing_after_backslash;
            pos += 2;
        } else if (byte >= 0x80) {
            const int length = utf8_char_length(byte);
            if (length < 0) return JapaneseLineFault::bad_character;
            // The following bytes are skipped unexamined; a character cut
            // short by the end of the line leaves the text unclosed.
            if (static_cast<std::size_t>(length) > line.size() - pos) return JapaneseLineFault::no_closing_quote;
            pos += static_cast<std::size_t>(length);
        } else if (byte == '"') {
            if (pos + 1 != line.size()) return JapaneseLineFault::unescaped_quote;
            break;
        } else {
            ++pos;
        }
    }
    parsed.text = line.substr(text_start);

    const unsigned function_id = read_function_id(prefix.id_digits);
    if (function_id > MAX_FUNCTION_ID) return JapaneseLineFault::bad_function_id;
    parsed.entry = find_entry_from(table, next_entry, static_cast<std::uint16_t>(function_id), prefix.label);
    if (parsed.entry == nullptr) return JapaneseLineFault::label_not_found;
    return JapaneseLineFault::none;
}

void print_japanese_fault(JapaneseLineFault fault, const char* path, int line_number, std::string_view label)
{
    switch (fault) {
    case JapaneseLineFault::syntax:
        console_printf("ERROR: %s(%d行目): syntax error\n", path, line_number);
        break;
    case JapaneseLineFault::no_opening_quote:
        console_printf("ERROR: %s(%d行目): テキストが \" で始まっていません\n", path, line_number);
        break;
    case JapaneseLineFault::nothing_after_backslash:
        console_printf("ERROR: %s(%d行目): \\ の後に文字がありません\n", path, line_number);
        break;
    case JapaneseLineFault::bad_character:
        console_printf("ERROR: %s(%d行目): 不正な文字コードです\n", path, line_number);
        break;
    case JapaneseLineFault::no_closing_quote:
        console_printf("ERROR: %s(%d行目): テキストの終わりに \" がありません\n", path, line_number);
        break;
    case JapaneseLineFault::unescaped_quote:
        console_printf("ERROR: %s(%d行目): テキスト中に \\ でエスケープされていない \" があります\n", path,
                       line_number);
        break;
    case JapaneseLineFault::bad_function_id:
        console_printf("ERROR: %s(%d行目): 不正な関数IDです\n", path, line_number);
        break;
    case JapaneseLineFault::label_not_found:
        console_printf("ERROR: %s(%d行目): ラベルが見つかりません: %.*s\n", path, line_number,
                       static_cast<int>(label.size()), label.data());
        break;
    case JapaneseLineFault::none:
        break;
    }
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

// Output gathered into large blocks, each written with one call.
struct BlockWriter {
    static constexpr std::size_t BLOCK_SIZE = 1 << 20;
    std::FILE* file;
    std::string block;

    void flush_if_full()
    {
        if (block.size() >= BLOCK_SIZE) flush();
    }
    void flush()
    {
        if (!block.empty()) std::fwrite(block.data(), 1, block.size(), file);
        block.clear();
    }
};

void append_function_id(std::string& out, std::uint16_t function_id)
{
    static constexpr char HEX_DIGITS[] = "0123456789ABCDEF";
    const char digits[4] = {HEX_DIGITS[(function_id >> 12) & 0xF], HEX_DIGITS[(function_id >> 8) & 0xF],
                            HEX_DIGITS[(function_id >> 4) & 0xF], HEX_DIGITS[function_id & 0xF]};
    out.append(digits, 4);
}


}  // namespace

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

    TextLineReader reader(file.get());
    int line_number = 0;
    std::string_view line;
    LineRead read = LineRead::end;
    while ((read = read_line(reader, path, line_number, line)) == LineRead::line) {
        if (is_comment(line)) continue;
        EnglishLine parsed;
        const EnglishLineFault fault = parse_english_line(line, parsed);
        if (fault != EnglishLineFault::none) {
            console_printf(english_fault_message(fault), path, line_number);
            return -1;
        }
        if (!add_translation_entry(table, parsed.function_id, parsed.label, parsed.type)) {
            console_printf("[%04X][%.*s] 既に登録されています: type=[%.*s] ... 無視します\n", parsed.function_id,
                           static_cast<int>(parsed.label.size()), parsed.label.data(),
                           static_cast<int>(parsed.type.size()), parsed.type.data());
        }
    }
    if (read == LineRead::refused) return -1;
    if (reader.failed()) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", path, line_number);
        return -1;
    }
    return 0;
}

int convert_translation_file(const EnglishTable& table, const char* input_path, const char* output_path)
{
    FilePtr input = open_input(input_path);
    if (!input) return -1;
    FilePtr output = open_file_or_report(output_path, "wt");
    if (!output) return -1;

    TextLineReader reader(input.get());
    BlockWriter writer{output.get(), {}};
    std::size_t next_entry = 0;
    writer.block.reserve(BlockWriter::BLOCK_SIZE + 2 * LINE_BUFFER_SIZE);
    int line_number = 0;
    std::string_view line;
    LineRead read = LineRead::end;
    while ((read = read_line(reader, input_path, line_number, line)) == LineRead::line) {
        if (is_comment(line)) {
            writer.block += line;
            writer.block += '\n';
            writer.flush_if_full();
            continue;
        }
        JapaneseLine parsed;
        const JapaneseLineFault fault = parse_japanese_line(table, next_entry, line, parsed);
        if (fault != JapaneseLineFault::none) {
            print_japanese_fault(fault, input_path, line_number, parsed.label);
            writer.flush();
            return -1;  // the lines written so far stay in the output
        }
        std::string& out = writer.block;
        append_function_id(out, parsed.entry->function_id);
        out += '\t';
        out += parsed.entry->label;
        out += '\t';
        out += parsed.entry->type;
        out += '\t';
        append_text_without_qrm(out, parsed.text, parsed.entry->type, line_number);
        out += '\n';
        writer.flush_if_full();
    }
    writer.flush();
    if (read == LineRead::refused) return -1;  // the lines written so far stay in the output

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
