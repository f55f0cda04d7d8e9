// The library work behind u7kit's heavier subcommands, in process (the
// whole programs are timed by program_bench):
//
// - check: a 100,000-line usecode table and a 10,000-message Exult
//   translation file checked against an 8,000-character map;
// - fontsheet: FONTS.VGA of 10 fonts of 256 glyphs of about 10 × 14 pixels
//   read and drawn as one sheet (the PNG encoding is libpng's);
// - exultmsg: a message file of 100,000 messages (numbers from 0x500 on,
//   every tenth line a comment) translated by one MSG record each through
//   the 8,000-character map.
//
// The inputs are built in code (the archive with the toolkit's own shape
// and archive writers); console output goes to /dev/null while they run.
#include "bench_support.h"
#include "archive/u7files.h"
#include "charmap/u7charmap.h"
#include "common/file_utils.h"
#include "fonts/font_sheet.h"
#include "shape/u7shape_utils.h"
#include "texts/exult_messages.h"
#include "texts/translation_check.h"

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int MAP_CHARACTERS = 8000;
constexpr int USECODE_LINES = 100000;
constexpr int EXULT_MESSAGES = 10000;
constexpr int FONT_COUNT = 10;
constexpr int GLYPH_COUNT = 256;
constexpr int MESSAGE_FILE_LINES = 100000;

// The UTF-8 bytes of a code point of the CJK block.
std::string cjk(int n)
{
    const unsigned code = 0x4E00u + static_cast<unsigned>(n);
    std::string out;
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
    return out;
}

// A three-byte code: 0xFF and two trail bytes (0x80 to 0xF3).
std::string map_line(int n)
{
    char code[64];
    std::snprintf(code, sizeof code, "\t0xFF,0x%02X,0x%02X\n", 0x80 + n / 116, 0x80 + n % 116);
    return cjk(n) + code;
}

bool write_text(const std::string& path, const std::string& text)
{
    FilePtr file = open_file(path.c_str(), "wb");
    return file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() && close_written_file(file) == 0;
}

bool write_check_inputs(const BenchFolder& folder)
{
    std::string map = "; bench map\n";
    for (int n = 0; n < MAP_CHARACTERS; ++n) map += map_line(n);
    std::string usecode;
    std::uint32_t state = 20261207u;
    auto next = [&state](int bound) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(bound));
    };
    char prefix[64];
    for (int line = 0; line < USECODE_LINES; ++line) {
        std::snprintf(prefix, sizeof prefix, "%04X\tl%d\t\t\"", line / 100, line % 100);
        usecode += prefix;
        for (int k = 0; k < 12; ++k) usecode += k % 4 == 3 ? std::string("a ") : cjk(next(MAP_CHARACTERS));
        usecode += "\"\n";
    }
    std::string exult;
    for (int message = 0; message < EXULT_MESSAGES; ++message) {
        exult += "COMMON\t" + std::to_string(1 + message % 16) + "\tNORMAL\t";
        for (int k = 0; k < 20; ++k) exult += cjk(next(MAP_CHARACTERS));
        exult += "\n";
    }
    return write_text(folder.file("usecode.map"), map) && write_text(folder.file("usecode.ja.txt"), usecode) &&
           write_text(folder.file("exultmsg.ja.txt"), exult);
}

bool write_message_inputs(const BenchFolder& folder)
{
    std::string map = "; bench map\n";
    for (int n = 0; n < MAP_CHARACTERS; ++n) map += map_line(n);
    std::string messages;
    std::string translations;
    char number[32];
    for (int message = 0; message < MESSAGE_FILE_LINES; ++message) {
        if (message % 10 == 0) messages += "# part " + std::to_string(message / 10) + "\n";
        std::snprintf(number, sizeof number, "0x%X", 0x500 + message);
        messages += number + std::string(":English message number ") + std::to_string(message) + "\n";
        translations += "MSG\t" + std::string(number) + "\tNORMAL\t";
        for (int k = 0; k < 20; ++k) translations += cjk((message * 7 + k * 131) % MAP_CHARACTERS);
        translations += "\n";
    }
    return write_text(folder.file("usecode.map"), map) && write_text(folder.file("exultmsg.txt"), messages) &&
           write_text(folder.file("exultmsg.ja.txt"), translations);
}

