// glimmet on a font archive of 1,000 fonts of 100 glyphs each: the whole
// run (load the archive, dump every glyph to a file, list the colours), and
// the dump of the already loaded archive alone.
//
// The archive is built in code with the shape writer: every glyph 8 to 16
// pixels wide and 10 to 16 rows high, drawn in an outline colour and a text
// colour, its rows stored as a mix of raw spans and run-length spans.  The
// program's console output (trace lines and colour lists) goes to
// /dev/null while a benchmark runs, so that the report stays readable.
#include "glimmet.h"

#include "bench_support.h"
#include "byte_order.h"
#include "u7shape_utils.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int FONT_COUNT = 1000;
constexpr int GLYPHS_PER_FONT = 100;
constexpr std::uint8_t OUTLINE = 0;
constexpr std::uint8_t TRANSPARENT = 0xFF;

// Standard output sent to /dev/null for the lifetime of the object, then
// restored; stdio's buffer is flushed at both ends so nothing crosses over.
// A fixed pseudo-random sequence, so every run dumps the same archive.
struct Random {
    std::uint32_t state;
    std::uint32_t next(std::uint32_t bound)
    {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    }
};

void put_le16(std::vector<std::uint8_t>& out, int value)
{
    std::uint8_t bytes[2];
    write_le16_to_buffer(bytes, static_cast<std::uint32_t>(value));
    out.insert(out.end(), bytes, bytes + 2);
}

// One span of a row: raw (one byte per pixel) or run-length (runs of one
// repeated colour where three or more pixels agree, literal runs between).
void put_span(std::vector<std::uint8_t>& out, int x, int y, const std::vector<std::uint8_t>& pixels, bool encoded)
{
    const int count = static_cast<int>(pixels.size());
    put_le16(out, count * 2 + (encoded ? 1 : 0));
    put_le16(out, x);
    put_le16(out, y);
    if (!encoded) {
        out.insert(out.end(), pixels.begin(), pixels.end());
        return;
    }
    int k = 0;
    while (k < count) {
        int same = 1;
        while (k + same < count && pixels[static_cast<std::size_t>(k + same)] == pixels[static_cast<std::size_t>(k)] &&
               same < 127) {
            ++same;
        }
        if (same >= 3) {
            out.push_back(static_cast<std::uint8_t>(same * 2 + 1));
            out.push_back(pixels[static_cast<std::size_t>(k)]);
            k += same;
            continue;
        }
        // A literal run up to the next stretch of three equal pixels.
        int end = k + 1;
        while (end < count && end - k < 127 &&
               !(end + 2 < count && pixels[static_cast<std::size_t>(end)] == pixels[static_cast<std::size_t>(end + 1)] &&
                 pixels[static_cast<std::size_t>(end)] == pixels[static_cast<std::size_t>(end + 2)])) {
            ++end;
        }
        out.push_back(static_cast<std::uint8_t>((end - k) * 2));
        out.insert(out.end(), pixels.begin() + k, pixels.begin() + end);
        k = end;
    }
}

// One glyph: rows from -ascent to descent - 1 around the origin, each with
// one or two strokes; a stroke is outlined at both ends and filled with the
// text colour.
std::vector<std::uint8_t> make_glyph(Random& random, std::uint8_t text_colour)
{
    const int width = 8 + static_cast<int>(random.next(9));
    const int height = 10 + static_cast<int>(random.next(7));
    const int descent = 2 + static_cast<int>(random.next(2));
    const int ascent = height - descent;

    std::vector<std::uint8_t> out;
    put_le16(out, width);
    put_le16(out, 0);
    put_le16(out, ascent);
    put_le16(out, descent);
    for (int y = -ascent; y < descent; ++y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width), TRANSPARENT);
        const int strokes = 1 + static_cast<int>(random.next(2));
        for (int s = 0; s < strokes; ++s) {
            const int start = static_cast<int>(random.next(static_cast<std::uint32_t>(width - 2)));
            const int length = 2 + static_cast<int>(random.next(static_cast<std::uint32_t>(width - start - 1)));
            for (int x = start; x < start + length; ++x) {
                const bool edge = x == start || x == start + length - 1;
                row[static_cast<std::size_t>(x)] = edge ? OUTLINE : text_colour;
            }
        }
        // Every covered stretch of the row becomes one span.
        int x = 0;
        while (x < width) {
            if (row[static_cast<std::size_t>(x)] == TRANSPARENT) {
                ++x;
                continue;
            }
            int end = x;
            while (end < width && row[static_cast<std::size_t>(end)] != TRANSPARENT) ++end;
            const std::vector<std::uint8_t> pixels(row.begin() + x, row.begin() + end);
            put_span(out, x, y, pixels, random.next(2) == 1);
            x = end;
        }
    }
    put_le16(out, 0);
    return out;
}

