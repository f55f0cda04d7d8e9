// Tests of the benchmark's instrument: the process runner (status, time
// limit, output files, peak memory not inflated by the parent), the report
// arithmetic and masking, and the generators, whose inputs are read back
// through the library's own readers so that every benchmark measures a
// successful run rather than an early refusal.
#include "bench_inputs.h"
#include "bench_report.h"
#include "process_run.h"

#include "bitmap/bitmap.h"
#include "common/byte_order.h"
#include "texts/exult_messages.h"
#include "texts/usecode_tables.h"
#include "charmap/u7charmap.h"
#include "archive/u7data_utils.h"
#include "shape/u7shape_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string self_path;

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "program_bench_test.XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string path() const { return path_.string(); }

private:
    fs::path path_;
};

std::string read_all(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void write_text(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
}

RunRequest shell(const std::string& script, const TempFolder& folder)
{
    RunRequest request;
    request.argv = {"/bin/sh", "-c", script};
    request.folder = folder.path();
    request.stdout_path = folder.file("out.txt");
    request.stderr_path = folder.file("err.txt");
    request.environment = environment_with_lang("");
    request.timeout_seconds = 20;
    return request;
}

// ---------------------------------------------------------------------------
// The process runner

TEST(RunProcess, ReportsStatusSignalAndOutputs)
{
    TempFolder folder;
    struct Case {
        const char* script;
        bool finished;
        int status;
        int signal;
    };
    const Case cases[] = {
        {"exit 0", true, 0, 0},
        {"exit 3", true, 3, 0},
        {"exit 255", true, 255, 0},
        {"kill -9 $$", false, -1, 9},
    };
    for (const Case& c : cases) {
        const RunResult result = run_process(shell(c.script, folder));
        EXPECT_EQ(result.finished, c.finished) << c.script;
        EXPECT_EQ(result.status, c.status) << c.script;
        EXPECT_EQ(result.signal, c.signal) << c.script;
        EXPECT_FALSE(result.timed_out) << c.script;
        EXPECT_GT(result.peak_kb, 0) << c.script;
    }

    const RunResult result = run_process(shell("pwd; echo two >&2; echo \"$LANG\"", folder));
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(read_all(folder.file("out.txt")), fs::canonical(folder.path()).string() + "\n\n");
    EXPECT_EQ(read_all(folder.file("err.txt")), "two\n");
}

TEST(RunProcess, SetsLangOnlyWhenAsked)
{
    TempFolder folder;
    RunRequest request = shell("echo \"[$LANG]\"", folder);
    request.environment = environment_with_lang("ja_JP.UTF-8");
    ASSERT_TRUE(run_process(request).finished);
    EXPECT_EQ(read_all(folder.file("out.txt")), "[ja_JP.UTF-8]\n");
    for (const std::string& variable : environment_with_lang("")) EXPECT_NE(variable.rfind("LANG=", 0), 0u);
}

TEST(RunProcess, KillsAtTheTimeLimit)
{
    TempFolder folder;
    RunRequest request = shell("exec sleep 10", folder);
    request.timeout_seconds = 0.3;
    const RunResult result = run_process(request);
    EXPECT_TRUE(result.timed_out);
    EXPECT_FALSE(result.finished);
    EXPECT_GE(result.seconds, 0.3);
    EXPECT_LT(result.seconds, 5.0);
}

TEST(RunProcess, MissingProgramEndsWith127)
{
    TempFolder folder;
    RunRequest request = shell("", folder);
    request.argv = {folder.file("no-such-program")};
    const RunResult result = run_process(request);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.status, 127);
}

