#include "shape/u7shape_utils.h"

#include "common/byte_cursor.h"
#include "common/byte_order.h"
#include "common/console.h"
#include "shape/shape_trace.h"
#include "shape/shape_view.h"

#include <cstdarg>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr const char* MODULE = "u7shape_utils";

bool trace_lines_on = true;
constexpr std::size_t TILE_SIZE = 64;

unsigned long address_of(const void* pointer)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(pointer));
}

// Shape entry layout (little-endian, offsets from the start of the entry):
//
//   0              4          size: length of the whole entry
//   4              4 × count  frame offsets, ascending, in frame order
//   first offset   ...        the frames, back to back
//
// The count is not stored: it is (first offset / 4) - 1.  Frame i runs from
// its offset to the next frame's (the last one to `size`); each frame
// begins with its extents right, left, ascent, descent (signed 16-bit).
//
// The offsets cannot be trusted.  An entry whose offsets could not describe
// frames inside it (shorter than the size field and one offset, a first
// offset below 8 or beyond the entry, offsets that go backwards or leave the
// entry) is refused with -1, so the archive reader reports it as invalid
// data; it is not kept as plain bytes.  Equal offsets give an empty frame,
// and a frame shorter than its 8-byte header keeps extents 0: neither is
// refused, but neither is read beyond.
//
// A first offset that is not 4 + 4 × count (one that is not a multiple of
// 4, e.g. 9) leaves bytes between the table and the first frame that no
// frame holds.  Such an entry is kept as plain bytes after a warning, as a
// stored size that differs is: read as a shape, those bytes would be lost
// when the shape is laid out and written again.
//
// Returns 6 with the shape stored, 0 with plain bytes stored (stored size
// differs, or bytes outside every frame), or -1 with the slot untouched.
std::int32_t read_shape(EntryObject& slot, const std::uint8_t* data, std::int32_t size, std::int32_t index)
{
    // The layout is read, checked and warned about as a view; the frames
    // are then copied out of it.
    std::vector<ShapeFrameView> views;
    const std::int32_t type = read_shape_view(data, size, &views, true);
    if (type < 0) return -1;
    // Kept byte for byte, exactly as read_data_from_buffer keeps it.
    if (type == ENTRY_RAW) return store_entry_bytes(slot, data, size);

    const std::size_t count = views.size();
    Shape shape;
    shape.size = static_cast<std::uint32_t>(size);
    shape.frames.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const ShapeFrameView& view = views[i];
        ShapeFrame& frame = shape.frames[i];
        frame.offset = view.offset;
        frame.data.assign(view.data, view.data + view.size);
        frame.right = view.right;
        frame.left = view.left;
        frame.ascent = view.ascent;
        frame.descent = view.descent;
    }
    slot.emplace<Shape>(std::move(shape));
    shape_trace_printf("read_shape_from_buffer %d %ld\n", index, static_cast<long>(count));
    return ENTRY_SHAPE;
}

}  // namespace

std::int32_t read_shape_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                    std::int32_t index)
{
    shape_trace_printf("read_shape_from_buffer(%08lX, %08lX, %ld, %d)\n", address_of(slot), address_of(data),
                 static_cast<long>(size), index);
    if (data == nullptr || size <= 0 || slot == nullptr) return -1;
    try {
        return read_shape(*slot, data, size, index);
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE, __LINE__);
    }
}

std::int32_t write_shape_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size,
                                   std::int32_t index)
{
    if (slot == nullptr || size < 0 || out == nullptr) return -1;
    if (size == 0) return 0;
    const auto* shape = std::get_if<Shape>(slot);
    if (shape == nullptr) return -1;

    // Check the whole layout before writing a byte, so a shape that does not
    // fill exactly `size` bytes never writes past them.
    std::uint64_t position = 4 + 4 * static_cast<std::uint64_t>(shape->frames.size());
    for (std::size_t j = 0; j < shape->frames.size(); ++j) {
        const ShapeFrame& frame = shape->frames[j];
        if (position != frame.offset) {
            console_printf("WARNING: オフセット値が一致しません: [%d][%2.2X] %8.8lX -> %8.8lX\n", index,
                           static_cast<unsigned>(j), static_cast<unsigned long>(frame.offset),
                           static_cast<unsigned long>(position));
            return -1;
        }
        position += frame.size();
    }
    if (position != static_cast<std::uint64_t>(size)) return -1;

    std::uint8_t* p = write_le32_to_buffer(out, shape->size);
    for (const ShapeFrame& frame : shape->frames) p = write_le32_to_buffer(p, frame.offset);
    for (const ShapeFrame& frame : shape->frames) {
        if (!frame.data.empty()) std::memcpy(p, frame.data.data(), frame.data.size());
        p += frame.data.size();
    }
    return size;
}

// A shape without frames (which no reader produces) is laid out as its size
// field alone.
std::uint32_t update_shape_layout(Shape& shape)
{
    std::uint32_t offset = static_cast<std::uint32_t>(4 + 4 * shape.frames.size());
    for (std::size_t i = 0; i < shape.frames.size(); ++i) {
        ShapeFrame& frame = shape.frames[i];
        frame.offset = offset;
        shape_trace_printf("\t[%02X] offset = %08lX, size = %08lX\n", static_cast<unsigned>(i),
                     static_cast<unsigned long>(frame.offset), static_cast<unsigned long>(frame.size()));
        offset += frame.size();
    }
    shape.size = offset;
    shape_trace_printf("\tcount = %ld, size = %08lX\n", static_cast<long>(shape.frames.size()),
                 static_cast<unsigned long>(shape.size));
    return shape.size;
}

std::int32_t read_tiles_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                    std::int32_t /*index*/)
{
    if (data == nullptr || size < 1 || slot == nullptr) return -1;
    const long count = size / static_cast<long>(TILE_SIZE);
    const long remains = size % static_cast<long>(TILE_SIZE);
    if (remains != 0) {
        console_printf("WARNING: データサイズが一致しません: tiles size=%ld, count=%ld, %ld bytes remains!\n",
                       static_cast<long>(size), count, remains);
    }
    try {
        Tiles tiles;
        tiles.size = size;
        const auto whole = bytes_at(make_byte_cursor(data, static_cast<std::size_t>(size)), 0,
                                    static_cast<std::size_t>(count) * TILE_SIZE);
        if (!whole) return -1;
        tiles.data.assign(whole->begin(), whole->end());
        slot->emplace<Tiles>(std::move(tiles));
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE, __LINE__);
    }
    return ENTRY_TILES;
}

std::int32_t write_tiles_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size)
{
    if (out == nullptr || size < 0 || slot == nullptr) return -1;
    if (size == 0) return 0;
    const auto* tiles = std::get_if<Tiles>(slot);
    if (tiles == nullptr) return -1;
    const long tile_bytes = static_cast<long>(tiles->count()) * static_cast<long>(TILE_SIZE);
    if (static_cast<long>(size) != tile_bytes) {
        console_printf("ERROR: データサイズが一致しません: %ld != %ld\n", static_cast<long>(size), tile_bytes);
        return -1;
    }
    std::memcpy(out, tiles->data.data(), static_cast<std::size_t>(tile_bytes));
    return size;
}

void set_shape_trace_lines(bool on)
{
    trace_lines_on = on;
}

int shape_trace_printf(const char* format, ...)
{
    if (!trace_lines_on) return 0;
    va_list args;
    va_start(args, format);
    const int result = std::vprintf(format, args);
    va_end(args);
    return result;
}
