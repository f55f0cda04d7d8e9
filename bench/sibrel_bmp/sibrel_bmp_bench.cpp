// sibrel_bmp's work on a full-size ENDSHAPE.FLX, in process: load the
// archive, read and convert seven BMP files, encode and verify seven
// frames, write the new archive.  program_bench times the program itself.
//
// The archive is built in code: 129 entries, the 122 that are not
// subtitles 16 KiB of plain bytes each (about 2 MiB in all), the seven
// subtitle shapes one frame each.  The seven images are 320 × 46 24-bit
// files with rows of busy "lettering": stretches of light blue, black and
// white of random length, so that spans of every kind are encoded.  The
// program's console output goes to /dev/null while the benchmark runs.
#include "subtitle/subtitle_frames.h"

#include "bench_support.h"
#include "bitmap/bitmap.h"
#include "common/file_utils.h"
#include "shape/u7shape_utils.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int ENTRY_COUNT = 129;
constexpr std::size_t PLAIN_ENTRY_SIZE = 16384;

struct Random {
    std::uint32_t state;
    std::uint32_t next(std::uint32_t bound)
    {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    }
};

// Busy game-colour pixels: on rows 8 to 37, stretches of 1 to 12 pixels of
// text, outline or background.
std::vector<std::uint8_t> busy_picture(Random& random)
{
    std::vector<std::uint8_t> pixels(SUBTITLE_PIXELS, SUBTITLE_TRANSPARENT);
    const std::uint8_t colours[] = {SUBTITLE_TEXT_COLOUR, SUBTITLE_OUTLINE_COLOUR, SUBTITLE_TRANSPARENT};
    for (int y = 8; y < 38; ++y) {
        for (int x = 20; x < 300;) {
            const std::uint8_t colour = colours[random.next(3)];
            const int length = 1 + static_cast<int>(random.next(12));
            for (int k = 0; k < length && x < 300; ++k, ++x) {
                pixels[static_cast<std::size_t>(y * SUBTITLE_WIDTH + x)] = colour;
            }
        }
    }
    return pixels;
}

bool write_inputs(const BenchFolder& folder)
{
    Random random{20261207u};
    FlexArchive archive;
    archive.count = ENTRY_COUNT;
    archive.entries.resize(ENTRY_COUNT);
    for (int i = 0; i < ENTRY_COUNT; ++i) {
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(i)];
        const bool subtitle = (i >= 21 && i <= 26) || i == 28;
        if (subtitle) {
            std::vector<std::uint8_t> frame(static_cast<std::size_t>(SUBTITLE_ENCODE_BUFFER_SIZE));
            std::int32_t size = SUBTITLE_ENCODE_BUFFER_SIZE;
            const std::vector<std::uint8_t> pixels = busy_picture(random);
            if (encode_shape(pixels.data(), SUBTITLE_WIDTH, SUBTITLE_HEIGHT, SUBTITLE_TRANSPARENT, SUBTITLE_ORIGIN_X,
                             SUBTITLE_ORIGIN_Y, SUBTITLE_RIGHT, SUBTITLE_LEFT, SUBTITLE_ASCENT, SUBTITLE_DESCENT,
                             frame.data(), &size) != 1) {
                return false;
            }
            frame.resize(static_cast<std::size_t>(size));
            Shape shape;
            shape.frames.push_back(ShapeFrame{0, 160, 159, 0, 46, std::move(frame)});
            entry.object = std::move(shape);
            entry.type = ENTRY_SHAPE;
            entry.size = 1;
        } else {
            std::vector<std::uint8_t> bytes(PLAIN_ENTRY_SIZE);
            for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random.next(256));
            entry.size = static_cast<std::uint32_t>(bytes.size());
            entry.object = RawData{std::move(bytes)};
            entry.type = ENTRY_RAW;
        }
        entry.offset = 1;
    }
    if (write_flexfile(&archive, folder.file("ENDSHAPE.FLX").c_str()) < 0) return false;

    for (int number = 1; number <= SUBTITLE_IMAGE_COUNT; ++number) {
        const std::vector<std::uint8_t> game_pixels = busy_picture(random);
        std::vector<std::uint8_t> bgr;
        for (const std::uint8_t pixel : game_pixels) {
            const std::uint8_t red = pixel == SUBTITLE_TEXT_COLOUR ? 85 : pixel == SUBTITLE_OUTLINE_COLOUR ? 0 : 255;
            const std::uint8_t green_blue = pixel == SUBTITLE_OUTLINE_COLOUR ? 0 : 255;
            bgr.insert(bgr.end(), {green_blue, green_blue, red});
        }
        BitmapHeader header;
        FilePtr file = open_file(folder.file("sibrel." + std::to_string(number) + ".bmp").c_str(), "wb");
        if (init_bitmap_header(&header, SUBTITLE_WIDTH, SUBTITLE_HEIGHT, 24) != 0 || !file ||
            write_bitmap(file.get(), &header, {}, bgr) != 0 || close_written_file(file) != 0) {
            return false;
        }
    }
    return true;
}

void BM_SibrelBmpWholeRun(benchmark::State& state)
{
    BenchFolder folder("sibrel_bmp_bench");
    bool ready = false;
    {
        SilencedStdout silenced;
        ready = write_inputs(folder);
    }
    if (!ready) {
        state.SkipWithError("could not build the inputs");
        return;
    }
    const std::string archive_file = folder.file("ENDSHAPE.FLX");
    const std::string prefix = folder.file("sibrel.");
    const std::string output = folder.file("endshape.flx.new");
    for (auto _ : state) {
        bool done = false;
        {
            SilencedStdout silenced;
            register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
            register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);
            FlexArchivePtr archive;
            done = read_flexfile(&archive, archive_file.c_str(), SUBTITLE_ARCHIVE_TYPES) == 0 &&
                   build_subtitle_frames(archive.get(), prefix.c_str(), DEFAULT_SUBTITLE_PALETTE) == 0 &&
                   write_flexfile(archive.get(), output.c_str()) >= 0;
            free_flexfile(archive);
        }
        if (!done) {
            state.SkipWithError("sibrel_bmp's work failed");
            return;
        }
    }
}
BENCHMARK(BM_SibrelBmpWholeRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
