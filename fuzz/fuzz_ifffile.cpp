// The IFF reader on arbitrary files.
#include "fuzz_temp_file.h"
#include "u7files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzz_temp_path("archive.iff");
    write_fuzz_file(path, data, size);
    IffArchivePtr archive;
    if (read_ifffile(&archive, path.c_str()) == 0) {
        if (archive->count() < 0) std::abort();
        free_ifffile(archive);
    } else if (archive) {
        std::abort();
    }
    return 0;
}
