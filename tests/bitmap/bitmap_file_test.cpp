#include "bitmap.h"

#include "bmp_builder.h"
#include "captured_output.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/types.h>

using namespace bmp_builder;

namespace {

const std::uint16_t BIT_COUNTS[] = {1, 4, 8, 16, 24, 32};

Bytes random_bytes(std::size_t size, unsigned limit, std::mt19937& random)
{
    std::uniform_int_distribution<unsigned> value(0, limit - 1);
    Bytes out(size);
    for (auto& byte : out) byte = static_cast<std::uint8_t>(value(random));
    return out;
}

// Pixels valid for the bit count: indices of the palette, or any bytes.
Bytes random_pixels(std::int32_t width, std::int32_t height, std::uint16_t bit_count, std::mt19937& random)
{
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (bit_count <= 8) return random_bytes(count, 1u << bit_count, random);
    return random_bytes(count * (bit_count / 8u), 256, random);
}

Bytes random_palette(std::uint16_t bit_count, std::mt19937& random)
{
    return random_bytes(palette_size_of(bit_count), 256, random);
}

bool same_header(const BitmapHeader& a, const BitmapHeader& b)
{
    return a.file_size == b.file_size && a.reserved1 == b.reserved1 && a.reserved2 == b.reserved2 &&
           a.data_offset == b.data_offset && a.info_size == b.info_size && a.width == b.width &&
           a.height == b.height && a.planes == b.planes && a.bit_count == b.bit_count &&
           a.compression == b.compression && a.image_size == b.image_size && a.x_resolution == b.x_resolution &&
           a.y_resolution == b.y_resolution && a.colours_used == b.colours_used &&
           a.important_colours == b.important_colours;
}

struct ReadResult {
    std::int32_t status = 0;
    BitmapHeader header;
    Bytes palette;
    Bytes pixels;
    std::string out;
};

ReadResult read_from_file(const Bytes& bytes, bool want_palette = true)
{
    ReadResult result;
    TempStream in(bytes);
    result.out = captured_output([&] {
        result.status = read_bitmap(in.file, &result.header, want_palette ? &result.palette : nullptr,
                                    &result.pixels, false);
    });
    return result;
}

ReadResult read_from_memory(const Bytes& bytes, bool want_palette = true)
{
    ReadResult result;
    result.out = captured_output([&] {
        result.status = read_bitmap_from_buffer(bytes.data(), bytes.size(), &result.header,
                                                want_palette ? &result.palette : nullptr, &result.pixels);
    });
    return result;
}

// ---------------------------------------------------------------------------
// Round trips

TEST(BitmapRoundTrip, EveryBitCountOnOddSizesWritesTheBuilderBytesAndReadsBackTheSamePixels)
{
    struct Size {
        std::int32_t width, height;
    };
    const Size sizes[] = {{13, 7}, {1, 1}, {10, 3}, {31, 5}, {33, 2}};
    std::mt19937 random(1234);
    for (const std::uint16_t bit_count : BIT_COUNTS) {
        for (const Size size : sizes) {
            SCOPED_TRACE(testing::Message() << bit_count << " bits, " << size.width << " x " << size.height);
            const Bytes pixels = random_pixels(size.width, size.height, bit_count, random);
            const Bytes palette = random_palette(bit_count, random);
            BitmapHeader header;
            ASSERT_EQ(init_bitmap_header(&header, size.width, size.height, bit_count), 0);

            TempStream out;
            std::int32_t status = -1;
            EXPECT_EQ(captured_output([&] { status = write_bitmap(out.file, &header, palette, pixels); }), "");
            ASSERT_EQ(status, 0);
            const Bytes file = out.contents();
            EXPECT_EQ(file, build_bmp_image(size.width, size.height, bit_count, palette, pixels));

            for (const ReadResult& read : {read_from_file(file), read_from_memory(file)}) {
                EXPECT_EQ(read.status, 0);
                EXPECT_EQ(read.out, "");
                EXPECT_TRUE(same_header(read.header, header));
                EXPECT_EQ(read.pixels, pixels);
                EXPECT_EQ(read.palette, palette);  // empty for direct colour
            }
        }
    }
}

TEST(BitmapRoundTrip, TheWriterWritesTheHeaderItIsHandedAndZerosForAMissingPalette)
{
    BitmapHeader header;
    ASSERT_EQ(init_bitmap_header(&header, 5, 3, 8), 0);
    header.file_size = 1;
    header.reserved1 = 7;
    header.reserved2 = 0xBEEF;
    header.x_resolution = 2835;
    header.y_resolution = -1;
    header.colours_used = 5;
    header.important_colours = 3;
    const Bytes pixels{0, 1, 2, 3, 4, 250, 251, 252, 253, 254, 9, 8, 7, 6, 255};

    TempStream out;
    ASSERT_EQ(write_bitmap(out.file, &header, {}, pixels), 0);

    BmpFields fields = fields_for(5, 3, 8);
    fields.file_size = 1;
    fields.reserved1 = 7;
    fields.reserved2 = 0xBEEF;
    fields.x_resolution = 2835;
    fields.y_resolution = -1;
    fields.colours_used = 5;
    fields.important_colours = 3;
    EXPECT_EQ(out.contents(), build_bmp(fields, Bytes(1024, 0), pack_rows(5, 3, 8, pixels)));
}

TEST(BitmapRoundTrip, OneBitSetsABitForEveryNonZeroPixelAndFourBitsKeepTheLowNibble)
{
    struct Case {
        std::uint16_t bit_count;
        Bytes pixels;
        Bytes expected_row;  // the one stored row, padded
    };
    const Case cases[] = {
        {1, {0, 7, 255, 1, 0, 0, 0, 0, 2}, {0x70, 0x80, 0, 0}},
        {4, {0x1F, 0x20, 0xA3}, {0xF0, 0x30, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bit_count);
        BitmapHeader header;
        const auto width = static_cast<std::int32_t>(c.pixels.size());
        ASSERT_EQ(init_bitmap_header(&header, width, 1, c.bit_count), 0);
        TempStream out;
        ASSERT_EQ(write_bitmap(out.file, &header, {}, c.pixels), 0);
        const Bytes file = out.contents();
        ASSERT_EQ(file.size(), header.file_size);
        EXPECT_EQ(Bytes(file.end() - 4, file.end()), c.expected_row);
    }
}

// ---------------------------------------------------------------------------
// Header fields

TEST(BitmapHeaderInit, SizesFollowTheRowPaddingOfEachBitCount)
{
    struct Case {
        std::int32_t width, height, bit_count;
        std::int32_t status;
        std::uint32_t data_offset, image_size, file_size;
    };
    constexpr std::uint32_t UNSET = 0xDEADBEEF;
    const Case cases[] = {
        {320, 46, 24, 0, 54, 44160, 44214},
        {10, 1, 1, 0, 62, 4, 66},
        {33, 2, 1, 0, 62, 16, 78},
        {13, 7, 4, 0, 118, 56, 174},
        {13, 7, 8, 0, 1078, 112, 1190},
        {13, 7, 16, 0, 54, 196, 250},
        {13, 7, 32, 0, 54, 364, 418},
        {3, 2, 2, -1, UNSET, UNSET, UNSET},
        {3, 2, 0, -1, UNSET, UNSET, UNSET},
        {0, 5, 8, -1, UNSET, UNSET, UNSET},
        {5, -1, 8, -1, UNSET, UNSET, UNSET},
        // rows that would pass a 32-bit file size
        {0x7FFFFFFF, 0x7FFFFFFF, 32, -1, UNSET, UNSET, UNSET},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " " << c.bit_count);
        BitmapHeader header;
        header.data_offset = header.image_size = header.file_size = UNSET;
        header.compression = header.colours_used = 9;
        EXPECT_EQ(init_bitmap_header(&header, c.width, c.height, c.bit_count), c.status);
        EXPECT_EQ(header.data_offset, c.data_offset);
        EXPECT_EQ(header.image_size, c.image_size);
        EXPECT_EQ(header.file_size, c.file_size);
        EXPECT_EQ(header.info_size, 40u);
        EXPECT_EQ(header.planes, 1u);
        EXPECT_EQ(header.compression, 0u);
        EXPECT_EQ(header.colours_used, 0u);
        EXPECT_EQ(header.width, c.width);
        EXPECT_EQ(header.height, c.height);
    }
}

// The header of a 320 × 46 24-bit file of 44214 bytes, byte for byte.
const Bytes SUBTITLE_HEADER{
    0x42, 0x4D, 0xB6, 0xAC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00,  // "BM", size, offset
    0x28, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x2E, 0x00, 0x00, 0x00,              // 40, 320, 46
    0x01, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xAC, 0x00, 0x00,              // 1, 24, 0, 44160
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

TEST(BitmapHeaderCheck, TheBuilderMakesTheLiteralSubtitleHeader)
{
    EXPECT_EQ(header_bytes(fields_for(320, 46, 24)), SUBTITLE_HEADER);
}

TEST(BitmapHeaderCheck, MalformedHeadersAreRefusedWithTheirMessageInBothForms)
{
    struct Case {
        const char* name;
        std::function<void(BmpFields&)> change;
        std::int32_t status;
        std::string message;
    };
    const std::string E = "ERROR: check_bitmap_header: ";
    const std::string W = "WARNING: check_bitmap_header: ";
    const Case cases[] = {
        {"valid", [](BmpFields&) {}, 0, ""},
        {"image size 0", [](BmpFields& f) { f.image_size = 0; }, 1, W + "データ長が0です ... 修正します: 0xAC80\n"},
        {"two bytes more", [](BmpFields& f) { f.file_size += 2; }, 1, W + "ファイル長が一致しません: 0xACB8 > 0xACB6\n"},
        {"both",
         [](BmpFields& f) {
             f.file_size += 2;
             f.image_size = 0;
         },
         2,
         W + "データ長が0です ... 修正します: 0xAC80\n" + W + "ファイル長が一致しません: 0xACB8 > 0xACB6\n"},
        {"one byte short", [](BmpFields& f) { f.file_size -= 1; }, -1, E + "ファイル長が一致しません: 0xACB5 < 0xACB6\n"},
        {"magic", [](BmpFields& f) { f.magic[1] = 'A'; }, -1, ""},
        {"info size", [](BmpFields& f) { f.info_size = 12; }, -1,
         E + "サポートしていない形式です - Windows V3形式のみサポートしています\n"},
        {"planes", [](BmpFields& f) { f.planes = 2; }, -1, ""},
        {"RLE", [](BmpFields& f) { f.compression = 1; }, -1, E + "圧縮はサポートしていません\n"},
        {"bit count", [](BmpFields& f) { f.bit_count = 2; }, -1, E + "不正なビット数です\n"},
        {"2-entry palette of a 4-bit file",
         [](BmpFields& f) {
             f = fields_for(320, 46, 4);
             f.colours_used = 2;
             f.data_offset = 62;
         },
         -1,
         E + "オフセット値が一致しません: 0x3E != 0x76\n"},
        {"image size", [](BmpFields& f) { f.image_size = 1; }, -1, E + "データ長が一致しません: 0x1 != 0xAC80\n"},
        {"top-down", [](BmpFields& f) { f.height = -46; }, -1, E + "不正な画像サイズです: 320 x -46\n"},
        {"no width", [](BmpFields& f) { f.width = 0; }, -1, E + "不正な画像サイズです: 0 x 46\n"},
        {"rows beyond 4 GiB", [](BmpFields& f) { f.width = f.height = 0x7FFFFFFF; }, -1,
         E + "画像が大きすぎます: 2147483647 x 2147483647\n"},
        // one byte a pixel in memory, four in the file
        {"offset and rows beyond 32 bits", [](BmpFields& f) { f = fields_for(1, 0x3FFFFFFF, 1); }, -1,
         E + "画像が大きすぎます: 1 x 1073741823\n"},
        {"offset and rows at 32 bits", [](BmpFields& f) { f = fields_for(1, 0x3FFFFFF0, 1); }, 0, ""},
        {"pixel array of 1 GiB", [](BmpFields& f) { f = fields_for(0x40000000, 1, 1); }, 0, ""},
        {"pixel array beyond 1 GiB", [](BmpFields& f) { f = fields_for(0x40000001, 1, 1); }, -1,
         E + "画像が大きすぎます: 1073741825 x 1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields fields = fields_for(320, 46, 24);
        c.change(fields);
        const Bytes bytes = header_bytes(fields);

        BitmapHeader from_file;
        BitmapHeader from_memory;
        std::int32_t file_status = 99;
        std::int32_t memory_status = 99;
        TempStream in(bytes);
        EXPECT_EQ(captured_output([&] { file_status = check_bitmap_header(in.file, &from_file); }),
                  console_text(c.message));
        EXPECT_EQ(captured_output([&] {
                      memory_status = check_bitmap_header_in_buffer(bytes.data(), bytes.size(), &from_memory);
                  }),
                  console_text(c.message));
        EXPECT_EQ(file_status, c.status);
        EXPECT_EQ(memory_status, c.status);
        EXPECT_EQ(std::ftell(in.file), 54);
        if (c.status >= 0) {
            EXPECT_TRUE(same_header(from_file, from_memory));
            EXPECT_EQ(from_file.width, fields.width);
            EXPECT_EQ(from_file.bit_count, fields.bit_count);
            EXPECT_EQ(from_file.image_size, fields.image_size != 0 ? fields.image_size : 0xAC80u);
        }
    }
}

TEST(BitmapHeaderCheck, AShortHeaderIsAReadError)
{
    const Bytes cases[] = {{}, {'B', 'M'}, Bytes(SUBTITLE_HEADER.begin(), SUBTITLE_HEADER.end() - 1)};
    for (const Bytes& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        BitmapHeader header;
        TempStream in(bytes);
        std::int32_t status = 0;
        EXPECT_EQ(captured_output([&] { status = check_bitmap_header(in.file, &header); }),
                  console_text("ERROR: 0: 読み込みエラー\n"));
        EXPECT_EQ(status, -1);
        Bytes held = bytes;  // never null, even for no bytes
        held.push_back(0);
        EXPECT_EQ(captured_output([&] { status = check_bitmap_header_in_buffer(held.data(), bytes.size(), &header); }),
                  console_text("ERROR: 0: 読み込みエラー\n"));
        EXPECT_EQ(status, -1);
    }
}

// ---------------------------------------------------------------------------
// Reading

TEST(BitmapRead, OneBitRowsOfWidthTenUnpackFromTheHighestBit)
{
    // Two stored rows of 4 bytes each, bottom first; the padding bytes are
    // not zero and must be ignored.
    const Bytes rows{0xB0, 0x40, 0xEE, 0xEE, 0xFF, 0xC0, 0x00, 0x01};
    const Bytes file = build_bmp(fields_for(10, 2, 1), {0, 0, 0, 0, 255, 255, 255, 0}, rows);
    for (const ReadResult& read : {read_from_file(file), read_from_memory(file)}) {
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.pixels, (Bytes{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 1}));
    }
}

TEST(BitmapRead, AnOddFourBitWidthTakesItsLastPixelFromAHighNibble)
{
    const Bytes file = build_bmp(fields_for(3, 1, 4), Bytes(64, 0), {0x12, 0x3F, 0xFF, 0xFF});
    const ReadResult read = read_from_memory(file);
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.pixels, (Bytes{1, 2, 3}));
}

TEST(BitmapRead, MissingBytesAreRefusedBeforeAnythingIsAllocated)
{
    const std::string no_data = "ERROR: read_bitmap: ビットマップデータを読み込めません\n";
    const std::string no_palette = "ERROR: 0: 読み込みエラー\nERROR: read_bitmap: パレットを読み込めません\n";
    std::mt19937 random(7);
    const Bytes image = build_bmp_image(13, 7, 8, random_palette(8, random), random_pixels(13, 7, 8, random));
    // A header that claims 768 MB of rows, on a file that holds 10 bytes.
    Bytes claim = header_bytes(fields_for(16000, 16000, 24));
    claim.resize(claim.size() + 10, 0x55);

    struct Case {
        const char* name;
        Bytes bytes;
        bool want_palette;
        std::string message;
    };
    const Case cases[] = {
        {"one row byte short", Bytes(image.begin(), image.end() - 1), true, no_data},
        {"palette cut, palette asked for", Bytes(image.begin(), image.begin() + 54 + 100), true, no_palette},
        {"palette cut, palette skipped", Bytes(image.begin(), image.begin() + 54 + 100), false, no_data},
        {"nothing behind the header", Bytes(image.begin(), image.begin() + 54), true, no_palette},
        {"768 MB claimed", claim, true, no_data},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const ReadResult& read : {read_from_file(c.bytes, c.want_palette), read_from_memory(c.bytes, c.want_palette)}) {
            EXPECT_EQ(read.status, -1);
            EXPECT_EQ(read.out, console_text(c.message));
            EXPECT_TRUE(read.pixels.empty());
            EXPECT_TRUE(read.palette.empty());
        }
    }
}