// The child's peak is its own: a large parent does not lift it, a large
// child shows.
TEST(RunProcess, PeakMemoryIsTheChildsOwn)
{
    TempFolder folder;
    RunRequest request = shell("", folder);
    request.argv = {self_path, "--allocate-mb", "64"};
    const RunResult big = run_process(request);
    ASSERT_TRUE(big.finished);
    EXPECT_GE(big.peak_kb, 64 * 1024);

    std::vector<char> held(256u << 20);
    std::memset(held.data(), 1, held.size());
    const RunResult small = run_process(shell("exit 0", folder));
    ASSERT_TRUE(small.finished);
    EXPECT_LT(small.peak_kb, 32 * 1024);
    EXPECT_EQ(held[held.size() / 2], 1);
}

TEST(RunInChild, ReturnsTheResultAndKeepsMemoryOut)
{
    EXPECT_EQ(run_in_child([] { return 0; }), 0);
    EXPECT_EQ(run_in_child([] { return 7; }), 7);
    EXPECT_EQ(run_in_child([] { return -1; }), -1);
    TempFolder folder;
    const std::string path = folder.file("made.txt");
    EXPECT_EQ(run_in_child([&path] {
                  write_text(path, "made in the child");
                  return 0;
              }),
              0);
    EXPECT_EQ(read_all(path), "made in the child");
}

// ---------------------------------------------------------------------------
// Report arithmetic

TEST(Report, GrowthExponentAndTargets)
{
    EXPECT_DOUBLE_EQ(growth_exponent(0.5, 5.0), 1.0);
    EXPECT_DOUBLE_EQ(growth_exponent(0.01, 1.0), 2.0);
    EXPECT_NEAR(growth_exponent(1.0, 11.22), 1.05, 1e-3);
    EXPECT_TRUE(std::isnan(growth_exponent(0.0, 1.0)));
    EXPECT_TRUE(std::isnan(growth_exponent(1.0, -1.0)));

    struct Case {
        double ratio, growth, memory;
        bool ratio_ok, growth_ok, memory_ok;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {3.0, 1.05, 2.0, true, true, true},
        {3.01, 1.0, 0.5, false, true, true},
        {1.0, 1.06, 0.5, true, false, true},
        {1.0, 1.0, 2.01, true, true, false},
        {nan, nan, nan, false, false, false},
    };
    for (const Case& c : cases) {
        const TargetVerdict v = check_targets(c.ratio, c.growth, c.memory);
        EXPECT_EQ(v.ratio_ok, c.ratio_ok) << c.ratio;
        EXPECT_EQ(v.growth_ok, c.growth_ok) << c.growth;
        EXPECT_EQ(v.memory_ok, c.memory_ok) << c.memory;
        EXPECT_EQ(v.all_ok(), c.ratio_ok && c.growth_ok && c.memory_ok);
    }
}

TEST(Report, MemoryIsThePeakBeyondTheProgramsOwn)
{
    EXPECT_DOUBLE_EQ(memory_per_input_byte(5000, 3000, 1024 * 1000), 2.0);
    EXPECT_DOUBLE_EQ(memory_per_input_byte(2000, 3000, 1000), 0.0);
    EXPECT_TRUE(std::isnan(memory_per_input_byte(5000, 3000, 0)));
}

// A measured scale: time, floor, peak (KiB) and input bytes.
Measurement scale_of(int scale, double seconds, double floor, long peak_kb, std::uint64_t input_bytes)
{
    Measurement m;
    m.scale = scale;
    m.measured = true;
    m.fastest.finished = true;
    m.fastest.seconds = seconds;
    m.floor = floor;
    m.peak_kb = peak_kb;
    m.input_bytes = input_bytes;
    return m;
}

