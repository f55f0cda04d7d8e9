// A fresh temporary folder per test, removed with everything in it when the
// test ends, plus small file helpers.
#pragma once

#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Whole-file helpers; read_file_bytes gives "" for a missing file, so tests
// check existence with file_exists.
void write_file_bytes(const std::string& path, const std::string& bytes);
std::string read_file_bytes(const std::string& path);
bool file_exists(const std::string& path);
// The names of the entries of a folder, sorted.
std::vector<std::string> folder_names(const std::string& folder);