TEST(BitmapRead, ABadHeaderIsReportedByTheCheckAndThenByTheReader)
{
    BmpFields fields = fields_for(4, 4, 24);
    fields.compression = 2;
    const Bytes file = build_bmp(fields, {}, Bytes(64, 0));
    const std::string expected = "ERROR: check_bitmap_header: 圧縮はサポートしていません\n"
                                 "ERROR: read_bitmap: ヘッダを読み込めません\n";
    for (const ReadResult& read : {read_from_file(file), read_from_memory(file)}) {
        EXPECT_EQ(read.status, -1);
        EXPECT_EQ(read.out, console_text(expected));
    }
}

TEST(BitmapRead, TrailingBytesAndAnImageSizeOfZeroOnlyWarn)
{
    std::mt19937 random(11);
    const Bytes pixels = random_pixels(7, 3, 24, random);
    BmpFields fields = fields_for(7, 3, 24);
    fields.image_size = 0;
    fields.file_size += 3;
    Bytes file = build_bmp(fields, {}, pack_rows(7, 3, 24, pixels));
    file.insert(file.end(), {1, 2, 3});
    const std::string warnings = "WARNING: check_bitmap_header: データ長が0です ... 修正します: 0x48\n"
                                 "WARNING: check_bitmap_header: ファイル長が一致しません: 0x81 > 0x7E\n";
    for (const ReadResult& read : {read_from_file(file), read_from_memory(file)}) {
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.out, console_text(warnings));
        EXPECT_EQ(read.pixels, pixels);
        EXPECT_EQ(read.header.image_size, 0x48u);
    }
}

