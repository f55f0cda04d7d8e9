#include "charmap/u7charmap.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/line_reader.h"
#include "common/text_utils.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>
#include <unordered_map>

const CharMapLimitTag CHARMAP_LIMIT_TAGS[11] = {
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

// The names of up to seven bytes (every single character) once more, in an
// open-addressing table whose slots hold the name's bytes packed into a key
// and the first entry's code bytes and length: converting a text looks a
// character up without hashing a string, following a pointer or measuring
// the code.  Key 0 marks a free slot (a packed key always has its length
// in the top byte).
struct PackedSlot {
    std::uint64_t key = 0;
    std::array<char, CHARMAP_MAX_CODE_BYTES> code{};
    std::uint8_t code_length = 0;
};
std::vector<PackedSlot> packed_slots;
std::size_t packed_used = 0;

std::size_t packed_position(std::uint64_t key, std::size_t mask)
{
    key ^= key >> 29;
    key *= 0xBF58476D1CE4E5B9ull;
    key ^= key >> 32;
    return static_cast<std::size_t>(key) & mask;
}

// Inserts unless the key is there already: the first entry wins.
void packed_insert(std::uint64_t key, const std::array<char, CHARMAP_CODE_SIZE>& code)
{
    if ((packed_used + 1) * 2 > packed_slots.size()) {
        std::vector<PackedSlot> old;
        old.swap(packed_slots);
        packed_slots.resize(old.empty() ? 64 : old.size() * 2);
        packed_used = 0;
        for (const PackedSlot& slot : old) {
            if (slot.key == 0) continue;
            std::size_t at = packed_position(slot.key, packed_slots.size() - 1);
            while (packed_slots[at].key != 0) at = (at + 1) & (packed_slots.size() - 1);
            packed_slots[at] = slot;
            ++packed_used;
        }
    }
    const std::size_t mask = packed_slots.size() - 1;
    std::size_t at = packed_position(key, mask);
    while (packed_slots[at].key != 0) {
        if (packed_slots[at].key == key) return;
        at = (at + 1) & mask;
    }
    PackedSlot& slot = packed_slots[at];
    slot.key = key;
    std::uint8_t length = 0;
    while (length < CHARMAP_MAX_CODE_BYTES && code[length] != '\0') {
        slot.code[length] = code[length];
        ++length;
    }
    slot.code_length = length;
    ++packed_used;
}

const PackedSlot* packed_find(std::uint64_t key)
{
    if (packed_slots.empty()) return nullptr;
    const std::size_t mask = packed_slots.size() - 1;
    std::size_t at = packed_position(key, mask);
    while (packed_slots[at].key != 0) {
        if (packed_slots[at].key == key) return &packed_slots[at];
        at = (at + 1) & mask;
    }
    return nullptr;
}

std::int32_t index_of(unsigned byte)
{
    return code_byte_index[byte & 0xFFu];
}

bool is_trail_byte(unsigned byte)
{
    return byte < CHARMAP_FIRST_LEAD_BYTE && index_of(byte) >= 0;
}


const CharMapLimitTag* find_limit_tag(std::string_view column)
{
    for (const CharMapLimitTag& tag : CHARMAP_LIMIT_TAGS) {
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

void append_entry(std::string_view name, const char* code, std::uint32_t attribute, std::int32_t line)
{
    try {
        CharMapEntry entry;
        entry.name.assign(name);
        for (int i = 0; i < CHARMAP_MAX_CODE_BYTES && code[i] != '\0'; ++i) {
            entry.code[static_cast<std::size_t>(i)] = code[i];
        }
        entry.attribute = attribute;
        entry.line = line;
        // emplace keeps an existing name's position: the first entry wins.
        first_entry_of_name.emplace(entry.name, static_cast<std::int32_t>(charmap.entries.size()));
        if (entry.name.size() <= CHARMAP_MAX_CODE_BYTES) {
            packed_insert(pack_charmap_name(entry.name.data(), entry.name.size()), entry.code);
        }
        charmap.entries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE_NAME, __LINE__);
    }
    charmap.entry_count = static_cast<std::int32_t>(charmap.entries.size());
}

void load_charmap_line(const char* line, std::int32_t line_number)
{
    const MapColumns columns = split_map_line(line);
    if (columns.count < 2) return;

    const std::array<char, CHARMAP_CODE_SIZE> code = read_code_column(columns.column[1]);
    if (const CharMapLimitTag* tag = find_limit_tag(columns.column[0])) {
        const int value = get_code_value(code.data());
        if (value >= 1) charmap.*(tag->limit) = value;
        return;
    }
    const auto attribute =
        columns.count >= 3 ? static_cast<std::uint32_t>(read_unsigned(columns.column[2])) : 0u;
    append_entry(columns.column[0], code.data(), attribute, line_number);
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
    FilePtr file = open_file(path, "rb");
    if (!file) return -1;

    free_charmap();
    // The map keeps its own rules for stray bytes: a CR separates columns
    // like a tab, and a zero byte ends the line.  The rest of a longer line
    // is read as the next line, except for a comment, which comes whole.
    LineReader reader(file.get(), CHARMAP_LINE_SIZE - 1);
    std::string_view line;
    while (reader.next(line) != LineStatus::end) {
        if (!line.empty() && line[0] == ';') {
            // A comment runs to its line end, however long: its tail must
            // not be read as a line of its own, where it could map a
            // character.
            reader.skip_rest_of_line();
            continue;
        }
        load_charmap_line(line.data(), reader.line_number());
    }
    return reader.failed() ? -1 : 0;
}

void free_charmap()
{
    charmap.entries.clear();
    charmap.entries.shrink_to_fit();
    first_entry_of_name.clear();
    packed_slots.clear();
    packed_slots.shrink_to_fit();
    packed_used = 0;
    charmap.entry_count = 0;
}

int add_charmap_entry(const char* name, const char* code)
{
    if (name == nullptr || code == nullptr) return -1;
    if (name[0] == '\0') return 0;
    append_entry(name, code, 0, 0);
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

std::uint64_t pack_charmap_name(const char* name, std::size_t length)
{
    std::uint64_t key = static_cast<std::uint64_t>(length) << 56;
    for (std::size_t i = 0; i < length && i < CHARMAP_MAX_CODE_BYTES; ++i) {
        key |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
    }
    return key;
}

const char* lookup_charmap_packed(std::uint64_t key, std::size_t* code_length)
{
    const PackedSlot* slot = packed_find(key);
    if (slot == nullptr) return nullptr;
    if (code_length != nullptr) *code_length = slot->code_length;
    return slot->code.data();
}
