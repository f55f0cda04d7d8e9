// Subtitle pictures and the BMP files of them, assembled byte by byte in
// code (independently of the bitmap module), for the sibrel_bmp unit and
// end-to-end tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace subtitle_images {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb WHITE{255, 255, 255};
inline constexpr Rgb LIGHT_BLUE{85, 255, 255};
inline constexpr Rgb BLACK{0, 0, 0};

// A picture: width × height colours, the top row first.
struct Picture {
    int width = 320;
    int height = 46;
    std::vector<Rgb> pixels = std::vector<Rgb>(static_cast<std::size_t>(320 * 46), WHITE);

    Rgb& at(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

inline Picture blank_picture(int width = 320, int height = 46, Rgb colour = WHITE)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width * height), colour);
    return picture;
}

// Image n of a set: on row n, a black outline pixel at column 149, then
// n + 3 light-blue pixels from column 150.
inline Picture numbered_picture(int n)
{
    Picture picture = blank_picture();
    picture.at(149, n) = BLACK;
    for (int x = 150; x < 150 + n + 3; ++x) picture.at(x, n) = LIGHT_BLUE;
    return picture;
}

inline void put_le16(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void put_le32(Bytes& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

// The picture as a BMP file (version 3 header, bottom-up rows padded to 4
// bytes) of the given bit count.  Palette files list the picture's colours
// in order of first appearance, then zero entries.
inline Bytes build_bmp(const Picture& picture, int bit_count)
{
    const bool indexed = bit_count <= 8;
    std::vector<Rgb> palette;
    std::vector<std::uint32_t> values;  // palette index or packed colour per pixel
    for (const Rgb& colour : picture.pixels) {
        if (indexed) {
            auto found = std::find(palette.begin(), palette.end(), colour);
            if (found == palette.end()) {
                palette.push_back(colour);
                found = palette.end() - 1;
            }
            values.push_back(static_cast<std::uint32_t>(found - palette.begin()));
        } else if (bit_count == 16) {
            values.push_back(static_cast<std::uint32_t>((colour.red >> 3) << 10 | (colour.green >> 3) << 5 |
                                                        (colour.blue >> 3)));
        }
    }
    const std::uint32_t palette_entries = indexed ? 1u << bit_count : 0;
    if (palette.size() > palette_entries && indexed) throw std::invalid_argument("too many colours for the bit count");

    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t row_bytes = (width * static_cast<std::uint32_t>(bit_count) + 7) / 8;
    const std::uint32_t row_size = (row_bytes + 3) / 4 * 4;
    const std::uint32_t offset = 54 + 4 * palette_entries;
    const std::uint32_t image_size = row_size * height;

    Bytes out{'B', 'M'};
    put_le32(out, offset + image_size);  // file size
    put_le16(out, 0);                    // reserved 1
    put_le16(out, 0);                    // reserved 2
    put_le32(out, offset);               // data offset
    put_le32(out, 40);                   // info size
    put_le32(out, width);
    put_le32(out, height);
    put_le16(out, 1);  // planes
    put_le16(out, static_cast<std::uint32_t>(bit_count));
    put_le32(out, 0);  // compression
    put_le32(out, image_size);
    put_le32(out, 2835);  // 72 dpi, both ways
    put_le32(out, 2835);
    put_le32(out, 0);  // colours used
    put_le32(out, 0);  // important colours
    for (std::uint32_t i = 0; i < palette_entries; ++i) {
        const Rgb colour = i < palette.size() ? palette[i] : BLACK;
        out.insert(out.end(), {colour.blue, colour.green, colour.red, 0});
    }
    for (std::uint32_t row = height; row-- > 0;) {
        Bytes bytes(row_size, 0);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t i = row * width + x;
            const Rgb& colour = picture.pixels[i];
            switch (bit_count) {
            case 1: bytes[x / 8] |= static_cast<std::uint8_t>(values[i] << (7 - x % 8)); break;
            case 4: bytes[x / 2] |= static_cast<std::uint8_t>(values[i] << (x % 2 == 0 ? 4 : 0)); break;
            case 8: bytes[x] = static_cast<std::uint8_t>(values[i]); break;
            case 16:
                bytes[2 * x] = static_cast<std::uint8_t>(values[i] & 0xFF);
                bytes[2 * x + 1] = static_cast<std::uint8_t>(values[i] >> 8);
                break;
            default: {
                const std::size_t step = static_cast<std::size_t>(bit_count / 8);
                bytes[step * x] = colour.blue;
                bytes[step * x + 1] = colour.green;
                bytes[step * x + 2] = colour.red;
            }
            }
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

}  // namespace subtitle_images
