// End-to-end runs of sibrel_bmp: standard output bytes, exit status and the
// archive written, with a UTF-8 console and with a CP932 console.  The
// archive and the seven BMP files are built in code; the expected archive
// is assembled independently from frame bytes worked out by hand.
#include "support/u7_test_builders.h"
#include "support/subtitle_test_images.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <unistd.h>

using namespace test_builders;
using subtitle_images::build_bmp;
using subtitle_images::numbered_picture;
using subtitle_images::Picture;

namespace {

const std::string USAGE =
    "使用方法: sibrel_bmp [オプション] [画像データファイル]\n"
    "機    能: ENDSHAPE.FLXのイントロ字幕画像を変更します\n"
    "オプション:\n"
    "    -o ファイル名           指定したファイルに新しい画像データを出力します\n"
    "                            (endshape.flx.new)\n"
    "    -n ファイル名           字幕用BMP画像を ファイル名 + 番号 + \".bmp\" から\n"
    "                            読み込みます\n"
    "                            番号は1～7\n"
    "                            (sibrel.)\n"
    "    --bg 赤 緑 青           BMP画像ファイルの背景色を赤、緑、青成分別に0～255の\n"
    "                            値で指定します\n"
    "                            (赤:255 緑:255: 青:255))\n"
    "\n"
    "    -?|--help               使用方法を表示します\n"
    "       --version            バージョンを表示します\n"
    "\n"
    "画像データファイルを指定しないときは ENDSHAPE.FLX を読みます\n"
    "\n"
    "字幕用BMP画像のサイズは幅320×高さ46ドット\n"
    "文字は水色(赤:85 緑:255: 青:255)\n"
    "縁取りは黒色(赤:0 緑:0 青:0)で用意してください\n"
    "\n";

const std::string VERSION_LINE = "sibrel_bmp - Ultima VII BG introduction subtitle utility 0.0.19\n";

constexpr int ENTRY_COUNT = 31;
const std::set<int> SUBTITLE_ENTRIES = {21, 22, 23, 24, 25, 26, 28};

bool is_subtitle_entry(int index) { return SUBTITLE_ENTRIES.count(index) != 0; }
int image_number(int index) { return index == 28 ? 7 : index - 20; }

// The second frame of a subtitle shape, which must come through untouched
// (entry 28 has frame 0 only).
Bytes second_frame(int index)
{
    return build_frame(2, 1, 1, 2, {raw_span(0, 0, {static_cast<std::uint8_t>(index)})});
}

// A subtitle shape: an old frame 0 of some spans, then the second frame.
Bytes old_subtitle_shape(int index)
{
    const Bytes old_frame =
        build_frame(160, 159, 0, 46, {raw_span(-3, 4, {11, 0, 11, 0}), encoded_span(0, 9, 9, {repeat_run(9, 11)})});
    if (index == 28) return build_shape({old_frame});
    return build_shape({old_frame, second_frame(index)});
}

// Entry 7 is empty; the others are plain bytes of varied sizes.
std::vector<Bytes> endshape_entries()
{
    std::vector<Bytes> entries;
    for (int i = 0; i < ENTRY_COUNT; ++i) {
        if (is_subtitle_entry(i)) {
            entries.push_back(old_subtitle_shape(i));
        } else if (i == 7) {
            entries.push_back({});
        } else {
            Bytes bytes(static_cast<std::size_t>(5 + i * 3));
            for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>(static_cast<std::size_t>(i) * 7 + k);
            entries.push_back(bytes);
        }
    }
    return entries;
}

FlexHeader endshape_header()
{
    FlexHeader header;
    header.title = "Ultima VII end shapes";
    header.reserved = {1, 2, 3, 4, 5, 6, 7, 8, 0xDEADBEEF};
    return header;
}

// The frame of numbered picture n, worked out by hand: a literal run of the
// outline pixel, a repeat run of the n + 3 text pixels.  With a black
// background the outline is transparent and only the repeat run is left.
Bytes expected_frame(int n, bool outline = true)
{
    Bytes span;
    if (outline) {
        span = encoded_span(-11, n, n + 4, {literal_run({0}), repeat_run(n + 3, 11)});
    } else {
        span = encoded_span(-10, n, n + 3, {repeat_run(n + 3, 11)});
    }
    return build_frame(160, 159, 0, 46, {span});
}

// The archive sibrel_bmp should write: frame 0 of each subtitle shape
// replaced, everything else as it was, packed in table order.
Bytes expected_archive(bool outline = true)
{
    std::vector<Bytes> entries = endshape_entries();
    for (const int index : SUBTITLE_ENTRIES) {
        std::vector<Bytes> frames = {expected_frame(image_number(index), outline)};
        if (index != 28) frames.push_back(second_frame(index));
        entries[static_cast<std::size_t>(index)] = build_shape(frames);
    }
    return build_flex(entries, endshape_header());
}

std::string hex8(std::size_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
    return text;
}

// Function and buffer addresses change from run to run: each is replaced by
// "@" once it has been seen to have at least 8 upper-case hex digits.
std::string mask_addresses(const std::string& out)
{
    static const std::regex registration("(register_flexfile_readfunc\\(\\d+), [0-9A-F]{8,}\\)");
    static const std::regex lookup("(get_flexfile_readfunc\\(\\d+\\) = )[0-9A-F]{8,}\n");
    static const std::regex typing("(\n\\[\\d+\\] \\d+ \\d+/\\d+ )[0-9A-F]{8,}\n");
    static const std::regex shape_trace("read_shape_from_buffer\\([0-9A-F]{8,}, [0-9A-F]{8,},");
    std::string masked = std::regex_replace(out, registration, "$1, @)");
    masked = std::regex_replace(masked, lookup, "$1@\n");
    masked = std::regex_replace(masked, typing, "$1@\n");
    return std::regex_replace(masked, shape_trace, "read_shape_from_buffer(@, @,");
}

const std::string REGISTRATIONS = "register_flexfile_readfunc(0, @)\nregister_flexfile_readfunc(6, @)\n";

// The loader's lines for the archive's entries.  A damaged subtitle entry
// (stored size off) draws the size warning and stays plain bytes.
std::string load_trace(const std::vector<Bytes>& entries, int damaged = -1)
{
    std::string out = REGISTRATIONS;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const Bytes& entry = entries[static_cast<std::size_t>(i)];
        const int type = is_subtitle_entry(i) ? 6 : 0;
        const int run_start = i < 21 ? 0 : i < 27 ? 21 : i == 27 ? 27 : i == 28 ? 28 : 29;
        const int run_count = i < 21 ? 21 : i < 27 ? 6 : i < 29 ? 1 : 100;
        out += "get_flexfile_readfunc(" + std::to_string(type) + ") = @\n";
        out += "[" + std::to_string(i) + "] " + std::to_string(type) + " " + std::to_string(i - run_start) + "/" +
               std::to_string(run_count) + " @\n";
        if (type != 6 || entry.empty()) continue;
        out += "read_shape_from_buffer(@, @, " + std::to_string(entry.size()) + ", " + std::to_string(i) + ")\n";
        if (i == damaged) {
            out += "WARNING: read_shape_from_buffer: データサイズが一致しません: " + hex8(entry.size() + 1) + " != " +
                   hex8(entry.size()) + " ... 破損している?\n";
            continue;
        }
        out += "read_shape_from_buffer " + std::to_string(i) + " " + std::to_string(i == 28 ? 1 : 2) + "\n";
    }
    return out;
}

