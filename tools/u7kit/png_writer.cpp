// The font sheet's PNG writer, on libpng.
#include "tools/u7kit/u7kit.h"

#include "common/console.h"

#include <png.h>

#include <csetjmp>

namespace {

// libpng reports through these instead of standard error; an error jumps
// back to write_png_stream.
void report_png_error(png_structp png, png_const_charp message)
{
    plain_printf("ERROR: libpng: %s\n", message);
    png_longjmp(png, 1);
}

void report_png_warning(png_structp, png_const_charp message)
{
    plain_printf("WARNING: libpng: %s\n", message);
}

int write_png_stream(std::FILE* file, const RgbImage& image, png_bytep* rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, report_png_error, report_png_warning);
    if (png == nullptr) return -1;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return -1;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return -1;
    }
    png_init_io(png, file);
    // Flat colours compress well at the fastest level.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 0;
}

}  // namespace

int write_png_image(const char* path, const RgbImage& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3) {
        return -1;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        rows[r] = const_cast<png_bytep>(image.pixels.data() + r * static_cast<std::size_t>(image.width) * 3);
    }
    return write_whole_file(path, [&](std::FILE* stream) { return write_png_stream(stream, image, rows.data()); });
}
