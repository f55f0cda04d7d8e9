// glimmet's dump on a font archive of 1,000 fonts of 100 glyphs each: the
// work of a whole run (load the archive's table from its bytes, dump every
// glyph in place to a file, list the colours), and the dump of an archive
// loaded as shapes alone.  program_bench times the program itself.
//
// The archive is built in code: every glyph 8 to 16 pixels wide and 10 to
// 16 rows high, drawn in an outline colour and a text colour, encoded by the
// frame encoder (raw and run-length spans), and the fonts written by the
// archive writer.  The program's console output (trace lines and colour
// lists) goes to /dev/null while a benchmark runs, so that the report stays
// readable.
#include "fonts/font_dump.h"

#include "bench_support.h"
#include "archive/u7files.h"
#include "common/file_utils.h"
#include "shape/shape_view.h"
#include "shape/u7shape_utils.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int FONT_COUNT = 1000;
constexpr int GLYPHS_PER_FONT = 100;
constexpr std::uint8_t OUTLINE = 0;
constexpr std::uint8_t TRANSPARENT = 0xFF;

// A fixed pseudo-random sequence, so every run dumps the same archive.
struct Random {
    std::uint32_t state;
    std::uint32_t next(std::uint32_t bound)
    {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    }
};

// One glyph: rows from -ascent to descent - 1 around the origin, each with
// one or two strokes; a stroke is outlined at both ends and filled with the
// text colour.  The picture is encoded by the frame encoder.
ShapeFrame make_glyph(Random& random, std::uint8_t text_colour)
{
    const int width = 8 + static_cast<int>(random.next(9));
    const int height = 10 + static_cast<int>(random.next(7));
    const int descent = 2 + static_cast<int>(random.next(2));
    const int ascent = height - descent;

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height), TRANSPARENT);
    for (int row = 0; row < height; ++row) {
        std::uint8_t* line = pixels.data() + static_cast<std::size_t>(row * width);
        const int strokes = 1 + static_cast<int>(random.next(2));
        for (int s = 0; s < strokes; ++s) {
            const int start = static_cast<int>(random.next(static_cast<std::uint32_t>(width - 2)));
            const int length = 2 + static_cast<int>(random.next(static_cast<std::uint32_t>(width - start - 1)));
            for (int x = start; x < start + length; ++x) {
                const bool edge = x == start || x == start + length - 1;
                line[x] = edge ? OUTLINE : text_colour;
            }
        }
    }
    ShapeFrame frame;
    std::int32_t size = 0;
    encode_shape(pixels.data(), width, height, TRANSPARENT, 0, ascent, width, 0, ascent, descent, nullptr, &size);
    frame.data.resize(static_cast<std::size_t>(size));
    if (encode_shape(pixels.data(), width, height, TRANSPARENT, 0, ascent, width, 0, ascent, descent,
                     frame.data.data(), &size) != 1) {
        std::abort();
    }
    return frame;
}

// The FLEX file, written by the archive writer: one font shape per entry.
void write_archive(const std::string& path)
{
    Random random{20240601u};
    FlexArchive archive;
    const std::string title = "benchmark fonts";
    std::copy(title.begin(), title.end(), archive.title.begin());
    archive.magic1 = 0xFFFF1A00u;
    archive.magic2 = 0x000000CCu;
    archive.count = FONT_COUNT;
    archive.entries.resize(FONT_COUNT);
    for (int font = 0; font < FONT_COUNT; ++font) {
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(font)];
        entry.type = ENTRY_SHAPE;
        Shape& shape = entry.object.emplace<Shape>();
        const auto text_colour = static_cast<std::uint8_t>(1 + font % 254);
        for (int glyph = 0; glyph < GLYPHS_PER_FONT; ++glyph) shape.frames.push_back(make_glyph(random, text_colour));
    }
    if (write_flexfile(&archive, path.c_str()) < 0) std::abort();
}

struct Inputs {
    BenchFolder dir{"glimmet-bench"};
    std::string fonts = dir.file("FONTS.VGA");
    std::string dump = dir.file("fonts.vga.txt");

    Inputs()
    {
        SilencedStdout silenced;  // the encoder and the writer print trace lines
        write_archive(fonts);
    }
};

const Inputs& inputs()
{
    static const Inputs instance;
    return instance;
}

// What glimmet does with its files: the font file read whole, its table
// read from the bytes, every font dumped in place.
bool load_and_dump(const std::string& fonts, const std::string& dump_file)
{
    std::vector<std::uint8_t> image;
    FlexTable table;
    if (!read_flexfile_image(fonts.c_str(), image) ||
        read_flex_table_from_memory(table, image.data(), image.size(), fonts.c_str(), check_shape_in_place) != 0) {
        return false;
    }
    FilePtr dump = open_file(dump_file.c_str(), "w");
    if (!dump) return false;
    std::fprintf(dump.get(), "filename = %s\n", fonts.c_str());
    const bool dumped = dump_fonts_in_place(dump.get(), &table, image.data(), image.size()) == 0;
    return close_written_file(dump) == 0 && dumped;
}

void BM_WholeRun(benchmark::State& state)
{
    const Inputs& in = inputs();
    {
        SilencedStdout silenced;
        for (auto _ : state) {
            if (!load_and_dump(in.fonts, in.dump)) std::abort();
        }
    }
    state.SetItemsProcessed(state.iterations() * FONT_COUNT * GLYPHS_PER_FONT);
    state.counters["dump_MB"] = static_cast<double>(std::filesystem::file_size(in.dump)) / 1e6;
}
BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DumpLoadedArchive(benchmark::State& state)
{
    const Inputs& in = inputs();
    FlexArchivePtr archive;
    {
        SilencedStdout silenced;
        if (read_flexfile_with_readfunc(&archive, in.fonts.c_str(), read_shape_from_buffer) != 0) std::abort();
        for (auto _ : state) {
            std::FILE* stream = std::fopen(in.dump.c_str(), "w");
            if (stream == nullptr || dump_fonts(stream, archive.get()) != 0) std::abort();
            std::fclose(stream);
        }
    }
    free_flexfile(archive);
    state.SetItemsProcessed(state.iterations() * FONT_COUNT * GLYPHS_PER_FONT);
}
BENCHMARK(BM_DumpLoadedArchive)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