TEST(Report, RowsAreJudgedOnTheirLargestScale)
{
    const long own = 3000;  // KiB the program takes on --version
    struct Case {
        const char* what;
        std::vector<Measurement> scales;
        bool ok;
        bool failed;
        const char* verdict;
    };
    Measurement timed_out = scale_of(100, 30.0, 0.1, 9000, 1 << 20);
    timed_out.timed_out = true;
    Measurement ten_cut_off = scale_of(10, 30.0, 0.1, 4000, 1 << 20);
    ten_cut_off.timed_out = true;
    Measurement not_run;
    not_run.scale = 100;
    not_run.note = "not run";
    Measurement failed = scale_of(10, 0.1, 0.1, 4000, 1 << 20);
    failed.failed = true;
    failed.note = "exit status 255";
    const std::vector<Case> cases = {
        // 1x may miss: only the largest scale counts.
        {"linear and lean", {scale_of(1, 0.5, 0.01, 9000, 1000), scale_of(10, 0.1, 0.05, 4000, 1 << 20),
                             scale_of(100, 1.0, 0.5, 3000 + 2048, 1 << 20)}, true, false, "ok"},
        {"slow", {scale_of(1, 0.01, 0.01, 3100, 1000), scale_of(10, 0.1, 0.05, 4000, 1 << 20),
                  scale_of(100, 1.0, 0.3, 4000, 1 << 20)}, false, false, "MISS: ratio"},
        {"quadratic and greedy", {scale_of(1, 0.01, 0.01, 3100, 1000), scale_of(10, 0.1, 0.1, 4000, 1 << 20),
                                  scale_of(100, 1.5, 1.0, 3000 + 2049, 1 << 20)}, false, false, "MISS: growth memory"},
        {"cut off at 100x", {scale_of(1, 0.01, 0.01, 3100, 1000), scale_of(10, 0.1, 0.1, 4000, 1 << 20), timed_out},
         false, false, "MISS: timeout ratio growth memory"},
        {"cut off at 10x", {scale_of(1, 0.01, 0.01, 3100, 1000), ten_cut_off, not_run}, false, false,
         "MISS: timeout ratio growth memory"},
        {"failed", {scale_of(1, 0.01, 0.01, 3100, 1000), failed, not_run}, false, true,
         "FAILED at 10x: exit status 255"},
    };
    for (const Case& c : cases) {
        const RowSummary row = judge_row(c.what, c.scales, own);
        EXPECT_EQ(row.ok, c.ok) << c.what;
        EXPECT_EQ(row.failed, c.failed) << c.what;
        EXPECT_EQ(row.verdict, c.verdict) << c.what;
    }
}

TEST(Report, SizesAndTimes)
{
    EXPECT_EQ(format_bytes(0), "0B");
    EXPECT_EQ(format_bytes(1023), "1023B");
    EXPECT_EQ(format_bytes(1024), "1.00K");
    EXPECT_EQ(format_bytes(31 * 1024 + 205), "31.2K");
    EXPECT_EQ(format_bytes(512ull << 20), "512M");
    EXPECT_EQ(format_bytes(5ull << 30), "5.00G");
    EXPECT_EQ(format_seconds(0.00085), "850us");
    EXPECT_EQ(format_seconds(0.0123), "12.30ms");
    EXPECT_EQ(format_seconds(0.5), "500.0ms");
    EXPECT_EQ(format_seconds(1.2344), "1.234s");
    EXPECT_EQ(format_seconds(75.14), "75.1s");
    EXPECT_EQ(format_seconds(std::nan("")), "-");
}