bool write_font_inputs(const BenchFolder& folder)
{
    FlexArchive archive;
    archive.count = FONT_COUNT;
    archive.entries.resize(FONT_COUNT);
    std::vector<std::uint8_t> pixels(10 * 14);
    for (int font = 0; font < FONT_COUNT; ++font) {
        Shape shape;
        for (int glyph = 0; glyph < GLYPH_COUNT; ++glyph) {
            for (std::size_t i = 0; i < pixels.size(); ++i) {
                pixels[i] = (i + static_cast<std::size_t>(glyph)) % 3 == 0 ? 255 : static_cast<std::uint8_t>(font + glyph % 7);
            }
            std::vector<std::uint8_t> frame(4096);
            std::int32_t size = static_cast<std::int32_t>(frame.size());
            if (encode_shape(pixels.data(), 10, 14, 255, 0, 11, -1, -1, -1, -1, frame.data(), &size) != 1) return false;
            frame.resize(static_cast<std::size_t>(size));
            shape.frames.push_back(ShapeFrame{0, 9, 0, 11, 2, std::move(frame)});
        }
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(font)];
        entry.object = std::move(shape);
        entry.type = ENTRY_SHAPE;
        entry.offset = 1;
        entry.size = 1;
    }
    return write_flexfile(&archive, folder.file("FONTS.VGA").c_str()) >= 0;
}

// Ends the benchmark with an error when a step failed.
bool succeeded(benchmark::State& state, bool ok, const char* failure)
{
    if (!ok) state.SkipWithError(failure);
    return ok;
}

void BM_U7kitCheck(benchmark::State& state)
{
    BenchFolder folder("u7kit_bench");
    if (!succeeded(state, write_check_inputs(folder), "could not build the inputs")) return;
    const std::string map = folder.file("usecode.map");
    const std::string usecode = folder.file("usecode.ja.txt");
    const std::string exult = folder.file("exultmsg.ja.txt");
    for (auto _ : state) {
        bool ok = false;
        {
            SilencedStdout silenced;
            CheckReport report;
            ok = load_charmap(map.c_str()) == 0 &&
                 check_translation_file(usecode.c_str(), CheckFormat::usecode, {}, report) == 0 &&
                 check_translation_file(exult.c_str(), CheckFormat::exultmsg, {}, report) == 0 && report.faults == 0;
            benchmark::DoNotOptimize(report.records);
        }
        if (!succeeded(state, ok, "the check failed")) return;
    }
}
BENCHMARK(BM_U7kitCheck)->Unit(benchmark::kMillisecond);

void BM_U7kitFontSheet(benchmark::State& state)
{
    BenchFolder folder("u7kit_bench");
    bool ready = false;
    {
        SilencedStdout silenced;
        ready = write_font_inputs(folder);
    }
    if (!succeeded(state, ready, "could not build the inputs")) return;
    const std::string fonts = folder.file("FONTS.VGA");
    for (auto _ : state) {
        bool ok = false;
        {
            SilencedStdout silenced;
            FlexArchivePtr archive;
            if (read_flexfile_with_readfunc(&archive, fonts.c_str(), read_shape_from_buffer) == 0) {
                const FontSheet sheet = render_font_sheet(*archive, nullptr);
                ok = sheet.fonts == FONT_COUNT;
                benchmark::DoNotOptimize(sheet.image.pixels.data());
                free_flexfile(archive);
            }
        }
        if (!succeeded(state, ok, "the font sheet failed")) return;
    }
}
BENCHMARK(BM_U7kitFontSheet)->Unit(benchmark::kMillisecond);

void BM_U7kitExultmsg(benchmark::State& state)
{
    BenchFolder folder("u7kit_bench");
    if (!succeeded(state, write_message_inputs(folder), "could not build the inputs")) return;
    const ExultMessageFiles files{folder.file("exultmsg.txt"), folder.file("exultmsg.txt.new"),
                                  folder.file("usecode.map"), folder.file("exultmsg.ja.txt")};
    for (auto _ : state) {
        int status = 0;
        {
            SilencedStdout silenced;
            status = translate_exult_message_file(files, MessageNumbers::any);
        }
        if (!succeeded(state, status == 0, "the translation failed")) return;
    }
}
BENCHMARK(BM_U7kitExultmsg)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
