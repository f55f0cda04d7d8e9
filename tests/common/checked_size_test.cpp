#include "common/checked_size.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(CheckedSize, ProductsAndSumsThatFitAreExactAndTheRestAreRefused)
{
    constexpr std::size_t max = std::numeric_limits<std::size_t>::max();
    constexpr std::size_t half = max / 2;
    struct Case {
        std::size_t count;
        std::size_t size;
        std::size_t add;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0},
        {0, max, 7, 7},
        {max, 0, 0, 0},
        {3, 5, 1, 16},
        {1, max, 0, max},
        {max, 1, 0, max},
        {1, max, 1, std::nullopt},         // the sum wraps
        {2, half, 1, max},                 // exactly the largest size
        {2, half, 2, std::nullopt},
        {2, half + 1, 0, std::nullopt},    // the product wraps
        {half + 1, 2, 0, std::nullopt},
        {max, max, 0, std::nullopt},
        {0x10000, 0x10000, 54, static_cast<std::size_t>(0x100000000ull) + 54},  // a 65536 × 65536 image and its header
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " x " << c.size << " + " << c.add);
        EXPECT_EQ(checked_count_size(c.count, c.size, c.add), c.expected);
    }
    static_assert(checked_count_size(4, 64) == std::optional<std::size_t>(256));
}

}  // namespace
