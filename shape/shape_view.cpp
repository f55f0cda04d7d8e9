#include "shape/shape_view.h"

#include "common/byte_cursor.h"
#include "common/byte_order.h"
#include "common/console.h"
#include "shape/shape_trace.h"

namespace {

constexpr std::size_t FRAME_HEADER_SIZE = 8;

unsigned long address_of(const void* pointer)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace

std::int32_t read_shape_view(const std::uint8_t* data, std::int32_t size, std::vector<ShapeFrameView>* frames,
                             bool warn)
{
    if (data == nullptr || size <= 0) return -1;
    const auto entry_size = static_cast<std::uint32_t>(size);
    const ByteCursor entry = make_byte_cursor(data, entry_size);
    ByteCursor cursor = entry;
    const std::uint32_t stored_size = read_le32(cursor);
    if (!cursor_ok(cursor)) return -1;
    if (stored_size != entry_size) {
        if (warn) {
            console_printf("WARNING: read_shape_from_buffer: データサイズが一致しません: %08lX != %08lX ... 破損している?\n",
                           static_cast<unsigned long>(stored_size), static_cast<unsigned long>(entry_size));
        }
        return ENTRY_RAW;
    }
    const std::uint32_t first_offset = read_le32(cursor);
    if (!cursor_ok(cursor) || first_offset < 8 || first_offset > entry_size) return -1;
    const std::uint32_t count = first_offset / 4 - 1;
    const std::uint32_t table_end = 4 + 4 * count;
    if (first_offset != table_end) {
        if (warn) {
            console_printf("WARNING: read_shape_from_buffer: オフセット値が一致しません: %08lX != %08lX ... 破損している?\n",
                           static_cast<unsigned long>(first_offset), static_cast<unsigned long>(table_end));
        }
        return ENTRY_RAW;
    }
    // Every offset is checked before a frame is taken: ascending, inside
    // the entry.  Frame i runs to the next offset, the last to the end.
    if (frames != nullptr) {
        frames->clear();
        frames->reserve(count);
    }
    std::uint32_t offset = first_offset;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t next = entry_size;
        if (i + 1 < count) {
            next = read_le32(cursor);
            if (!cursor_ok(cursor) || next < offset || next > entry_size) return -1;
        }
        offset = next;
    }
    if (frames != nullptr) {
        for (std::uint32_t i = 0; i < count; ++i) frames->push_back(shape_view_frame(data, entry_size, i));
    }
    return ENTRY_SHAPE;
}

std::uint32_t shape_view_frame_count(const std::uint8_t* data, std::uint32_t size)
{
    ByteCursor cursor = make_byte_cursor(data, size);
    skip_bytes(cursor, 4);
    const std::uint32_t first_offset = read_le32(cursor);
    return cursor_ok(cursor) && first_offset >= 8 ? first_offset / 4 - 1 : 0;
}

ShapeFrameView shape_view_frame(const std::uint8_t* data, std::uint32_t size, std::uint32_t index)
{
    // Offsets i and i + 1 (the entry's end for the last frame), read
    // through the checked cursor all the same.
    ByteCursor table = make_byte_cursor(data, size);
    skip_bytes(table, 4 + 4 * static_cast<std::size_t>(index));
    const std::uint32_t offset = read_le32(table);
    const std::uint32_t next = index + 1 < shape_view_frame_count(data, size) ? read_le32(table) : size;
    ShapeFrameView frame;
    if (!cursor_ok(table) || offset > next || next > size) return frame;
    frame.offset = offset;
    frame.data = data + offset;
    frame.size = next - offset;
    if (frame.size >= FRAME_HEADER_SIZE) {
        ByteCursor header = make_byte_cursor(frame.data, frame.size);
        frame.right = read_sle16(header);
        frame.left = read_sle16(header);
        frame.ascent = read_sle16(header);
        frame.descent = read_sle16(header);
    }
    return frame;
}

std::int32_t check_shape_in_place(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                  std::int32_t index)
{
    shape_trace_printf("read_shape_from_buffer(%08lX, %08lX, %ld, %d)\n", address_of(slot), address_of(data),
                 static_cast<long>(size), index);
    if (data == nullptr || size <= 0 || slot == nullptr) return -1;
    const std::int32_t type = read_shape_view(data, size, nullptr, true);
    if (type == ENTRY_SHAPE) {
        ByteCursor table = make_byte_cursor(data + 4, 4);  // a shape holds at least 8 bytes
        const std::uint32_t count = read_le32(table) / 4 - 1;
        shape_trace_printf("read_shape_from_buffer %d %ld\n", index, static_cast<long>(count));
    }
    if (type >= 0) slot->emplace<std::monostate>();
    return type;
}
