#include "shape/u7shape_utils.h"

#include "support/stdout_capture.h"
#include "support/u7_test_builders.h"
#include "archive/u7data_utils.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

using namespace test_builders;

namespace {

struct ReadResult {
    std::int32_t type;
    EntryObject object;
    std::string out;
};

ReadResult read_shape(const Bytes& bytes, std::int32_t index = 5)
{
    ReadResult result{0, {}, {}};
    test_capture::begin();
    result.type = read_shape_from_buffer(&result.object, bytes.data(), static_cast<std::int32_t>(bytes.size()), index);
    result.out = test_capture::end();
    return result;
}

// The trace line with its two addresses, as printed for this call.
std::string trace_line(const EntryObject& object, const Bytes& bytes, int index)
{
    return "read_shape_from_buffer(" + test_capture::address(&object) + ", " + test_capture::address(bytes.data()) +
           ", " + std::to_string(bytes.size()) + ", " + std::to_string(index) + ")\n";
}

// Odd-sized frames, one of them encoded.
const Bytes frame_a = build_frame(3, 1, 2, 1, {raw_span(-1, -2, {1, 2, 3}), raw_span(0, 0, {9, 8})});
const Bytes frame_b = build_frame(5, 0, 1, 0, {encoded_span(0, -1, 5, {repeat_run(4, 7), literal_run({8})})});

TEST(ShapeRead, FramesGetTheirOffsetsSizesExtentsAndBytes)
{
    const Bytes bytes = build_shape({frame_a, frame_b});
    ReadResult result = read_shape(bytes, 5);
    ASSERT_EQ(result.type, ENTRY_SHAPE);
    EXPECT_EQ(result.out, trace_line(result.object, bytes, 5) + "read_shape_from_buffer 5 2\n");
    const Shape& shape = std::get<Shape>(result.object);
    EXPECT_EQ(shape.size, bytes.size());
    ASSERT_EQ(shape.count(), 2);
    EXPECT_EQ(shape.frames[0].offset, 12u);
    EXPECT_EQ(shape.frames[0].size(), frame_a.size());
    EXPECT_EQ(shape.frames[0].data, frame_a);
    EXPECT_EQ(shape.frames[0].right, 3);
    EXPECT_EQ(shape.frames[0].left, 1);
    EXPECT_EQ(shape.frames[0].ascent, 2);
    EXPECT_EQ(shape.frames[0].descent, 1);
    EXPECT_EQ(shape.frames[1].offset, 12u + frame_a.size());
    EXPECT_EQ(shape.frames[1].data, frame_b);
}

TEST(ShapeRead, AFirstOffsetOf8HoldsOneFrameFillingTheRest)
{
    const Bytes bytes = build_shape({frame_b});
    ReadResult result = read_shape(bytes);
    ASSERT_EQ(result.type, ENTRY_SHAPE);
    const Shape& shape = std::get<Shape>(result.object);
    ASSERT_EQ(shape.count(), 1);
    EXPECT_EQ(shape.frames[0].size(), bytes.size() - 8);
}

TEST(ShapeRead, NegativeExtentsAreSignExtended)
{
    const Bytes bytes = build_shape({build_frame(-1, -2, -32768, 32767, {})});
    ReadResult result = read_shape(bytes);
    const ShapeFrame& frame = std::get<Shape>(result.object).frames[0];
    EXPECT_EQ(frame.right, -1);
    EXPECT_EQ(frame.left, -2);
    EXPECT_EQ(frame.ascent, -32768);
    EXPECT_EQ(frame.descent, 32767);
}

TEST(ShapeRead, AStoredSizeOneByteOffKeepsTheEntryAsPlainBytes)
{
    Bytes bytes = build_shape({frame_a});
    bytes[0] = static_cast<std::uint8_t>(bytes[0] + 1);
    ReadResult result = read_shape(bytes);
    EXPECT_EQ(result.type, ENTRY_RAW);
    char stored[16];
    char actual[16];
    std::snprintf(stored, sizeof stored, "%08lX", static_cast<unsigned long>(bytes.size() + 1));
    std::snprintf(actual, sizeof actual, "%08lX", static_cast<unsigned long>(bytes.size()));
    EXPECT_EQ(result.out, trace_line(result.object, bytes, 5) +
                              test_capture::console(std::string("WARNING: read_shape_from_buffer: データサイズが一致しません: ") +
                                                    stored + " != " + actual + " ... 破損している?\n"));
    Bytes out(bytes.size());
    EXPECT_EQ(write_data_to_buffer(&result.object, out.data(), static_cast<std::int32_t>(out.size())),
              static_cast<std::int32_t>(out.size()));
    EXPECT_EQ(out, bytes);
}

// Offset tables that cannot describe frames inside the entry are refused
// (the archive reader reports them as invalid data); the slot is untouched.
TEST(ShapeRead, OffsetTablesThatLeaveTheEntryAreRefused)
{
    const auto with_table = [](std::vector<std::uint32_t> offsets, std::size_t size) {
        Bytes bytes;
        put_le32(bytes, static_cast<std::uint32_t>(size));
        for (auto offset : offsets) put_le32(bytes, offset);
        bytes.resize(size, 0);
        return bytes;
    };
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"size field only", with_table({}, 4)},
        {"shorter than the size field", Bytes{3, 0, 0}},
        {"first offset 4 (no frames)", with_table({4}, 20)},
        {"first offset 0", with_table({0}, 20)},
        {"first offset beyond the entry", with_table({24}, 20)},
        {"offsets going backwards", with_table({16, 18, 17}, 30)},
        {"an offset beyond the entry", with_table({16, 18, 31}, 30)},
        {"huge first offset", with_table({0xFFFFFFF0u}, 20)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        ReadResult result = read_shape(bytes);
        EXPECT_EQ(result.type, -1);
        EXPECT_TRUE(std::holds_alternative<std::monostate>(result.object));
    }
}