TEST(Report, MasksOnlyTheAddressesOfTraceLines)
{
    struct Case {
        const char* line;
        const char* masked;
    };
    const Case cases[] = {
        {"read_shape_from_buffer(55D0C1A2B3C0, 7F12A0001000, 70, 3)", "read_shape_from_buffer(ADDR, ADDR, 70, 3)"},
        {"read_shape_from_buffer 3 5", "read_shape_from_buffer 3 5"},
        {"register_flexfile_readfunc(6, 55D0C0A1B2C3)", "register_flexfile_readfunc(6, ADDR)"},
        {"register_flexfile_readfunc(9, 55D0C0A1B2C3) - ERROR", "register_flexfile_readfunc(9, ADDR) - ERROR"},
        {"get_flexfile_readfunc(6) = 55D0C0A1B2C3", "get_flexfile_readfunc(6) = ADDR"},
        {"get_flexfile_readfunc(7) = NULL", "get_flexfile_readfunc(7) = NULL"},
        {"[21] 6 1/6 55D0C0A1B2C3", "[21] 6 1/6 ADDR"},
        // Offsets and sizes are content, not addresses.
        {"[00] offset=00000098 size=00000046 count=00000003", "[00] offset=00000098 size=00000046 count=00000003"},
        {"\t[00] offset = 00000010, size = 0000001B", "\t[00] offset = 00000010, size = 0000001B"},
        {"[00][01] right=0 left=0 ascent=0 descent=0", "[00][01] right=0 left=0 ascent=0 descent=0"},
        {"used color list = ( 0x00(1) 0x0B(42) )", "used color list = ( 0x00(1) 0x0B(42) )"},
    };
    for (const Case& c : cases) EXPECT_EQ(mask_trace_addresses(c.line), c.masked) << c.line;
}

TEST(Report, ComparesOutputsByLineAndByByte)
{
    TempFolder folder;
    const std::string a = folder.file("a");
    const std::string b = folder.file("b");
    struct Case {
        const char* first;
        const char* second;
        long line;
        FileComparison bytes;
    };
    const Case cases[] = {
        {"one\ntwo\n", "one\ntwo\n", 0, FileComparison::same},
        {"one\ntwo\nthree\n", "one\ntwo\nTHREE\n", 3, FileComparison::different},
        {"one\ntwo\n", "one\n", 2, FileComparison::different},
        {"one\ntwo\n", "one\ntwo", 2, FileComparison::different},
        {"x\nread_shape_from_buffer(55D0C1A2B3C0, 7F12A0001000, 70, 3)\n",
         "x\nread_shape_from_buffer(55D0C1A2FFC0, 7F12A0002000, 70, 3)\n", 0, FileComparison::different},
        {"read_shape_from_buffer(55D0C1A2B3C0, 7F12A0001000, 70, 3)\n",
         "read_shape_from_buffer(55D0C1A2B3C0, 7F12A0001000, 71, 3)\n", 1, FileComparison::different},
    };
    for (const Case& c : cases) {
        write_text(a, c.first);
        write_text(b, c.second);
        EXPECT_EQ(first_differing_line(a, b), c.line) << c.first;
        EXPECT_EQ(compare_files(a, b), c.bytes) << c.first;
    }
    // A file larger than one comparison block, differing in its last byte.
    std::string big(200000, 'q');
    write_text(a, big);
    big.back() = 'r';
    write_text(b, big);
    EXPECT_EQ(compare_files(a, b), FileComparison::different);
    EXPECT_EQ(compare_files(a, folder.file("none")), FileComparison::only_first);
    EXPECT_EQ(compare_files(folder.file("none"), b), FileComparison::only_second);
    EXPECT_EQ(compare_files(folder.file("none"), folder.file("none2")), FileComparison::neither);
}

// ---------------------------------------------------------------------------
// Generators, read back through the library

// Loads an archive with the given type runs, read functions registered for
// plain bytes, texts and shapes.
FlexArchivePtr load_archive(const std::string& path, const std::vector<TypeRun>& runs)
{
    register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
    register_flexfile_readfunc(ENTRY_TEXT, read_text_from_buffer);
    register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);
    FlexArchivePtr archive;
    EXPECT_EQ(read_flexfile(&archive, path.c_str(), runs.data()), 0) << path;
    return archive;
}

// Decodes a frame into an area of its own extents; the result of the
// decoder (0 when its data ends exactly at its end marker).
std::int32_t decode_frame(const ShapeFrame& frame, std::vector<std::uint8_t>& area, int width, int height,
                          int origin_x, int origin_y)
{
    area.assign(static_cast<std::size_t>(width * height), 0xFF);
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    return decode_shape(area.data(), width, height, 0xFF, origin_x, origin_y, &right, &left, &ascent, &descent,
                        frame.data.data(), static_cast<std::int32_t>(frame.data.size()), nullptr);
}

