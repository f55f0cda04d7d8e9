// Fuzz targets whose parsers read files by path write each input to a
// temporary file of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline std::string fuzz_temp_path(const char* name)
{
    return std::string("/tmp/u7fuzz-") + std::to_string(getpid()) + "-" + name;
}

inline void write_fuzz_file(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}
