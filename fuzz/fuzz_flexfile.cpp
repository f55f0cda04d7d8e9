// The FLEX loaders on arbitrary bytes: typed by runs through the table
// (every simple type and shapes), and every entry read as a shape as the
// font dump does.  Whatever loads must write back to the same bytes.
#include "archive/u7data_utils.h"
#include "archive/u7files.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <cstdlib>
#include <variant>
#include <vector>

namespace {

// A plain or shape entry writes back to its own bytes in the file.
void check_round_trip(const std::uint8_t* file, const FlexEntry& entry, std::int32_t index)
{
    if (entry.empty()) return;
    std::vector<std::uint8_t> out(entry.size + 16);
    std::int32_t written = -1;
    if (std::holds_alternative<RawData>(entry.object)) {
        written = write_data_to_buffer(&entry.object, out.data(), static_cast<std::int32_t>(entry.size));
    } else if (std::holds_alternative<Shape>(entry.object)) {
        written = write_shape_to_buffer(&entry.object, out.data(), static_cast<std::int32_t>(entry.size), index);
    } else {
        return;
    }
    if (written != static_cast<std::int32_t>(entry.size)) std::abort();
    if (!std::equal(out.begin(), out.begin() + written, file + entry.offset)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool registered = [] {
        register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
        register_flexfile_readfunc(ENTRY_FILE, read_file_from_buffer);
        register_flexfile_readfunc(ENTRY_TEXT, read_text_from_buffer);
        register_flexfile_readfunc(ENTRY_PALETTE, read_palette_from_buffer);
        register_flexfile_readfunc(ENTRY_PALETTE2, read_palette2_from_buffer);
        register_flexfile_readfunc(ENTRY_TILES, read_tiles_from_buffer);
        register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);
        return true;
    }();
    (void)registered;

    static const TypeRun runs[] = {{ENTRY_FILE, 1},  {ENTRY_TEXT, 1},  {ENTRY_PALETTE, 1}, {ENTRY_PALETTE2, 1},
                                   {ENTRY_TILES, 1}, {ENTRY_SHAPE, 4}, {9, 1},             {ENTRY_RAW, 3},
                                   {-1, 0}};
    FlexArchivePtr archive;
    if (read_flexfile_from_memory(&archive, data, size, "archive.flx", runs) == 0) {
        if (archive->count != static_cast<std::int32_t>(archive->entries.size())) std::abort();
        for (std::size_t i = 0; i < archive->entries.size(); ++i) {
            check_round_trip(data, archive->entries[i], static_cast<std::int32_t>(i));
        }
        free_flexfile(archive);
    } else if (archive) {
        std::abort();  // a failed load leaves nothing behind
    }

    if (read_flexfile_with_readfunc_from_memory(&archive, data, size, "archive.flx", read_shape_from_buffer) == 0) {
        for (std::size_t i = 0; i < archive->entries.size(); ++i) {
            check_round_trip(data, archive->entries[i], static_cast<std::int32_t>(i));
        }
        free_flexfile(archive);
    }
    return 0;
}
