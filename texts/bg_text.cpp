// The subtitle texts of MAINSHP.FLX: splitting entries 13 and 21 into
// lines, and joining the lines (translated or not) back into the entries.
//
// A text entry is lines, each ended by CR LF:
//
//   [marker] text CR LF        marker: "\C", "\L" or "\R", or nothing
//   ...
//
// The marker is not part of the line's text; any other backslash sequence
// is.  The entries written back carry no terminating zero byte.
#include "texts/bg_text.h"

#include "common/console.h"

#include <cstring>
#include <limits>
#include <new>
#include <string_view>
#include <variant>

const SubtitleKind subtitle_kinds[SUBTITLE_KIND_COUNT] = {
    {"BG_INTRO", 13, "GUARDIAN"},
    {"BG_ENDGAME2", 21, "MENU"},
};

const TypeRun subtitle_type_runs[] = {
    {ENTRY_RAW, 13}, {ENTRY_TEXT, 1}, {ENTRY_RAW, 7}, {ENTRY_TEXT, 1}, {ENTRY_RAW, 100}, {ENTRY_NONE, 0},
};

namespace {

constexpr const char* MODULE = "tawnix";
constexpr char CR = '\r';
constexpr char LF = '\n';

constexpr std::string_view marker_prefixes[] = {"", "\\C", "\\L", "\\R"};

std::int32_t marker_of(const char* line)
{
    if (line[0] != '\\') return SUBTITLE_MARKER_NONE;
    switch (line[1]) {
    case 'C': return SUBTITLE_MARKER_C;
    case 'L': return SUBTITLE_MARKER_L;
    case 'R': return SUBTITLE_MARKER_R;
    default: return SUBTITLE_MARKER_NONE;
    }
}

std::string_view prefix_of(std::int32_t marker)
{
    if (marker < SUBTITLE_MARKER_NONE || marker > SUBTITLE_MARKER_R) return {};
    return marker_prefixes[marker];
}

// Number of lines: one per CR; the byte after a CR is stepped over without
// being looked at, unless the CR is the last byte.
std::int32_t count_subtitle_lines(const char* text, std::size_t length)
{
    std::int32_t count = 0;
    std::size_t i = 0;
    while (i < length) {
        if (text[i] != CR) {
            ++i;
            continue;
        }
        if (count == std::numeric_limits<std::int32_t>::max()) break;
        ++count;
        if (length - i < 2) break;
        i += 2;
    }
    return count;
}

// The object of a subtitle entry, or null when the entry is missing, holds
// no text or its text is empty.
const TextData* subtitle_text_of(const FlexArchive& archive, std::int32_t index)
{
    if (index < 0 || index >= archive.count || static_cast<std::size_t>(index) >= archive.entries.size()) {
        return nullptr;
    }
    const auto* text = std::get_if<TextData>(&archive.entries[static_cast<std::size_t>(index)].object);
    if (text == nullptr || text->text.empty() || text->text[0] == '\0') return nullptr;
    return text;
}

}  // namespace

int split_subtitle_text(const char* text, SubtitleTable& table)
{
    table = SubtitleTable{};
    if (text == nullptr) return -1;
    const std::size_t length = std::strlen(text);
    const std::int32_t line_count = count_subtitle_lines(text, length);
    try {
        SubtitleTable filled;
        filled.buffer = std::make_unique<char[]>(length + 1);
        std::memcpy(filled.buffer.get(), text, length + 1);
        filled.lines.resize(static_cast<std::size_t>(line_count));
        filled.line_count = line_count;

        char* const buffer = filled.buffer.get();
        std::size_t position = 0;
        for (SubtitleLine& line : filled.lines) {
            // Every counted line ends at a CR inside the text, so the scan
            // below stops there; the position stays within the buffer.
            line.marker = marker_of(buffer + position);
            if (line.marker != SUBTITLE_MARKER_NONE) position += 2;
            line.english = buffer + position;
            while (position < length && buffer[position] != CR) ++position;
            buffer[position] = '\0';
            position = length - position < 2 ? length : position + 2;
        }
        table = std::move(filled);
        return 0;
    } catch (const std::bad_alloc&) {
        print_memory_exhausted(MODULE, __LINE__);
        return -1;
    }
}

std::string join_subtitle_lines(const SubtitleTable& table)
{
    std::size_t size = 0;
    for (const SubtitleLine& line : table.lines) {
        const char* text = line.translation ? line.translation->c_str() : line.english;
        size += prefix_of(line.marker).size() + (text != nullptr ? std::strlen(text) : 0) + 2;
    }
    std::string joined;
    joined.reserve(size);
    for (const SubtitleLine& line : table.lines) {
        joined += prefix_of(line.marker);
        if (line.translation) {
            joined += *line.translation;
        } else if (line.english != nullptr) {
            joined += line.english;
        }
        joined += CR;
        joined += LF;
    }
    return joined;
}

int load_subtitle_tables(const FlexArchive& archive, SubtitleTables& tables, const char* path)
{
    if (path == nullptr) return -1;
    for (int kind = 0; kind < SUBTITLE_KIND_COUNT; ++kind) {
        const TextData* text = subtitle_text_of(archive, subtitle_kinds[kind].entry_index);
        if (text == nullptr) {
            console_printf("ERROR: 字幕テキストがありません: %s\n", path);
            console_printf("ERROR: %s を読み込めません\n", path);
            return -1;
        }
        if (split_subtitle_text(text->text.c_str(), tables[static_cast<std::size_t>(kind)]) != 0) {
            console_printf("ERROR: %s を読み込めません\n", path);
            return -1;
        }
    }
    return 0;
}

int rebuild_subtitle_entries(FlexArchive& archive, const SubtitleTables& tables)
{
    std::array<std::string, SUBTITLE_KIND_COUNT> joined;
    try {
        for (int kind = 0; kind < SUBTITLE_KIND_COUNT; ++kind) {
            const std::int32_t index = subtitle_kinds[kind].entry_index;
            if (index < 0 || static_cast<std::size_t>(index) >= archive.entries.size()) return -1;
            std::string& text = joined[static_cast<std::size_t>(kind)];
            text = join_subtitle_lines(tables[static_cast<std::size_t>(kind)]);
            // Entry sizes are 32-bit, and the write functions take them as
            // signed numbers.
            if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
                throw std::bad_alloc();
            }
        }
    } catch (const std::bad_alloc&) {
        print_memory_exhausted(MODULE, __LINE__);
        return -1;
    }
    for (int kind = 0; kind < SUBTITLE_KIND_COUNT; ++kind) {
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(subtitle_kinds[kind].entry_index)];
        std::string& text = joined[static_cast<std::size_t>(kind)];
        entry.size = static_cast<std::uint32_t>(text.size());
        entry.type = ENTRY_TEXT;
        entry.object.emplace<TextData>(TextData{std::move(text)});
    }
    return 0;
}

void free_subtitle_tables(SubtitleTables& tables)
{
    for (SubtitleTable& table : tables) table = SubtitleTable{};
}
