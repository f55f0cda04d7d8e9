// For the fuzz targets whose readers take a path (text files read line by
// line): the input is put in an anonymous file in memory and its path under
// /proc/self/fd is handed out, so no input is ever written to disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

struct MemoryFile {
    int fd = -1;
    std::string path;
};

// One anonymous file per name, made on first use and kept for the run.
inline MemoryFile make_memory_file(const char* name)
{
    MemoryFile file;
    file.fd = memfd_create(name, 0);
    if (file.fd < 0) std::abort();
    file.path = "/proc/self/fd/" + std::to_string(file.fd);
    return file;
}

// Replaces the file's contents with size bytes at data.
inline void fill_memory_file(const MemoryFile& file, const std::uint8_t* data, std::size_t size)
{
    if (ftruncate(file.fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = pwrite(file.fd, data + done, size - done, static_cast<off_t>(done));
        if (written <= 0) std::abort();
        done += static_cast<std::size_t>(written);
    }
}
