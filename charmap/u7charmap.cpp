#include "u7charmap.h"

#include "console.h"
#include "file_utils.h"
#include "text_utils.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>
#include <unordered_map>

namespace {

constexpr const char* MODULE_NAME = "u7charmap";

constexpr std::array<std::int32_t, 256> make_code_byte_index()
{
    std::array<std::int32_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) table[static_cast<std::size_t>(byte)] = -1;
    int trail = 0;
    for (int byte = '0'; byte <= '9'; ++byte) table[static_cast<std::size_t>(byte)] = trail++;
    for (int byte = 'A'; byte <= 'Z'; ++byte) table[static_cast<std::size_t>(byte)] = trail++;
    for (int byte = 'a'; byte <= 'z'; ++byte) table[static_cast<std::size_t>(byte)] = trail++;
    for (int byte = 0x80; byte < static_cast<int>(CHARMAP_FIRST_LEAD_BYTE); ++byte) {
        table[static_cast<std::size_t>(byte)] = trail++;
    }
    for (int byte = CHARMAP_FIRST_LEAD_BYTE; byte <= 0xFF; ++byte) {
        table[static_cast<std::size_t>(byte)] =
            244 + CHARMAP_TRAIL_COUNT * (byte - static_cast<int>(CHARMAP_FIRST_LEAD_BYTE));
    }
    return table;
}

// The one map of the process.
CharMap charmap;

// Position of the first entry of each name, kept beside the entries so that
// a look-up finds the same entry a search in file order would, without
// walking thousands of entries per character.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
std::unordered_map<std::string, std::int32_t, NameHash, std::equal_to<>> first_entry_of_name;

std::int32_t index_of(unsigned byte)
{
    return code_byte_index[byte & 0xFFu];
}

bool is_trail_byte(unsigned byte)
{
    return byte < CHARMAP_FIRST_LEAD_BYTE && index_of(byte) >= 0;
}

// The tags that set the limits, each with the field it sets.
struct LimitTag {
    const char* name;
    std::int32_t CharMap::*limit;
};

constexpr LimitTag limit_tags[] = {
    {"<MAX_CODE>", &CharMap::max_code},
    {"<MAX_CODE_FONT_NORMAL>", &CharMap::max_code_font_normal},
    {"<MAX_CODE_FONT_STATUS>", &CharMap::max_code_font_status},
    {"<MAX_CODE_FONT_BOOKS>", &CharMap::max_code_font_books},
    {"<MAX_CODE_FONT_SUBTITLE>", &CharMap::max_code_font_subtitle},
    {"<MAX_CODE_FONT_MENU>", &CharMap::max_code_font_menu},
    {"<MAX_CODE_FONT_BG_INTRO>", &CharMap::max_code_font_bg_intro},
    {"<MAX_CODE_FONT_BG_END2>", &CharMap::max_code_font_bg_end2},
    {"<MAX_CODE_FONT_BG_END3>", &CharMap::max_code_font_bg_end3},
    {"<MAX_CODE_FONT_SI_INTRO>", &CharMap::max_code_font_si_intro},
    {"<MAX_CODE_FONT_SPEECH_RED>", &CharMap::max_code_font_speech_red},
};

const LimitTag* find_limit_tag(std::string_view column)
{
    for (const LimitTag& tag : limit_tags) {
        if (column == tag.name) return &tag;
    }
    return nullptr;
}

// Columns of a map line: runs of tab, CR and LF separate, separators at
// the start are skipped, spaces belong to the columns.  Only the first
// three columns matter.
struct MapColumns {
    std::string_view column[3];
    int count = 0;
};

bool is_column_separator(char c)
{
    return c == '\t' || c == '\r' || c == '\n';
}

MapColumns split_map_line(std::string_view line)
{
    MapColumns columns;
    std::size_t pos = 0;
    while (columns.count < 3) {
        while (pos < line.size() && is_column_separator(line[pos])) ++pos;
        if (pos >= line.size()) break;
        const std::size_t start = pos;
        while (pos < line.size() && !is_column_separator(line[pos])) ++pos;
        columns.column[columns.count++] = line.substr(start, pos - start);
    }
    return columns;
}

// An unsigned number as strtoul reads it with base 0 (decimal, 0x hex or
// 0-prefixed octal, leading white space allowed, stopping at the first
// character that does not belong to it; no number at all reads as 0).
unsigned long read_unsigned(std::string_view text)
{
    const std::string terminated(text);
    return std::strtoul(terminated.c_str(), nullptr, 0);
}

// Column 2: numbers separated by commas, empty items skipped, the low 8
// bits of each kept, at most seven used; a zero byte ends the code.
std::array<char, CHARMAP_CODE_SIZE> read_code_column(std::string_view column)
{
    std::array<char, CHARMAP_CODE_SIZE> code{};
    int used = 0;
    std::size_t pos = 0;
    while (pos <= column.size() && used < CHARMAP_MAX_CODE_BYTES) {
        std::size_t comma = column.find(',', pos);
        if (comma == std::string_view::npos) comma = column.size();
        const std::string_view item = column.substr(pos, comma - pos);
        pos = comma + 1;
        if (item.empty()) continue;
        const auto byte = static_cast<unsigned char>(read_unsigned(item) & 0xFFu);
        code[static_cast<std::size_t>(used++)] = static_cast<char>(byte);
        if (byte == 0) break;  // the rest of the array stays zero
    }
    return code;
}

