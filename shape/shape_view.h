// Shapes read in place: the frames of a shape entry as views of the bytes
// they were read from, for a reader that only looks at them (a dump) and
// keeps the entry's bytes itself.  A caller that changes or writes shapes
// uses the owning Shape of u7shape_types.h instead.
#pragma once

#include "types/u7entry_types.h"

#include <cstdint>
#include <vector>

// One frame of a shape read in place: its place in the entry, the extents
// from its header (0 when it is shorter than the header), and its bytes,
// which stay in the caller's buffer.
struct ShapeFrameView {
    std::uint32_t offset = 0;
    std::int16_t right = 0;
    std::int16_t left = 0;
    std::int16_t ascent = 0;
    std::int16_t descent = 0;
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// Reads the layout of the shape entry of size bytes at data, with exactly
// the checks of read_shape_from_buffer: 6 with the frames in *frames (when
// not null), 0 for an entry that reader keeps as plain bytes (its stored
// size differs, or bytes lie between the offset table and the first frame;
// with warn set, its warning is printed), -1 for bad arguments or an offset
// table that does not describe frames inside the entry.
std::int32_t read_shape_view(const std::uint8_t* data, std::int32_t size, std::vector<ShapeFrameView>* frames,
                             bool warn);

// The number of frames, and frame index (below that number), of the shape
// entry of size bytes at data, which read_shape_view must have accepted:
// for a reader that takes the frames one at a time instead of listing them.
std::uint32_t shape_view_frame_count(const std::uint8_t* data, std::uint32_t size);
ShapeFrameView shape_view_frame(const std::uint8_t* data, std::uint32_t size, std::uint32_t index);

// A read function (FlexReadFunc) for a loader whose caller keeps the file's
// bytes: it checks the entry as read_shape_from_buffer does, printing the
// same trace lines and warnings, and returns the same type (6 for a shape,
// 0 for plain bytes, -1 for refused data), but stores nothing in the slot:
// the shape is read again in place with read_shape_view when it is needed.
// So an archive of many entries that share their bytes costs no copies.
std::int32_t check_shape_in_place(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                  std::int32_t index);
