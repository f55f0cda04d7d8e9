// A build without libpng (the Windows cross toolchain has none): u7kit
// works, but draws no font sheet.
#include "tools/u7kit/u7kit.h"

const bool PNG_WRITER_AVAILABLE = false;

int write_png_image(const char*, const RgbImage&)
{
    return -1;
}
