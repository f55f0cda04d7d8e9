// The subtitle frames: colour reduction of BMP files of every bit count,
// the frame bytes stored in a shape, and the checks of the archive's
// subtitle entries.
#include "subtitle/subtitle_frames.h"

#include "support/stdout_capture.h"
#include "support/u7_test_builders.h"
#include "support/subtitle_test_images.h"
#include "support/temp_dir.h"
#include "shape/u7shape_utils.h"

#include <gtest/gtest.h>

using namespace subtitle_images;

namespace {

class SubtitleFrames : public testing::Test {
protected:
    std::string write_bmp(const std::string& name, const Picture& picture, int bit_count) const
    {
        const Bytes bytes = build_bmp(picture, bit_count);
        write_file_bytes(dir.file(name), std::string(bytes.begin(), bytes.end()));
        return dir.file(name);
    }

    // read_subtitle_image with its printed output.
    int read_image(const std::string& path, std::vector<std::uint8_t>& pixels, std::string& printed,
                   const SubtitlePalette& palette = DEFAULT_SUBTITLE_PALETTE) const
    {
        test_capture::begin();
        const int result = read_subtitle_image(path.c_str(), palette, pixels);
        printed = test_capture::end();
        return result;
    }

    TempDir dir;
};

namespace tb = test_builders;

const Bytes EMPTY_SUBTITLE_FRAME = tb::build_frame(160, 159, 0, 46, {});

// A shape of the given frames, as the reader would make it.
Shape shape_of(const std::vector<Bytes>& frames)
{
    Shape shape;
    for (const Bytes& data : frames) {
        ShapeFrame frame;
        frame.data = data;
        shape.frames.push_back(frame);
    }
    return shape;
}

TEST_F(SubtitleFrames, EveryBitCountReducesToTheThreeGameColours)
{
    struct Sample {
        Rgb colour;
        std::uint8_t game;  // with the white background
    };
    const std::vector<Sample> samples = {
        {WHITE, 255}, {LIGHT_BLUE, 11}, {BLACK, 0},
        {{40, 128, 128}, 11},   // nearer light blue than black
        {{200, 200, 200}, 255}, // nearest white
        {{255, 0, 0}, 0},       // pure red: black is the nearest
    };
    Picture picture = blank_picture();
    for (std::size_t i = 0; i < samples.size(); ++i) picture.at(static_cast<int>(10 + i), 45) = samples[i].colour;
    picture.at(319, 0) = BLACK;

    for (const int bit_count : {4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bit_count);
        std::vector<std::uint8_t> pixels;
        std::string printed;
        ASSERT_EQ(read_image(write_bmp("image.bmp", picture, bit_count), pixels, printed), 0) << printed;
        ASSERT_EQ(pixels.size(), SUBTITLE_PIXELS);
        std::vector<std::uint8_t> expected(SUBTITLE_PIXELS, 255);
        for (std::size_t i = 0; i < samples.size(); ++i) expected[45 * 320 + 10 + i] = samples[i].game;
        expected[319] = 0;
        EXPECT_EQ(pixels, expected);
    }

    // Two colours fit a 1-bit file.
    Picture two = blank_picture();
    two.at(0, 0) = BLACK;
    two.at(5, 7) = BLACK;
    std::vector<std::uint8_t> pixels;
    std::string printed;
    ASSERT_EQ(read_image(write_bmp("mono.bmp", two, 1), pixels, printed), 0) << printed;
    std::vector<std::uint8_t> expected(SUBTITLE_PIXELS, 255);
    expected[0] = 0;
    expected[7 * 320 + 5] = 0;
    EXPECT_EQ(pixels, expected);
}

TEST_F(SubtitleFrames, ABlackBackgroundSwallowsTheOutline)
{
    const SubtitlePalette black = subtitle_palette_with_background(0, 0, 0);
    EXPECT_EQ(black[0], 0);
    Picture picture = blank_picture(320, 46, BLACK);
    picture.at(1, 1) = LIGHT_BLUE;
    picture.at(2, 1) = WHITE;  // nearer the text colour than black now
    std::vector<std::uint8_t> pixels;
    std::string printed;
    ASSERT_EQ(read_image(write_bmp("black.bmp", picture, 24), pixels, printed, black), 0) << printed;
    std::vector<std::uint8_t> expected(SUBTITLE_PIXELS, 255);
    expected[321] = 11;
    expected[322] = 11;
    EXPECT_EQ(pixels, expected);

    // The palette is a value: the default stays as it was.
    EXPECT_EQ(DEFAULT_SUBTITLE_PALETTE[0], 255);
    const SubtitlePalette other = subtitle_palette_with_background(0x12, 0x34, 0x56);
    EXPECT_EQ((std::vector<int>{other[0], other[1], other[2], other[3]}), (std::vector<int>{0x56, 0x34, 0x12, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(other.begin() + 4, other.end()),
              std::vector<std::uint8_t>(DEFAULT_SUBTITLE_PALETTE.begin() + 4, DEFAULT_SUBTITLE_PALETTE.end()));
}

TEST_F(SubtitleFrames, ImagesOfAnotherSizeOrUnreadableAreRefused)
{
    std::vector<std::uint8_t> pixels;
    std::string printed;
    EXPECT_EQ(read_image(write_bmp("wide.bmp", blank_picture(321, 46), 24), pixels, printed), -1);
    EXPECT_EQ(printed, test_capture::console("ERROR: 画像サイズが違います: " + dir.file("wide.bmp") + " 321 x 46\n"));
    EXPECT_EQ(read_image(write_bmp("low.bmp", blank_picture(320, 45), 8), pixels, printed), -1);
    EXPECT_EQ(printed, test_capture::console("ERROR: 画像サイズが違います: " + dir.file("low.bmp") + " 320 x 45\n"));

    EXPECT_EQ(read_image(dir.file("none.bmp"), pixels, printed), -1);
    EXPECT_EQ(printed, test_capture::console("ERROR: 2: オープンエラー: " + dir.file("none.bmp") + "\n"));

    // Files that are no BMP say so, and name the file.
    for (const std::string& contents : {std::string("hello"), std::string(60, 'x')}) {
        write_file_bytes(dir.file("text.bmp"), contents);
        EXPECT_EQ(read_image(dir.file("text.bmp"), pixels, printed), -1);
        EXPECT_EQ(printed, test_capture::console(std::string("ERROR: check_bitmap_header: ") +
                                                 (contents.size() < 54 ? "ヘッダが途中で終わっています\n"
                                                                       : "BMPファイルではありません\n") +
                                                 "ERROR: read_bitmap: ヘッダを読み込めません\nERROR: " +
                                                 dir.file("text.bmp") + " を読み込めません\n"));
    }

    // Cut short in its pixel rows.
    Bytes bytes = build_bmp(blank_picture(), 24);
    bytes.resize(bytes.size() - 1);
    write_file_bytes(dir.file("short.bmp"), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(read_image(dir.file("short.bmp"), pixels, printed), -1);
    EXPECT_NE(printed.find(test_capture::console("読み込みエラー: " + dir.file("short.bmp") + "\n")), std::string::npos)
        << printed;
}

TEST_F(SubtitleFrames, FrameZeroTakesTheEncodedImage)
{
    // Row 2: black at column 149, then five light-blue pixels: a literal run
    // of one and a repeat run of five (4 bytes of runs for 6 pixels).
    // Row 3: 11 0 11 at the origin, raw (a literal run would take 4 bytes).
    std::vector<std::uint8_t> pixels(SUBTITLE_PIXELS, 255);
    pixels[2 * 320 + 149] = 0;
    for (int x = 150; x < 155; ++x) pixels[static_cast<std::size_t>(2 * 320 + x)] = 11;
    pixels[3 * 320 + 160] = 11;
    pixels[3 * 320 + 161] = 0;
    pixels[3 * 320 + 162] = 11;
    const Bytes expected = tb::build_frame(
        160, 159, 0, 46, {tb::encoded_span(-11, 2, 6, {tb::literal_run({0}), tb::repeat_run(5, 11)}), tb::raw_span(0, 3, {11, 0, 11})});

    const Bytes old_frame_1 = tb::build_frame(1, 2, 3, 4, {});
    Shape shape = shape_of({tb::build_frame(9, 9, 9, 9, {}), old_frame_1});
    shape.frames[0].offset = 12;
    test_capture::begin();
    ASSERT_EQ(store_subtitle_frame(shape, pixels, "image.bmp"), 0);
    EXPECT_EQ(test_capture::end(),
              "pre encode check x=149 163 y=0 4 right=160 left=159 ascent=0 descent=46\n");
    EXPECT_EQ(shape.frames[0].data, expected);
    EXPECT_EQ(shape.frames[0].right, 160);
    EXPECT_EQ(shape.frames[0].left, 159);
    EXPECT_EQ(shape.frames[0].offset, 12u);  // laid out again by the writer
    EXPECT_EQ(shape.frames[1].data, old_frame_1);

    // An image of background alone: the header and the end marker.
    test_capture::begin();
    ASSERT_EQ(store_subtitle_frame(shape, std::vector<std::uint8_t>(SUBTITLE_PIXELS, 255), "empty.bmp"), 0);
    test_capture::end();
    EXPECT_EQ(shape.frames[0].data, EMPTY_SUBTITLE_FRAME);

    // A shape without frames has nothing to replace.
    Shape no_frames;
    EXPECT_EQ(store_subtitle_frame(no_frames, pixels, "image.bmp"), -1);
    EXPECT_TRUE(no_frames.frames.empty());
}

// An archive of count entries, the subtitle entries holding one-frame
// shapes, the others plain bytes.
FlexArchive subtitle_archive(int count)
{
    FlexArchive archive;
    archive.count = count;
    archive.entries.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(i)];
        entry.offset = 1000;
        entry.size = 18;
        if (std::find(subtitle_entries.begin(), subtitle_entries.end(), i) != subtitle_entries.end()) {
            entry.object = shape_of({EMPTY_SUBTITLE_FRAME});
            entry.type = ENTRY_SHAPE;
        } else {
            entry.object = RawData{{1, 2, 3}};
            entry.type = ENTRY_RAW;
        }
    }
    return archive;
}

TEST_F(SubtitleFrames, EverySubtitleEntryMustHoldAShapeWithFrames)
{
    struct Case {
        const char* what;
        int count;
        void (*spoil)(FlexArchive&);
        std::string message;
    };
    const std::vector<Case> cases = {
        {"sound", 29, [](FlexArchive&) {}, ""},
        {"too few entries", 28, [](FlexArchive&) {}, "ERROR: 字幕画像のエントリがありません: [28]\n"},
        {"empty entry", 29, [](FlexArchive& a) { a.entries[23] = FlexEntry{}; },
         "ERROR: 字幕画像のエントリが空です: [23]\n"},
        {"plain bytes", 29,
         [](FlexArchive& a) {
             a.entries[26].object = RawData{{0x12, 0, 0, 0}};
             a.entries[26].type = ENTRY_RAW;
         },
         "ERROR: 字幕画像のエントリがシェイプではありません: [26] type=0\n"},
        {"typed but no shape", 29, [](FlexArchive& a) { a.entries[21].object = RawData{{1}}; },
         "ERROR: 字幕画像のエントリがシェイプではありません: [21] type=6\n"},
        {"no frames", 29, [](FlexArchive& a) { a.entries[25].object = Shape{}; },
         "ERROR: 字幕画像のエントリにフレームがありません: [25]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FlexArchive archive = subtitle_archive(c.count);
        c.spoil(archive);
        test_capture::begin();
        const int result = check_subtitle_entries(archive);
        EXPECT_EQ(test_capture::end(), test_capture::console(c.message));
        EXPECT_EQ(result, c.message.empty() ? 0 : -1);

        // The frames are never built on such an archive, and no image is
        // even opened.
        if (!c.message.empty()) {
            test_capture::begin();
            EXPECT_EQ(build_subtitle_frames(&archive, dir.file("none.").c_str(), DEFAULT_SUBTITLE_PALETTE), -1);
            EXPECT_EQ(test_capture::end(), test_capture::console(c.message));
        }
    }
}

TEST(SubtitleNames, NumberedFileNamesAreCutToTheirBuffer)
{
    EXPECT_EQ(subtitle_bmp_name("sibrel.", 1), "sibrel.1.bmp");
    EXPECT_EQ(subtitle_bmp_name("", 7), "7.bmp");
    const std::string long_prefix(1020, 'p');
    EXPECT_EQ(subtitle_bmp_name(long_prefix.c_str(), 3), long_prefix + "3.b");

    // A prefix whose names would be cut is refused; 1023 bytes still fit.
    for (const std::size_t length : {std::size_t{0}, std::size_t{1018}, std::size_t{1019}, std::size_t{1023}}) {
        const std::string prefix(length, 'p');
        const bool fits = length <= 1018;
        test_capture::begin();
        EXPECT_EQ(subtitle_prefix_fits(prefix), fits) << length;
        EXPECT_EQ(test_capture::end(),
                  fits ? "" : test_capture::console("ERROR: BMPファイル名が長すぎます(最大1023バイト): " + prefix + "1.bmp\n"))
            << length;
        if (fits) {
            EXPECT_EQ(subtitle_bmp_name(prefix.c_str(), 7), prefix + "7.bmp");
        }
    }
}

}  // namespace
