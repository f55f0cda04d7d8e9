// Building the subtitle frames: each BMP is reduced to the three colours of
// a subtitle (transparent background, light-blue text, black outline),
// encoded as frame data, stored as frame 0 of its shape, then decoded again
// and compared pixel for pixel with what was encoded.
#include "subtitle/subtitle_frames.h"

#include "bitmap/bitmap.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "shape/u7shape_utils.h"

#include <cerrno>
#include <cstdio>
#include <new>
#include <variant>

namespace {

// The memory message names the program whose work this is.
constexpr const char* MODULE = "sibrel_bmp";

// Bits per pixel of the converted index image (one byte per pixel in
// memory, holding 0 to 15).
constexpr int INDEX_BIT_COUNT = 4;

}  // namespace

SubtitlePalette subtitle_palette_with_background(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    SubtitlePalette palette = DEFAULT_SUBTITLE_PALETTE;
    palette[0] = blue;
    palette[1] = green;
    palette[2] = red;
    palette[3] = 0;
    return palette;
}

std::uint8_t subtitle_game_colour(std::uint8_t index)
{
    if (index == 0) return SUBTITLE_TRANSPARENT;
    if (index == 1) return SUBTITLE_TEXT_COLOUR;
    return SUBTITLE_OUTLINE_COLOUR;
}

