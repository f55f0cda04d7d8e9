// encode_shape: a pixel area turned into one frame's data, the inverse of
// decode_shape.
//
// Frame data (little-endian):
//
//   0   2   right, 2   2   left, 4   2   ascent, 6   2   descent
//   8   ..  spans: header (2: pixel count × 2, + 1 when run-length coded),
//           x (2) and y (2) relative to the origin, then the raw pixels or
//           the runs (a byte n × 2 + 1 and one colour for n equal pixels, a
//           byte n × 2 and n colours for a literal run; n ≤ 127)
//   ..  2   end marker 0
//
// Every stretch of non-transparent pixels on a row becomes a span of at
// most 1024 pixels.  Stretches of three or more equal pixels become repeat
// runs, the pixels between them literal runs; the span stays run-length
// coded only when its runs are strictly shorter than its pixels.  Every
// byte is written only when the running count says it lies within the
// capacity, so a buffer that is too small is never overrun.
#include "shape/u7shape_utils.h"

#include "common/byte_order.h"
#include "common/console.h"
#include "shape/shape_trace.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr std::int32_t MAX_SPAN = 1024;
constexpr std::int32_t MAX_RUN = 127;
// Frame coordinates and extents are 16-bit: an area no wider or higher than
// this keeps every one of them exact.
constexpr std::int32_t MAX_SIDE = 32767;

// The smallest rectangle that holds the origin and every pixel that is not
// transparent: columns [first_column, column_end), rows [first_row, row_end).
struct Box {
    std::int32_t first_column;
    std::int32_t column_end;
    std::int32_t first_row;
    std::int32_t row_end;
};

Box bounding_box(const std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::uint8_t transparent,
                 std::int32_t origin_x, std::int32_t origin_y, bool& any_pixel)
{
    Box box{origin_x, origin_x, origin_y, origin_y};
    any_pixel = false;
    if (pixels == nullptr) return box;
    const auto stride = static_cast<std::size_t>(width);
    for (std::int32_t i = 0; i < height; ++i) {
        const std::uint8_t* line = pixels + static_cast<std::size_t>(i) * stride;
        std::int32_t first = 0;
        while (first < width && line[first] == transparent) ++first;
        if (first == width) continue;
        std::int32_t last = width - 1;
        while (line[last] == transparent) --last;
        any_pixel = true;
        box.first_column = std::min(box.first_column, first);
        box.column_end = std::max(box.column_end, last + 1);
        box.first_row = std::min(box.first_row, i);
        box.row_end = std::max(box.row_end, i + 1);
    }
    return box;
}

// The output: bytes go to out only where the running count (the end of
// the bytes just counted) is within the capacity.
struct FrameWriter {
    std::uint8_t* out;  // null when measuring
    std::int64_t capacity;
    std::int64_t count = 0;

    // Counts n more bytes; true when they are to be written, at out + count - n.
    bool grow(std::int64_t n)
    {
        count += n;
        return out != nullptr && count <= capacity;
    }
    std::uint8_t* at(std::int64_t position) const { return out + position; }
};