TEST(BitmapRead, AHeaderAlreadyReadIsTakenAsItStands)
{
    std::mt19937 random(3);
    const Bytes palette = random_palette(4, random);
    const Bytes pixels = random_pixels(9, 4, 4, random);
    TempStream in(build_bmp_image(9, 4, 4, palette, pixels));
    BitmapHeader header;
    ASSERT_EQ(check_bitmap_header(in.file, &header), 0);
    Bytes read_palette;
    Bytes read_pixels;
    ASSERT_EQ(read_bitmap(in.file, &header, &read_palette, &read_pixels, true), 0);
    EXPECT_EQ(read_pixels, pixels);
    EXPECT_EQ(read_palette, palette);

    // A header handed in that describes no image is refused quietly.
    BitmapHeader empty = header;
    empty.width = 0;
    Bytes none;
    std::rewind(in.file);
    EXPECT_EQ(captured_output([&] { EXPECT_EQ(read_bitmap(in.file, &empty, nullptr, &none, true), -1); }), "");
    EXPECT_TRUE(none.empty());
}

TEST(BitmapRead, CallerBuffersAreFilledWhenTheirSizeIsRightAndRefusedOtherwise)
{
    std::mt19937 random(5);
    const Bytes palette = random_palette(8, random);
    const Bytes pixels = random_pixels(6, 5, 8, random);
    const Bytes file = build_bmp_image(6, 5, 8, palette, pixels);
    BitmapHeader header;

    Bytes sized_palette(1024, 0xAA);
    Bytes sized_pixels(30, 0xAA);
    EXPECT_EQ(read_bitmap_from_buffer(file.data(), file.size(), &header, &sized_palette, &sized_pixels), 0);
    EXPECT_EQ(sized_pixels, pixels);
    EXPECT_EQ(sized_palette, palette);

    struct Case {
        std::size_t palette_size, pixel_size;
    };
    for (const Case c : {Case{1024, 29}, Case{1024, 31}, Case{1023, 30}, Case{16, 0}}) {
        SCOPED_TRACE(testing::Message() << c.palette_size << " " << c.pixel_size);
        Bytes wrong_palette(c.palette_size, 0xAA);
        Bytes wrong_pixels(c.pixel_size, 0xAA);
        std::int32_t status = 0;
        EXPECT_EQ(captured_output([&] {
                      status = read_bitmap_from_buffer(file.data(), file.size(), &header, &wrong_palette, &wrong_pixels);
                  }),
                  "");
        EXPECT_EQ(status, -1);
        EXPECT_EQ(wrong_pixels, Bytes(c.pixel_size, 0xAA));
        EXPECT_EQ(wrong_palette, Bytes(c.palette_size, 0xAA));
    }
}

