// What the demo's sample generators share: a new archive with its header
// filled in, and standard output silenced while the library prints its
// trace lines.
#pragma once

#include "archive/u7files.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// An archive of `count` empty entries, with the game's magic numbers and the
// given title (cut to the header's title field).
inline FlexArchive sample_archive(const char* title, int count)
{
    FlexArchive archive;
    const std::size_t length = std::min(std::strlen(title), archive.title.size());
    std::memcpy(archive.title.data(), title, length);
    archive.magic1 = 0xFFFF1A00u;
    archive.magic2 = 0x000000CCu;
    archive.count = count;
    archive.entries.resize(static_cast<std::size_t>(count));
    return archive;
}

// Sends standard output to /dev/null while it lives.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null_fd = open("/dev/null", O_WRONLY);
        if (null_fd >= 0) {
            dup2(null_fd, STDOUT_FILENO);
            close(null_fd);
        }
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_ = -1;
};
