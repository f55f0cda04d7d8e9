// Small helpers around stdio files: an owning handle, a close that reports
// late write errors, and a check that two paths name the same file.
#pragma once

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const
    {
        if (file != nullptr) std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file; the handle is empty on failure, with errno set.
FilePtr open_file(const char* path, const char* mode);

// Flushes and closes a stream that was written to.  Returns 0 when every
// byte reached the file, or -1 (errno set) when a write failed, including a
// failure that only shows when the buffer is flushed or the file closed.
int close_written_file(FilePtr& file);

// True when both paths exist and name the same file (same device and
// inode), whatever the spelling of the paths.
bool is_same_file(const char* path_a, const char* path_b);
