// The subtitle texts and the Japanese table reader.  The input up to its
// first zero byte is the introduction's text, up to the second the
// ending's, and the rest a Japanese table read with a small fixed map.
// Splitting and joining must stay inside the tables, a well-formed text
// must come back byte for byte, and no accepted translation may change
// the number of lines of an entry.
#include "fuzz_memory_file.h"
#include "texts/bg_text.h"
#include "charmap/u7charmap.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Lines each ended by CR LF, no other CR.
bool well_formed(const std::string& text)
{
    if (!text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0)) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
    }
    return true;
}

// Takes the bytes up to the next zero byte (or the end) and steps past it.
std::string take_part(const std::uint8_t*& data, std::size_t& size)
{
    const void* zero = std::memchr(data, 0, size);
    const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data) : size;
    std::string part(reinterpret_cast<const char*>(data), length);
    const std::size_t step = zero ? length + 1 : length;
    data += step;
    size -= step;
    return part;
}

std::int32_t lines_in(const std::string& text)
{
    SubtitleTable table;
    if (split_subtitle_text(text.c_str(), table) != 0) std::abort();
    return table.line_count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool map_ready = [] {
        add_charmap_entry("あ", "\xF4\x30");
        add_charmap_entry("空", "");
        add_charmap_entry("改", "\r");
        add_charmap_entry("長", "\x01\x02\x03\x04\x05\x06\x07");
        return true;
    }();
    (void)map_ready;

    const std::string texts[SUBTITLE_KIND_COUNT] = {take_part(data, size), take_part(data, size)};
    FlexArchive archive;
    archive.count = 22;
    archive.entries.resize(22);
    for (int kind = 0; kind < SUBTITLE_KIND_COUNT; ++kind) {
        const std::string& text = texts[kind];
        SubtitleTable table;
        if (split_subtitle_text(text.c_str(), table) != 0) std::abort();
        const std::string joined = join_subtitle_lines(table);
        if (well_formed(text) && joined != text) std::abort();

        FlexEntry& entry = archive.entries[static_cast<std::size_t>(subtitle_kinds[kind].entry_index)];
        entry.offset = 1;
        entry.size = static_cast<std::uint32_t>(text.size());
        entry.type = ENTRY_TEXT;
        entry.object.emplace<TextData>(TextData{text});
    }

    SubtitleTables tables;
    if (load_subtitle_tables(archive, tables, "MAINSHP.FLX") != 0) return 0;
    static const MemoryFile english = make_memory_file("bg_text.en.txt");
    static const MemoryFile japanese = make_memory_file("bg_text.ja.txt");
    (void)write_english_text_file(english.path.c_str(), tables);
    fill_memory_file(japanese, data, size);
    if (read_japanese_text_file(archive, tables, japanese.path.c_str()) < 0) return 0;

    for (int kind = 0; kind < SUBTITLE_KIND_COUNT; ++kind) {
        const FlexEntry& entry = archive.entries[static_cast<std::size_t>(subtitle_kinds[kind].entry_index)];
        const auto* rebuilt = std::get_if<TextData>(&entry.object);
        if (rebuilt == nullptr || rebuilt->text.size() != entry.size) std::abort();
        if (!well_formed(rebuilt->text)) std::abort();
        if (lines_in(rebuilt->text) != tables[static_cast<std::size_t>(kind)].line_count) std::abort();
    }
    return 0;
}
