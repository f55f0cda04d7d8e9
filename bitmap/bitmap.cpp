#include "bitmap/bitmap.h"

#include "bitmap/bitmap_sizes.h"
#include "common/byte_cursor.h"
#include "common/byte_order.h"
#include "common/checked_size.h"
#include "common/console.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

// A BMP file of the version 3 layout, all numbers little-endian:
//
//   0    2  "BM"
//   2    4  file size
//   6    2  reserved 1
//   8    2  reserved 2
//   10   4  data offset (of the pixel rows)
//   14   4  info size (40)
//   18   4  width
//   22   4  height (rows stored bottom-up)
//   26   2  planes (1)
//   28   2  bit count (1, 4, 8, 16, 24, 32)
//   30   4  compression (0)
//   34   4  image size (bytes of pixel rows)
//   38   4  horizontal resolution
//   42   4  vertical resolution
//   46   4  colours used
//   50   4  important colours
//   54      palette: 2^bit count entries of blue, green, red, reserved
//           (1, 4 and 8 bits only), so the rows start at 62, 118 or 1078
//           (54 for 16, 24 and 32 bits)
//           rows, the bottom row first, each padded to a multiple of 4 bytes
//           (1 bit: 8 pixels a byte, highest bit first; 4 bits: 2 pixels a
//           byte, high nibble first)