// A first offset that is not 4 + 4 × count leaves bytes between the table
// and the first frame that no frame holds: the entry is kept as plain bytes
// after a warning, and writes back unchanged.
TEST(ShapeRead, AFirstOffsetLeavingBytesOutsideEveryFrameKeepsTheEntryAsPlainBytes)
{
    struct Case {
        std::uint32_t first_offset;
        std::vector<std::uint32_t> more_offsets;
        const char* table_end;
    };
    const Case cases[] = {
        {9, {}, "00000008"},
        {10, {}, "00000008"},
        {11, {}, "00000008"},
        {13, {13, 20}, "0000000C"},
        {15, {15}, "0000000C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first_offset);
        Bytes bytes;
        put_le32(bytes, 0);  // the size, set below
        put_le32(bytes, c.first_offset);
        for (auto offset : c.more_offsets) put_le32(bytes, offset);
        bytes.resize(c.first_offset, 0xAB);  // the bytes no frame holds
        append(bytes, frame_a);
        const auto size = static_cast<std::uint32_t>(bytes.size());
        for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));

        ReadResult result = read_shape(bytes);
        EXPECT_EQ(result.type, ENTRY_RAW);
        char first[16];
        std::snprintf(first, sizeof first, "%08lX", static_cast<unsigned long>(c.first_offset));
        EXPECT_EQ(result.out, trace_line(result.object, bytes, 5) +
                                  test_capture::console(std::string("WARNING: read_shape_from_buffer: オフセット値が一致しません: ") +
                                                        first + " != " + c.table_end + " ... 破損している?\n"));
        Bytes out(bytes.size());
        EXPECT_EQ(write_data_to_buffer(&result.object, out.data(), static_cast<std::int32_t>(out.size())),
                  static_cast<std::int32_t>(out.size()));
        EXPECT_EQ(out, bytes);
    }
}

TEST(ShapeRead, EqualOffsetsAndShortFramesAreKeptWithoutReadingBeyondThem)
{
    Bytes bytes;
    put_le32(bytes, 21);
    put_le32(bytes, 16);
    put_le32(bytes, 16);  // an empty frame
    put_le32(bytes, 16);  // a 5-byte frame, too short for its header
    bytes.resize(21, 0x11);
    ReadResult result = read_shape(bytes);
    ASSERT_EQ(result.type, ENTRY_SHAPE);
    const Shape& shape = std::get<Shape>(result.object);
    ASSERT_EQ(shape.count(), 3);
    EXPECT_EQ(shape.frames[0].size(), 0u);
    EXPECT_EQ(shape.frames[2].size(), 5u);
    EXPECT_EQ(shape.frames[2].right, 0);
}

TEST(ShapeRead, BadArgumentsAreRefusedAfterTheTraceLine)
{
    const Bytes bytes = build_shape({frame_a});
    EntryObject object;
    test_capture::begin();
    EXPECT_EQ(read_shape_from_buffer(nullptr, bytes.data(), 10, 0), -1);
    EXPECT_EQ(read_shape_from_buffer(&object, nullptr, 10, 0), -1);
    EXPECT_EQ(read_shape_from_buffer(&object, bytes.data(), 0, 0), -1);
    const std::string out = test_capture::end();
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);
}

// ---------------------------------------------------------------------------
// Writing