TEST(Generators, FontArchiveLoadsAndEveryGlyphDecodes)
{
    TempFolder folder;
    const std::string path = folder.file("FONTS.VGA");
    ASSERT_EQ(run_in_child([&path] { return write_font_archive(path, 3, 40); }), 0);
    FlexArchivePtr archive;
    ASSERT_EQ(run_in_child([&path] {
                  FlexArchivePtr loaded;
                  if (read_flexfile_with_readfunc(&loaded, path.c_str(), read_shape_from_buffer) != 0) return 1;
                  if (loaded->count != 3) return 2;
                  for (const FlexEntry& entry : loaded->entries) {
                      const Shape* shape = std::get_if<Shape>(&entry.object);
                      if (shape == nullptr || shape->count() != 40) return 3;
                      for (const ShapeFrame& frame : shape->frames) {
                          std::vector<std::uint8_t> area;
                          if (decode_frame(frame, area, 40, 40, 10, 30) != 0) return 4;
                      }
                  }
                  return 0;
              }),
              0);
}

TEST(Generators, SharedShapeArchiveNamesOneShapeUnderEveryEntry)
{
    TempFolder folder;
    const std::string path = folder.file("FONTS.VGA");
    ASSERT_EQ(run_in_child([&path] { return write_shared_shape_archive(path, 6, 65536); }), 0);
    const std::string bytes = read_all(path);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::uint8_t* table = data + FLEX_HEADER_SIZE;
    const std::uint32_t offset = read_le32_from_buffer(table);
    const std::uint32_t size = read_le32_from_buffer(table);
    EXPECT_EQ(offset, FLEX_HEADER_SIZE + 6 * FLEX_TABLE_ENTRY_SIZE);
    EXPECT_GE(size, 65536u);
    EXPECT_LT(size, 65536u + 1024u);
    EXPECT_EQ(bytes.size(), offset + size);
    for (int i = 1; i < 6; ++i) {
        EXPECT_EQ(read_le32_from_buffer(table), offset);
        EXPECT_EQ(read_le32_from_buffer(table), size);
    }
    EXPECT_EQ(run_in_child([&path] {
                  FlexArchivePtr loaded;
                  if (read_flexfile_with_readfunc(&loaded, path.c_str(), read_shape_from_buffer) != 0) return 1;
                  for (const FlexEntry& entry : loaded->entries) {
                      if (!std::holds_alternative<Shape>(entry.object)) return 2;
                  }
                  return 0;
              }),
              0);
}

TEST(Generators, EndshapeHoldsTheSubtitleShapesWhereTheToolLooks)
{
    TempFolder folder;
    const std::string path = folder.file("ENDSHAPE.FLX");
    ASSERT_EQ(run_in_child([&path] { return write_endshape_archive(path, 200000); }), 0);
    const std::uintmax_t size = fs::file_size(path);
    EXPECT_GT(size, 150000u);
    EXPECT_LT(size, 300000u);
    EXPECT_EQ(run_in_child([&path] {
                  const std::vector<TypeRun> runs = {{0, 21}, {6, 6}, {0, 1}, {6, 1}, {0, 100}, {-1, 0}};
                  FlexArchivePtr archive = load_archive(path, runs);
                  if (!archive || archive->count != 129) return 1;
                  for (int i = 0; i < 129; ++i) {
                      const FlexEntry& entry = archive->entries[static_cast<std::size_t>(i)];
                      const bool subtitle = (i >= 21 && i <= 26) || i == 28;
                      const Shape* shape = std::get_if<Shape>(&entry.object);
                      if (subtitle != (shape != nullptr)) return 2;
                      if (!subtitle && !std::holds_alternative<RawData>(entry.object)) return 3;
                      if (shape == nullptr) continue;
                      std::vector<std::uint8_t> area;
                      if (decode_frame(shape->frames[0], area, SUBTITLE_WIDTH, SUBTITLE_HEIGHT, 160, 0) != 0) return 4;
                  }
                  return 0;
              }),
              0);
}

