// decode_shape: one frame's spans drawn into a caller's pixel area.
//
// Frame data (little-endian):
//
//   0   2   right    signed: columns from the origin column to the right edge
//   2   2   left     signed: columns left of the origin
//   4   2   ascent   signed: rows above the origin row
//   6   2   descent  signed: rows from the origin row downwards
//   8   ..  spans, then a 16-bit 0 as end marker
//
// Span: header (2: bit 0 encoded, bits 1-15 pixel count), x (2, signed),
// y (2, signed), then the pixels: a raw span holds count colour bytes, an
// encoded span holds runs until they cover the count.  Run: a byte with
// bit 0 repeat and bits 1-7 the length n, then one colour painted n times
// (repeat) or n colour bytes (literal).
//
// Every field is taken through the checked cursor after asking whether its
// bytes are there, and every pixel is written only inside the area, so no
// frame bytes can make the decoder read or write out of bounds.  Every step
// consumes at least one byte, so decoding always ends.
#include "shape/u7shape_utils.h"

#include "common/byte_cursor.h"
#include "common/console.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

unsigned long address_of(const void* pointer)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(pointer));
}

// One row of the area being drawn, or none when the span's row lies outside
// it.  Columns outside the row are dropped.
struct SpanWriter {
    std::uint8_t* line;
    std::int64_t width;
    std::int64_t column;
    std::uint32_t* counts;
    // Columns actually written on this row (first > last: none).
    std::int64_t first_written = INT64_MAX;
    std::int64_t last_written = -1;

    bool visible() const { return line != nullptr; }

    // The columns of the next n pixels that fall inside the row, as
    // [first, end) offsets into those n pixels (empty when none do).
    void visible_part(std::size_t n, std::size_t& first, std::size_t& end) const
    {
        const std::int64_t start = column;
        const std::int64_t stop = column + static_cast<std::int64_t>(n);
        const std::int64_t from = std::max<std::int64_t>(start, 0);
        const std::int64_t to = std::min<std::int64_t>(stop, width);
        if (from >= to) {
            first = end = 0;
            return;
        }
        first = static_cast<std::size_t>(from - start);
        end = static_cast<std::size_t>(to - start);
    }

    void mark_written(std::size_t first, std::size_t end)
    {
        if (first >= end) return;
        first_written = std::min(first_written, column + static_cast<std::int64_t>(first));
        last_written = std::max(last_written, column + static_cast<std::int64_t>(end) - 1);
    }

    // Bytes of a raw span or a literal run: each counted and drawn.
    void put_bytes(const std::uint8_t* bytes, std::size_t n)
    {
        if (counts != nullptr) {
            for (std::size_t k = 0; k < n; ++k) ++counts[bytes[k]];
        }
        std::size_t first = 0;
        std::size_t end = 0;
        visible_part(n, first, end);
        if (first < end) std::memcpy(line + column + static_cast<std::int64_t>(first), bytes + first, end - first);
        mark_written(first, end);
        column += static_cast<std::int64_t>(n);
    }

    // A repeat run: n pixels of one colour.
    void put_repeat(std::uint8_t colour, std::size_t n)
    {
        std::size_t first = 0;
        std::size_t end = 0;
        visible_part(n, first, end);
        if (first < end) std::memset(line + column + static_cast<std::int64_t>(first), colour, end - first);
        mark_written(first, end);
        column += static_cast<std::int64_t>(n);
    }
};