std::string subtitle_bmp_name(const char* prefix, int number)
{
    char name[SUBTITLE_FILE_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s%d.bmp", prefix, number);
    return name;
}

bool subtitle_prefix_fits(const std::string& prefix)
{
    const std::string longest = prefix + std::to_string(SUBTITLE_IMAGE_COUNT) + ".bmp";
    if (longest.size() < SUBTITLE_FILE_NAME_SIZE) return true;
    console_printf("ERROR: BMPファイル名が長すぎます(最大%zuバイト): %s1.bmp\n", SUBTITLE_FILE_NAME_SIZE - 1, prefix.c_str());
    return false;
}

int read_subtitle_image(const char* path, const SubtitlePalette& palette, std::vector<std::uint8_t>& game_pixels)
{
    BitmapHeader header;
    std::vector<std::uint8_t> colour_table;
    std::vector<std::uint8_t> pixels;
    {
        FilePtr file = open_file_or_report(path, "rb");
        if (!file) return -1;
        // The header's size is checked before the pixels are read, so a
        // header that claims a huge image costs no memory.
        errno = 0;
        // The header check has said why; the file is named here.
        if (check_bitmap_header(file.get(), &header) < 0) {
            console_printf("ERROR: read_bitmap: ヘッダを読み込めません\n");
            console_printf("ERROR: %s を読み込めません\n", path);
            return -1;
        }
        if (header.width != SUBTITLE_WIDTH || header.height != SUBTITLE_HEIGHT) {
            console_printf("ERROR: 画像サイズが違います: %s %d x %d\n", path, static_cast<int>(header.width),
                           static_cast<int>(header.height));
            return -1;
        }
        if (read_bitmap(file.get(), &header, &colour_table, &pixels, true) != 0) {
            console_printf("ERROR: %d: 読み込みエラー: %s\n", errno, path);
            return -1;
        }
    }
    std::vector<std::uint8_t> indices;
    if (convert_bitmap_depth(SUBTITLE_WIDTH, SUBTITLE_HEIGHT, header.bit_count, colour_table, pixels, INDEX_BIT_COUNT,
                             palette, &indices) != 0) {
        console_printf("ERROR: 画像のビット数を変換できません: %s\n", path);
        return -1;
    }
    colour_table = {};
    pixels = {};
    game_pixels.resize(SUBTITLE_PIXELS);
    for (std::size_t i = 0; i < SUBTITLE_PIXELS; ++i) game_pixels[i] = subtitle_game_colour(indices[i]);
    return 0;
}

std::int32_t decode_subtitle_frame(const ShapeFrame& frame, std::uint8_t* pixels)
{
    std::int32_t right = 0;
    std::int32_t left = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    return decode_shape(pixels, SUBTITLE_WIDTH, SUBTITLE_HEIGHT, SUBTITLE_TRANSPARENT, SUBTITLE_ORIGIN_X,
                        SUBTITLE_ORIGIN_Y, &right, &left, &ascent, &descent, frame.data.data(),
                        static_cast<std::int32_t>(frame.data.size()), nullptr);
}

int store_subtitle_frame(Shape& shape, const std::vector<std::uint8_t>& game_pixels, const char* path)
{
    if (shape.frames.empty() || game_pixels.size() != SUBTITLE_PIXELS) return -1;

    std::vector<std::uint8_t> encoded;
    try {
        encoded.resize(static_cast<std::size_t>(SUBTITLE_ENCODE_BUFFER_SIZE));
    } catch (const std::bad_alloc&) {
        print_memory_exhausted(MODULE, __LINE__);
        return -1;
    }
    std::int32_t size = SUBTITLE_ENCODE_BUFFER_SIZE;
    const std::int32_t encoded_result =
        encode_shape(game_pixels.data(), SUBTITLE_WIDTH, SUBTITLE_HEIGHT, SUBTITLE_TRANSPARENT, SUBTITLE_ORIGIN_X,
                     SUBTITLE_ORIGIN_Y, SUBTITLE_RIGHT, SUBTITLE_LEFT, SUBTITLE_ASCENT, SUBTITLE_DESCENT,
                     encoded.data(), &size);
    if (encoded_result < 0) {
        console_printf("ERROR: 画像データを変換できません: %s\n", path);
        return -1;
    }
    if (encoded_result == 0) {
        console_printf("ERROR: 画像データバッファオーバーフロー: size=%d\n", size);
        return -1;
    }

    // Frame 0 takes the new bytes; the archive writer lays the frames out
    // afresh, so the offsets stay as they are.
    ShapeFrame& frame = shape.frames[0];
    try {
        frame.data.assign(encoded.begin(), encoded.begin() + size);
    } catch (const std::bad_alloc&) {
        print_memory_exhausted(MODULE, __LINE__);
        return -1;
    }
    frame.right = static_cast<std::int16_t>(SUBTITLE_RIGHT);
    frame.left = static_cast<std::int16_t>(SUBTITLE_LEFT);
    encoded = {};

    std::vector<std::uint8_t> check;
    try {
        check.resize(SUBTITLE_PIXELS);
    } catch (const std::bad_alloc&) {
        print_memory_exhausted(MODULE, __LINE__);
        return -1;
    }
    if (decode_subtitle_frame(frame, check.data()) != 0) {
        console_printf("ERROR: 変換した画像を展開できません: %s\n", path);
        return -1;
    }
    if (check != game_pixels) {
        console_printf("ERROR: 変換した画像が元画像と一致しません: %s\n", path);
        return -1;
    }
    return 0;
}

int check_subtitle_entries(const FlexArchive& archive)
{
    for (const int index : subtitle_entries) {
        if (index >= archive.count || static_cast<std::size_t>(index) >= archive.entries.size()) {
            console_printf("ERROR: 字幕画像のエントリがありません: [%d]\n", index);
            return -1;
        }
        const FlexEntry& entry = archive.entries[static_cast<std::size_t>(index)];
        if (entry.empty()) {
            console_printf("ERROR: 字幕画像のエントリが空です: [%d]\n", index);
            return -1;
        }
        // Plain bytes (a shape whose stored size did not match stays as its
        // bytes) are never taken for a shape.
        const Shape* shape = std::get_if<Shape>(&entry.object);
        if (entry.type != ENTRY_SHAPE || shape == nullptr) {
            console_printf("ERROR: 字幕画像のエントリがシェイプではありません: [%d] type=%d\n", index, entry.type);
            return -1;
        }
        if (shape->frames.empty()) {
            console_printf("ERROR: 字幕画像のエントリにフレームがありません: [%d]\n", index);
            return -1;
        }
    }
    return 0;
}

int build_subtitle_frames(FlexArchive* archive, const char* prefix, const SubtitlePalette& palette)
{
    if (archive == nullptr || prefix == nullptr) return -1;
    if (check_subtitle_entries(*archive) != 0) return -1;
    for (int number = 1; number <= SUBTITLE_IMAGE_COUNT; ++number) {
        const std::string path = subtitle_bmp_name(prefix, number);
        std::vector<std::uint8_t> game_pixels;
        if (read_subtitle_image(path.c_str(), palette, game_pixels) != 0) return -1;
        const auto index = static_cast<std::size_t>(subtitle_entries[static_cast<std::size_t>(number - 1)]);
        Shape* shape = std::get_if<Shape>(&archive->entries[index].object);
        if (shape == nullptr || store_subtitle_frame(*shape, game_pixels, path.c_str()) != 0) return -1;
    }
    return 0;
}
