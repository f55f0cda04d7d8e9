#include "common/byte_cursor.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(ByteCursor, ReadsFieldsInTheirByteOrder)
{
    const std::uint8_t bytes[] = {0x01, 0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x01, 0x00};
    ByteCursor cursor = make_byte_cursor(bytes, sizeof bytes);
    EXPECT_EQ(read_u8(cursor), 0x01);
    EXPECT_EQ(read_le16(cursor), 0x1234);
    EXPECT_EQ(read_sle16(cursor), -2);
    EXPECT_EQ(read_le32(cursor), 0x12345678u);
    EXPECT_EQ(read_be32(cursor), 256u);
    EXPECT_TRUE(cursor_ok(cursor));
    EXPECT_EQ(bytes_remaining(cursor), 0u);
}

TEST(ByteCursor, AShortReadFailsWithoutMovingAndTheFailureSticks)
{
    const std::uint8_t bytes[] = {0x01, 0x02, 0x03};
    ByteCursor cursor = make_byte_cursor(bytes, sizeof bytes);
    EXPECT_EQ(read_le16(cursor), 0x0201);
    EXPECT_EQ(read_le16(cursor), 0);  // one byte left
    EXPECT_FALSE(cursor_ok(cursor));
    EXPECT_EQ(cursor.position, 2u);
    // The byte that is there is no longer handed out.
    EXPECT_EQ(read_u8(cursor), 0);
    EXPECT_EQ(bytes_remaining(cursor), 0u);
    EXPECT_FALSE(has_bytes(cursor, 0));
}

TEST(ByteCursor, HugeCountsDoNotWrapAroundTheEnd)
{
    const std::uint8_t bytes[8] = {};
    ByteCursor cursor = make_byte_cursor(bytes, sizeof bytes);
    ASSERT_TRUE(skip_bytes(cursor, 4));
    EXPECT_FALSE(has_bytes(cursor, std::numeric_limits<std::size_t>::max()));
    EXPECT_EQ(take_bytes(cursor, std::numeric_limits<std::size_t>::max() - 2), nullptr);
    EXPECT_FALSE(cursor_ok(cursor));
}

TEST(ByteCursor, TakeAndCopyHandOutExactlyTheBytesAsked)
{
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5};
    ByteCursor cursor = make_byte_cursor(bytes, sizeof bytes);
    const std::uint8_t* two = take_bytes(cursor, 2);
    ASSERT_EQ(two, bytes);
    std::uint8_t copy[3] = {};
    EXPECT_TRUE(read_bytes(cursor, copy, 3));
    EXPECT_EQ(copy[0], 3);
    EXPECT_EQ(copy[2], 5);
    EXPECT_TRUE(read_bytes(cursor, copy, 0));
    std::uint8_t untouched[2] = {9, 9};
    EXPECT_FALSE(read_bytes(cursor, untouched, 1));
    EXPECT_EQ(untouched[0], 9);
}

TEST(ByteCursor, SeekStaysWithinTheEnd)
{
    const std::uint8_t bytes[] = {1, 2, 3, 4};
    ByteCursor cursor = make_byte_cursor(bytes, sizeof bytes);
    EXPECT_TRUE(seek_to(cursor, 4));
    EXPECT_EQ(bytes_remaining(cursor), 0u);
    EXPECT_TRUE(seek_to(cursor, 1));
    EXPECT_EQ(read_u8(cursor), 2);
    EXPECT_FALSE(seek_to(cursor, 5));
    EXPECT_FALSE(cursor_ok(cursor));
}

TEST(ByteCursor, SlicesByOffsetLieInsideTheBytesOrAreRefused)
{
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    constexpr std::size_t max = std::numeric_limits<std::size_t>::max();
    struct Case {
        std::size_t offset;
        std::size_t count;
        bool inside;
    };
    const Case cases[] = {
        {0, 6, true},   {2, 3, true},    {6, 0, true},       {5, 1, true},   {0, 0, true},
        {6, 1, false},  {7, 0, false},   {1, 6, false},      {0, 7, false},  {max, 2, false},
        {2, max, false}, {max - 1, 2, false},
    };
    ByteCursor cursor = make_byte_cursor(bytes, sizeof bytes);
    ASSERT_TRUE(skip_bytes(cursor, 4));  // the position does not matter
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " + " << c.count);
        const auto slice = bytes_at(cursor, c.offset, c.count);
        ASSERT_EQ(slice.has_value(), c.inside);
        if (c.inside && c.count > 0) {
            EXPECT_EQ(slice->data(), bytes + c.offset);
            EXPECT_EQ(slice->size(), c.count);
        }
        EXPECT_EQ(cursor.position, 4u);
        EXPECT_TRUE(cursor_ok(cursor));
    }
    EXPECT_FALSE(bytes_at(make_byte_cursor(nullptr, 8), 0, 1).has_value());
}

TEST(ByteCursor, NullDataIsAnEmptyCursor)
{
    ByteCursor cursor = make_byte_cursor(nullptr, 100);
    EXPECT_EQ(bytes_remaining(cursor), 0u);
    EXPECT_EQ(read_u8(cursor), 0);
    EXPECT_FALSE(cursor_ok(cursor));
}

}  // namespace