// Draws the pixels of one span after its header; stops (abandoning the
// span) when the bytes it needs are not there.
void decode_span(ByteCursor& cursor, SpanWriter& writer, bool encoded, std::uint16_t count)
{
    std::uint16_t remaining = count;
    while (bytes_remaining(cursor) > 0 && remaining != 0) {
        if (!encoded) {
            if (bytes_remaining(cursor) < remaining) return;
            const std::uint8_t* pixels = take_bytes(cursor, remaining);
            if (writer.visible()) writer.put_bytes(pixels, remaining);
            return;
        }
        const std::uint8_t run = read_u8(cursor);
        const std::uint16_t n = static_cast<std::uint16_t>(run >> 1);
        remaining = static_cast<std::uint16_t>(remaining - n);
        if ((run & 1) == 0) {
            if (bytes_remaining(cursor) < n) return;
            const std::uint8_t* pixels = take_bytes(cursor, n);
            if (writer.visible()) writer.put_bytes(pixels, n);
        } else {
            if (bytes_remaining(cursor) < 1) return;
            const std::uint8_t colour = read_u8(cursor);
            // A repeat run counts its colour once, whatever its length and row.
            if (writer.counts != nullptr) ++writer.counts[colour];
            if (writer.visible()) writer.put_repeat(colour, n);
        }
    }
}

}  // namespace

namespace {

// Prints the refused arguments and returns true when they are refused.
bool refuse_arguments(std::uint8_t* destination, std::int32_t width, std::int32_t height, std::int32_t background,
                      std::int32_t origin_x, std::int32_t origin_y, std::int32_t* right, std::int32_t* left,
                      std::int32_t* ascent, std::int32_t* descent, const std::uint8_t* data, std::int32_t size)
{
    if (destination == nullptr || width < 1 || origin_x < 0 || origin_x >= width || height < 1 || origin_y < 0 ||
        origin_y >= height || right == nullptr || left == nullptr || ascent == nullptr || descent == nullptr ||
        data == nullptr || size < 10) {
        console_printf("ERROR: decode_shape: 不正なデータです\n\t%08lX %d %d 0x%02X %d %d\n\t%08lX %08lX %08lX %08lX\n\t "
                       "%08lX %d)\n",
                       address_of(destination), width, height, static_cast<unsigned>(background & 0xFF), origin_x,
                       origin_y, address_of(right), address_of(left), address_of(ascent), address_of(descent),
                       address_of(data), size);
        return true;
    }
    return false;
}

std::int32_t draw_frame(std::uint8_t* destination, std::int32_t width, std::int32_t height, std::int32_t background,
                        std::int32_t origin_x, std::int32_t origin_y, std::int32_t* right, std::int32_t* left,
                        std::int32_t* ascent, std::int32_t* descent, const std::uint8_t* data, std::int32_t size,
                        std::uint32_t* counts, ShapeDrawnBox* written);

}  // namespace