TEST(Generators, SubtitleBitmapsReadBackAsTheirImages)
{
    TempFolder folder;
    const std::string prefix = folder.file("sibrel.");
    ASSERT_EQ(write_subtitle_bitmaps(prefix), 0);
    for (int number = 1; number <= 7; ++number) {
        const std::string path = prefix + std::to_string(number) + ".bmp";
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr) << path;
        BitmapHeader header;
        std::vector<std::uint8_t> palette;
        std::vector<std::uint8_t> pixels;
        EXPECT_EQ(read_bitmap(file, &header, &palette, &pixels, false), 0) << path;
        std::fclose(file);
        EXPECT_EQ(header.width, SUBTITLE_WIDTH);
        EXPECT_EQ(header.height, SUBTITLE_HEIGHT);
        EXPECT_EQ(header.bit_count, 8);
        EXPECT_EQ(pixels, subtitle_image(0x5EED0200u + static_cast<std::uint32_t>(number))) << path;
        // Background white, text light blue, outline black (blue, green, red).
        const std::vector<std::uint8_t> expected = {255, 255, 255, 0, 255, 255, 85, 0, 0, 0, 0, 0};
        EXPECT_EQ(std::vector<std::uint8_t>(palette.begin(), palette.begin() + 12), expected);
    }
}

