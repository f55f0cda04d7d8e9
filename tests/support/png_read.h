// Reads a PNG a program wrote back as 8-bit RGB (libpng's simplified API),
// for tests that compare pictures pixel by pixel.  An empty image when the
// file is no readable PNG.  Tests including it link PNG::PNG.
#pragma once

#include "fonts/font_sheet.h"

#include <png.h>

#include <string>

inline RgbImage read_png(const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    RgbImage image;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) return image;
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) return RgbImage{};
    return image;
}
