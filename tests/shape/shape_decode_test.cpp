#include "shape/u7shape_utils.h"

#include "support/stdout_capture.h"
#include "support/u7_test_builders.h"

#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace test_builders;

namespace {

constexpr std::uint8_t BG = 0xFF;
constexpr std::uint8_t GUARD = 0xA5;
constexpr std::size_t GUARD_SIZE = 16;

// A pixel area with guard bytes on both sides that no decode may touch.
struct Area {
    int width;
    int height;
    std::vector<std::uint8_t> bytes;

    Area(int w, int h) : width(w), height(h), bytes(static_cast<std::size_t>(w * h) + 2 * GUARD_SIZE, GUARD) {}
    std::uint8_t* pixels() { return bytes.data() + GUARD_SIZE; }
    std::uint8_t at(int x, int y) const { return bytes[GUARD_SIZE + static_cast<std::size_t>(y * width + x)]; }
    bool guards_intact() const
    {
        for (std::size_t i = 0; i < GUARD_SIZE; ++i) {
            if (bytes[i] != GUARD || bytes[bytes.size() - 1 - i] != GUARD) return false;
        }
        return true;
    }
    // One row as a string of hex pairs, "--" for background.
    std::string row(int y) const
    {
        std::string text;
        for (int x = 0; x < width; ++x) {
            char cell[4];
            if (at(x, y) == BG) {
                text += "--";
            } else {
                std::snprintf(cell, sizeof cell, "%02X", at(x, y));
                text += cell;
            }
        }
        return text;
    }
};

struct Decoded {
    std::int32_t result;
    std::int32_t right, left, ascent, descent;
    std::array<std::uint32_t, 256> counts{};
    std::string out;
};

Decoded decode(Area& area, int origin_x, int origin_y, const Bytes& frame)
{
    Decoded d{};
    test_capture::begin();
    d.result = decode_shape(area.pixels(), area.width, area.height, BG, origin_x, origin_y, &d.right, &d.left,
                            &d.ascent, &d.descent, frame.data(), static_cast<std::int32_t>(frame.size()), d.counts.data());
    d.out = test_capture::end();
    return d;
}

TEST(DecodeShape, AFrameWithoutSpansLeavesTheBackgroundAndItsExtents)
{
    Area area(8, 6);
    const Bytes frame = build_frame(3, 2, 1, 4, {});
    ASSERT_EQ(frame.size(), 10u);
    const Decoded d = decode(area, 4, 3, frame);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.out, "");
    for (int y = 0; y < 6; ++y) EXPECT_EQ(area.row(y), std::string(16, '-'));
    EXPECT_EQ(d.right, 3);
    EXPECT_EQ(d.left, 2);
    EXPECT_EQ(d.ascent, 1);
    EXPECT_EQ(d.descent, 4);
    EXPECT_TRUE(area.guards_intact());
}

TEST(DecodeShape, RawAndEncodedSpansAreDrawnAroundTheOrigin)
{
    Area area(8, 4);
    const Bytes frame = build_frame(4, 2, 1, 2,
                                    {raw_span(-2, -1, {1, 2, 3}),
                                     encoded_span(-1, 0, 6, {repeat_run(3, 7), literal_run({0, 9, 4})}),
                                     raw_span(1, 1, {5})});
    const Decoded d = decode(area, 3, 1, frame);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(area.row(0), "--010203--------");
    EXPECT_EQ(area.row(1), "----070707000904");
    EXPECT_EQ(area.row(2), "--------05------");
    EXPECT_EQ(area.row(3), std::string(16, '-'));
    // Extents: header values, widened to the drawn pixels (right reaches 5).
    EXPECT_EQ(d.right, 5);
    EXPECT_EQ(d.left, 2);
    EXPECT_EQ(d.ascent, 1);
    EXPECT_EQ(d.descent, 2);
}

