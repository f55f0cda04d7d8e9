#include "bitmap/bitmap.h"

#include "support/bmp_builder.h"
#include "support/stdout_capture.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/types.h>

using namespace bmp_builder;

namespace {

// Pixels valid for the bit count (palette indices, or any bytes), or a
// palette of random bytes when bit_count is 0.
Bytes random_bytes(std::size_t count, std::uint16_t bit_count, std::mt19937& random)
{
    const unsigned limit = bit_count >= 1 && bit_count <= 8 ? 1u << bit_count : 256u;
    std::uniform_int_distribution<unsigned> value(0, limit - 1);
    Bytes out(bit_count > 8 ? count * bit_count / 8 : count);
    for (auto& byte : out) byte = static_cast<std::uint8_t>(value(random));
    return out;
}

// A header's fields in file order, to compare whole headers.
Bytes header_bytes_of(const BitmapHeader& header)
{
    BmpFields fields;
    fields.file_size = header.file_size;
    fields.reserved1 = header.reserved1;
    fields.reserved2 = header.reserved2;
    fields.data_offset = header.data_offset;
    fields.info_size = header.info_size;
    fields.width = header.width;
    fields.height = header.height;
    fields.planes = header.planes;
    fields.bit_count = header.bit_count;
    fields.compression = header.compression;
    fields.image_size = header.image_size;
    fields.x_resolution = header.x_resolution;
    fields.y_resolution = header.y_resolution;
    fields.colours_used = header.colours_used;
    fields.important_colours = header.important_colours;
    return header_bytes(fields);
}

struct ReadResult {
    std::int32_t status = 0;
    BitmapHeader header;
    Bytes palette;
    Bytes pixels;
    std::string out;
};

// The file read through a stream and from memory, which must agree.
ReadResult read_both(const Bytes& file, bool want_palette = true)
{
    ReadResult from_file;
    ReadResult from_memory;
    TempStream in(file);
    from_file.out = test_capture::output_of([&] {
        from_file.status = read_bitmap(in.file, &from_file.header, want_palette ? &from_file.palette : nullptr,
                                       &from_file.pixels, false);
    });
    from_memory.out = test_capture::output_of([&] {
        from_memory.status = read_bitmap_from_buffer(file.data(), file.size(), &from_memory.header,
                                                     want_palette ? &from_memory.palette : nullptr,
                                                     &from_memory.pixels);
    });
    EXPECT_EQ(from_file.status, from_memory.status);
    EXPECT_EQ(from_file.out, from_memory.out);
    EXPECT_EQ(from_file.pixels, from_memory.pixels);
    EXPECT_EQ(from_file.palette, from_memory.palette);
    EXPECT_EQ(header_bytes_of(from_file.header), header_bytes_of(from_memory.header));
    return from_memory;
}

TEST(BitmapRoundTrip, EveryBitCountOnOddSizesWritesTheBuilderBytesAndReadsBackTheSamePixels)
{
    std::mt19937 random(1234);
    const std::uint16_t bit_counts[] = {1, 4, 8, 16, 24, 32};
    for (const std::uint16_t bit_count : bit_counts) {
        for (const auto& [width, height] : {std::pair{13, 7}, {1, 1}, {10, 3}, {31, 5}, {33, 2}}) {
            SCOPED_TRACE(testing::Message() << bit_count << " bits, " << width << " x " << height);
            const Bytes pixels = random_bytes(static_cast<std::size_t>(width * height), bit_count, random);
            // Every other image goes without a palette: zeros are written.
            const bool with_palette = width % 2 == 1;
            const Bytes palette = with_palette ? random_bytes(palette_size_of(bit_count), 0, random) : Bytes{};
            BitmapHeader header;
            ASSERT_EQ(init_bitmap_header(&header, width, height, bit_count), 0);
            header.reserved2 = 0xBEEF;  // fields the writer passes on as they are
            header.x_resolution = 2835;
            header.colours_used = 7;

            TempStream out;
            std::int32_t status = -1;
            EXPECT_EQ(test_capture::output_of([&] { status = write_bitmap(out.file, &header, palette, pixels); }), "");
            ASSERT_EQ(status, 0);
            BmpFields fields = fields_for(width, height, bit_count);
            fields.reserved2 = 0xBEEF;
            fields.x_resolution = 2835;
            fields.colours_used = 7;
            const Bytes stored_palette = with_palette ? palette : Bytes(palette_size_of(bit_count), 0);
            const Bytes file = out.contents();
            EXPECT_EQ(file, build_bmp(fields, stored_palette, pack_rows(width, height, bit_count, pixels)));

            const ReadResult read = read_both(file);
            EXPECT_EQ(read.status, 0);
            EXPECT_EQ(read.out, "");
            EXPECT_EQ(header_bytes_of(read.header), header_bytes(fields));
            EXPECT_EQ(read.pixels, pixels);
            EXPECT_EQ(read.palette, stored_palette);  // none for direct colour
        }
    }
}

TEST(BitmapRoundTrip, OneBitSetsABitForEveryNonZeroPixelAndFourBitsKeepTheLowNibble)
{
    for (const auto& [bit_count, pixels, row] :
         {std::tuple{1, Bytes{0, 7, 255, 1, 0, 0, 0, 0, 2}, Bytes{0x70, 0x80, 0, 0}},
          std::tuple{4, Bytes{0x1F, 0x20, 0xA3}, Bytes{0xF0, 0x30, 0, 0}}}) {
        BitmapHeader header;
        ASSERT_EQ(init_bitmap_header(&header, static_cast<std::int32_t>(pixels.size()), 1, bit_count), 0);
        TempStream out;
        ASSERT_EQ(write_bitmap(out.file, &header, {}, pixels), 0);
        const Bytes file = out.contents();
        EXPECT_EQ(Bytes(file.end() - 4, file.end()), row);
    }
}

TEST(BitmapHeaderInit, RefusesWhatNoFileCouldHoldAndLeavesTheSizesUnset)
{
    BitmapHeader header;
    ASSERT_EQ(init_bitmap_header(&header, 320, 46, 24), 0);
    EXPECT_EQ(header_bytes_of(header), header_bytes(fields_for(320, 46, 24)));
    for (const auto& [width, height, bit_count] :
         {std::tuple{3, 2, 2}, {3, 2, 0}, {0, 5, 8}, {5, -1, 8}, {0x7FFFFFFF, 0x7FFFFFFF, 32}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << " " << bit_count);
        header.data_offset = header.image_size = header.file_size = 0xDEADBEEF;
        EXPECT_EQ(init_bitmap_header(&header, width, height, bit_count), -1);
        EXPECT_EQ(header.data_offset, 0xDEADBEEF);
        EXPECT_EQ(header.image_size, 0xDEADBEEF);
        EXPECT_EQ(header.file_size, 0xDEADBEEF);
    }
}

// The header of a 320 × 46 24-bit file of 44214 bytes, byte for byte.
const Bytes SUBTITLE_HEADER{
    0x42, 0x4D, 0xB6, 0xAC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00,  // "BM", size, offset
    0x28, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x2E, 0x00, 0x00, 0x00,              // 40, 320, 46
    0x01, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xAC, 0x00, 0x00,              // 1, 24, 0, 44160
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

TEST(BitmapHeaderCheck, EachMalformedHeaderGetsItsResultAndMessageInBothForms)
{
    ASSERT_EQ(header_bytes(fields_for(320, 46, 24)), SUBTITLE_HEADER);
    const std::string E = "ERROR: check_bitmap_header: ";
    const std::string W = "WARNING: check_bitmap_header: ";
    const std::string fixed = W + "データ長が0です ... 修正します: 0xAC80\n";
    const std::string longer = W + "ファイル長が一致しません: 0xACB8 > 0xACB6\n";
    const std::string large = E + "画像が大きすぎます: ";
    struct Case {
        const char* name;
        std::function<void(BmpFields&)> change;
        std::int32_t status;
        std::string message;
        std::size_t size = 54;  // header bytes given
    };
    const Case cases[] = {
        {"valid", [](BmpFields&) {}, 0, ""},
        {"image size 0", [](BmpFields& f) { f.image_size = 0; }, 1, fixed},
        {"two bytes more", [](BmpFields& f) { f.file_size += 2; }, 1, longer},
        {"both", [](BmpFields& f) { f.file_size += 2, f.image_size = 0; }, 2, fixed + longer},
        {"one byte short", [](BmpFields& f) { f.file_size -= 1; }, -1, E + "ファイル長が一致しません: 0xACB5 < 0xACB6\n"},
        {"magic", [](BmpFields& f) { f.magic[1] = 'A'; }, -1, E + "BMPファイルではありません\n"},
        {"info size", [](BmpFields& f) { f.info_size = 12; }, -1,
         E + "サポートしていない形式です - Windows V3形式のみサポートしています\n"},
        {"planes", [](BmpFields& f) { f.planes = 2; }, -1, E + "プレーン数が1ではありません: 2\n"},
        {"RLE", [](BmpFields& f) { f.compression = 1; }, -1, E + "圧縮はサポートしていません\n"},
        {"bit fields", [](BmpFields& f) { f.compression = 3; }, -1, E + "BI_BITFIELDS形式はサポートしていません\n"},
        {"bit count", [](BmpFields& f) { f.bit_count = 2; }, -1, E + "不正なビット数です\n"},
        {"2-entry palette of a 4-bit file", [](BmpFields& f) { f = fields_for(320, 46, 4), f.colours_used = 2, f.data_offset = 62; }, -1,
         E + "オフセット値が一致しません: 0x3E != 0x76\n"},
        {"image size", [](BmpFields& f) { f.image_size = 1; }, -1, E + "データ長が一致しません: 0x1 != 0xAC80\n"},
        {"top-down", [](BmpFields& f) { f.height = -46; }, -1, E + "トップダウン形式(高さが負)の画像はサポートしていません\n"},
        {"no width", [](BmpFields& f) { f.width = 0; }, -1, E + "不正な画像サイズです: 0 x 46\n"},
        {"rows beyond 4 GiB", [](BmpFields& f) { f.width = f.height = 0x7FFFFFFF; }, -1,
         large + "2147483647 x 2147483647\n"},
        // 1 × n at 1 bit: one byte a pixel in memory, four in the file
        {"offset and rows beyond 32 bits", [](BmpFields& f) { f = fields_for(1, 0x3FFFFFFF, 1); }, -1,
         large + "1 x 1073741823\n"},
        {"offset and rows at 32 bits", [](BmpFields& f) { f = fields_for(1, 0x3FFFFFF0, 1); }, 0, ""},
        {"pixel array of 1 GiB", [](BmpFields& f) { f = fields_for(0x40000000, 1, 1); }, 0, ""},
        {"pixel array beyond 1 GiB", [](BmpFields& f) { f = fields_for(0x40000001, 1, 1); }, -1,
         large + "1073741825 x 1\n"},
        {"53 bytes", [](BmpFields&) {}, -1, E + "ヘッダが途中で終わっています\n", 53},
        {"nothing", [](BmpFields&) {}, -1, E + "ヘッダが途中で終わっています\n", 0},
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
        TempStream in(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.size)));
        EXPECT_EQ(test_capture::output_of([&] { file_status = check_bitmap_header(in.file, &from_file); }),
                  test_capture::console(c.message));
        EXPECT_EQ(test_capture::output_of([&] { memory_status = check_bitmap_header_in_buffer(bytes.data(), c.size, &from_memory); }),
                  test_capture::console(c.message));
        EXPECT_EQ(file_status, c.status);
        EXPECT_EQ(memory_status, c.status);
        if (c.status >= 0) {
            if (fields.image_size == 0) fields.image_size = 0xAC80;
            EXPECT_EQ(header_bytes_of(from_file), header_bytes(fields));
            EXPECT_EQ(header_bytes_of(from_memory), header_bytes(fields));
        }
    }
}