namespace {

using namespace bitmap_sizes;

constexpr const char* MODULE = "bitmap";
constexpr std::uint64_t MAX_FILE_SIZE = std::numeric_limits<std::uint32_t>::max();
// Bytes of pixel rows taken from a file in one read.
constexpr std::size_t READ_CHUNK_SIZE = std::size_t{1} << 20;
// The compression value of BI_BITFIELDS: masks after the header, which
// only BMP files of later header versions describe fully.
constexpr std::uint32_t BITMAP_BITFIELDS = 3;

void report_memory_exhausted(int line)
{
    print_memory_exhausted(MODULE, line);
}

// Stored row size for a width: rows are padded to a multiple of 4 bytes.
// -1 (all bits set) for an unsupported bit count or a negative width.
std::int64_t bitmap_row_size(std::int64_t width, std::int64_t bit_count)
{
    if (width < 0) return -1;
    switch (bit_count) {
    case 1: return ((width + 7) / 8 + 3) / 4 * 4;
    case 4: return ((width + 1) / 2 + 3) / 4 * 4;
    case 8:
    case 16:
    case 24: return (width * (bit_count / 8) + 3) / 4 * 4;
    case 32: return width * 4;
    default: return -1;
    }
}

// The sizes of an image, all within the module's limits.
struct BitmapLayout {
    std::size_t palette_bytes = 0;  // 0 for direct colour
    std::size_t stored_row_size = 0;
    std::size_t stored_size = 0;  // of the pixel rows in the file
    std::size_t pixel_row_size = 0;  // in memory
    std::size_t pixel_size = 0;      // in memory
};

// Nothing for an unsupported bit count, a width or height of 0 or less, or
// an image whose header offset plus rows would pass a 32-bit file size or
// whose pixel array would pass BITMAP_MAX_PIXEL_BYTES.
std::optional<BitmapLayout> bitmap_layout(const BitmapHeader& header)
{
    if (!is_supported_bit_count(header.bit_count) || header.width <= 0 || header.height <= 0) {
        return std::nullopt;
    }
    const std::int64_t stored_row_size = bitmap_row_size(header.width, header.bit_count);
    if (static_cast<std::uint64_t>(stored_row_size) > MAX_FILE_SIZE) return std::nullopt;
    const auto width = static_cast<std::size_t>(header.width);
    const auto height = static_cast<std::size_t>(header.height);
    const auto row_size = static_cast<std::size_t>(stored_row_size);
    const std::size_t palette_bytes = std::size_t{palette_entries(header.bit_count)} * PALETTE_ENTRY_SIZE;

    const auto file_size = checked_count_size(row_size, height, BITMAP_HEADER_SIZE + palette_bytes);
    const auto pixel_row_size = checked_count_size(width, bytes_per_pixel(header.bit_count));
    if (!file_size || *file_size > MAX_FILE_SIZE || !pixel_row_size || *pixel_row_size > BITMAP_MAX_PIXEL_BYTES) {
        return std::nullopt;
    }
    const auto pixel_size = checked_count_size(*pixel_row_size, height);
    if (!pixel_size || *pixel_size > BITMAP_MAX_PIXEL_BYTES) return std::nullopt;

    BitmapLayout layout;
    layout.palette_bytes = palette_bytes;
    layout.stored_row_size = row_size;
    layout.stored_size = row_size * height;
    layout.pixel_row_size = *pixel_row_size;
    layout.pixel_size = *pixel_size;
    return layout;
}

// ---------------------------------------------------------------------------
// Header check

std::int32_t check_header_bytes(const std::uint8_t* data, std::size_t size, int read_errno, BitmapHeader& header)
{
    ByteCursor cursor = make_byte_cursor(data, size);
    if (!has_bytes(cursor, BITMAP_HEADER_SIZE)) {
        // A short file is no read error.
        if (read_errno != 0) {
            console_printf("ERROR: %d: 読み込みエラー\n", read_errno);
        } else {
            console_printf("ERROR: check_bitmap_header: ヘッダが途中で終わっています\n");
        }
        return -1;
    }
    const std::uint8_t* magic = take_bytes(cursor, 2);
    if (magic[0] != 'B' || magic[1] != 'M') {
        console_printf("ERROR: check_bitmap_header: BMPファイルではありません\n");
        return -1;
    }

    header.file_size = read_le32(cursor);
    header.reserved1 = read_le16(cursor);
    header.reserved2 = read_le16(cursor);
    header.data_offset = read_le32(cursor);
    header.info_size = read_le32(cursor);
    header.width = static_cast<std::int32_t>(read_le32(cursor));
    header.height = static_cast<std::int32_t>(read_le32(cursor));
    header.planes = read_le16(cursor);
    header.bit_count = read_le16(cursor);
    header.compression = read_le32(cursor);
    header.image_size = read_le32(cursor);
    header.x_resolution = static_cast<std::int32_t>(read_le32(cursor));
    header.y_resolution = static_cast<std::int32_t>(read_le32(cursor));
    header.colours_used = read_le32(cursor);
    header.important_colours = read_le32(cursor);

    if (header.info_size != BITMAP_INFO_SIZE) {
        console_printf("ERROR: check_bitmap_header: サポートしていない形式です - Windows V3形式のみサポートしています\n");
        return -1;
    }
    if (header.planes != 1) {
        console_printf("ERROR: check_bitmap_header: プレーン数が1ではありません: %u\n", static_cast<unsigned>(header.planes));
        return -1;
    }
    if (header.compression == BITMAP_BITFIELDS) {
        console_printf("ERROR: check_bitmap_header: BI_BITFIELDS形式はサポートしていません\n");
        return -1;
    }
    if (header.compression != 0) {
        console_printf("ERROR: check_bitmap_header: 圧縮はサポートしていません\n");
        return -1;
    }
    if (!is_supported_bit_count(header.bit_count)) {
        console_printf("ERROR: check_bitmap_header: 不正なビット数です\n");
        return -1;
    }
    const auto expected_offset =
        static_cast<std::uint32_t>(BITMAP_HEADER_SIZE + palette_entries(header.bit_count) * PALETTE_ENTRY_SIZE);
    if (header.data_offset != expected_offset) {
        console_printf("ERROR: check_bitmap_header: オフセット値が一致しません: 0x%X != 0x%X\n", header.data_offset,
                       expected_offset);
        return -1;
    }
    if (header.height < 0 && header.width > 0) {
        console_printf("ERROR: check_bitmap_header: トップダウン形式(高さが負)の画像はサポートしていません\n");
        return -1;
    }
    if (header.width <= 0 || header.height <= 0) {
        console_printf("ERROR: check_bitmap_header: 不正な画像サイズです: %d x %d\n", header.width, header.height);
        return -1;
    }
    const std::optional<BitmapLayout> layout = bitmap_layout(header);
    if (!layout) {
        console_printf("ERROR: check_bitmap_header: 画像が大きすぎます: %d x %d\n", header.width, header.height);
        return -1;
    }
    // Both fit in 32 bits: the layout keeps offset plus rows within them.
    const auto expected_length = static_cast<std::uint32_t>(layout->stored_size);
    const std::uint32_t expected_file_size = expected_offset + expected_length;

    std::int32_t result = 0;
    if (header.image_size == 0) {
        console_printf("WARNING: check_bitmap_header: データ長が0です ... 修正します: 0x%X\n", expected_length);
        header.image_size = expected_length;
        result = 1;
    }
    if (header.image_size != expected_length) {
        console_printf("ERROR: check_bitmap_header: データ長が一致しません: 0x%X != 0x%X\n", header.image_size,
                       expected_length);
        return -1;
    }
    if (header.file_size > expected_file_size) {
        console_printf("WARNING: check_bitmap_header: ファイル長が一致しません: 0x%X > 0x%X\n", header.file_size,
                       expected_file_size);
        return result + 1;
    }
    if (header.file_size < expected_file_size) {
        console_printf("ERROR: check_bitmap_header: ファイル長が一致しません: 0x%X < 0x%X\n", header.file_size,
                       expected_file_size);
        return -1;
    }
    return result;
}

// ---------------------------------------------------------------------------
// Reading

// True when a caller's buffer is empty (to be sized) or already of the size.
bool fits_slot(const std::vector<std::uint8_t>* slot, std::size_t size)
{
    return slot == nullptr || slot->empty() || slot->size() == size;
}

bool slots_fit(const BitmapLayout& layout, const std::vector<std::uint8_t>* palette,
               const std::vector<std::uint8_t>* pixels)
{
    return fits_slot(pixels, layout.pixel_size) && (layout.palette_bytes == 0 || fits_slot(palette, layout.palette_bytes));
}

// Sizes an empty slot; false (after the memory line) when memory runs out.
bool size_slot(std::vector<std::uint8_t>& slot, std::size_t size, int line)
{
    if (!slot.empty()) return true;
    try {
        slot.resize(size);
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(line);
        return false;
    }
    return true;
}

// One stored row into width bytes of memory.
void unpack_row(const std::uint8_t* stored, std::uint8_t* out, std::size_t width, std::uint16_t bit_count,
                std::size_t pixel_row_size)
{
    switch (bit_count) {
    case 1:
        for (std::size_t x = 0; x < width; ++x) {
            out[x] = static_cast<std::uint8_t>((stored[x / 8] >> (7 - x % 8)) & 1);
        }
        break;
    case 4:
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t pair = stored[x / 2];
            out[x] = static_cast<std::uint8_t>(x % 2 == 0 ? pair >> 4 : pair & 0x0F);
        }
        break;
    default: std::memcpy(out, stored, pixel_row_size); break;
    }
}

