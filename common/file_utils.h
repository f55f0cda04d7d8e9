// Small helpers around stdio files: an owning handle, a close that reports
// late write errors, and a check that two paths name the same file.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

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

// A file written beside its destination and put in place only when it is
// complete, so that a failed write never leaves a partial file behind nor
// touches an earlier file of the destination's name.
//
// open() creates a temporary file in the destination's folder; commit()
// flushes and closes it (reporting late write errors, as
// close_written_file does) and renames it over the destination.  A file
// that is dropped without a successful commit() is removed.
//
// A destination that exists and is not a regular file (a device such as
// /dev/null or /dev/full, a pipe) is written directly, as fopen would.  A
// destination that is a folder, or a file that may not be written, is
// refused at open() with the errno fopen would give.  A symbolic link is
// followed: its target is replaced, the link stays.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() { discard(); }

    // 0, or -1 with errno set.  mode is "wb" or "wt".
    int open(const char* path, const char* mode);
    std::FILE* get() const { return file_.get(); }
    // 0 when the whole file is in place, or -1 with errno set (the
    // temporary file is removed and the destination left as it was).
    int commit();
    // Closes and removes the temporary file, if any.
    void discard();

private:
    FilePtr file_;
    std::string destination_;
    std::string temporary_;  // empty when writing the destination directly
};