TEST(DecodeShape, SizesBelowTenAndBadAreasAreRefusedUntouched)
{
    Area area(4, 4);
    const Bytes frame = build_frame(1, 1, 1, 1, {});
    std::int32_t r, l, a, dd;
    const std::vector<std::tuple<int, int, int, int, int>> refused = {
        // width, height, origin_x, origin_y, size
        {4, 4, 0, 0, 9}, {0, 4, 0, 0, 10}, {4, 0, 0, 0, 10}, {4, 4, 4, 0, 10},
        {4, 4, 0, 4, 10}, {4, 4, -1, 0, 10}, {4, 4, 0, -1, 10},
    };
    for (const auto& [w, h, ox, oy, size] : refused) {
        test_capture::begin();
        EXPECT_EQ(decode_shape(area.pixels(), w, h, BG, ox, oy, &r, &l, &a, &dd, frame.data(), size, nullptr), -2);
        const std::string out = test_capture::end();
        EXPECT_EQ(out.rfind(test_capture::console("ERROR: decode_shape: 不正なデータです\n\t"), 0), 0u) << out;
    }
    test_capture::begin();
    EXPECT_EQ(decode_shape(nullptr, 4, 4, BG, 0, 0, &r, &l, &a, &dd, frame.data(), 10, nullptr), -2);
    EXPECT_EQ(decode_shape(area.pixels(), 4, 4, BG, 0, 0, nullptr, &l, &a, &dd, frame.data(), 10, nullptr), -2);
    EXPECT_EQ(decode_shape(area.pixels(), 4, 4, BG, 0, 0, &r, &l, &a, &dd, nullptr, 10, nullptr), -2);
    test_capture::end();
    for (std::size_t i = 0; i < area.bytes.size(); ++i) ASSERT_EQ(area.bytes[i], GUARD);
}

TEST(DecodeShape, BytesAfterTheEndMarkerWarnButTheFrameIsDrawn)
{
    Area area(4, 2);
    Bytes frame = build_frame(1, 0, 1, 0, {raw_span(0, -1, {6})});
    frame.push_back(0x12);
    frame.push_back(0x34);
    const Decoded d = decode(area, 0, 1, frame);
    EXPECT_EQ(d.result, -1);
    const std::uint8_t* end = frame.data() + frame.size();
    EXPECT_EQ(d.out, test_capture::console("WARNING: decode_shape: データ終端が一致しません: data(" +
                                           test_capture::address(end - 2) + ") != data_end(" +
                                           test_capture::address(end) + ")\n"));
    EXPECT_EQ(area.row(0), "06------");
}

