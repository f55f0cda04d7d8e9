// Small helpers shared by the benchmarks: a temporary folder for generated
// inputs, standard output silenced while the programs print, and the UTF-8
// of the characters the generated maps and texts use.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

// A fresh folder under the system's temporary folder, removed with its
// contents at the end.
class BenchFolder {
public:
    explicit BenchFolder(const std::string& prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + ".XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~BenchFolder() { std::filesystem::remove_all(path_); }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sends standard output to /dev/null for its lifetime, so the programs'
// messages and trace lines stay out of the benchmark report.
class SilencedStdout {
public:
    SilencedStdout()
    {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null_fd = open("/dev/null", O_WRONLY);
        if (saved_ < 0 || null_fd < 0 || dup2(null_fd, STDOUT_FILENO) < 0) std::abort();
        close(null_fd);
    }
    ~SilencedStdout()
    {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }
    SilencedStdout(const SilencedStdout&) = delete;
    SilencedStdout& operator=(const SilencedStdout&) = delete;

private:
    int saved_ = -1;
};

// UTF-8 of a code point from U+0800 to U+FFFF.
inline std::string utf8_of(unsigned code_point)
{
    std::string text;
    text += static_cast<char>(0xE0 | (code_point >> 12));
    text += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code_point & 0x3F));
    return text;
}
