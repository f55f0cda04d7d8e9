// Size arithmetic of the bitmap module, shared by the file code and the
// depth conversion: supported bit counts, bytes per pixel and palette
// entries.  Products of numbers taken from files or callers go through
// checked_count_size (checked_size.h) and are then held to the module's
// caps.
#pragma once

#include <cstdint>

namespace bitmap_sizes {

inline bool is_supported_bit_count(std::int64_t bit_count)
{
    return bit_count == 1 || bit_count == 4 || bit_count == 8 || bit_count == 16 || bit_count == 24 ||
           bit_count == 32;
}

// Bytes one pixel takes in memory: one index byte for 1, 4 and 8 bits.
inline std::uint32_t bytes_per_pixel(std::int64_t bit_count)
{
    return static_cast<std::uint32_t>((bit_count + 7) / 8);
}

// Palette entries of a palette image (2, 16, 256); 0 for direct colour.
inline std::uint32_t palette_entries(std::int64_t bit_count)
{
    switch (bit_count) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

inline constexpr std::uint32_t PALETTE_ENTRY_SIZE = 4;  // blue, green, red, reserved

}  // namespace bitmap_sizes