void append_entry(std::string_view name, const char* code, std::uint32_t attribute)
{
    try {
        CharMapEntry entry;
        entry.name.assign(name);
        for (int i = 0; i < CHARMAP_MAX_CODE_BYTES && code[i] != '\0'; ++i) {
            entry.code[static_cast<std::size_t>(i)] = code[i];
        }
        entry.attribute = attribute;
        // emplace keeps an existing name's position: the first entry wins.
        first_entry_of_name.emplace(entry.name, static_cast<std::int32_t>(charmap.entries.size()));
        charmap.entries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE_NAME, __LINE__);
    }
    charmap.entry_count = static_cast<std::int32_t>(charmap.entries.size());
}

// Reads past the next LF (or to the end of the stream).
void skip_rest_of_line(std::FILE* file)
{
    int c = 0;
    do {
        c = std::getc(file);
    } while (c != EOF && c != '\n');
}

void load_charmap_line(const char* line)
{
    const MapColumns columns = split_map_line(line);
    if (columns.count < 2) return;

    const std::array<char, CHARMAP_CODE_SIZE> code = read_code_column(columns.column[1]);
    if (const LimitTag* tag = find_limit_tag(columns.column[0])) {
        const int value = get_code_value(code.data());
        if (value >= 1) charmap.*(tag->limit) = value;
        return;
    }
    const auto attribute =
        columns.count >= 3 ? static_cast<std::uint32_t>(read_unsigned(columns.column[2])) : 0u;
    append_entry(columns.column[0], code.data(), attribute);
}

const CharMapEntry* find_entry(const char* character)
{
    if (character == nullptr || character[0] == '\0') return nullptr;
    const auto found = first_entry_of_name.find(std::string_view(character));
    if (found == first_entry_of_name.end()) return nullptr;
    return &charmap.entries[static_cast<std::size_t>(found->second)];
}

}  // namespace

const std::array<std::int32_t, 256> code_byte_index = make_code_byte_index();

const CharMap& current_charmap()
{
    return charmap;
}

int get_code_value(const char* code)
{
    if (code == nullptr) return -1;
    // Bytes are looked at one by one, so nothing past the terminator is read.
    const auto b0 = static_cast<unsigned char>(code[0]);
    if (b0 == 0) return 0;
    const auto b1 = static_cast<unsigned char>(code[1]);
    if (b0 < CHARMAP_FIRST_LEAD_BYTE && b1 == 0) return b0;
    const unsigned b2 = b1 == 0 ? 0u : static_cast<unsigned char>(code[2]);
    if (b0 < CHARMAP_FIRST_LEAD_BYTE && b1 < CHARMAP_FIRST_LEAD_BYTE && b2 == 0) return 0;
    if (b0 == 0xFF && is_trail_byte(b1) && is_trail_byte(b2)) {
        return CHARMAP_TRAIL_COUNT * index_of(b1) + index_of(0xFF) + index_of(b2);
    }
    if (b0 >= CHARMAP_FIRST_LEAD_BYTE && is_trail_byte(b1) && b2 == 0) return index_of(b0) + index_of(b1);
    return -1;
}

int load_charmap(const char* path)
{
    if (path == nullptr) {
        free_charmap();
        return 0;
    }
    FilePtr file = open_file(path, "r");
    if (!file) return -1;

    free_charmap();
    char line[CHARMAP_LINE_SIZE];
    bool first_line = true;
    std::size_t length = 0;
    while ((length = read_text_line(file.get(), line, sizeof line)) != 0) {
        const bool whole_line = line[length - 1] == '\n';
        if (first_line) remove_utf8_bom(line);
        first_line = false;
        if (line[0] == ';') {
            // A comment runs to its line end, however long: its tail must
            // not be read as a line of its own, where it could map a
            // character.
            if (!whole_line) skip_rest_of_line(file.get());
            continue;
        }
        load_charmap_line(line);
    }
    return std::ferror(file.get()) != 0 ? -1 : 0;
}

void free_charmap()
{
    charmap.entries.clear();
    charmap.entries.shrink_to_fit();
    first_entry_of_name.clear();
    charmap.entry_count = 0;
}

int add_charmap_entry(const char* name, const char* code)
{
    if (name == nullptr || code == nullptr) return -1;
    if (name[0] == '\0') return 0;
    append_entry(name, code, 0);
    return charmap.entry_count;
}

const char* lookup_charmap(const char* character)
{
    const CharMapEntry* entry = find_entry(character);
    return entry != nullptr ? entry->code.data() : nullptr;
}

int get_charmap_code(const char* character)
{
    if (character == nullptr || character[0] == '\0') return 0;
    const CharMapEntry* entry = find_entry(character);
    return entry != nullptr ? get_code_value(entry->code.data()) : -1;
}

int get_charmap_code_at(int index)
{
    if (index < 0 || index >= charmap.entry_count) return -1;
    return get_code_value(charmap.entries[static_cast<std::size_t>(index)].code.data());
}