std::int32_t decode_shape(std::uint8_t* destination, std::int32_t width, std::int32_t height, std::int32_t background,
                          std::int32_t origin_x, std::int32_t origin_y, std::int32_t* right, std::int32_t* left,
                          std::int32_t* ascent, std::int32_t* descent, const std::uint8_t* data, std::int32_t size,
                          std::uint32_t* counts)
{
    if (refuse_arguments(destination, width, height, background, origin_x, origin_y, right, left, ascent, descent,
                         data, size)) {
        return -2;
    }
    const auto fill = static_cast<std::uint8_t>(background & 0xFF);
    std::memset(destination, fill, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return draw_frame(destination, width, height, background, origin_x, origin_y, right, left, ascent, descent, data,
                      size, counts, nullptr);
}

std::int32_t decode_shape_onto(std::uint8_t* destination, std::int32_t width, std::int32_t height,
                               std::int32_t background, std::int32_t origin_x, std::int32_t origin_y,
                               std::int32_t* right, std::int32_t* left, std::int32_t* ascent, std::int32_t* descent,
                               const std::uint8_t* data, std::int32_t size, std::uint32_t* counts,
                               ShapeDrawnBox* written)
{
    if (refuse_arguments(destination, width, height, background, origin_x, origin_y, right, left, ascent, descent,
                         data, size)) {
        return -2;
    }
    return draw_frame(destination, width, height, background, origin_x, origin_y, right, left, ascent, descent, data,
                      size, counts, written);
}

namespace {

std::int32_t draw_frame(std::uint8_t* destination, std::int32_t width, std::int32_t height, std::int32_t background,
                        std::int32_t origin_x, std::int32_t origin_y, std::int32_t* right, std::int32_t* left,
                        std::int32_t* ascent, std::int32_t* descent, const std::uint8_t* data, std::int32_t size,
                        std::uint32_t* counts, ShapeDrawnBox* written)
{
    const auto fill = static_cast<std::uint8_t>(background & 0xFF);
    ByteCursor cursor = make_byte_cursor(data, static_cast<std::size_t>(size));
    *right = read_sle16(cursor);
    *left = read_sle16(cursor);
    *ascent = read_sle16(cursor);
    *descent = read_sle16(cursor);

    // The rectangle of the area that the spans wrote to: only there can a
    // pixel differ from the background.
    std::int64_t top = height, bottom = -1, leftmost = width, rightmost = -1;
    bool marker_read = false;
    for (;;) {
        if (!has_bytes(cursor, 2)) break;
        const std::uint16_t header = read_le16(cursor);
        if (header == 0) {
            marker_read = true;
            break;
        }
        const bool encoded = (header & 1) != 0;
        const auto count = static_cast<std::uint16_t>(header >> 1);
        if (!has_bytes(cursor, 4)) break;
        const std::int64_t column = static_cast<std::int64_t>(origin_x) + read_sle16(cursor);
        const std::int64_t row = static_cast<std::int64_t>(origin_y) + read_sle16(cursor);
        std::uint8_t* line = nullptr;
        if (row >= 0 && row < height) line = destination + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
        SpanWriter writer{line, width, column, counts};
        decode_span(cursor, writer, encoded, count);
        if (writer.first_written <= writer.last_written) {
            top = std::min(top, row);
            bottom = std::max(bottom, row);
            leftmost = std::min(leftmost, writer.first_written);
            rightmost = std::max(rightmost, writer.last_written);
        }
    }

    // Data that runs out before its end marker is as faulty as data that
    // goes on behind it, even when the last step happens to stop at the end.
    std::int32_t result = 0;
    if (!marker_read || cursor.position != cursor.end) {
        console_printf("WARNING: decode_shape: データ終端が一致しません: data(%08lX) != data_end(%08lX)\n",
                       address_of(data + cursor.position), address_of(data + cursor.end));
        result = -1;
    }

    // The extents reach at least every pixel that differs from the
    // background, never less than stored.  Only the written rectangle is
    // searched; the rest of the area holds the background alone.
    // The box of those pixels is found row by row (the first and last
    // differing column of each row), then widens the extents once.
    std::int64_t first_row = INT64_MAX, last_row = -1, first_column = INT64_MAX, last_column = -1;
    for (std::int64_t i = top; i <= bottom; ++i) {
        const std::uint8_t* line = destination + static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
        std::int64_t from = leftmost;
        while (from <= rightmost && line[from] == fill) ++from;
        if (from > rightmost) continue;
        std::int64_t to = rightmost;
        while (line[to] == fill) --to;
        first_row = std::min(first_row, i);
        last_row = i;
        first_column = std::min(first_column, from);
        last_column = std::max(last_column, to);
    }
    if (last_row >= 0) {
        *ascent = std::max(*ascent, static_cast<std::int32_t>(origin_y - first_row));
        *descent = std::max(*descent, static_cast<std::int32_t>(last_row - origin_y + 1));
        *left = std::max(*left, static_cast<std::int32_t>(origin_x - first_column));
        *right = std::max(*right, static_cast<std::int32_t>(last_column - origin_x + 1));
    }
    if (written != nullptr) {
        *written = ShapeDrawnBox{static_cast<std::int32_t>(top), static_cast<std::int32_t>(bottom),
                                 static_cast<std::int32_t>(leftmost), static_cast<std::int32_t>(rightmost)};
    }
    return result;
}

}  // namespace
