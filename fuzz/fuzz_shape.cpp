// A shape entry read from arbitrary bytes: written back as read it must give
// the same bytes; each frame is decoded into a small area (so clipping is
// exercised); written back after a new layout it must read again to the
// same frames.
#include "types/u7entry_types.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <variant>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return 0;
    EntryObject slot;
    const std::int32_t type = read_shape_from_buffer(&slot, data, static_cast<std::int32_t>(size), 0);
    if (type != ENTRY_SHAPE) return 0;
    Shape& shape = std::get<Shape>(slot);

    std::vector<std::uint8_t> as_read(size);
    if (write_shape_to_buffer(&slot, as_read.data(), static_cast<std::int32_t>(size), 0) !=
            static_cast<std::int32_t>(size) ||
        !std::equal(as_read.begin(), as_read.end(), data)) {
        std::abort();  // a shape accepted by the reader writes back byte for byte
    }

    std::vector<std::uint8_t> area(24 * 17);
    for (const ShapeFrame& frame : shape.frames) {
        std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
        std::uint32_t counts[256] = {};
        (void)decode_shape(area.data(), 24, 17, 255, 12, 9, &right, &left, &ascent, &descent, frame.data.data(),
                           static_cast<std::int32_t>(frame.data.size()), counts);
    }

    const std::uint32_t new_size = update_shape_layout(shape);
    std::vector<std::uint8_t> out(new_size);
    if (write_shape_to_buffer(&slot, out.data(), static_cast<std::int32_t>(new_size), 0) !=
        static_cast<std::int32_t>(new_size)) {
        std::abort();
    }
    EntryObject again;
    if (read_shape_from_buffer(&again, out.data(), static_cast<std::int32_t>(out.size()), 0) != ENTRY_SHAPE) {
        std::abort();
    }
    const Shape& reread = std::get<Shape>(again);
    if (reread.frames.size() != shape.frames.size()) std::abort();
    for (std::size_t i = 0; i < shape.frames.size(); ++i) {
        if (reread.frames[i].data != shape.frames[i].data) std::abort();
    }
    return 0;
}
