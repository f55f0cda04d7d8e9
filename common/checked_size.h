// Sizes computed from numbers read out of a file: count × size (+ add),
// refused instead of wrapping, so a reader can check an allocation or a
// range before it makes it.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>

// count × size + add, or nothing when the result does not fit a size_t.
constexpr std::optional<std::size_t> checked_count_size(std::size_t count, std::size_t size, std::size_t add = 0)
{
    constexpr std::size_t max = std::numeric_limits<std::size_t>::max();
    if (size != 0 && count > max / size) return std::nullopt;
    const std::size_t product = count * size;
    if (add > max - product) return std::nullopt;
    return product + add;
}