// The FLEX file: 128-byte header, entry table, fonts back to back.
std::vector<std::uint8_t> make_archive()
{
    Random random{20240601u};
    std::vector<std::vector<std::uint8_t>> entries;
    for (int font = 0; font < FONT_COUNT; ++font) {
        EntryObject object;
        Shape& shape = object.emplace<Shape>();
        const auto text_colour = static_cast<std::uint8_t>(1 + font % 254);
        for (int glyph = 0; glyph < GLYPHS_PER_FONT; ++glyph) {
            ShapeFrame frame;
            frame.data = make_glyph(random, text_colour);
            shape.frames.push_back(std::move(frame));
        }
        const std::uint32_t size = update_shape_layout(shape);
        std::vector<std::uint8_t> bytes(size);
        if (write_shape_to_buffer(&object, bytes.data(), static_cast<std::int32_t>(size), font) !=
            static_cast<std::int32_t>(size)) {
            std::abort();
        }
        entries.push_back(std::move(bytes));
    }

    std::size_t total = 128 + 8 * entries.size();
    for (const auto& entry : entries) total += entry.size();
    std::vector<std::uint8_t> file(total, 0);
    const std::string title = "benchmark fonts";
    std::copy(title.begin(), title.end(), file.begin());
    std::uint8_t* p = write_le32_to_buffer(file.data() + 80, 0xFFFF1A00u);
    p = write_le32_to_buffer(p, static_cast<std::uint32_t>(entries.size()));
    write_le32_to_buffer(p, 0x000000CCu);
    p = file.data() + 128;
    std::uint32_t position = static_cast<std::uint32_t>(128 + 8 * entries.size());
    for (const auto& entry : entries) {
        p = write_le32_to_buffer(p, position);
        p = write_le32_to_buffer(p, static_cast<std::uint32_t>(entry.size()));
        std::copy(entry.begin(), entry.end(), file.begin() + position);
        position += static_cast<std::uint32_t>(entry.size());
    }
    return file;
}

struct Inputs {
    BenchFolder dir{"glimmet-bench"};
    std::string fonts = dir.file("FONTS.VGA");
    std::string dump = dir.file("fonts.vga.txt");

    Inputs()
    {
        std::vector<std::uint8_t> bytes;
        {
            SilencedStdout silenced;  // the shape writer lists every frame
            bytes = make_archive();
        }
        std::FILE* file = std::fopen(fonts.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
            std::fclose(file) != 0) {
            std::abort();
        }
    }
};

const Inputs& inputs()
{
    static const Inputs instance;
    return instance;
}

void BM_WholeRun(benchmark::State& state)
{
    const Inputs& in = inputs();
    std::string program = "glimmet";
    std::string option = "--dump";
    std::string dump = in.dump;
    std::string fonts = in.fonts;
    char* argv[] = {program.data(), option.data(), dump.data(), fonts.data(), nullptr};
    {
        SilencedStdout silenced;
        for (auto _ : state) {
            if (run_glimmet(4, argv) != 0) std::abort();
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
