// make_sample_subtitles: the sample files of the sibrel_bmp demo, and the
// check of what sibrel_bmp made of them.
//
//   make_sample_subtitles make  [archive [prefix]]   (ENDSHAPE.FLX, sibrel.)
//   make_sample_subtitles check [archive [prefix]]   (endshape.flx.new, sibrel.)
//
// make writes an archive in the layout of the game's ENDSHAPE.FLX and the
// seven subtitle images a translator would draw:
//   - the archive has 31 entries: plain data bytes everywhere but at 21 to
//     26 and 28, which hold one-frame shapes with the old subtitles
//     "INTRO 1" to "INTRO 7" (light-blue letters, black outline, the
//     subtitle frame geometry), encoded with encode_shape and written with
//     write_flexfile;
//   - prefix1.bmp to prefix7.bmp are 320 × 46 24-bit images of "SUBTITLE 1"
//     to "SUBTITLE 7": light-blue letters (red 85, green 255, blue 255) with
//     a black outline on white, written with write_bitmap.
// The letters come from a small built-in 5 × 7 font, drawn twice the size.
//
// check loads the archive as sibrel_bmp does, decodes frame 0 of every
// subtitle shape, and compares it pixel for pixel with its BMP (white
// transparent, light blue text, black outline).  It prints each frame as a
// compact drawing (one character for 2 × 2 pixels: "#" text, "." outline)
// and a verdict, and ends with status 0 only when all seven are equal.
#include "bitmap/bitmap.h"
#include "common/file_utils.h"
#include "archive/u7data_utils.h"
#include "archive/u7files.h"
#include "sample_support.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int WIDTH = 320;
constexpr int HEIGHT = 46;
constexpr std::size_t PIXELS = static_cast<std::size_t>(WIDTH) * HEIGHT;
constexpr int ORIGIN_X = 160;
constexpr int ORIGIN_Y = 0;
constexpr std::uint8_t TRANSPARENT = 255;
constexpr std::uint8_t TEXT = 11;
constexpr std::uint8_t OUTLINE = 0;
constexpr int ENTRY_COUNT = 31;
constexpr std::array<int, 7> SUBTITLE_ENTRIES = {21, 22, 23, 24, 25, 26, 28};
constexpr int SCALE = 2;

struct Glyph {
    char character;
    std::array<const char*, 7> rows;
};

const std::vector<Glyph> font = {
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
};

const Glyph* find_glyph(char character)
{
    for (const Glyph& glyph : font) {
        if (glyph.character == character) return &glyph;
    }
    return nullptr;  // a space
}

// A subtitle picture in game colours: the text centred, each letter pixel
// drawn SCALE × SCALE, then every transparent pixel next to a letter pixel
// (diagonals included) made outline.
std::vector<std::uint8_t> draw_subtitle(const std::string& text)
{
    std::vector<std::uint8_t> pixels(PIXELS, TRANSPARENT);
    const int cell = 6 * SCALE;
    const int text_width = static_cast<int>(text.size()) * cell - SCALE;
    const int left = (WIDTH - text_width) / 2 / 2 * 2;  // even, so 2 × 2 cells align with the letters
    const int top = (HEIGHT - 7 * SCALE) / 2;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const Glyph* glyph = find_glyph(text[k]);
        if (glyph == nullptr) continue;
        for (int row = 0; row < 7; ++row) {
            for (int column = 0; column < 5; ++column) {
                if (glyph->rows[static_cast<std::size_t>(row)][column] != '#') continue;
                for (int dy = 0; dy < SCALE; ++dy) {
                    for (int dx = 0; dx < SCALE; ++dx) {
                        const int x = left + static_cast<int>(k) * cell + column * SCALE + dx;
                        const int y = top + row * SCALE + dy;
                        pixels[static_cast<std::size_t>(y * WIDTH + x)] = TEXT;
                    }
                }
            }
        }
    }
    std::vector<std::uint8_t> outlined = pixels;
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            if (pixels[static_cast<std::size_t>(y * WIDTH + x)] != TRANSPARENT) continue;
            bool near_text = false;
            for (int dy = -1; dy <= 1 && !near_text; ++dy) {
                for (int dx = -1; dx <= 1 && !near_text; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    near_text = nx >= 0 && nx < WIDTH && ny >= 0 && ny < HEIGHT &&
                                pixels[static_cast<std::size_t>(ny * WIDTH + nx)] == TEXT;
                }
            }
            if (near_text) outlined[static_cast<std::size_t>(y * WIDTH + x)] = OUTLINE;
        }
    }
    return outlined;
}

