// Pixel depth conversion on arbitrary areas: any size up to 63 × 63, any
// bit count (supported or not), palettes of any length, pixels of any
// value, and destinations that the caller sized right or wrong.
#include "bitmap/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6) return 0;
    static const std::int32_t BIT_COUNTS[] = {1, 4, 8, 16, 24, 32, 2, 0};
    static const std::size_t PALETTE_SIZES[] = {0, 8, 60, 64, 1020, 1024, 4, 1};
    const std::int32_t width = data[0] % 64;
    const std::int32_t height = data[1] % 64;
    const std::int32_t from = BIT_COUNTS[data[2] % 8];
    const std::int32_t to = BIT_COUNTS[data[3] % 8];
    const std::size_t from_palette_size = PALETTE_SIZES[data[4] % 8];
    const std::size_t to_palette_size = PALETTE_SIZES[data[4] / 8 % 8];
    const std::size_t destination_size = data[5] < 128 ? 0 : static_cast<std::size_t>(data[5]) * 32;

    std::span<const std::uint8_t> rest(data + 6, size - 6);
    const std::span<const std::uint8_t> from_palette = rest.first(std::min(from_palette_size, rest.size()));
    rest = rest.subspan(from_palette.size());
    const std::span<const std::uint8_t> to_palette = rest.first(std::min(to_palette_size, rest.size()));
    rest = rest.subspan(to_palette.size());

    std::vector<std::uint8_t> destination(destination_size, 0xA5);
    const std::int32_t status =
        convert_bitmap_depth(width, height, from, from_palette, rest, to, to_palette, &destination);
    if (status != 0) {
        if (destination.size() != destination_size) std::abort();
        return 0;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (destination.size() != count * static_cast<std::size_t>((to + 7) / 8)) std::abort();
    if (to <= 8) {
        const std::size_t entries = std::size_t{1} << to;
        for (const std::uint8_t index : destination) {
            if (index >= entries) std::abort();
        }
    }
    if (from == to && from > 8 && !std::equal(destination.begin(), destination.end(), rest.begin())) std::abort();
    return 0;
}
