// The frame encoder on arbitrary areas: every frame it writes must fit the
// size it measured, stay inside its buffer and decode to the very area it
// came from.  The first bytes choose the area's size, the origin and the
// transparent value; the rest are the pixels, repeated to fill the area.
#include "shape/u7shape_utils.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6) return 0;
    // Widths up to 2100 reach past the 1024-pixel span limit.
    const int width = 1 + (data[0] | data[1] << 8) % 2100;
    const int height = 1 + data[2] % 48;
    const int origin_x = data[3] * width / 256;
    const int origin_y = data[4] * height / 256;
    const std::uint8_t transparent = data[5];
    const std::uint8_t* pixels = data + 6;
    const std::size_t pixel_count = size - 6;

    std::vector<std::uint8_t> area(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), transparent);
    if (pixel_count > 0) {
        for (std::size_t i = 0; i < area.size(); ++i) area[i] = pixels[i % pixel_count];
    }

    std::int32_t need = 0;
    if (encode_shape(area.data(), width, height, transparent, origin_x, origin_y, -1, -1, -1, -1, nullptr, &need) != 0)
        std::abort();
    constexpr std::size_t GUARD = 16;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(need) + GUARD, 0xA5);
    std::int32_t written = need;
    if (encode_shape(area.data(), width, height, transparent, origin_x, origin_y, -1, -1, -1, -1, frame.data(),
                     &written) != 1 ||
        written != need) {
        std::abort();
    }
    for (std::size_t i = static_cast<std::size_t>(need); i < frame.size(); ++i) {
        if (frame[i] != 0xA5) std::abort();
    }

    // One byte short: nothing may land at or beyond the capacity.
    std::vector<std::uint8_t> short_frame(frame.size(), 0xA5);
    std::int32_t capacity = need - 1;
    if (encode_shape(area.data(), width, height, transparent, origin_x, origin_y, -1, -1, -1, -1,
                     short_frame.data(), &capacity) != 0 ||
        capacity != need) {
        std::abort();
    }
    for (std::size_t i = static_cast<std::size_t>(need - 1); i < short_frame.size(); ++i) {
        if (short_frame[i] != 0xA5) std::abort();
    }

    std::vector<std::uint8_t> decoded(area.size());
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    if (decode_shape(decoded.data(), width, height, transparent, origin_x, origin_y, &right, &left, &ascent, &descent,
                     frame.data(), need, nullptr) != 0 ||
        decoded != area) {
        std::abort();
    }
    return 0;
}