// Game colours as the BMP colours a translator draws with (blue, green, red).
std::array<std::uint8_t, 3> bmp_colour(std::uint8_t game_colour)
{
    if (game_colour == TEXT) return {255, 255, 85};
    if (game_colour == OUTLINE) return {0, 0, 0};
    return {255, 255, 255};
}

int write_subtitle_bmp(const std::string& path, const std::vector<std::uint8_t>& game_pixels)
{
    BitmapHeader header;
    if (init_bitmap_header(&header, WIDTH, HEIGHT, 24) != 0) return -1;
    std::vector<std::uint8_t> pixels;
    pixels.reserve(PIXELS * 3);
    for (const std::uint8_t game_colour : game_pixels) {
        const auto colour = bmp_colour(game_colour);
        pixels.insert(pixels.end(), colour.begin(), colour.end());
    }
    FilePtr file = open_file(path.c_str(), "wb");
    if (!file) {
        std::printf("cannot create %s\n", path.c_str());
        return -1;
    }
    if (write_bitmap(file.get(), &header, {}, pixels) != 0 || close_written_file(file) != 0) {
        std::printf("cannot write %s\n", path.c_str());
        return -1;
    }
    return 0;
}

// A frame of the subtitle geometry made from game-colour pixels.
std::vector<std::uint8_t> encode_subtitle(const std::vector<std::uint8_t>& game_pixels)
{
    std::vector<std::uint8_t> frame(262144);
    std::int32_t size = static_cast<std::int32_t>(frame.size());
    if (encode_shape(game_pixels.data(), WIDTH, HEIGHT, TRANSPARENT, ORIGIN_X, ORIGIN_Y, 160, 159, 0, 46,
                     frame.data(), &size) != 1) {
        return {};
    }
    frame.resize(static_cast<std::size_t>(size));
    return frame;
}

int make_samples(const std::string& archive_path, const std::string& prefix)
{
    FlexArchive archive = sample_archive("Ultima VII end shapes (toolkit sample)", ENTRY_COUNT);
    for (int i = 0; i < ENTRY_COUNT; ++i) {
        FlexEntry& entry = archive.entries[static_cast<std::size_t>(i)];
        const auto subtitle = std::find(SUBTITLE_ENTRIES.begin(), SUBTITLE_ENTRIES.end(), i);
        if (subtitle != SUBTITLE_ENTRIES.end()) {
            const int number = static_cast<int>(subtitle - SUBTITLE_ENTRIES.begin()) + 1;
            ShapeFrame frame;
            frame.data = encode_subtitle(draw_subtitle("INTRO " + std::to_string(number)));
            if (frame.data.empty()) return -1;
            frame.right = 160;
            frame.left = 159;
            frame.descent = 46;
            Shape shape;
            shape.frames.push_back(std::move(frame));
            entry.object = std::move(shape);
            entry.type = ENTRY_SHAPE;
            entry.size = 1;  // laid out by the writer
        } else {
            // Stand-ins for the archive's other pictures: some bytes each.
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(64 + 16 * i));
            for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>(static_cast<std::size_t>(i) * 31 + k * 7);
            entry.size = static_cast<std::uint32_t>(bytes.size());
            entry.object = RawData{std::move(bytes)};
            entry.type = ENTRY_RAW;
        }
        entry.offset = 1;  // anything but 0: the entry is not empty
    }
    if (write_flexfile(&archive, archive_path.c_str()) < 0) return -1;
    for (int number = 1; number <= 7; ++number) {
        const std::string path = prefix + std::to_string(number) + ".bmp";
        if (write_subtitle_bmp(path, draw_subtitle("SUBTITLE " + std::to_string(number))) != 0) return -1;
    }
    std::printf("wrote %s (%d entries, subtitle shapes at 21-26 and 28) and %s1.bmp to %s7.bmp\n",
                archive_path.c_str(), ENTRY_COUNT, prefix.c_str(), prefix.c_str());
    return 0;
}