// The palette and the rows behind the header, from bytes that need not hold
// them all.  read_errno is the error number of the read that gave the bytes.
std::int32_t read_bitmap_body(ByteCursor& cursor, int read_errno, const BitmapHeader& header,
                              const BitmapLayout& layout, std::vector<std::uint8_t>* palette,
                              std::vector<std::uint8_t>& pixels)
{
    const std::uint8_t* stored_palette = nullptr;
    if (layout.palette_bytes > 0) {
        if (palette != nullptr) {
            stored_palette = take_bytes(cursor, layout.palette_bytes);
            if (stored_palette == nullptr) {
                console_printf("ERROR: %d: 読み込みエラー\n", read_errno);
                console_printf("ERROR: read_bitmap: パレットを読み込めません\n");
                return -1;
            }
        } else if (!skip_bytes(cursor, layout.palette_bytes)) {
            console_printf("ERROR: read_bitmap: ビットマップデータを読み込めません\n");
            return -1;
        }
    }
    // Every row must be there before the pixel array is made.
    const std::uint8_t* rows = take_bytes(cursor, layout.stored_size);
    if (rows == nullptr) {
        console_printf("ERROR: read_bitmap: ビットマップデータを読み込めません\n");
        return -1;
    }

    if (!size_slot(pixels, layout.pixel_size, __LINE__)) return -2;
    if (stored_palette != nullptr) {
        if (!size_slot(*palette, layout.palette_bytes, __LINE__)) return -2;
        std::memcpy(palette->data(), stored_palette, layout.palette_bytes);
    }
    const auto width = static_cast<std::size_t>(header.width);
    const auto height = static_cast<std::size_t>(header.height);
    for (std::size_t k = 0; k < height; ++k) {
        unpack_row(rows + k * layout.stored_row_size, pixels.data() + (height - 1 - k) * layout.pixel_row_size, width,
                   header.bit_count, layout.pixel_row_size);
    }
    return 0;
}

