// The IFF reader on arbitrary bytes.
#include "archive/u7files.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    IffArchivePtr archive;
    if (read_ifffile_from_memory(&archive, data, size, "archive.iff") == 0) {
        if (archive->count() < 0) std::abort();
        free_ifffile(archive);
    } else if (archive) {
        std::abort();  // a failed load leaves nothing behind
    }
    return 0;
}