// The BMP's pixels in game colours; -1 for a colour that is none of the
// three a subtitle is drawn with.
int read_bmp_as_game_colours(const std::string& path, std::vector<std::uint8_t>& game_pixels)
{
    FilePtr file = open_file(path.c_str(), "rb");
    BitmapHeader header;
    std::vector<std::uint8_t> palette;
    std::vector<std::uint8_t> pixels;
    if (!file || read_bitmap(file.get(), &header, &palette, &pixels, false) != 0 || header.width != WIDTH ||
        header.height != HEIGHT || header.bit_count != 24) {
        return -1;
    }
    game_pixels.assign(PIXELS, TRANSPARENT);
    for (std::size_t i = 0; i < PIXELS; ++i) {
        const std::array<std::uint8_t, 3> colour = {pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]};
        if (colour == bmp_colour(TEXT)) {
            game_pixels[i] = TEXT;
        } else if (colour == bmp_colour(OUTLINE)) {
            game_pixels[i] = OUTLINE;
        } else if (colour != bmp_colour(TRANSPARENT)) {
            return -1;
        }
    }
    return 0;
}

// One character per 2 × 2 pixels of the box the frame covers.
void print_drawing(const std::vector<std::uint8_t>& pixels)
{
    int x0 = WIDTH, x1 = 0, y0 = HEIGHT, y1 = 0;
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            if (pixels[static_cast<std::size_t>(y * WIDTH + x)] == TRANSPARENT) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x + 1);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y + 1);
        }
    }
    if (x0 >= x1) {
        std::printf("    (nothing drawn)\n");
        return;
    }
    x0 &= ~1;
    y0 &= ~1;
    for (int y = y0; y < y1; y += 2) {
        std::string line = "    ";
        for (int x = x0; x < x1; x += 2) {
            char mark = ' ';
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    if (y + dy >= HEIGHT || x + dx >= WIDTH) continue;
                    const std::uint8_t pixel = pixels[static_cast<std::size_t>((y + dy) * WIDTH + x + dx)];
                    if (pixel == TEXT) mark = '#';
                    if (pixel == OUTLINE && mark == ' ') mark = '.';
                }
            }
            line += mark;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    }
}

int check_samples(const std::string& archive_path, const std::string& prefix)
{
    static const TypeRun types[] = {{0, 21}, {6, 6}, {0, 1}, {6, 1}, {0, 100}, {-1, 0}};
    FlexArchivePtr archive;
    int loaded = 0;
    {
        QuietStdout quiet;
        register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
        register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);
        loaded = read_flexfile(&archive, archive_path.c_str(), types);
    }
    if (loaded != 0 || archive->count < 29) {
        std::printf("cannot load %s\n", archive_path.c_str());
        return -1;
    }
    int equal_images = 0;
    for (int number = 1; number <= 7; ++number) {
        const int index = SUBTITLE_ENTRIES[static_cast<std::size_t>(number - 1)];
        const std::string path = prefix + std::to_string(number) + ".bmp";
        const Shape* shape = std::get_if<Shape>(&archive->entries[static_cast<std::size_t>(index)].object);
        std::vector<std::uint8_t> expected;
        std::vector<std::uint8_t> decoded(PIXELS);
        std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
        if (shape == nullptr || shape->frames.empty() || read_bmp_as_game_colours(path, expected) != 0 ||
            decode_shape(decoded.data(), WIDTH, HEIGHT, TRANSPARENT, ORIGIN_X, ORIGIN_Y, &right, &left, &ascent,
                         &descent, shape->frames[0].data.data(),
                         static_cast<std::int32_t>(shape->frames[0].data.size()), nullptr) != 0) {
            std::printf("[%d] frame 0 / %s: cannot be compared\n", index, path.c_str());
            continue;
        }
        std::size_t differing = 0;
        for (std::size_t i = 0; i < PIXELS; ++i) differing += decoded[i] != expected[i] ? 1u : 0u;
        std::printf("[%d] frame 0 (%zu bytes) against %s:\n", index, shape->frames[0].data.size(), path.c_str());
        print_drawing(decoded);
        if (differing == 0) {
            std::printf("    all %zu pixels equal\n", PIXELS);
            ++equal_images;
        } else {
            std::printf("    %zu of %zu pixels differ\n", differing, PIXELS);
        }
    }
    std::printf("%d of 7 subtitle frames equal their images\n", equal_images);
    return equal_images == 7 ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    const bool make = command == "make";
    if (argc > 4 || (!make && command != "check")) {
        std::printf("usage: make_sample_subtitles make|check [archive [prefix]]\n");
        return 1;
    }
    const std::string archive = argc > 2 ? argv[2] : make ? "ENDSHAPE.FLX" : "endshape.flx.new";
    const std::string prefix = argc > 3 ? argv[3] : "sibrel.";
    const int result = make ? make_samples(archive, prefix) : check_samples(archive, prefix);
    return result == 0 ? 0 : 1;
}