TEST(BitmapRead, LowBitCountsUnpackFromTheHighestBitAndIgnoreThePadding)
{
    // 10 × 2 at 1 bit: rows of 4 bytes, bottom first, padding not zero.
    const Bytes one_bit = build_bmp(fields_for(10, 2, 1), Bytes(8, 0), {0xB0, 0x40, 0xEE, 0xEE, 0xFF, 0xC0, 0x00, 0x01});
    EXPECT_EQ(read_both(one_bit).pixels, (Bytes{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 1}));
    // 3 × 1 at 4 bits: the last pixel is a high nibble.
    EXPECT_EQ(read_both(build_bmp(fields_for(3, 1, 4), Bytes(64, 0), {0x12, 0x3F, 0xFF, 0xFF})).pixels,
              (Bytes{1, 2, 3}));
}

TEST(BitmapRead, FailuresAreReportedAndMissingBytesRefusedBeforeAnythingIsMade)
{
    const std::string no_data = "ERROR: read_bitmap: ビットマップデータを読み込めません\n";
    const std::string no_palette = "ERROR: 0: 読み込みエラー\nERROR: read_bitmap: パレットを読み込めません\n";
    std::mt19937 random(7);
    const Bytes image = build_bmp_image(13, 7, 8, random_bytes(1024, 0, random), random_bytes(91, 8, random));
    const auto first = [&](std::size_t count) { return Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(count)); };
    Bytes claim = header_bytes(fields_for(16000, 16000, 24));  // 768 MB of rows, on a file of 64 bytes
    claim.resize(64, 0x55);
    BmpFields compressed = fields_for(4, 4, 24);
    compressed.compression = 2;

    struct Case {
        const char* name;
        Bytes file;
        bool want_palette;
        std::string message;
    };
    const Case cases[] = {
        {"one row byte short", first(image.size() - 1), true, no_data},
        {"palette cut, palette asked for", first(54 + 100), true, no_palette},
        {"palette cut, palette skipped", first(54 + 100), false, no_data},
        {"nothing behind the header", first(54), true, no_palette},
        {"768 MB claimed", claim, true, no_data},
        {"a header the check refuses", build_bmp(compressed, {}, Bytes(64, 0)), true,
         "ERROR: check_bitmap_header: 圧縮はサポートしていません\nERROR: read_bitmap: ヘッダを読み込めません\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult read = read_both(c.file, c.want_palette);
        EXPECT_EQ(read.status, -1);
        EXPECT_EQ(read.out, test_capture::console(c.message));
        EXPECT_TRUE(read.pixels.empty());
        EXPECT_TRUE(read.palette.empty());
    }
}

