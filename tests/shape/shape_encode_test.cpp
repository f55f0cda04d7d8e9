#include "shape/u7shape_utils.h"

#include "support/stdout_capture.h"
#include "support/u7_test_builders.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace test_builders;

namespace {

constexpr std::uint8_t CLEAR = 0xFF;
constexpr std::uint8_t GUARD = 0xA5;

struct Encoded {
    std::int32_t result;
    std::int32_t size;
    Bytes bytes;  // the first `size` bytes of the buffer when it was written
    std::string out;
};

// Encodes into a buffer of the given capacity followed by guard bytes that
// must stay untouched; a capacity of -1 measures only (null buffer).
Encoded encode(const Bytes& pixels, int width, int height, int origin_x, int origin_y,
               std::array<int, 4> extents = {-1, -1, -1, -1}, int capacity = -1, std::uint8_t clear = CLEAR)
{
    Encoded e{};
    Bytes buffer(static_cast<std::size_t>(std::max(capacity, 0)) + 32, GUARD);
    e.size = capacity;
    test_capture::begin();
    e.result = encode_shape(pixels.empty() ? nullptr : pixels.data(), width, height, clear, origin_x, origin_y,
                            extents[0], extents[1], extents[2], extents[3], capacity < 0 ? nullptr : buffer.data(),
                            &e.size);
    e.out = test_capture::end();
    for (std::size_t i = static_cast<std::size_t>(std::max(capacity, 0)); i < buffer.size(); ++i) {
        if (buffer[i] != GUARD) ADD_FAILURE() << "byte " << i << " beyond a capacity of " << capacity << " written";
    }
    if (e.result == 1) e.bytes.assign(buffer.begin(), buffer.begin() + e.size);
    return e;
}

// One row holding the segment at column x0, transparent elsewhere.
Bytes row_with(const Bytes& segment, int width, int x0)
{
    Bytes row(static_cast<std::size_t>(width), CLEAR);
    std::copy(segment.begin(), segment.end(), row.begin() + x0);
    return row;
}

Bytes repeated(std::size_t n, std::uint8_t colour) { return Bytes(n, colour); }

Bytes alternating(std::size_t n)
{
    Bytes out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(1 + i % 2));
    return out;
}

Bytes joined(const Bytes& a, const Bytes& b)
{
    Bytes out = a;
    append(out, b);
    return out;
}