TEST(Generators, MainshpTextsSplitIntoTheirLines)
{
    TempFolder folder;
    const std::string path = folder.file("MAINSHP.FLX");
    ASSERT_EQ(run_in_child([&path] { return write_mainshp_archive(path, 7, 12, 50000); }), 0);
    EXPECT_EQ(run_in_child([&path] {
                  const std::vector<TypeRun> runs = {{0, 13}, {2, 1}, {0, 7}, {2, 1}, {0, 100}, {-1, 0}};
                  FlexArchivePtr archive = load_archive(path, runs);
                  if (!archive || archive->count != 122) return 1;
                  const int expected_lines[] = {7, 12};
                  const std::size_t entries[] = {13, 21};
                  for (int kind = 0; kind < 2; ++kind) {
                      const TextData* text = std::get_if<TextData>(&archive->entries[entries[kind]].object);
                      if (text == nullptr) return 2;
                      int lines = 0;
                      for (std::size_t at = 0; (at = text->text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
                      if (lines != expected_lines[kind] || text->text.size() < 2 ||
                          text->text.compare(text->text.size() - 2, 2, "\r\n") != 0) {
                          return 3;
                      }
                  }
                  return 0;
              }),
              0);

    const std::string japanese = folder.file("bg_text.ja.txt");
    ASSERT_EQ(write_subtitle_translation_file(japanese, 7, 12, 100), 0);
    std::ifstream file(japanese);
    std::string line;
    int intro = 0, ending = 0;
    while (std::getline(file, line)) {
        if (line.rfind("BG_INTRO\t", 0) == 0) {
            EXPECT_EQ(line.find("\tGUARDIAN\t"), 9u + std::to_string(++intro).size());
        } else if (line.rfind("BG_ENDGAME2\t", 0) == 0) {
            EXPECT_EQ(line.find("\tMENU\t"), 12u + std::to_string(++ending).size());
        }
    }
    EXPECT_EQ(intro, 7);
    EXPECT_EQ(ending, 12);
}

TEST(Generators, CharmapGivesEveryCharacterItsOwnCode)
{
    TempFolder folder;
    const std::string path = folder.file("usecode.map");
    ASSERT_EQ(write_charmap(path, 8000), 0);
    ASSERT_EQ(load_charmap(path.c_str()), 0);
    std::vector<bool> seen(40000, false);
    for (int i = 0; i < 8000; i += 7) {
        const int code = get_charmap_code(map_character(i).c_str());
        ASSERT_GE(code, 2202) << i;
        ASSERT_LT(code, 40000) << i;
        EXPECT_FALSE(seen[static_cast<std::size_t>(code)]) << i;
        seen[static_cast<std::size_t>(code)] = true;
    }
    EXPECT_EQ(get_charmap_code(map_character(7999).c_str()), 178 * 44 + 2202 + 167);
    free_charmap();
}

TEST(Generators, ExultFilesReadWithEveryRecordTaken)
{
    TempFolder folder;
    const std::string map = folder.file("usecode.map");
    ASSERT_EQ(write_charmap(map, 500), 0);
    ASSERT_EQ(load_charmap(map.c_str()), 0);
    const std::string translations = folder.file("exultmsg.ja.txt");
    ASSERT_EQ(write_exult_translation_file(translations, 450, 500), 0);

    struct Case {
        ExultMessageFile shape;
        int lines;          // lines of the message file
        std::size_t added;  // messages the translations add at the end
    };
    const Case cases[] = {
        {{0, 300, false}, 300 + 30, 0},
        {{1000, 130, false}, 1000 + 130 + 13, 0},
        {{0, 300, true}, 300 + 30, 112},
    };
    for (const Case& c : cases) {
        const std::string messages = folder.file("exultmsg.txt");
        ASSERT_EQ(write_exult_message_file(messages, c.shape), 0);
        MessageList list;
        EXPECT_EQ(read_exult_messages(list, message_table.data(), messages.c_str()), c.lines);
        const std::size_t before = list.size();
        EXPECT_EQ(read_exult_translations(list, message_table.data(), translations.c_str()), 450);
        EXPECT_EQ(list.size() - before, c.added);
    }
    free_charmap();
}

TEST(Generators, RevistoTablesConvertWhole)
{
    TempFolder folder;
    const std::string english = folder.file("usecode.en.txt");
    const std::string japanese = folder.file("usecode.ja.txt");
    const std::string output = folder.file("usecode.ja-new.txt");
    for (int labels_per_id : {10, 500}) {
        ASSERT_EQ(write_revisto_tables(english, japanese, 500, labels_per_id), 0);
        EXPECT_EQ(run_in_child([&] {
                      EnglishTable table;
                      if (read_english_texts(table, english.c_str()) != 0) return 1;
                      if (table.entries.size() != 500) return 2;
                      if (labels_per_id == 500 && count_translation_entries(table, 0x0400) != 500) return 3;
                      return convert_translation_file(table, japanese.c_str(), output.c_str()) == 0 ? 0 : 4;
                  }),
                  0)
            << labels_per_id;
        // Every record converted, and the sign texts lost their English part.
        std::ifstream converted(output);
        std::string line;
        int records = 0;
        while (std::getline(converted, line)) {
            if (line.empty() || line[0] == ';') continue;
            ++records;
            const std::size_t type_start = line.find('\t', line.find('\t') + 1) + 1;
            const std::string type = line.substr(type_start, line.find('\t', type_start) - type_start);
            const bool sign_like = type == "SIGN" || type == "TOMB" || type == "PLAQUE" || type == "S.BOOK" ||
                                   type == "S.SCROLL" || type == "S.PLAQUE";
            if (sign_like) {
                EXPECT_EQ(line.find("</QRM>"), std::string::npos) << line;
            }
        }
        EXPECT_EQ(records, 500);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (is_measured_run(argc, argv)) return measured_run_main(argc, argv);
    // A child of the memory test: takes and touches the memory asked for.
    if (argc == 3 && std::strcmp(argv[1], "--allocate-mb") == 0) {
        std::vector<char> memory(static_cast<std::size_t>(std::atoi(argv[2])) << 20);
        std::memset(memory.data(), 1, memory.size());
        return memory[memory.size() / 2] == 1 ? 0 : 1;
    }
    self_path = fs::canonical("/proc/self/exe").string();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