std::string encode_line(int n, bool outline = true)
{
    return "pre encode check x=" + std::to_string(outline ? 149 : 150) + " " + std::to_string(std::max(160, 153 + n)) + " y=0 " +
           std::to_string(n + 1) + " right=160 left=159 ascent=0 descent=46\n";
}

// The frame listing of every subtitle shape as the writer lays it out.
std::string layout_trace(bool outline = true)
{
    std::string out;
    for (const int index : SUBTITLE_ENTRIES) {
        const std::size_t frame_0 = expected_frame(image_number(index), outline).size();
        const int count = index == 28 ? 1 : 2;
        const std::size_t first = 4 + 4 * static_cast<std::size_t>(count);
        out += "\t[00] offset = " + hex8(first) + ", size = " + hex8(frame_0) + "\n";
        std::size_t size = first + frame_0;
        if (count == 2) {
            const std::size_t frame_1 = second_frame(index).size();
            out += "\t[01] offset = " + hex8(first + frame_0) + ", size = " + hex8(frame_1) + "\n";
            size += frame_1;
        }
        out += "\tcount = " + std::to_string(count) + ", size = " + hex8(size) + "\n";
    }
    return out;
}

std::string successful_run_output(bool outline = true)
{
    std::string out = load_trace(endshape_entries());
    for (int n = 1; n <= 7; ++n) out += encode_line(n, outline);
    return out + layout_trace(outline) + "処理完了\n";
}

class SibrelRun : public testing::TestWithParam<std::optional<std::string>> {
protected:
    void SetUp() override
    {
        write_bytes("ENDSHAPE.FLX", build_flex(endshape_entries(), endshape_header()));
        write_images("sibrel.");
    }

    void write_bytes(const std::string& name, const Bytes& bytes) const
    {
        write_file_bytes(dir.file(name), to_string(bytes));
    }