TEST(EncodeShape, EachSegmentIsWrittenRawOrRunLengthCodedWhicheverIsShorter)
{
    struct Case {
        const char* what;
        Bytes segment;
        Bytes span;  // at x = 1 - origin 3 = -2, row 0
    };
    const Bytes long_mix = joined(alternating(190), repeated(10, 3));
    const std::vector<Case> cases = {
        {"7 7 7 7 9", {7, 7, 7, 7, 9}, encoded_span(-2, 0, 5, {repeat_run(4, 7), literal_run({9})})},
        {"1 2 3", {1, 2, 3}, raw_span(-2, 0, {1, 2, 3})},
        {"5 5", {5, 5}, raw_span(-2, 0, {5, 5})},
        {"a tie goes raw", {4, 4, 4, 1}, raw_span(-2, 0, {4, 4, 4, 1})},
        {"4 4 4 4 1 2", {4, 4, 4, 4, 1, 2}, encoded_span(-2, 0, 6, {repeat_run(4, 4), literal_run({1, 2})})},
        {"130 equal pixels", repeated(130, 8), encoded_span(-2, 0, 130, {repeat_run(127, 8), repeat_run(3, 8)})},
        {"128 equal pixels", repeated(128, 8), encoded_span(-2, 0, 128, {repeat_run(127, 8), literal_run({8})})},
        {"literal runs of at most 127",
         long_mix,
         encoded_span(-2, 0, 200,
                      {literal_run(Bytes(long_mix.begin(), long_mix.begin() + 127)),
                       literal_run(Bytes(long_mix.begin() + 127, long_mix.begin() + 190)), repeat_run(10, 3)})},
        {"colour 0 is a pixel like any other", {0, 0, 0, 0}, encoded_span(-2, 0, 4, {repeat_run(4, 0)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int width = static_cast<int>(c.segment.size()) + 3;
        const Bytes pixels = row_with(c.segment, width, 1);
        const Encoded e = encode(pixels, width, 1, 3, 0, {0, 0, 0, 0}, 4096);
        EXPECT_EQ(e.result, 1);
        EXPECT_EQ(e.bytes, build_frame(0, 0, 0, 0, {c.span}));
        const Encoded measured = encode(pixels, width, 1, 3, 0, {0, 0, 0, 0});
        EXPECT_EQ(measured.result, 0);
        EXPECT_EQ(measured.size, e.size);
    }
}

TEST(EncodeShape, RowsAreCutIntoSpansAtTransparentPixelsAnd1024Pixels)
{
    Bytes wide;
    for (int i = 0; i < 1500; ++i) wide.push_back(static_cast<std::uint8_t>(i % 7));
    const Encoded e = encode(wide, 1500, 1, 0, 0, {0, 0, 0, 0}, 4096);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.bytes, build_frame(0, 0, 0, 0,
                                   {raw_span(0, 0, Bytes(wide.begin(), wide.begin() + 1024)),
                                    raw_span(1024, 0, Bytes(wide.begin() + 1024, wide.end()))}));

    // Two rows of a 5 × 3 area with the origin at (2, 1); row 1 is empty.
    const Bytes area = {1, CLEAR, 2, 2, 2, CLEAR, CLEAR, CLEAR, CLEAR, CLEAR, CLEAR, 9, 8, CLEAR, CLEAR};
    const Encoded two = encode(area, 5, 3, 2, 1, {0, 0, 0, 0}, 4096);
    EXPECT_EQ(two.bytes, build_frame(0, 0, 0, 0,
                                     {raw_span(-2, -1, {1}), encoded_span(0, -1, 3, {repeat_run(3, 2)}), raw_span(-1, 1, {9, 8})}));
}

TEST(EncodeShape, ExtentsAreComputedWhenNegativeAndTheCheckLineShowsThem)
{
    // 6 × 4 with the origin at (2, 1); pixels at (0, 0) and (4, 3).
    Bytes area(24, CLEAR);
    area[0] = 5;
    area[3 * 6 + 4] = 6;
    const Encoded computed = encode(area, 6, 4, 2, 1, {-1, -1, -1, -1}, 4096);
    EXPECT_EQ(computed.out, "pre encode check x=0 5 y=0 4 right=3 left=2 ascent=1 descent=3\n");
    EXPECT_EQ(Bytes(computed.bytes.begin(), computed.bytes.begin() + 8), frame_header(3, 2, 1, 3));

    // Given values are written as they stand, whatever the pixels; a mix
    // computes only the negative ones.
    const Encoded given = encode(area, 6, 4, 2, 1, {160, 159, 0, 46}, 4096);
    EXPECT_EQ(given.out, "pre encode check x=0 5 y=0 4 right=160 left=159 ascent=0 descent=46\n");
    EXPECT_EQ(Bytes(given.bytes.begin(), given.bytes.begin() + 8), frame_header(160, 159, 0, 46));
    const Encoded mixed = encode(area, 6, 4, 2, 1, {-1, 7, -5, 0}, 4096);
    EXPECT_EQ(mixed.out, "pre encode check x=0 5 y=0 4 right=3 left=7 ascent=1 descent=0\n");

    // Pixels only right of and below the origin: the box still holds it.
    Bytes corner(24, CLEAR);
    corner[3 * 6 + 5] = 1;
    const Encoded e = encode(corner, 6, 4, 2, 1, {-1, -1, -1, -1}, 4096);
    EXPECT_EQ(e.out, "pre encode check x=2 6 y=1 4 right=4 left=0 ascent=0 descent=3\n");
}

TEST(EncodeShape, AFrameWithoutPixelsIsTenBytesAndSmallBuffersAreNeverOverrun)
{
    const Bytes empty(12, CLEAR);
    Encoded e = encode(empty, 4, 3, 1, 1, {2, 1, 1, 2});
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.size, 10);
    EXPECT_EQ(e.out, "pre encode check x=1 1 y=1 1 right=2 left=1 ascent=1 descent=2\n");
    e = encode(empty, 4, 3, 1, 1, {2, 1, 1, 2}, 10);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.bytes, build_frame(2, 1, 1, 2, {}));
    e = encode(empty, 4, 3, 1, 1, {2, 1, 1, 2}, 9);  // the header fits, the marker does not
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.size, 10);
    e = encode({}, 4, 3, 1, 1, {-1, -1, -1, -1}, 0);  // no pixels; a capacity of 0 measures
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.size, 10);

    // Every capacity short of the need writes nothing at or beyond it.
    const Bytes area = row_with(joined(repeated(40, 3), alternating(30)), 80, 5);
    const Encoded full = encode(area, 80, 1, 0, 0, {-1, -1, -1, -1}, 4096);
    ASSERT_EQ(full.result, 1);
    for (int capacity = 1; capacity < full.size; ++capacity) {
        const Encoded cut = encode(area, 80, 1, 0, 0, {-1, -1, -1, -1}, capacity);
        EXPECT_EQ(cut.result, 0);
        EXPECT_EQ(cut.size, full.size);
    }
}

