// u7kit's own code on arbitrary bytes.  The first byte chooses the part,
// the rest is its input:
//   0  a font archive drawn as a font sheet;
//   1  a subtitle archive whose frames go out as templates and come back:
//      the frame stored from a template must give the same template again;
//   2  a translation file checked as conversation table, message
//      translations and subtitle table (u7kit check's three formats);
//   3  a message file made into a template, which read back as its
//      translation must be taken whole (when its texts are ASCII).
#include "fuzz_memory_file.h"
#include "archive/u7files.h"
#include "charmap/u7charmap.h"
#include "fonts/font_sheet.h"
#include "shape/u7shape_utils.h"
#include "subtitle/subtitle_frames.h"
#include "texts/exult_messages.h"
#include "texts/translation_check.h"

#include <algorithm>
#include <cstdlib>
#include <variant>

namespace {

void draw_font_sheet(const std::uint8_t* data, std::size_t size)
{
    FlexArchivePtr archive;
    if (read_flexfile_with_readfunc_from_memory(&archive, data, size, "FONTS.VGA", read_shape_from_buffer) != 0) return;
    (void)render_font_sheet(*archive, nullptr);
    free_flexfile(archive);
}

void export_and_store_subtitles(const std::uint8_t* data, std::size_t size)
{
    FlexArchivePtr archive;
    if (read_flexfile_with_readfunc_from_memory(&archive, data, size, "ENDSHAPE.FLX", read_shape_from_buffer) != 0) {
        return;
    }
    for (std::size_t entry = 0; entry < archive->entries.size(); ++entry) {
        const Shape* shape = std::get_if<Shape>(&archive->entries[entry].object);
        SubtitleExport first;
        if (shape == nullptr || export_subtitle_frame(*shape, static_cast<int>(entry), nullptr, first) != 0) continue;
        std::vector<std::uint8_t> game_pixels(first.indices.size());
        std::transform(first.indices.begin(), first.indices.end(), game_pixels.begin(), subtitle_game_colour);
        Shape stored = *shape;
        if (store_subtitle_frame(stored, game_pixels, "template") != 0) std::abort();
        SubtitleExport again;
        if (export_subtitle_frame(stored, static_cast<int>(entry), nullptr, again) != 0) std::abort();
        if (again.indices != first.indices || again.other_colours != 0) std::abort();
    }
    free_flexfile(archive);
}

void check_translation(const std::uint8_t* data, std::size_t size)
{
    static const MemoryFile file = make_memory_file("translation.txt");
    fill_memory_file(file, data, size);
    for (const CheckFormat format : {CheckFormat::usecode, CheckFormat::exultmsg, CheckFormat::bgtext}) {
        CheckReport report;
        (void)check_translation_file(file.path.c_str(), format, CheckSettings{}, report);
    }
}

bool ascii_only(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

void template_round_trip(const std::uint8_t* data, std::size_t size)
{
    static const MemoryFile messages = make_memory_file("exultmsg.txt");
    static const MemoryFile translations = make_memory_file("exultmsg.en.txt");
    fill_memory_file(messages, data, size);
    MessageList list;
    if (read_exult_messages(list, message_table.data(), messages.path.c_str(), MessageNumbers::any) < 0) return;
    const MessageTemplate made = make_message_template(list);
    if (made.records == 0 || !made.too_long.empty() || !ascii_only(made.text)) return;
    fill_memory_file(translations, reinterpret_cast<const std::uint8_t*>(made.text.data()), made.text.size());
    if (read_exult_translations(list, message_table.data(), translations.path.c_str(), MessageNumbers::any) !=
        made.records) {
        std::abort();
    }
    for (const MessageLine& line : list) {
        if (line.translation != nullptr && line.source_text() && *line.translation != *line.source_text()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool map_ready = [] {
        add_charmap_entry("は", "\xF4\x30");
        add_charmap_entry("空", "");
        return true;
    }();
    (void)map_ready;
    if (size == 0) return 0;
    const std::uint8_t part = data[0];
    ++data;
    --size;
    switch (part % 4) {
    case 0: draw_font_sheet(data, size); break;
    case 1: export_and_store_subtitles(data, size); break;
    case 2: check_translation(data, size); break;
    default: template_round_trip(data, size); break;
    }
    return 0;
}
