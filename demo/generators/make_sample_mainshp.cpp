// make_sample_mainshp: the sample archive of the tawnix demo, and the check
// of what tawnix made of it.
//
//   make_sample_mainshp make  [archive]                      (MAINSHP.FLX)
//   make_sample_mainshp check [archive new-archive map table]
//                       (MAINSHP.FLX mainshp.flx.new usecode.map bg_text.ja.txt)
//
// make writes an archive in the layout of the game's MAINSHP.FLX: 24
// entries, plain bytes everywhere (entry 17 empty) but at 13 and 21, which
// are text entries holding the subtitle lines of the introduction and of
// the ending.  Each line is ended by CR LF and most begin with a placement
// marker ("\C", "\L" or "\R"); like the game's texts, each entry ends with
// a zero byte after its last line.
//
// check loads both archives the way tawnix does and compares them: the
// header and every entry but 13 and 21 must be unchanged, and those two
// must hold as many lines as before, each with its marker and its CR LF.
// Each line is printed with its bytes in hexadecimal and decoded back
// through the character map; a line must read back as the TEXT of its
// record in the Japanese table, or as its English text when the table has
// no record for it.  Status 0 only when everything matches.
#include "common/console.h"
#include "charmap/u7charmap.h"
#include "archive/u7data_utils.h"
#include "archive/u7files.h"
#include "sample_support.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ENTRY_COUNT = 24;
constexpr int EMPTY_ENTRY = 17;

struct TextKind {
    const char* type_name;
    int entry;
};
constexpr std::array<TextKind, 2> kinds = {{{"BG_INTRO", 13}, {"BG_ENDGAME2", 21}}};

// The subtitle lines as they stand in the entries, marker included.
const std::array<std::vector<std::string>, 2> english_lines = {{
    {
        "\\CTraveller, canst thou hear my voice?",
        "\\CLong have I watched thee from afar.",
        "\\LThe stones on the hill still hold a gate.",
        "\\RStep through it, and thy new life begins.",
        "I shall be waiting for thee.",
    },
    {
        "\\CThe dark gate lies in ruins.",
        "\\CThe land is free of its shadow once more.",
        "\\CYet the road to thine own world is gone...",
        "\\CThank you for playing.",
    },
}};

// Loads as tawnix does: entries 13 and 21 as texts, the rest as bytes.
const TypeRun type_runs[] = {{ENTRY_RAW, 13}, {ENTRY_TEXT, 1}, {ENTRY_RAW, 7},
                             {ENTRY_TEXT, 1}, {ENTRY_RAW, 100}, {ENTRY_NONE, 0}};

int make_sample(const std::string& path)
{
    FlexArchive archive = sample_archive("Ultima VII main shapes (toolkit sample)", ENTRY_COUNT);
    for (int i = 0; i < ENTRY_COUNT; ++i) {
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(i)];
        if (i == EMPTY_ENTRY) continue;
        const TextKind* kind = nullptr;
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (kinds[k].entry == i) kind = &kinds[k];
        }
        if (kind != nullptr) {
            std::string text;
            for (const std::string& line : english_lines[static_cast<std::size_t>(kind - kinds.data())]) {
                text += line + "\r\n";
            }
            text += '\0';
            entry.size = static_cast<std::uint32_t>(text.size());
            entry.object = TextData{std::move(text)};
            entry.type = ENTRY_TEXT;
        } else {
            // Stand-ins for the archive's pictures: some bytes each.
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(40 + 8 * i));
            for (std::size_t k = 0; k < bytes.size(); ++k) {
                bytes[k] = static_cast<std::uint8_t>(static_cast<std::size_t>(i) * 37 + k * 11);
            }
            entry.size = static_cast<std::uint32_t>(bytes.size());
            entry.object = RawData{std::move(bytes)};
            entry.type = ENTRY_RAW;
        }
        entry.offset = 1;  // anything but 0: the entry is not empty
    }
    const std::int64_t size = write_flexfile(&archive, path.c_str());
    if (size < 0) return -1;
    std::printf("wrote %s: %lld bytes, %d entries, subtitle texts at 13 (%zu lines) and 21 (%zu lines)\n",
                path.c_str(), static_cast<long long>(size), ENTRY_COUNT, english_lines[0].size(),
                english_lines[1].size());
    return 0;
}

