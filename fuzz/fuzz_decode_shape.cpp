// The frame decoder on arbitrary frame data, into areas of every small size
// with the origin anywhere (inside or outside the area).
#include "shape/u7shape_utils.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3 || size > 1 << 20) return 0;
    const int width = 1 + data[0] % 40;
    const int height = 1 + data[1] % 40;
    const int origin_x = static_cast<int>(data[2] % 96) - 28;
    const int origin_y = static_cast<int>(data[2] / 4 % 64) - 12;
    std::vector<std::uint8_t> area(static_cast<std::size_t>(width * height) + 1, 0xA5);
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    std::uint32_t counts[256] = {};
    (void)decode_shape(area.data(), width, height, 7, origin_x, origin_y, &right, &left, &ascent, &descent, data + 3,
                       static_cast<std::int32_t>(size - 3), counts);
    if (area.back() != 0xA5) std::abort();  // the byte behind the area stays untouched
    return 0;
}
