// A main for replaying fuzz inputs without libFuzzer: each file of each
// folder given is fed to the target once, in name order.  The replay fails
// (status 1) when a folder cannot be listed or a file read; a target that
// finds a fault aborts, which fails the replay too.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        std::vector<std::filesystem::path> files;
        for (const auto& item : std::filesystem::directory_iterator(argv[i], error)) {
            if (item.is_regular_file()) files.push_back(item.path());
        }
        if (error) {
            std::printf("cannot list %s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream stream(file, std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
            if (stream.bad()) {
                std::printf("cannot read %s\n", file.c_str());
                return 1;
            }
            std::printf("replay %s (%zu bytes)\n", file.c_str(), bytes.size());
            std::fflush(stdout);
            (void)LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return 0;
}