    // The seven numbered pictures, in a different bit count each.
    void write_images(const std::string& prefix, subtitle_images::Rgb background = subtitle_images::WHITE) const
    {
        const int bit_counts[] = {24, 8, 4, 32, 16, 24, 8};
        for (int n = 1; n <= 7; ++n) {
            Picture picture = numbered_picture(n);
            for (auto& pixel : picture.pixels) {
                if (pixel == subtitle_images::WHITE) pixel = background;
            }
            write_bytes(prefix + std::to_string(n) + ".bmp", build_bmp(picture, bit_counts[n - 1]));
        }
    }

    const std::optional<std::string>& lang() const { return GetParam(); }
    std::string console(const std::string& utf8) const { return console_bytes(utf8, lang()); }

    void expect_run(const std::vector<std::string>& args, const std::string& printed, int status) const
    {
        const RunResult r = run_program("sibrel_bmp", args, dir.path(), lang());
        EXPECT_EQ(mask_addresses(r.out), console(printed));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, status);
    }

    std::string read(const std::string& name) const { return read_file_bytes(dir.file(name)); }

    TempDir dir;
};

TEST_P(SibrelRun, ReplacesTheSevenSubtitleFrames)
{
    const std::string archive = read("ENDSHAPE.FLX");
    expect_run({}, successful_run_output(), 0);
    EXPECT_EQ(read("endshape.flx.new"), to_string(expected_archive()));
    EXPECT_EQ(read("ENDSHAPE.FLX"), archive);
}

// Names cut to their buffer would all be one file: such a prefix is refused
// before anything is read.
TEST_P(SibrelRun, APrefixTooLongForItsNamesIsRefused)
{
    const std::string prefix(1100, 'p');
    expect_run({"-n", prefix}, "ERROR: BMPファイル名が長すぎます(最大1023バイト): " + prefix + "1.bmp\n", 1);
    EXPECT_FALSE(file_exists(dir.file("endshape.flx.new")));
}

TEST_P(SibrelRun, OptionsNameTheFilesAndTheBackground)
{
    ASSERT_EQ(rename(dir.file("ENDSHAPE.FLX").c_str(), dir.file("end.flx").c_str()), 0);
    write_images("-black-", subtitle_images::BLACK);
    // The forms of 255 keep the white background; the last --bg counts.
    expect_run({"-o", "first.flx", "end.flx", "-n", "none.", "--bg", "0xff", "0377", "255", "-o", "-out-", "-n",
                "-black-", "--bg", "0", "0x0", ""},
               successful_run_output(false), 0);
    EXPECT_EQ(read("-out-"), to_string(expected_archive(false)));
    EXPECT_FALSE(file_exists(dir.file("first.flx")));
    EXPECT_FALSE(file_exists(dir.file("endshape.flx.new")));

    ASSERT_EQ(rename(dir.file("end.flx").c_str(), dir.file("ENDSHAPE.FLX").c_str()), 0);
    expect_run({"--bg", "0xff", "0377", "255"}, successful_run_output(), 0);
    EXPECT_EQ(read("endshape.flx.new"), to_string(expected_archive()));
}

TEST_P(SibrelRun, UsageAndVersion)
{
    expect_run({"-?"}, USAGE, 1);
    expect_run({"a.flx", "--help", "--version"}, USAGE, 1);
    expect_run({"--version", "-?"}, VERSION_LINE, 1);
    EXPECT_FALSE(file_exists(dir.file("endshape.flx.new")));
}

TEST_P(SibrelRun, CommandLineErrors)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-x", "-?"}, "ERROR: 不正なオプションです: -x\n"},
        {{"a.flx", "b.flx"}, "ERROR: コマンドラインパラメータが多すぎます: b.flx\n"},
        {{"-o"}, "ERROR: オプション-oの後にファイル名がありません\n"},
        {{"-o", ""}, "ERROR: 出力ファイル名が空です\n"},
        {{"-n", "x", "-n"}, "ERROR: オプション-nの後にファイル名がありません\n"},
        {{"--bg", "1", "2"}, "ERROR: オプション--bgの後にRGB値が不足しています\n"},
        {{"--bg", "256", "0", "0"}, "ERROR: 不正なRGB要素値です: 256\n"},
        {{"--bg", "-1", "0", "0"}, "ERROR: 不正なRGB要素値です: -1\n"},
        {{"--bg", "0", "0x", "0"}, "ERROR: 不正なRGB要素値です: 0x\n"},
        {{"--bg", "0", "0", "08"}, "ERROR: 不正なRGB要素値です: 08\n"},
        {{"--bg", " 1", "2", "3"}, "ERROR: 不正なRGB要素値です:  1\n"},
        {{"--bg", "+1", "2", "3"}, "ERROR: 不正なRGB要素値です: +1\n"},
        {{"--bg", "1", "2", "-o"}, "ERROR: 不正なRGB要素値です: -o\n"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        expect_run(args, message, 1);
    }
    EXPECT_FALSE(file_exists(dir.file("endshape.flx.new")));
}