// One span: its header, then runs or, when they would not be shorter, the
// raw pixels.
void encode_span(FrameWriter& writer, const std::uint8_t* segment, std::int32_t length, std::int32_t x,
                 std::int32_t y, std::uint8_t transparent)
{
    const std::int64_t span_start = writer.count;
    if (writer.grow(6)) {
        std::uint8_t* p = writer.at(span_start);
        p = write_le16_to_buffer(p, static_cast<std::uint32_t>(length * 2 + 1));
        p = write_le16_to_buffer(p, static_cast<std::uint32_t>(x));
        write_le16_to_buffer(p, static_cast<std::uint32_t>(y));
    }
    const std::int64_t runs_start = writer.count;

    // Mark every stretch of at least three equal pixels (in pieces of at
    // most 127); the other places keep the transparent value, which no
    // pixel of the segment has.
    std::uint8_t scratch[MAX_SPAN];
    std::memset(scratch, transparent, static_cast<std::size_t>(length));
    for (std::int32_t p = 0; p < length;) {
        const std::int32_t limit = std::min(p + MAX_RUN, length);
        std::int32_t q = p + 1;
        while (q < limit && segment[q] == segment[p]) ++q;
        if (q - p >= 3) std::memcpy(scratch + p, segment + p, static_cast<std::size_t>(q - p));
        p = q;
    }

    std::int64_t run_data = 0;
    bool encoded = true;
    for (std::int32_t p = 0; p < length;) {
        const std::int32_t limit = std::min(p + MAX_RUN, length);
        std::int32_t q = p + 1;
        while (q < limit && scratch[q] == scratch[p]) ++q;
        const std::int32_t n = q - p;
        if (scratch[p] != transparent) {
            run_data += 2;
            if (run_data >= length) {
                encoded = false;
                break;
            }
            if (writer.grow(2)) {
                std::uint8_t* out = writer.at(writer.count - 2);
                out[0] = static_cast<std::uint8_t>(n * 2 + 1);
                out[1] = scratch[p];
            }
        } else {
            run_data += n + 1;
            if (run_data >= length) {
                encoded = false;
                break;
            }
            if (writer.grow(n + 1)) {
                std::uint8_t* out = writer.at(writer.count - n - 1);
                out[0] = static_cast<std::uint8_t>(n * 2);
                std::memcpy(out + 1, segment + p, static_cast<std::size_t>(n));
            }
        }
        p = q;
    }
    if (encoded) return;

    // Raw: the header's count without the flag, then the pixels.
    writer.count = runs_start;
    if (writer.grow(length)) {
        write_le16_to_buffer(writer.at(span_start), static_cast<std::uint32_t>(length * 2));
        std::memcpy(writer.at(runs_start), segment, static_cast<std::size_t>(length));
    }
}

}  // namespace

std::int32_t encode_shape(const std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::int32_t transparent,
                          std::int32_t origin_x, std::int32_t origin_y, std::int32_t right, std::int32_t left,
                          std::int32_t ascent, std::int32_t descent, std::uint8_t* out, std::int32_t* size)
{
    if (width < 1 || width > MAX_SIDE || origin_x < 0 || origin_x >= width || height < 1 || height > MAX_SIDE ||
        origin_y < 0 || origin_y >= height || size == nullptr) {
        return -1;
    }
    const auto clear = static_cast<std::uint8_t>(transparent & 0xFF);

    bool any_pixel = false;
    const Box box = bounding_box(pixels, width, height, clear, origin_x, origin_y, any_pixel);
    if (right < 0) right = box.column_end > origin_x ? box.column_end - origin_x : 0;
    if (left < 0) left = box.first_column < origin_x ? origin_x - box.first_column : 0;
    if (ascent < 0) ascent = box.first_row < origin_y ? origin_y - box.first_row : 0;
    if (descent < 0) descent = box.row_end > origin_y ? box.row_end - origin_y : 0;
    shape_trace_printf("pre encode check x=%d %d y=%d %d right=%d left=%d ascent=%d descent=%d\n", box.first_column,
                 box.column_end, box.first_row, box.row_end, right, left, ascent, descent);

    const bool writing = out != nullptr && *size > 0;
    FrameWriter writer{writing ? out : nullptr, writing ? *size : 0};
    if (writer.grow(8)) {
        std::uint8_t* p = write_le16_to_buffer(out, static_cast<std::uint32_t>(right));
        p = write_le16_to_buffer(p, static_cast<std::uint32_t>(left));
        p = write_le16_to_buffer(p, static_cast<std::uint32_t>(ascent));
        write_le16_to_buffer(p, static_cast<std::uint32_t>(descent));
    }

    if (any_pixel) {
        const auto stride = static_cast<std::size_t>(width);
        for (std::int32_t i = box.first_row; i < box.row_end; ++i) {
            const std::uint8_t* line = pixels + static_cast<std::size_t>(i) * stride;
            std::int32_t j = box.first_column;
            while (j < box.column_end) {
                if (line[j] == clear) {
                    ++j;
                    continue;
                }
                const std::int32_t limit = std::min(box.column_end, j + MAX_SPAN);
                std::int32_t end = j + 1;
                while (end < limit && line[end] != clear) ++end;
                encode_span(writer, line + j, end - j, j - origin_x, i - origin_y, clear);
                j = end;
            }
        }
    }

    const std::int64_t need = writer.count + 2;
    if (need > std::numeric_limits<std::int32_t>::max()) return -1;
    const bool complete = writer.grow(2);
    if (complete) write_le16_to_buffer(writer.at(writer.count - 2), 0);
    *size = static_cast<std::int32_t>(need);
    return complete ? 1 : 0;
}