TEST(BitmapRead, CallerBuffersAndAHeaderAlreadyRead)
{
    std::mt19937 random(5);
    const Bytes palette = random_bytes(64, 0, random);
    const Bytes pixels = random_bytes(30, 4, random);
    const Bytes file = build_bmp_image(6, 5, 4, palette, pixels);
    TempStream in(file);
    BitmapHeader header;
    ASSERT_EQ(check_bitmap_header(in.file, &header), 0);
    Bytes sized_palette(64, 0xAA);
    Bytes sized_pixels(30, 0xAA);
    ASSERT_EQ(read_bitmap(in.file, &header, &sized_palette, &sized_pixels, true), 0);
    EXPECT_EQ(sized_pixels, pixels);
    EXPECT_EQ(sized_palette, palette);

    // Buffers of the wrong size, and a header handed in that describes no
    // image, are refused quietly without a byte read.
    BitmapHeader no_width = header;
    no_width.width = 0;
    for (const auto& [palette_size, pixel_size, given] :
         {std::tuple{64, 29, header}, {64, 31, header}, {63, 30, header}, {0, 0, no_width}}) {
        Bytes wrong_palette(static_cast<std::size_t>(palette_size), 0xAA);
        Bytes wrong_pixels(static_cast<std::size_t>(pixel_size), 0xAA);
        BitmapHeader used = given;
        TempStream again(Bytes(file.begin() + 54, file.end()));
        EXPECT_EQ(test_capture::output_of([&] { EXPECT_EQ(read_bitmap(again.file, &used, &wrong_palette, &wrong_pixels, true), -1); }), "");
        EXPECT_EQ(std::ftell(again.file), 0);
        EXPECT_EQ(wrong_pixels, Bytes(wrong_pixels.size(), 0xAA));
        EXPECT_EQ(wrong_palette, Bytes(wrong_palette.size(), 0xAA));
    }
    Bytes none;
    EXPECT_EQ(read_bitmap(in.file, &header, nullptr, nullptr, true), -3);
    EXPECT_EQ(read_bitmap_from_buffer(file.data(), file.size(), &header, nullptr, nullptr), -3);
    EXPECT_EQ(read_bitmap(nullptr, &header, nullptr, &none, false), -1);
    EXPECT_EQ(read_bitmap_from_buffer(nullptr, 0, &header, nullptr, &none), -1);
    EXPECT_EQ(check_bitmap_header(in.file, nullptr), -1);
}

