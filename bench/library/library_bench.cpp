// The library's writing side at the sizes the tools meet:
//
// - a subtitle image of 320 × 46 pixels (transparent background, text in
//   colour 11 outlined in colour 0) encoded as a frame, decoded again, and
//   both, as the subtitle tool does for each of its images (goal: well
//   under a millisecond for both);
// - a 50 MB archive of 1,000 plain entries written by write_flexfile,
//   against copying a file of the same bytes with cp (goal: within twice).
//
// The library's trace lines go to /dev/null while a benchmark runs.
#include "bench_support.h"
#include "archive/u7files.h"
#include "shape/u7shape_utils.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int WIDTH = 320;
constexpr int HEIGHT = 46;
constexpr int ORIGIN_X = 160;
constexpr std::uint8_t TRANSPARENT = 255;
constexpr std::uint8_t TEXT = 11;
constexpr std::uint8_t OUTLINE = 0;
constexpr int FRAME_CAPACITY = 262144;

// The place of pixel (x, y) in the image.
std::size_t at(int x, int y)
{
    return static_cast<std::size_t>(y * WIDTH + x);
}

// Two lines of blocky letters, 7 × 11 pixels with gaps, each stroke
// outlined one pixel all round: spans of every length, runs and variation.
std::vector<std::uint8_t> subtitle_image()
{
    std::vector<std::uint8_t> ink(WIDTH * HEIGHT, 0);
    std::uint32_t state = 46u;
    for (int line = 0; line < 2; ++line) {
        const int top = 6 + line * 20;
        for (int x0 = 12; x0 + 7 < WIDTH - 12; x0 += 10) {
            state = state * 1103515245u + 12345u;
            if ((state >> 16) % 7 == 0) continue;  // a space between words
            for (int y = 0; y < 11; ++y) {
                for (int x = 0; x < 7; ++x) {
                    const std::uint32_t bit = (state >> ((x + y * 3) % 29)) & 1u;
                    const bool stem = x == 0 || y == 0 || y == 5 || y == 10;
                    if (stem || bit != 0) ink[at(x0 + x, top + y)] = 1;
                }
            }
        }
    }
    std::vector<std::uint8_t> image(WIDTH * HEIGHT, TRANSPARENT);
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            if (ink[at(x, y)] != 0) {
                image[at(x, y)] = TEXT;
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int ny = y + dy, nx = x + dx;
                    if (ny >= 0 && ny < HEIGHT && nx >= 0 && nx < WIDTH && ink[at(nx, ny)] != 0) {
                        image[at(x, y)] = OUTLINE;
                    }
                }
            }
        }
    }
    return image;
}

// The subtitle tool's call.
std::int32_t encode_subtitle(const std::vector<std::uint8_t>& image, std::vector<std::uint8_t>& frame)
{
    std::int32_t size = FRAME_CAPACITY;
    if (encode_shape(image.data(), WIDTH, HEIGHT, TRANSPARENT, ORIGIN_X, 0, 160, 159, 0, 46, frame.data(), &size) != 1) {
        std::abort();
    }
    return size;
}

void decode_subtitle(const std::vector<std::uint8_t>& frame, std::int32_t size, std::vector<std::uint8_t>& area)
{
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    if (decode_shape(area.data(), WIDTH, HEIGHT, TRANSPARENT, ORIGIN_X, 0, &right, &left, &ascent, &descent,
                     frame.data(), size, nullptr) != 0) {
        std::abort();
    }
}

void BM_EncodeSubtitle(benchmark::State& state)
{
    const std::vector<std::uint8_t> image = subtitle_image();
    std::vector<std::uint8_t> frame(FRAME_CAPACITY);
    std::int32_t size = 0;
    {
        SilencedStdout silenced;
        for (auto _ : state) {
            size = encode_subtitle(image, frame);
            benchmark::DoNotOptimize(frame.data());
        }
    }
    state.counters["frame_bytes"] = size;
}
BENCHMARK(BM_EncodeSubtitle)->Unit(benchmark::kMicrosecond);

void BM_DecodeSubtitle(benchmark::State& state)
{
    const std::vector<std::uint8_t> image = subtitle_image();
    std::vector<std::uint8_t> frame(FRAME_CAPACITY);
    std::vector<std::uint8_t> area(image.size());
    std::int32_t size = 0;
    {
        SilencedStdout silenced;
        size = encode_subtitle(image, frame);
    }
    for (auto _ : state) {
        decode_subtitle(frame, size, area);
        benchmark::DoNotOptimize(area.data());
    }
    if (area != image) std::abort();
}
BENCHMARK(BM_DecodeSubtitle)->Unit(benchmark::kMicrosecond);

// Encoding, decoding and comparing, as the subtitle tool does per image.
void BM_EncodeDecodeSubtitle(benchmark::State& state)
{
    const std::vector<std::uint8_t> image = subtitle_image();
    std::vector<std::uint8_t> frame(FRAME_CAPACITY);
    std::vector<std::uint8_t> area(image.size());
    {
        SilencedStdout silenced;
        for (auto _ : state) {
            decode_subtitle(frame, encode_subtitle(image, frame), area);
            if (area != image) std::abort();
        }
    }
}
BENCHMARK(BM_EncodeDecodeSubtitle)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Archive writing

constexpr int ENTRY_COUNT = 1000;
constexpr std::size_t ARCHIVE_BYTES = 50u * 1000u * 1000u;

struct ArchiveInputs {
    BenchFolder dir{"library-bench"};
    FlexArchive archive;
    std::string written = dir.file("written.flx");
    std::string source = dir.file("source.flx");
    std::string copy = dir.file("copy.flx");
    std::int64_t size = 0;

    ArchiveInputs()
    {
        archive.count = ENTRY_COUNT;
        archive.entries.resize(ENTRY_COUNT);
        std::uint32_t state = 7u;
        for (int i = 0; i < ENTRY_COUNT; ++i) {
            FlexEntry& entry = archive.entries[static_cast<std::size_t>(i)];
            // Sizes around 50,000 bytes, odd and even.
            const std::size_t bytes = ARCHIVE_BYTES / ENTRY_COUNT - 500 + static_cast<std::size_t>(i % 1001);
            RawData raw;
            raw.bytes.resize(bytes);
            for (auto& byte : raw.bytes) {
                state = state * 1103515245u + 12345u;
                byte = static_cast<std::uint8_t>(state >> 24);
            }
            entry.type = ENTRY_RAW;
            entry.size = static_cast<std::uint32_t>(bytes);
            entry.offset = 1;
            entry.object = std::move(raw);
        }
        SilencedStdout silenced;
        size = write_flexfile(&archive, source.c_str());
        if (size < 0) std::abort();
    }
};

ArchiveInputs& archive_inputs()
{
    static ArchiveInputs instance;
    return instance;
}

void BM_WriteFlexfile50MB(benchmark::State& state)
{
    ArchiveInputs& in = archive_inputs();
    for (auto _ : state) {
        if (write_flexfile(&in.archive, in.written.c_str()) != in.size) std::abort();
    }
    state.SetBytesProcessed(state.iterations() * in.size);
}
BENCHMARK(BM_WriteFlexfile50MB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CopyWithCp50MB(benchmark::State& state)
{
    ArchiveInputs& in = archive_inputs();
    const std::string command = "cp '" + in.source + "' '" + in.copy + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) std::abort();
    }
    state.SetBytesProcessed(state.iterations() * in.size);
}
BENCHMARK(BM_CopyWithCp50MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