TEST(ShapeWrite, ReadThenWriteReproducesTheEntry)
{
    const Bytes bytes = build_shape({frame_a, frame_b});
    ASSERT_EQ(bytes.size() % 2, 1u);
    ReadResult result = read_shape(bytes);
    Bytes out(bytes.size() + 1, 0xEE);
    EXPECT_EQ(write_shape_to_buffer(&result.object, out.data(), static_cast<std::int32_t>(bytes.size()), 0),
              static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(Bytes(out.begin(), out.end() - 1), bytes);
    EXPECT_EQ(out.back(), 0xEE);
}

TEST(ShapeWrite, AGrownFrameMovesTheLaterFramesAfterTheLayoutUpdate)
{
    ReadResult result = read_shape(build_shape({frame_a, frame_b}));
    Shape& shape = std::get<Shape>(result.object);
    shape.frames[0].data = frame_b;  // frame 0 grows or shrinks to frame_b's size
    const std::uint32_t first_size = static_cast<std::uint32_t>(frame_b.size());

    Bytes out(200, 0xEE);
    test_capture::begin();
    EXPECT_EQ(write_shape_to_buffer(&result.object, out.data(), static_cast<std::int32_t>(12 + 2 * frame_b.size()), 7), -1);
    std::string warning = test_capture::end();
    char expected[80];
    std::snprintf(expected, sizeof expected, "WARNING: オフセット値が一致しません: [7][01] %08lX -> %08lX\n",
                  static_cast<unsigned long>(12 + frame_a.size()), static_cast<unsigned long>(12 + first_size));
    EXPECT_EQ(warning, test_capture::console(expected));

    test_capture::begin();
    const std::uint32_t size = update_shape_layout(shape);
    const std::string listing = test_capture::end();
    EXPECT_EQ(size, 12 + 2 * first_size);
    EXPECT_EQ(shape.size, size);
    EXPECT_EQ(shape.frames[1].offset, 12 + first_size);
    char lines[200];
    std::snprintf(lines, sizeof lines,
                  "\t[00] offset = 0000000C, size = %08lX\n\t[01] offset = %08lX, size = %08lX\n"
                  "\tcount = 2, size = %08lX\n",
                  static_cast<unsigned long>(first_size), static_cast<unsigned long>(12 + first_size),
                  static_cast<unsigned long>(first_size), static_cast<unsigned long>(size));
    EXPECT_EQ(listing, lines);

    EXPECT_EQ(write_shape_to_buffer(&result.object, out.data(), static_cast<std::int32_t>(size), 7),
              static_cast<std::int32_t>(size));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + size), build_shape({frame_b, frame_b}));
    EXPECT_EQ(out[size], 0xEE);
}

TEST(ShapeWrite, AnEntrySizeThatDisagreesWithTheFramesWritesNothing)
{
    ReadResult result = read_shape(build_shape({frame_a}));
    const std::int32_t size = static_cast<std::int32_t>(8 + frame_a.size());
    Bytes out(64, 0xEE);
    EXPECT_EQ(write_shape_to_buffer(&result.object, out.data(), size - 1, 0), -1);
    EXPECT_EQ(write_shape_to_buffer(&result.object, out.data(), size + 1, 0), -1);
    EXPECT_EQ(out, Bytes(64, 0xEE));
    EXPECT_EQ(write_shape_to_buffer(&result.object, out.data(), 0, 0), 0);
    EntryObject raw = RawData{{1}};
    EXPECT_EQ(write_shape_to_buffer(&raw, out.data(), 1, 0), -1);
    EXPECT_EQ(write_shape_to_buffer(nullptr, out.data(), 1, 0), -1);
    EXPECT_EQ(write_shape_to_buffer(&result.object, nullptr, size, 0), -1);
}

TEST(ShapeWrite, AShapeWithoutFramesIsLaidOutAsItsSizeField)
{
    Shape shape;
    test_capture::begin();
    EXPECT_EQ(update_shape_layout(shape), 4u);
    EXPECT_EQ(test_capture::end(), "\tcount = 0, size = 00000004\n");
}

// ---------------------------------------------------------------------------
// Tiles

TEST(Tiles, WholeTilesRoundTrip)
{
    Bytes bytes(192);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    EntryObject object;
    ASSERT_EQ(read_tiles_from_buffer(&object, bytes.data(), 192, 0), ENTRY_TILES);
    EXPECT_EQ(std::get<Tiles>(object).count(), 3);
    Bytes out(192);
    EXPECT_EQ(write_tiles_to_buffer(&object, out.data(), 192), 192);
    EXPECT_EQ(out, bytes);
    EXPECT_EQ(write_tiles_to_buffer(&object, out.data(), 0), 0);
}

TEST(Tiles, ARemainderIsDroppedAndTheOldSizeNoLongerWrites)
{
    const Bytes bytes(130, 0x42);
    EntryObject object;
    test_capture::begin();
    ASSERT_EQ(read_tiles_from_buffer(&object, bytes.data(), 130, 0), ENTRY_TILES);
    EXPECT_EQ(test_capture::end(),
              test_capture::console("WARNING: データサイズが一致しません: tiles size=130, count=2, 2 bytes remains!\n"));
    const Tiles& tiles = std::get<Tiles>(object);
    EXPECT_EQ(tiles.size, 130);
    EXPECT_EQ(tiles.count(), 2);
    Bytes out(130, 0);
    test_capture::begin();
    EXPECT_EQ(write_tiles_to_buffer(&object, out.data(), 130), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: データサイズが一致しません: 130 != 128\n"));
    EXPECT_EQ(read_tiles_from_buffer(&object, bytes.data(), 0, 0), -1);
}

}  // namespace