// The Japanese table's texts by kind and line number; comments, empty lines
// and malformed records are skipped (tawnix has already judged the file).
std::array<std::map<long, std::string>, 2> read_translations(const std::string& path)
{
    std::array<std::map<long, std::string>, 2> texts;
    std::ifstream file(path, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        std::vector<std::string> columns;
        std::size_t start = 0;
        while (columns.size() < 3) {
            const std::size_t tab = line.find('\t', start);
            if (tab == std::string::npos) break;
            columns.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        if (columns.size() < 3) continue;
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (strcasecmp(columns[0].c_str(), kinds[k].type_name) == 0) {
                texts[k][std::strtol(columns[1].c_str(), nullptr, 0)] = line.substr(start);
            }
        }
    }
    return texts;
}

// A text entry's lines, each ended by CR LF; text after the last CR LF or
// a bare CR makes it fail.
std::optional<std::vector<std::string>> entry_lines(const FlexEntry& entry)
{
    const auto* data = std::get_if<TextData>(&entry.object);
    if (data == nullptr) return std::nullopt;
    const std::string text(data->text.c_str());  // up to a terminating zero
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t cr = text.find('\r', start);
        if (cr == std::string::npos || cr + 1 >= text.size() || text[cr + 1] != '\n') return std::nullopt;
        lines.push_back(text.substr(start, cr - start));
        start = cr + 2;
    }
    return lines;
}

std::string marker_of(const std::string& line)
{
    if (line.size() >= 2 && line[0] == '\\' && (line[1] == 'C' || line[1] == 'L' || line[1] == 'R')) {
        return line.substr(0, 2);
    }
    return "";
}

// The code bytes read back as characters: at each position the longest code
// of the map (up to three bytes), else a plain ASCII byte.  Null when a byte
// is neither.
std::optional<std::string> decode_codes(const std::string& bytes, const std::map<std::string, std::string>& by_code)
{
    std::string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        bool found = false;
        for (std::size_t length = 3; length >= 1 && !found; --length) {
            if (i + length > bytes.size()) continue;
            const auto entry = by_code.find(bytes.substr(i, length));
            if (entry == by_code.end()) continue;
            text += entry->second;
            i += length;
            found = true;
        }
        if (found) continue;
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return std::nullopt;
        text += bytes[i++];
    }
    return text;
}

void print_hex(const std::string& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); i += 16) {
        std::printf("      ");
        for (std::size_t k = i; k < i + 16 && k < bytes.size(); ++k) {
            std::printf(" %02X", static_cast<unsigned>(static_cast<unsigned char>(bytes[k])));
        }
        std::printf("\n");
    }
}

bool load_quietly(FlexArchivePtr& archive, const std::string& path)
{
    QuietStdout quiet;
    register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
    register_flexfile_readfunc(ENTRY_TEXT, read_text_from_buffer);
    return read_flexfile(&archive, path.c_str(), type_runs) == 0;
}

// Every entry but the two texts must be as it was.
int count_changed_entries(const FlexArchive& before, const FlexArchive& after)
{
    int changed = 0;
    for (std::size_t i = 0; i < before.entries.size(); ++i) {
        if (static_cast<int>(i) == kinds[0].entry || static_cast<int>(i) == kinds[1].entry) continue;
        const auto* old_bytes = std::get_if<RawData>(&before.entries[i].object);
        const auto* new_bytes = std::get_if<RawData>(&after.entries[i].object);
        const bool same = before.entries[i].empty() ? after.entries[i].empty()
                                                    : old_bytes != nullptr && new_bytes != nullptr &&
                                                          old_bytes->bytes == new_bytes->bytes;
        if (!same) {
            std::printf("entry [%zu] changed\n", i);
            ++changed;
        }
    }
    return changed;
}