TEST(DecodeShape, PixelsLeftOfTheAreaAreDroppedOneByOne)
{
    Area area(4, 1);
    const Decoded d = decode(area, 0, 0, build_frame(0, 0, 0, 1, {raw_span(-2, 0, {1, 2, 3, 4, 5, 6})}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(area.row(0), "03040506");
    EXPECT_TRUE(area.guards_intact());
    // Dropped pixels are still counted: they are part of the frame data.
    EXPECT_EQ(d.counts[1], 1u);
    EXPECT_EQ(d.counts[6], 1u);
}

TEST(DecodeShape, RunsReachingPastTheRightEdgeStopAtIt)
{
    Area area(4, 2);
    const Decoded d = decode(area, 2, 0, build_frame(0, 0, 0, 1, {encoded_span(0, 1, 127, {repeat_run(127, 3)})}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(area.row(1), "----0303");
    EXPECT_TRUE(area.guards_intact());
}

TEST(DecodeShape, SpansOnRowsOutsideTheAreaAreSkippedAndUncounted)
{
    Area area(4, 2);
    const Decoded d = decode(area, 1, 0,
                             build_frame(1, 0, 0, 1,
                                         {raw_span(0, -1, {1, 1}), encoded_span(0, 5, 3, {literal_run({2, 2, 2})}),
                                          encoded_span(0, 2, 4, {repeat_run(4, 3)}), raw_span(0, 1, {4})}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(area.row(0), std::string(8, '-'));
    EXPECT_EQ(area.row(1), "--04----");
    EXPECT_EQ(d.counts[1], 0u);
    EXPECT_EQ(d.counts[2], 0u);
    EXPECT_EQ(d.counts[3], 1u);  // a repeat run counts whatever its row
    EXPECT_EQ(d.counts[4], 1u);
}

TEST(DecodeShape, ARepeatRunCountsItsColourOnceAndALiteralRunPerPixel)
{
    Area area(8, 1);
    Decoded d = decode(area, 0, 0, build_frame(5, 0, 0, 1, {encoded_span(0, 0, 5, {repeat_run(5, 7)})}));
    EXPECT_EQ(d.counts[7], 1u);
    EXPECT_EQ(area.row(0), "0707070707------");
    d = decode(area, 0, 0, build_frame(5, 0, 0, 1, {encoded_span(0, 0, 5, {literal_run({7, 7, 7, 7, 7})})}));
    EXPECT_EQ(d.counts[7], 5u);
    EXPECT_EQ(area.row(0), "0707070707------");
}

TEST(DecodeShape, PixelsBeyondTheStoredExtentsWidenThem)
{
    Area area(16, 8);
    const Decoded d = decode(area, 4, 4, build_frame(2, 0, 0, 1, {raw_span(0, 0, {1, 2, 3, 4, 5}), raw_span(-3, -2, {6})}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.right, 5);
    EXPECT_EQ(d.left, 3);
    EXPECT_EQ(d.ascent, 2);
    EXPECT_EQ(d.descent, 1);
}

TEST(DecodeShape, TruncatedSpansAreAbandonedWithAWarning)
{
    Area area(8, 2);
    // A raw span of 4 pixels with only 2 bytes left: abandoned, and its
    // bytes are then read as the next span header (0x0201), which finds
    // nothing more.
    Bytes frame = frame_header(1, 0, 0, 1);
    const Bytes span = raw_span(0, 0, {1, 2, 3, 4});
    frame.insert(frame.end(), span.begin(), span.begin() + 8);
    Decoded d = decode(area, 0, 0, frame);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(area.row(0), std::string(16, '-'));

    // A literal run promising more bytes than remain.
    frame = frame_header(1, 0, 0, 1);
    append(frame, encoded_span(0, 0, 9, {Bytes{18, 5, 5}}));
    d = decode(area, 0, 0, frame);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(d.counts[5], 0u);
}

TEST(DecodeShape, RunsLongerThanTheirSpanStillEnd)
{
    // The span announces 1 pixel but its run paints 100 (the count wraps
    // in 16 bits); decoding goes on until the bytes run out.
    Area area(4, 1);
    Bytes frame = frame_header(1, 0, 0, 1);
    append(frame, encoded_span(0, 0, 1, {repeat_run(100, 8), repeat_run(1, 9)}));
    put_le16(frame, 0);
    const Decoded d = decode(area, 0, 0, frame);
    EXPECT_EQ(area.row(0), "08080808");
    EXPECT_TRUE(area.guards_intact());
    EXPECT_NE(d.result, -2);
}

TEST(DecodeShape, NoFrameBytesReachOutsideTheAreaOrTheData)
{
    // Every prefix of a real frame, and random bytes behind a real header.
    const Bytes frame = build_frame(3, 2, 2, 2,
                                    {raw_span(-5, -1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
                                     encoded_span(-2, 1, 9, {repeat_run(4, 7), literal_run({1, 2, 3, 4, 5})}),
                                     raw_span(30000, -30000, {1})});
    for (std::size_t size = 10; size <= frame.size(); ++size) {
        Area area(5, 4);
        const Bytes prefix(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(size));
        const Decoded d = decode(area, 2, 2, prefix);
        EXPECT_TRUE(area.guards_intact()) << size;
        EXPECT_EQ(d.result, size == frame.size() ? 0 : -1) << size;
    }
    std::mt19937 random(12345);
    for (int trial = 0; trial < 300; ++trial) {
        Bytes bytes = frame_header(1, 1, 1, 1);
        const std::size_t size = 2 + random() % 120;
        for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(random()));
        Area area(7, 5);
        decode(area, static_cast<int>(random() % 7), static_cast<int>(random() % 5), bytes);
        ASSERT_TRUE(area.guards_intact()) << trial;
    }
}

}  // namespace
