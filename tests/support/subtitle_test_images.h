// Subtitle pictures and the BMP files of them, assembled in code with the
// bitmap tests' builder (independently of the bitmap module), for the
// subtitle module tests and sibrel_bmp's end-to-end tests.
#pragma once

#include "support/bmp_builder.h"

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

// The picture as a well-formed BMP file of the given bit count.  Palette
// files list the picture's colours in order of first appearance, then
// black entries.
inline Bytes build_bmp(const Picture& picture, int bit_count)
{
    const auto bits = static_cast<std::uint16_t>(bit_count);
    std::vector<Rgb> colours;
    Bytes palette;
    Bytes pixels;
    for (const Rgb& colour : picture.pixels) {
        if (bit_count <= 8) {
            auto found = std::find(colours.begin(), colours.end(), colour);
            if (found == colours.end()) found = colours.insert(colours.end(), colour);
            pixels.push_back(static_cast<std::uint8_t>(found - colours.begin()));
        } else if (bit_count == 16) {
            const unsigned packed = (colour.red >> 3u) << 10u | (colour.green >> 3u) << 5u | (colour.blue >> 3u);
            pixels.insert(pixels.end(), {static_cast<std::uint8_t>(packed & 0xFF), static_cast<std::uint8_t>(packed >> 8)});
        } else {
            pixels.insert(pixels.end(), {colour.blue, colour.green, colour.red});
            if (bit_count == 32) pixels.push_back(0);
        }
    }
    if (bit_count <= 8) {
        if (colours.size() > (1u << bit_count)) throw std::invalid_argument("too many colours for the bit count");
        colours.resize(1u << bit_count, BLACK);
        for (const Rgb& colour : colours) palette.insert(palette.end(), {colour.blue, colour.green, colour.red, 0});
    }
    return bmp_builder::build_bmp_image(picture.width, picture.height, bits, palette, pixels);
}

}  // namespace subtitle_images