// Reads up to size bytes, in chunks so that a file shorter than its header
// claims never makes a buffer larger than what it holds.  The error number
// of a short read lands in read_errno.  False when memory runs out.
bool read_up_to(std::FILE* file, std::size_t size, std::vector<std::uint8_t>& bytes, int& read_errno)
{
    read_errno = 0;
    errno = 0;
    try {
        while (bytes.size() < size) {
            const std::size_t chunk = std::min(size - bytes.size(), READ_CHUNK_SIZE);
            const std::size_t start = bytes.size();
            bytes.resize(start + chunk);
            const std::size_t got = std::fread(bytes.data() + start, 1, chunk, file);
            bytes.resize(start + got);
            if (got < chunk) {
                read_errno = errno;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Writing

// One block write.  The stream's error flag is asked as well: an unbuffered
// stream can report a failed write as complete.
bool write_block(std::FILE* file, const std::uint8_t* data, std::size_t size)
{
    return std::fwrite(data, 1, size, file) == size && std::ferror(file) == 0;
}

// At most 256 entries of 4 bytes, in one write.
std::int32_t write_palette(std::FILE* file, std::span<const std::uint8_t> palette, std::size_t entries)
{
    if (entries > 256 || palette.size() < entries * PALETTE_ENTRY_SIZE) return -1;
    const std::size_t size = entries * PALETTE_ENTRY_SIZE;
    if (size > 0 && !write_block(file, palette.data(), size)) {
        console_printf("ERROR: %d: 書き込みエラー\n", errno);
        return -1;
    }
    return 0;
}

// One memory row into a stored row (padding already zero).
void pack_row(const std::uint8_t* pixels, std::uint8_t* stored, std::size_t width, std::uint16_t bit_count,
              std::size_t pixel_row_size)
{
    switch (bit_count) {
    case 1:
        for (std::size_t x = 0; x < width; ++x) {
            if (pixels[x] != 0) stored[x / 8] = static_cast<std::uint8_t>(stored[x / 8] | (0x80 >> (x % 8)));
        }
        break;
    case 4:
        for (std::size_t x = 0; x < width; ++x) {
            const auto nibble = static_cast<std::uint8_t>(pixels[x] & 0x0F);
            stored[x / 2] = static_cast<std::uint8_t>(stored[x / 2] | (x % 2 == 0 ? nibble << 4 : nibble));
        }
        break;
    default: std::memcpy(stored, pixels, pixel_row_size); break;
    }
}

void store_header_bytes(const BitmapHeader& header, std::uint8_t* out)
{
    *out++ = 'B';
    *out++ = 'M';
    out = write_le32_to_buffer(out, header.file_size);
    out = write_le16_to_buffer(out, header.reserved1);
    out = write_le16_to_buffer(out, header.reserved2);
    out = write_le32_to_buffer(out, header.data_offset);
    out = write_le32_to_buffer(out, header.info_size);
    out = write_le32_to_buffer(out, static_cast<std::uint32_t>(header.width));
    out = write_le32_to_buffer(out, static_cast<std::uint32_t>(header.height));
    out = write_le16_to_buffer(out, header.planes);
    out = write_le16_to_buffer(out, header.bit_count);
    out = write_le32_to_buffer(out, header.compression);
    out = write_le32_to_buffer(out, header.image_size);
    out = write_le32_to_buffer(out, static_cast<std::uint32_t>(header.x_resolution));
    out = write_le32_to_buffer(out, static_cast<std::uint32_t>(header.y_resolution));
    out = write_le32_to_buffer(out, header.colours_used);
    write_le32_to_buffer(out, header.important_colours);
}

}  // namespace

std::int32_t check_bitmap_header(std::FILE* file, BitmapHeader* header)
{
    if (file == nullptr || header == nullptr) return -1;
    std::array<std::uint8_t, BITMAP_HEADER_SIZE> bytes{};
    errno = 0;
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    return check_header_bytes(bytes.data(), got, errno, *header);
}

std::int32_t check_bitmap_header_in_buffer(const std::uint8_t* data, std::size_t size, BitmapHeader* header)
{
    if (data == nullptr || header == nullptr) return -1;
    return check_header_bytes(data, size, 0, *header);
}

std::int32_t read_bitmap(std::FILE* file, BitmapHeader* header, std::vector<std::uint8_t>* palette,
                         std::vector<std::uint8_t>* pixels, bool header_read)
{
    if (pixels == nullptr) return -3;
    if (file == nullptr || header == nullptr) return -1;
    if (!header_read && check_bitmap_header(file, header) < 0) {
        console_printf("ERROR: read_bitmap: ヘッダを読み込めません\n");
        return -1;
    }
    const std::optional<BitmapLayout> layout = bitmap_layout(*header);
    if (!layout || !slots_fit(*layout, palette, pixels)) return -1;

    std::vector<std::uint8_t> bytes;
    int read_errno = 0;
    if (!read_up_to(file, layout->palette_bytes + layout->stored_size, bytes, read_errno)) return -2;
    ByteCursor cursor = make_byte_cursor(bytes.data(), bytes.size());
    return read_bitmap_body(cursor, read_errno, *header, *layout, palette, *pixels);
}

std::int32_t read_bitmap_from_buffer(const std::uint8_t* data, std::size_t size, BitmapHeader* header,
                                     std::vector<std::uint8_t>* palette, std::vector<std::uint8_t>* pixels)
{
    if (pixels == nullptr) return -3;
    if (data == nullptr || header == nullptr) return -1;
    if (check_bitmap_header_in_buffer(data, size, header) < 0) {
        console_printf("ERROR: read_bitmap: ヘッダを読み込めません\n");
        return -1;
    }
    const std::optional<BitmapLayout> layout = bitmap_layout(*header);
    if (!layout || !slots_fit(*layout, palette, pixels)) return -1;

    ByteCursor cursor = make_byte_cursor(data, size);
    skip_bytes(cursor, BITMAP_HEADER_SIZE);
    return read_bitmap_body(cursor, 0, *header, *layout, palette, *pixels);
}

std::int32_t write_bitmap(std::FILE* file, const BitmapHeader* header, std::span<const std::uint8_t> palette,
                          std::span<const std::uint8_t> pixels)
{
    if (file == nullptr || header == nullptr) return -1;
    if (!is_supported_bit_count(header->bit_count)) {
        console_printf("ERROR: write_bitmap: サポートしていないビット数です\n");
        return -1;
    }
    const std::optional<BitmapLayout> layout = bitmap_layout(*header);
    if (!layout || pixels.size() < layout->pixel_size) return -1;
    if (!palette.empty() && palette.size() < layout->palette_bytes) return -1;

    std::vector<std::uint8_t> row;
    try {
        row.resize(std::max(layout->stored_row_size, std::max(layout->palette_bytes, BITMAP_HEADER_SIZE)));
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
        return -1;
    }

    store_header_bytes(*header, row.data());
    if (!write_block(file, row.data(), BITMAP_HEADER_SIZE)) {
        console_printf("ERROR: %d: 書き込みエラー\n", errno);
        console_printf("ERROR: write_bitmap: ヘッダを書き込めません\n");
        return -1;
    }

    if (layout->palette_bytes > 0) {
        if (palette.empty()) {
            std::fill(row.begin(), row.end(), std::uint8_t{0});
            if (!write_block(file, row.data(), layout->palette_bytes)) {
                console_printf("ERROR: %d: write_bitmap: パレットを書き込めません\n", errno);
                return -1;
            }
        } else if (write_palette(file, palette, palette_entries(header->bit_count)) != 0) {
            console_printf("ERROR: write_bitmap: パレットを書き込めません\n");
            return -1;
        }
    }

    const auto width = static_cast<std::size_t>(header->width);
    const auto height = static_cast<std::size_t>(header->height);
    for (std::size_t y = height; y-- > 0;) {
        std::fill(row.begin(), row.end(), std::uint8_t{0});
        pack_row(pixels.data() + y * layout->pixel_row_size, row.data(), width, header->bit_count,
                 layout->pixel_row_size);
        if (!write_block(file, row.data(), layout->stored_row_size)) {
            console_printf("ERROR: %d: 書き込みエラー\n", errno);
            return -1;
        }
    }
    return 0;
}

std::int32_t init_bitmap_header(BitmapHeader* header, std::int32_t width, std::int32_t height, std::int32_t bit_count)
{
    if (header == nullptr) return -1;
    header->reserved1 = 0;
    header->reserved2 = 0;
    header->compression = 0;
    header->x_resolution = 0;
    header->y_resolution = 0;
    header->colours_used = 0;
    header->important_colours = 0;
    header->info_size = BITMAP_INFO_SIZE;
    header->planes = 1;
    header->width = width;
    header->height = height;
    header->bit_count = static_cast<std::uint16_t>(bit_count);
    if (!is_supported_bit_count(bit_count)) return -1;

    const std::optional<BitmapLayout> layout = bitmap_layout(*header);
    if (!layout) return -1;
    header->data_offset = static_cast<std::uint32_t>(BITMAP_HEADER_SIZE + layout->palette_bytes);
    header->image_size = static_cast<std::uint32_t>(layout->stored_size);
    header->file_size = header->data_offset + header->image_size;
    return 0;
}