TEST_P(SibrelRun, AMissingImageStopsTheRunBeforeAnythingIsWritten)
{
    ASSERT_EQ(unlink(dir.file("sibrel.4.bmp").c_str()), 0);
    expect_run({}, load_trace(endshape_entries()) + encode_line(1) + encode_line(2) + encode_line(3) +
                       "ERROR: 2: オープンエラー: sibrel.4.bmp\nERROR: 字幕画像を作成できません\n",
               1);
    EXPECT_FALSE(file_exists(dir.file("endshape.flx.new")));
}

TEST_P(SibrelRun, SubtitleEntriesThatAreNoShapesAreRefused)
{
    // Entry 24's stored size is one byte off: it loads as plain bytes.
    std::vector<Bytes> entries = endshape_entries();
    entries[24][0] = static_cast<std::uint8_t>(entries[24][0] + 1);
    write_bytes("ENDSHAPE.FLX", build_flex(entries, endshape_header()));
    expect_run({}, load_trace(entries, 24) +
                       "ERROR: 字幕画像のエントリがシェイプではありません: [24] type=0\n"
                       "ERROR: 字幕画像を作成できません\n",
               1);
    EXPECT_FALSE(file_exists(dir.file("endshape.flx.new")));
}

TEST_P(SibrelRun, AnArchiveThatCannotBeReadStopsTheRun)
{
    expect_run({"none.flx"},
               REGISTRATIONS + "ERROR: 2: オープンエラー: none.flx\nERROR: none.flx を読み込めません\n"
                               "ERROR: none.flx を読み込めません\n",
               1);
    EXPECT_FALSE(file_exists(dir.file("endshape.flx.new")));
}

TEST_P(SibrelRun, RefusesAnOutputThatIsAnInput)
{
    const std::string archive = read("ENDSHAPE.FLX");
    const std::string image = read("sibrel.3.bmp");
    ASSERT_EQ(link(dir.file("sibrel.7.bmp").c_str(), dir.file("linked.bmp").c_str()), 0);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-o", "./ENDSHAPE.FLX"}, {"-o", "sibrel.3.bmp"}, {"-o", "linked.bmp"},
             {"-n", "img.", "-o", "img.1.bmp"}}) {
        if (args[1] == "img.") write_bytes("img.1.bmp", Bytes{'B', 'M'});
        expect_run(args, "ERROR: 入力ファイルと出力ファイルが同じです: " + args.back() + "\n", 1);
    }
    EXPECT_EQ(read("ENDSHAPE.FLX"), archive);
    EXPECT_EQ(read("sibrel.3.bmp"), image);
    EXPECT_EQ(read("img.1.bmp"), "BM");
}

TEST_P(SibrelRun, AFailedWriteLeavesTheEarlierOutputUntouched)
{
    write_bytes("endshape.flx.new", bytes_of("earlier output"));
    const std::vector<std::string> before = folder_names(dir.path());
    // The file size limit makes writing the archive fail as on a full disk.
    const RunResult r = run_program_with_file_size_limit("sibrel_bmp", {}, dir.path(), lang(), 512);
    EXPECT_EQ(r.status, 1);
    const std::string tail = console("ERROR: endshape.flx.new を作成できません\n");
    const std::string masked = mask_addresses(r.out);
    ASSERT_GE(masked.size(), tail.size()) << masked;
    EXPECT_EQ(masked.substr(0, masked.size() - tail.size()).find(console(load_trace(endshape_entries()))), 0u);
    EXPECT_EQ(masked.substr(masked.size() - tail.size()), tail);
    EXPECT_NE(masked.find(console("書き込みエラー")), std::string::npos) << masked;
    EXPECT_EQ(read("endshape.flx.new"), "earlier output");
    EXPECT_EQ(folder_names(dir.path()), before);

    expect_run({"-o", "no/such.flx"},
               successful_run_output().substr(0, successful_run_output().size() - std::string("処理完了\n").size()) +
                   "ERROR: 2: オープンエラー: no/such.flx\nERROR: no/such.flx を作成できません\n",
               1);
}

INSTANTIATE_TEST_SUITE_P(Consoles, SibrelRun, testing::Values(LANG_UTF8, LANG_UNSET),
                         [](const testing::TestParamInfo<std::optional<std::string>>& param_info) {
                             return param_info.param ? std::string("Utf8") : std::string("Cp932");
                         });

}  // namespace