TEST(EncodeShape, RefusedArgumentsLeaveTheSizeAlone)
{
    struct Case {
        const char* what;
        int width, height, origin_x, origin_y;
    };
    const std::vector<Case> cases = {
        {"width 0", 0, 4, 0, 0},          {"origin left of the area", 4, 4, -1, 0},
        {"origin at the width", 4, 4, 4, 0}, {"height 0", 4, 0, 0, 0},
        {"origin above the area", 4, 4, 0, -1}, {"origin at the height", 4, 4, 0, 4},
        {"wider than 16-bit columns", 32768, 1, 0, 0}, {"higher than 16-bit rows", 1, 32768, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::int32_t size = 1234;
        test_capture::begin();
        EXPECT_EQ(encode_shape(nullptr, c.width, c.height, CLEAR, c.origin_x, c.origin_y, -1, -1, -1, -1, nullptr, &size),
                  -1);
        EXPECT_EQ(test_capture::end(), "");
        EXPECT_EQ(size, 1234);
    }
    test_capture::begin();
    EXPECT_EQ(encode_shape(nullptr, 4, 4, CLEAR, 0, 0, -1, -1, -1, -1, nullptr, nullptr), -1);
    EXPECT_EQ(test_capture::end(), "");
}

// ---------------------------------------------------------------------------
// Round trips: every frame written decodes to its source area.

// An area of random stretches: transparent, runs of one colour (some longer
// than 127), and varying pixels, drawn from a few colours so that runs of
// three or more occur often.
Bytes random_area(std::mt19937& random, int width, int height, std::uint8_t clear)
{
    Bytes area;
    area.reserve(static_cast<std::size_t>(width * height));
    const std::uint8_t colours[] = {0, 1, 2, 11, 0x8C, static_cast<std::uint8_t>(clear ^ 1)};
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    while (area.size() < static_cast<std::size_t>(width * height)) {
        const int kind = pick(4);
        const int length = kind == 2 ? 1 + pick(300) : 1 + pick(12);
        for (int k = 0; k < length; ++k) {
            if (kind == 0) area.push_back(clear);
            else if (kind == 1 || kind == 3) area.push_back(colours[pick(6)]);
            else area.push_back(colours[static_cast<std::size_t>(length) % 6]);
        }
    }
    area.resize(static_cast<std::size_t>(width * height));
    return area;
}

void expect_round_trip(const Bytes& area, int width, int height, int origin_x, int origin_y, std::uint8_t clear)
{
    const Encoded measured = encode(area, width, height, origin_x, origin_y, {-1, -1, -1, -1}, -1, clear);
    ASSERT_EQ(measured.result, 0);
    const Encoded e = encode(area, width, height, origin_x, origin_y, {-1, -1, -1, -1}, measured.size, clear);
    ASSERT_EQ(e.result, 1);
    ASSERT_EQ(e.size, measured.size);

    Bytes decoded(area.size());
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    test_capture::begin();
    const std::int32_t result = decode_shape(decoded.data(), width, height, clear, origin_x, origin_y, &right, &left,
                                             &ascent, &descent, e.bytes.data(), e.size, nullptr);
    test_capture::end();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(decoded, area);
    // The computed extents are those of the pixels, so decoding widens none.
    EXPECT_EQ(Bytes(e.bytes.begin(), e.bytes.begin() + 8), frame_header(right, left, ascent, descent));
}

TEST(EncodeShape, GeneratedAreasDecodeToThemselves)
{
    std::mt19937 random(20240607u);
    for (int n = 0; n < 400; ++n) {
        const int width = 1 + static_cast<int>(random() % 90);
        const int height = 1 + static_cast<int>(random() % 40);
        const int origin_x = static_cast<int>(random() % static_cast<unsigned>(width));
        const int origin_y = static_cast<int>(random() % static_cast<unsigned>(height));
        const auto clear = static_cast<std::uint8_t>(n % 3 == 0 ? 0xFF : random() % 256);
        SCOPED_TRACE(testing::Message() << "area " << n << ": " << width << " x " << height);
        expect_round_trip(random_area(random, width, height, clear), width, height, origin_x, origin_y, clear);
    }
}

TEST(EncodeShape, RowsAtTheSpanAndRunLimitsDecodeToThemselves)
{
    std::mt19937 random(7u);
    for (const int width : {1023, 1024, 1025, 2048, 2049, 3000}) {
        SCOPED_TRACE(width);
        // Full rows: one colour, varying pixels, and random stretches.
        Bytes area = repeated(static_cast<std::size_t>(width), 4);
        append(area, alternating(static_cast<std::size_t>(width)));
        append(area, random_area(random, width, 3, CLEAR));
        expect_round_trip(area, width, 5, width / 2, 2, CLEAR);
    }
    for (const std::size_t run : {126u, 127u, 128u, 129u, 253u, 254u, 255u, 381u}) {
        SCOPED_TRACE(run);
        const Bytes row = joined(joined({1, 2}, repeated(run, 9)), joined(alternating(run), {5, 5, 5}));
        expect_round_trip(row, static_cast<int>(row.size()), 1, 0, 0, CLEAR);
    }
}

}  // namespace
