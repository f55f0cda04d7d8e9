#include "bitmap/bitmap.h"

#include "bitmap/bitmap_sizes.h"
#include "common/checked_size.h"
#include "common/console.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

namespace {

using namespace bitmap_sizes;

constexpr const char* MODULE = "bitmap";
// Larger than any distance of two real colours (3 × 255²).
constexpr std::int64_t NO_DISTANCE = 196608;

// The palette of a 1-bit image that comes without one: black, white.
constexpr std::uint8_t BLACK_AND_WHITE[8] = {0, 0, 0, 0, 255, 255, 255, 0};

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// One side of a conversion: a palette image with its entries, or direct
// colour.
struct PixelFormat {
    std::int32_t bit_count = 0;
    std::size_t bytes_per_pixel = 0;
    std::uint32_t entries = 0;  // 0 for direct colour
    std::span<const std::uint8_t> palette;
};

// Nothing for an unsupported bit count or a palette image whose palette is
// missing or short (a 1-bit image may come without one).
std::optional<PixelFormat> classify(std::int32_t bit_count, std::span<const std::uint8_t> palette)
{
    if (!is_supported_bit_count(bit_count)) return std::nullopt;
    PixelFormat format;
    format.bit_count = bit_count;
    format.bytes_per_pixel = bytes_per_pixel(bit_count);
    format.entries = palette_entries(bit_count);
    if (format.entries == 0) return format;
    if (bit_count == 1 && palette.empty()) palette = BLACK_AND_WHITE;
    if (palette.size() < std::size_t{format.entries} * PALETTE_ENTRY_SIZE) return std::nullopt;
    format.palette = palette.first(std::size_t{format.entries} * PALETTE_ENTRY_SIZE);
    return format;
}

// Widening of a 5-bit component to 8 bits, and back.
std::uint8_t widen5(unsigned value) { return static_cast<std::uint8_t>((value * 8) | (value / 4)); }
unsigned narrow8(std::uint8_t value) { return value / 8u; }

Colour palette_colour(const PixelFormat& format, std::size_t index)
{
    const std::uint8_t* entry = format.palette.data() + index * PALETTE_ENTRY_SIZE;
    return Colour{entry[2], entry[1], entry[0]};
}

Colour pixel_colour(const PixelFormat& format, const std::uint8_t* pixel)
{
    switch (format.bit_count) {
    case 16: {
        const unsigned value = pixel[0] | (unsigned{pixel[1]} << 8);
        return Colour{widen5((value >> 10) & 31), widen5((value >> 5) & 31), widen5(value & 31)};
    }
    case 24:
    case 32: return Colour{pixel[2], pixel[1], pixel[0]};
    default: return palette_colour(format, pixel[0]);
    }
}

void store_direct_colour(const PixelFormat& format, const Colour& colour, std::uint8_t* pixel)
{
    switch (format.bit_count) {
    case 16: {
        const unsigned value = (narrow8(colour.red) << 10) | (narrow8(colour.green) << 5) | narrow8(colour.blue);
        pixel[0] = static_cast<std::uint8_t>(value & 0xFF);
        pixel[1] = static_cast<std::uint8_t>(value >> 8);
        break;
    }
    case 32:
        pixel[3] = 0;
        [[fallthrough]];
    default:
        pixel[0] = colour.blue;
        pixel[1] = colour.green;
        pixel[2] = colour.red;
        break;
    }
}

std::uint8_t nearest_index(const PixelFormat& destination, const Colour& colour)
{
    return static_cast<std::uint8_t>(find_nearest_colour(colour.red, colour.green, colour.blue,
                                                         destination.palette,
                                                         static_cast<std::int32_t>(destination.entries)));
}

}  // namespace

std::int32_t find_nearest_colour(std::int32_t red, std::int32_t green, std::int32_t blue,
                                 std::span<const std::uint8_t> palette, std::int32_t count)
{
    if (count <= 0) return 0;
    const std::size_t entries = std::min(static_cast<std::size_t>(count), palette.size() / PALETTE_ENTRY_SIZE);
    std::int32_t best = 0;
    std::int64_t best_distance = NO_DISTANCE;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t* entry = palette.data() + i * PALETTE_ENTRY_SIZE;
        const std::int64_t db = std::int64_t{blue} - entry[0];
        const std::int64_t dg = std::int64_t{green} - entry[1];
        const std::int64_t dr = std::int64_t{red} - entry[2];
        const std::int64_t distance = db * db + dg * dg + dr * dr;
        if (distance == 0) return static_cast<std::int32_t>(i);
        if (distance < best_distance) {
            best = static_cast<std::int32_t>(i);
            best_distance = distance;
        }
    }
    return best;
}

std::int32_t convert_bitmap_depth(std::int32_t width, std::int32_t height, std::int32_t source_bit_count,
                                  std::span<const std::uint8_t> source_palette,
                                  std::span<const std::uint8_t> source_pixels, std::int32_t destination_bit_count,
                                  std::span<const std::uint8_t> destination_palette,
                                  std::vector<std::uint8_t>* destination)
{
    if (destination == nullptr || width < 0 || height < 0) return -1;
    const std::optional<PixelFormat> source = classify(source_bit_count, source_palette);
    const std::optional<PixelFormat> target = classify(destination_bit_count, destination_palette);
    if (!source || !target) return -1;

    const auto count = checked_count_size(static_cast<std::size_t>(width), static_cast<std::size_t>(height));
    if (!count) return -1;
    const auto source_size = checked_count_size(*count, source->bytes_per_pixel);
    const auto destination_size = checked_count_size(*count, target->bytes_per_pixel);
    if (!source_size || !destination_size || source_pixels.size() < *source_size) return -1;
    if (!destination->empty() && destination->size() != *destination_size) return -1;

    const std::size_t pixel_count = *count;
    // Indices outside the source palette have no colour.
    if (source->entries > 0 && source->entries < 256) {
        const auto outside = [&](std::uint8_t index) { return index >= source->entries; };
        if (std::any_of(source_pixels.begin(), source_pixels.begin() + static_cast<std::ptrdiff_t>(pixel_count),
                        outside)) {
            return -1;
        }
    }

    if (destination->empty()) {
        try {
            destination->resize(static_cast<std::size_t>(*destination_size));
        } catch (const std::bad_alloc&) {
            print_memory_exhausted(MODULE, __LINE__);
            return -2;
        }
    }
    std::fill(destination->begin(), destination->end(), std::uint8_t{0});
    std::uint8_t* out = destination->data();
    const std::uint8_t* in = source_pixels.data();

    if (target->entries > 0) {
        if (source->entries > 0) {
            // Each source colour is matched once, not each pixel.
            std::uint8_t match[256] = {};
            for (std::size_t i = 0; i < source->entries; ++i) match[i] = nearest_index(*target, palette_colour(*source, i));
            for (std::size_t i = 0; i < pixel_count; ++i) out[i] = match[in[i]];
        } else {
            for (std::size_t i = 0; i < pixel_count; ++i) {
                out[i] = nearest_index(*target, pixel_colour(*source, in + i * source->bytes_per_pixel));
            }
        }
    } else if (source->bit_count == target->bit_count) {
        if (pixel_count > 0) std::memcpy(out, in, static_cast<std::size_t>(*source_size));
    } else {
        for (std::size_t i = 0; i < pixel_count; ++i) {
            store_direct_colour(*target, pixel_colour(*source, in + i * source->bytes_per_pixel),
                                out + i * target->bytes_per_pixel);
        }
    }
    return 0;
}