TEST(BitmapRead, RefusedArguments)
{
    const Bytes file = build_bmp_image(1, 1, 24, {}, {1, 2, 3});
    BitmapHeader header;
    Bytes pixels;
    TempStream in(file);
    EXPECT_EQ(read_bitmap(in.file, &header, nullptr, nullptr, false), -3);
    EXPECT_EQ(read_bitmap_from_buffer(file.data(), file.size(), &header, nullptr, nullptr), -3);
    EXPECT_EQ(read_bitmap(nullptr, &header, nullptr, &pixels, false), -1);
    EXPECT_EQ(read_bitmap(in.file, nullptr, nullptr, &pixels, false), -1);
    EXPECT_EQ(read_bitmap_from_buffer(nullptr, 0, &header, nullptr, &pixels), -1);
    EXPECT_EQ(check_bitmap_header(nullptr, &header), -1);
    EXPECT_EQ(check_bitmap_header(in.file, nullptr), -1);
    EXPECT_EQ(std::ftell(in.file), 0);
    EXPECT_TRUE(pixels.empty());
}

// ---------------------------------------------------------------------------
// Writing

// A stream that takes budget bytes and then fails every write with ENOSPC;
// unbuffered, so each failure shows at the write that meets it.
struct BudgetStream {
    std::size_t budget;
    std::FILE* file = nullptr;

