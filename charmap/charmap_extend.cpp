#include "charmap/charmap_extend.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/text_utils.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>
#include <unordered_set>

namespace {

// The first line of a map begun empty.
constexpr const char* NEW_MAP_COMMENT = "; 文字マップ: 文字 <TAB> コードのバイト(カンマ区切り)";

// Byte of a trail index 0 to 177: digits, capital letters, small letters,
// then 0x80 to 0xF3.
char trail_byte(int index)
{
    if (index < 10) return static_cast<char>('0' + index);
    if (index < 36) return static_cast<char>('A' + index - 10);
    if (index < 62) return static_cast<char>('a' + index - 36);
    return static_cast<char>(0x80 + index - 62);
}

// A code the converted texts can carry: one the map reads back as that
// number, without a byte that ends a string or a line in the files the
// converted texts go to.
bool code_is_carried(const std::string& bytes, int number)
{
    return !bytes.empty() && bytes.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos &&
           get_code_value(bytes.c_str()) == number;
}

// CR LF when the old map's first line ends so, else LF.
std::string_view line_end_of(std::string_view map)
{
    const std::size_t lf = map.find('\n');
    return lf != std::string_view::npos && lf > 0 && map[lf - 1] == '\r' ? "\r\n" : "\n";
}

}  // namespace

std::string code_bytes_of_number(int number)
{
    std::string bytes;
    if (number < CHARMAP_FIRST_FREE_CODE || number > CHARMAP_LAST_CODE) return bytes;
    if (number <= CHARMAP_LAST_TWO_BYTE_CODE) {
        const int offset = number - CHARMAP_FIRST_FREE_CODE;
        bytes += static_cast<char>(CHARMAP_FIRST_LEAD_BYTE + static_cast<unsigned>(offset / CHARMAP_TRAIL_COUNT));
        bytes += trail_byte(offset % CHARMAP_TRAIL_COUNT);
    } else {
        const int offset = number - code_byte_index[0xFF];
        bytes += static_cast<char>(0xFF);
        bytes += trail_byte(offset / CHARMAP_TRAIL_COUNT);
        bytes += trail_byte(offset % CHARMAP_TRAIL_COUNT);
    }
    return bytes;
}

bool CodePointOrder::operator()(const std::string& a, const std::string& b) const
{
    const unsigned code_a = decode_utf8_char(a.c_str());
    const unsigned code_b = decode_utf8_char(b.c_str());
    if (code_a != code_b) return code_a < code_b;
    return a < b;
}

bool add_text_characters(std::string_view text, CharacterSet& characters)
{
    bool valid_text = true;
    std::size_t position = 0;
    while (position < text.size()) {
        const auto byte = static_cast<unsigned char>(text[position]);
        if (byte < 0x80) {
            ++position;
            continue;
        }
        const int length = utf8_char_length(byte);
        bool valid = length >= 2 && static_cast<std::size_t>(length) <= text.size() - position;
        for (int k = 1; valid && k < length; ++k) {
            valid = (static_cast<unsigned char>(text[position + static_cast<std::size_t>(k)]) & 0xC0u) == 0x80u;
        }
        if (!valid) {
            valid_text = false;
            ++position;
            while (position < text.size() && (static_cast<unsigned char>(text[position]) & 0xC0u) == 0x80u) ++position;
            continue;
        }
        characters.emplace(text.substr(position, static_cast<std::size_t>(length)));
        position += static_cast<std::size_t>(length);
    }
    return valid_text;
}

