// The font dump on arbitrary bytes: the archive loaded from memory with
// every entry read as a shape, then dumped whole to /dev/null.
#include "fonts/font_dump.h"
#include "archive/u7files.h"
#include "shape/u7shape_utils.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::FILE* const sink = [] {
        std::FILE* file = std::fopen("/dev/null", "w");
        if (file == nullptr) std::abort();
        return file;
    }();
    FlexArchivePtr archive;
    if (read_flexfile_with_readfunc_from_memory(&archive, data, size, "FONTS.VGA", read_shape_from_buffer) != 0) {
        return 0;
    }
    (void)dump_fonts(sink, archive.get());
    free_flexfile(archive);
    return 0;
}