    explicit BudgetStream(std::size_t bytes) : budget(bytes)
    {
        cookie_io_functions_t io{};
        io.write = [](void* cookie, const char*, std::size_t size) -> ssize_t {
            auto* self = static_cast<BudgetStream*>(cookie);
            if (self->budget == 0) {
                errno = ENOSPC;
                return -1;
            }
            const std::size_t taken = std::min(size, self->budget);
            self->budget -= taken;
            return static_cast<ssize_t>(taken);
        };
        file = fopencookie(this, "w", io);
        if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
    }
    ~BudgetStream()
    {
        if (file != nullptr) std::fclose(file);
    }
    BudgetStream(const BudgetStream&) = delete;
    BudgetStream& operator=(const BudgetStream&) = delete;
};

TEST(BitmapWrite, EachFailingStepIsReportedWithItsMessage)
{
    // 3 × 2 at 4 bits: 54 header bytes, 64 palette bytes, two rows of 4.
    BitmapHeader header;
    ASSERT_EQ(init_bitmap_header(&header, 3, 2, 4), 0);
    const Bytes palette(64, 0x11);
    const Bytes pixels{1, 2, 3, 4, 5, 6};
    const std::string write_error = "ERROR: " + std::to_string(ENOSPC) + ": 書き込みエラー\n";
    struct Case {
        std::size_t budget;
        bool with_palette;
        std::string message;
    };
    const Case cases[] = {
        {0, true, write_error + "ERROR: write_bitmap: ヘッダを書き込めません\n"},
        {53, true, write_error + "ERROR: write_bitmap: ヘッダを書き込めません\n"},
        {54, true, write_error + "ERROR: write_bitmap: パレットを書き込めません\n"},
        {54 + 63, false, "ERROR: " + std::to_string(ENOSPC) + ": write_bitmap: パレットを書き込めません\n"},
        {54 + 64 + 4, true, write_error},
        {54 + 64 + 7, false, write_error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.budget);
        BudgetStream out(c.budget);
        ASSERT_NE(out.file, nullptr);
        std::int32_t status = 0;
        EXPECT_EQ(captured_output([&] {
                      status = write_bitmap(out.file, &header, c.with_palette ? std::span<const std::uint8_t>(palette)
                                                                               : std::span<const std::uint8_t>(),
                                            pixels);
                  }),
                  console_text(c.message));
        EXPECT_EQ(status, -1);
    }
    BudgetStream enough(54 + 64 + 8);
    EXPECT_EQ(write_bitmap(enough.file, &header, palette, pixels), 0);
}