int check_result(const std::string& original_path, const std::string& new_path, const std::string& map_path,
                 const std::string& table_path)
{
    FlexArchivePtr before;
    FlexArchivePtr after;
    if (!load_quietly(before, original_path) || !load_quietly(after, new_path)) {
        std::printf("cannot load %s and %s\n", original_path.c_str(), new_path.c_str());
        return -1;
    }
    if (load_charmap(map_path.c_str()) != 0) {
        std::printf("cannot read %s\n", map_path.c_str());
        return -1;
    }
    std::map<std::string, std::string> by_code;
    for (const CharMapEntry& entry : current_charmap().entries) by_code.emplace(entry.code.data(), entry.name);
    const auto translations = read_translations(table_path);

    int faults = 0;
    if (before->count != after->count || before->title != after->title || before->magic1 != after->magic1 ||
        before->magic2 != after->magic2 || before->reserved != after->reserved) {
        std::printf("the archive header changed\n");
        ++faults;
    }
    const int changed = before->count == after->count ? count_changed_entries(*before, *after) : 0;
    faults += changed;

    int translated = 0;
    int english = 0;
    for (std::size_t k = 0; k < kinds.size() && before->count == after->count; ++k) {
        const auto index = static_cast<std::size_t>(kinds[k].entry);
        const auto old_lines = entry_lines(before->entries[index]);
        const auto new_lines = entry_lines(after->entries[index]);
        if (!old_lines || !new_lines || old_lines->size() != new_lines->size()) {
            std::printf("[%zu] %s: the lines are not those of the original\n", index, kinds[k].type_name);
            ++faults;
            continue;
        }
        std::printf("[%zu] %s, %u bytes:\n", index, kinds[k].type_name, after->entries[index].size);
        for (std::size_t n = 0; n < new_lines->size(); ++n) {
            const std::string& line = (*new_lines)[n];
            const std::string marker = marker_of(line);
            const std::string codes = line.substr(marker.size());
            const auto decoded = decode_codes(codes, by_code);
            const long number = static_cast<long>(n) + 1;
            const auto record = translations[k].find(number);
            const std::string expected =
                record != translations[k].end() ? record->second : (*old_lines)[n].substr(marker.size());
            const bool ok = marker == marker_of((*old_lines)[n]) && decoded && *decoded == expected;
            std::printf("  %s %ld %-2s (%zu bytes)%s\n", kinds[k].type_name, number, marker.c_str(), codes.size(),
                        ok ? "" : "  <- differs");
            print_hex(codes);
            console_printf("       = %s\n", decoded ? decoded->c_str() : "(not in the map)");
            if (!ok) ++faults;
            if (record != translations[k].end()) {
                ++translated;
            } else {
                ++english;
            }
        }
    }
    free_charmap();
    std::printf("%d lines translated, %d kept in English, %d other entries changed: %s\n", translated, english,
                changed, faults == 0 ? "all as expected" : "FAULTS FOUND");
    return faults == 0 ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    const bool make = command == "make";
    if ((make && argc > 3) || (!make && (command != "check" || argc > 6))) {
        std::printf("usage: make_sample_mainshp make [archive]\n"
                    "       make_sample_mainshp check [archive [new-archive [map [japanese-table]]]]\n");
        return 1;
    }
    const std::string archive = argc > 2 ? argv[2] : "MAINSHP.FLX";
    if (make) return make_sample(archive) == 0 ? 0 : 1;
    const std::string new_archive = argc > 3 ? argv[3] : "mainshp.flx.new";
    const std::string map = argc > 4 ? argv[4] : "usecode.map";
    const std::string table = argc > 5 ? argv[5] : "bg_text.ja.txt";
    return check_result(archive, new_archive, map, table) == 0 ? 0 : 1;
}
