#include "file_utils.h"

#include <cerrno>
#include <sys/stat.h>

FilePtr open_file(const char* path, const char* mode)
{
    return FilePtr(std::fopen(path, mode));
}

int close_written_file(FilePtr& file)
{
    std::FILE* stream = file.release();
    if (stream == nullptr) return -1;
    int result = 0;
    int saved_errno = 0;
    if (std::fflush(stream) != 0 || std::ferror(stream) != 0) {
        saved_errno = errno;
        result = -1;
    }
    if (std::fclose(stream) != 0 && result == 0) {
        saved_errno = errno;
        result = -1;
    }
    if (result != 0) errno = saved_errno != 0 ? saved_errno : EIO;
    return result;
}

bool is_same_file(const char* path_a, const char* path_b)
{
    struct stat a {};
    struct stat b {};
    if (stat(path_a, &a) != 0 || stat(path_b, &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