#ifndef _WIN32  // the failing stream is made with the C library's fopencookie
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

TEST(BitmapWrite, EachFailingStepAndEachRefusedArgumentIsReported)
{
    // 3 × 2 at 4 bits: 54 header bytes, 64 palette bytes, two rows of 4.
    BitmapHeader header;
    ASSERT_EQ(init_bitmap_header(&header, 3, 2, 4), 0);
    const Bytes palette(64, 0x11);
    const Bytes pixels{1, 2, 3, 4, 5, 6};
    const std::string errno_text = "ERROR: " + std::to_string(ENOSPC) + ": ";
    const std::string write_error = errno_text + "書き込みエラー\n";
    const std::string no_palette = "ERROR: write_bitmap: パレットを書き込めません\n";
    BitmapHeader two_bits = header;
    two_bits.bit_count = 2;
    BitmapHeader no_height = header;
    no_height.height = 0;

    struct Case {
        const char* name;
        std::size_t budget;
        const BitmapHeader* header;
        Bytes palette;
        Bytes pixels;
        std::string message;
    };
    const Case cases[] = {
        {"no room", 0, &header, palette, pixels, write_error + "ERROR: write_bitmap: ヘッダを書き込めません\n"},
        {"half a header", 53, &header, palette, pixels, write_error + "ERROR: write_bitmap: ヘッダを書き込めません\n"},
        {"no room for the palette", 54, &header, palette, pixels, write_error + no_palette},
        {"no room for the zeros", 54 + 63, &header, {}, pixels, errno_text + "write_bitmap: パレットを書き込めません\n"},
        {"no room for row 2", 54 + 64 + 4, &header, palette, pixels, write_error},
        {"half of row 2", 54 + 64 + 7, &header, {}, pixels, write_error},
        {"bit count", 999, &two_bits, palette, pixels, "ERROR: write_bitmap: サポートしていないビット数です\n"},
        {"no height", 999, &no_height, palette, pixels, ""},
        {"short palette", 999, &header, Bytes(60, 0), pixels, ""},
        {"short pixels", 999, &header, palette, Bytes(5, 0), ""},
        {"no header", 999, nullptr, palette, pixels, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BudgetStream out(c.budget);
        std::int32_t status = 0;
        EXPECT_EQ(test_capture::output_of([&] { status = write_bitmap(out.file, c.header, c.palette, c.pixels); }),
                  test_capture::console(c.message));
        EXPECT_EQ(status, -1);
        if (c.budget == 999) {
            EXPECT_EQ(out.budget, 999u);  // refused before a byte was written
        }
    }
    BudgetStream enough(54 + 64 + 8);
    EXPECT_EQ(write_bitmap(enough.file, &header, palette, pixels), 0);
    EXPECT_EQ(write_bitmap(nullptr, &header, palette, pixels), -1);
}
#endif

}  // namespace