TEST(BitmapWrite, RefusedArgumentsWriteNothing)
{
    BitmapHeader header;
    ASSERT_EQ(init_bitmap_header(&header, 3, 2, 8), 0);
    const Bytes palette(1024, 0);
    const Bytes pixels(6, 0);
    BitmapHeader two_bits = header;
    two_bits.bit_count = 2;
    BitmapHeader no_height = header;
    no_height.height = 0;
    BitmapHeader negative_width = header;
    negative_width.width = -3;

    struct Case {
        const char* name;
        const BitmapHeader* header;
        Bytes palette;
        Bytes pixels;
        std::string message;
    };
    const Case cases[] = {
        {"bit count", &two_bits, palette, pixels, "ERROR: write_bitmap: サポートしていないビット数です\n"},
        {"no height", &no_height, palette, pixels, ""},
        {"negative width", &negative_width, palette, pixels, ""},
        {"short palette", &header, Bytes(1020, 0), pixels, ""},
        {"short pixels", &header, palette, Bytes(5, 0), ""},
        {"no header", nullptr, palette, pixels, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempStream out;
        std::int32_t status = 0;
        EXPECT_EQ(captured_output([&] { status = write_bitmap(out.file, c.header, c.palette, c.pixels); }),
                  console_text(c.message));
        EXPECT_EQ(status, -1);
        EXPECT_TRUE(out.contents().empty());
    }
    EXPECT_EQ(write_bitmap(nullptr, &header, palette, pixels), -1);
}

}  // namespace