CharmapExtension extend_charmap(std::string_view old_map, const CharMap& map, const CharacterSet& used)
{
    CharmapExtension extension;
    std::vector<bool> taken(static_cast<std::size_t>(CHARMAP_LAST_CODE) + 1, false);
    std::unordered_set<std::string_view> names;
    for (const CharMapEntry& entry : map.entries) {
        names.insert(entry.name);
        const int number = get_code_value(entry.code.data());
        extension.highest_code = std::max(extension.highest_code, number);
        if (number >= CHARMAP_FIRST_FREE_CODE && number <= CHARMAP_LAST_CODE) taken[static_cast<std::size_t>(number)] = true;
    }

    std::vector<const std::string*> missing;
    for (const std::string& character : used) {
        ++extension.used;
        if (names.count(character) != 0) {
            ++extension.mapped;
        } else {
            missing.push_back(&character);
        }
    }

    std::vector<std::pair<const std::string*, std::string>> assigned;
    std::vector<int> numbers;
    int next = CHARMAP_FIRST_FREE_CODE;
    for (const std::string* character : missing) {
        std::string bytes;
        for (; next <= CHARMAP_LAST_CODE; ++next) {
            if (taken[static_cast<std::size_t>(next)]) continue;
            bytes = code_bytes_of_number(next);
            if (code_is_carried(bytes, next)) break;
        }
        if (next > CHARMAP_LAST_CODE) {
            extension.unassigned = static_cast<int>(missing.size() - assigned.size());
            return extension;
        }
        assigned.emplace_back(character, std::move(bytes));
        numbers.push_back(next++);
    }

    extension.added = static_cast<int>(assigned.size());
    extension.text.assign(old_map);
    if (assigned.empty()) return extension;
    const std::string_view line_end = line_end_of(old_map);
    if (old_map.empty()) {
        extension.text.append(NEW_MAP_COMMENT).append(line_end);
    } else if (old_map.back() != '\n') {
        extension.text.append(line_end);
    }
    for (const auto& [character, bytes] : assigned) {
        extension.text.append(*character).append("\t").append(code_column(bytes)).append(line_end);
    }
    extension.highest_code = std::max(extension.highest_code, numbers.back());
    for (const CharMapLimitTag& field : CHARMAP_LIMIT_TAGS) {
        const int limit = map.*field.limit;
        if (limit <= 0) continue;
        const auto over = std::count_if(numbers.begin(), numbers.end(), [limit](int number) { return number > limit; });
        if (over != 0) extension.exceeded.push_back(CharmapLimitExceeded{field.name, limit, static_cast<int>(over)});
    }
    return extension;
}

int load_charmap_for_extension(const char* path, std::string& bytes)
{
    bytes.clear();
    FilePtr file = open_file(path, "rb");
    if (!file) {
        if (errno == ENOENT) {
            load_charmap(nullptr);
            return 0;
        }
        console_printf("ERROR: %s を読み込めません\n", path);
        return -1;
    }
    char block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) != 0) bytes.append(block, got);
    if (std::ferror(file.get()) != 0 || load_charmap(path) != 0) {
        console_printf("ERROR: %s を読み込めません\n", path);
        return -1;
    }
    return 0;
}

void print_charmap_extension(const CharmapExtension& extension)
{
    if (extension.unassigned != 0) {
        console_printf("ERROR: 文字マップに空きがありません: %d文字にコードを割り当てられません(最大コード%d)\n",
                       extension.unassigned, CHARMAP_LAST_CODE);
        return;
    }
    console_printf("INFORMATION: 使用文字%d個(登録済み%d個、追加%d個)、最大コード%d\n", extension.used, extension.mapped,
                   extension.added, extension.highest_code);
    for (const CharmapLimitExceeded& exceeded : extension.exceeded) {
        console_printf("WARNING: 追加した%d文字のコードが%sの%dを超えています\n", exceeded.new_codes_over, exceeded.tag,
                       exceeded.limit);
    }
}

std::string code_column(const std::string& bytes)
{
    std::string column;
    for (const char byte : bytes) {
        char item[8];
        std::snprintf(item, sizeof item, "%s0x%02X", column.empty() ? "" : ",",
                      static_cast<unsigned>(static_cast<unsigned char>(byte)));
        column += item;
    }
    return column;
}
