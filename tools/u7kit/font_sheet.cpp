// fontsheet: every glyph of every font of FONTS.VGA drawn on one PNG image,
// a grid per font, each glyph at its origin and baseline under its code in
// hex, labelled with a tiny pixel font of our own.
#include "tools/u7kit/u7kit.h"

#include "common/command_line.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <cerrno>
#include <variant>

namespace {

constexpr const char* DEFAULT_FONT_FILE = "FONTS.VGA";
constexpr const char* DEFAULT_SHEET_FILE = "fonts.png";

const std::vector<const char*> USAGE = {
    "使用方法: u7kit fontsheet [オプション] [フォントファイル]\n",
    "機    能: 全フォントの全文字を1枚のPNG画像に描きます\n",
    "オプション:\n",
    "    -o ファイル名           指定したファイルにPNG画像を出力します\n",
    "                            (fonts.png)\n",
    "       --palette ファイル名 このパレットファイルのパレット0で色を付けます\n",
    "                            (指定しないときは固定の色)\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "フォントファイルを指定しないときは FONTS.VGA を読みます\n",
    "\n",
};

// The decode canvas: 256 × 256, the origin in the middle; 0xFF where the
// glyph does not reach.
constexpr int CANVAS_SIZE = 256;
constexpr int CANVAS_ORIGIN = 128;
constexpr std::uint8_t UNCOVERED = 0xFF;

// Sheet geometry, in unscaled pixels.
constexpr int MARGIN = 2;
constexpr int TITLE_HEIGHT = 8;      // "FONT nn" and a gap
constexpr int LABEL_HEIGHT = 6;      // two hex digits and a gap
constexpr int LABEL_WIDTH = 7;       // 3 + 1 + 3
constexpr int CELL_PAD = 1;
constexpr int BLOCK_GAP = 4;

using Rgb = std::array<std::uint8_t, 3>;
constexpr Rgb PAGE = {255, 255, 255};
constexpr Rgb GRID = {160, 160, 160};
constexpr Rgb CELL = {232, 232, 232};
constexpr Rgb GUIDE = {200, 208, 224};  // baseline row and origin column
constexpr Rgb INK = {0, 0, 0};
constexpr Rgb FAILED = {224, 0, 0};

// 3 × 5 digits and the letters of "FONT", one row of three bits a line.
struct TinyGlyph {
    char character;
    std::array<std::uint8_t, 5> rows;
};
constexpr TinyGlyph TINY_FONT[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'O', {2, 5, 5, 5, 2}}, {'N', {5, 7, 7, 7, 5}}, {'T', {7, 2, 2, 2, 2}},
};

// One glyph decoded and cut to its extents (clamped to the canvas).
struct DecodedGlyph {
    bool decoded = false;
    int left = 0;
    int right = 0;
    int ascent = 0;
    int descent = 0;
    std::vector<std::uint8_t> pixels;  // (left + right) × (ascent + descent)
};

struct DecodedFont {
    int entry = 0;
    std::vector<DecodedGlyph> glyphs;
    int left = 0;
    int right = 0;
    int ascent = 0;
    int descent = 0;
    int cell_width = 0;
    int cell_height = 0;
    int columns = 0;
    int rows = 0;
    int block_width() const { return std::max(columns * (cell_width + 1) + 1, 4 * 4 * 2); }
    int block_height() const { return TITLE_HEIGHT + rows * (cell_height + 1) + 1; }
};

int clamp_extent(std::int32_t value)
{
    return std::clamp(static_cast<int>(value), 0, CANVAS_ORIGIN);
}

DecodedGlyph decode_glyph(const ShapeFrame& frame, std::vector<std::uint8_t>& canvas)
{
    DecodedGlyph glyph;
    std::int32_t right = 0;
    std::int32_t left = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    if (frame.data.empty() ||
        decode_shape(canvas.data(), CANVAS_SIZE, CANVAS_SIZE, UNCOVERED, CANVAS_ORIGIN, CANVAS_ORIGIN, &right, &left,
                     &ascent, &descent, frame.data.data(), static_cast<std::int32_t>(frame.size()), nullptr) != 0) {
        return glyph;
    }
    glyph.decoded = true;
    glyph.left = clamp_extent(left);
    glyph.right = clamp_extent(right);
    glyph.ascent = clamp_extent(ascent);
    glyph.descent = clamp_extent(descent);
    const int width = glyph.left + glyph.right;
    const int height = glyph.ascent + glyph.descent;
    glyph.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const auto* row = canvas.data() + static_cast<std::size_t>((CANVAS_ORIGIN - glyph.ascent + y) * CANVAS_SIZE +
                                                                   (CANVAS_ORIGIN - glyph.left));
        std::copy(row, row + width, glyph.pixels.begin() + static_cast<std::ptrdiff_t>(y * width));
    }
    return glyph;
}

DecodedFont decode_font(int entry, const Shape& shape, std::vector<std::uint8_t>& canvas)
{
    DecodedFont font;
    font.entry = entry;
    for (const ShapeFrame& frame : shape.frames) {
        font.glyphs.push_back(decode_glyph(frame, canvas));
        const DecodedGlyph& glyph = font.glyphs.back();
        font.left = std::max(font.left, glyph.left);
        font.right = std::max(font.right, glyph.right);
        font.ascent = std::max(font.ascent, glyph.ascent);
        font.descent = std::max(font.descent, glyph.descent);
    }
    const int glyph_width = std::max(font.left + font.right, 1);
    const int glyph_height = std::max(font.ascent + font.descent, 1);
    font.cell_width = std::max(glyph_width, LABEL_WIDTH) + 2 * CELL_PAD;
    font.cell_height = LABEL_HEIGHT + glyph_height + 2 * CELL_PAD;
    const int count = static_cast<int>(font.glyphs.size());
    font.columns = std::min(count, FONT_SHEET_COLUMNS);
    font.rows = (count + FONT_SHEET_COLUMNS - 1) / FONT_SHEET_COLUMNS;
    return font;
}

// Draws in unscaled coordinates onto the scaled image.
struct Canvas {
    RgbImage& image;

    void put(int x, int y, const Rgb& colour)
    {
        for (int dy = 0; dy < FONT_SHEET_SCALE; ++dy) {
            auto* pixel = image.pixels.data() +
                          (static_cast<std::size_t>(y * FONT_SHEET_SCALE + dy) * static_cast<std::size_t>(image.width) +
                           static_cast<std::size_t>(x * FONT_SHEET_SCALE)) * 3;
            for (int dx = 0; dx < FONT_SHEET_SCALE; ++dx, pixel += 3) std::copy(colour.begin(), colour.end(), pixel);
        }
    }
    void fill(int x, int y, int width, int height, const Rgb& colour)
    {
        for (int r = y; r < y + height; ++r) {
            for (int c = x; c < x + width; ++c) put(c, r, colour);
        }
    }
    void text(int x, int y, const char* characters, const Rgb& colour)
    {
        for (; *characters != '\0'; ++characters, x += 4) {
            for (const TinyGlyph& tiny : TINY_FONT) {
                if (tiny.character != *characters) continue;
                for (int r = 0; r < 5; ++r) {
                    for (int c = 0; c < 3; ++c) {
                        if ((tiny.rows[static_cast<std::size_t>(r)] >> (2 - c) & 1) != 0) put(x + c, y + r, colour);
                    }
                }
            }
        }
    }
};

void draw_font(Canvas& canvas, const DecodedFont& font, int top, const RgbPalette* palette, FontSheet& sheet)
{
    char title[16];
    std::snprintf(title, sizeof title, "FONT %02d", font.entry);
    canvas.text(MARGIN, top + 1, title, INK);
    const int grid_top = top + TITLE_HEIGHT;
    canvas.fill(MARGIN, grid_top, font.columns * (font.cell_width + 1) + 1, font.rows * (font.cell_height + 1) + 1, GRID);
    for (std::size_t j = 0; j < font.glyphs.size(); ++j) {
        const DecodedGlyph& glyph = font.glyphs[j];
        const int column = static_cast<int>(j) % FONT_SHEET_COLUMNS;
        const int row = static_cast<int>(j) / FONT_SHEET_COLUMNS;
        const int x = MARGIN + 1 + column * (font.cell_width + 1);
        const int y = grid_top + 1 + row * (font.cell_height + 1);
        canvas.fill(x, y, font.cell_width, font.cell_height, CELL);
        char code[8];
        std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(j & 0xFF));
        canvas.text(x + CELL_PAD, y + CELL_PAD, code, glyph.decoded ? INK : FAILED);
        const int area_x = x + CELL_PAD;
        const int area_y = y + CELL_PAD + LABEL_HEIGHT;
        const int area_width = font.cell_width - 2 * CELL_PAD;
        const int area_height = font.cell_height - 2 * CELL_PAD - LABEL_HEIGHT;
        const int origin_x = area_x + font.left;
        const int origin_y = area_y + font.ascent;
        sheet.glyphs.push_back(GlyphPlace{font.entry, static_cast<int>(j), origin_x, origin_y, glyph.decoded});
        if (!glyph.decoded) {
            // A cross over the empty cell.
            const int size = std::min(area_width, area_height);
            for (int k = 0; k < size; ++k) {
                canvas.put(area_x + k, area_y + k, FAILED);
                canvas.put(area_x + size - 1 - k, area_y + k, FAILED);
            }
            ++sheet.failed_glyphs;
            continue;
        }
        canvas.fill(area_x, origin_y, area_width, 1, GUIDE);
        canvas.fill(origin_x, area_y, 1, area_height, GUIDE);
        const int width = glyph.left + glyph.right;
        for (int r = 0; r < glyph.ascent + glyph.descent; ++r) {
            for (int c = 0; c < width; ++c) {
                const std::uint8_t index = glyph.pixels[static_cast<std::size_t>(r * width + c)];
                if (index == UNCOVERED) continue;
                canvas.put(origin_x - glyph.left + c, origin_y - glyph.ascent + r, glyph_colour(index, palette));
            }
        }
    }
}

}  // namespace

std::array<std::uint8_t, 3> glyph_colour(std::uint8_t index, const RgbPalette* palette)
{
    if (palette != nullptr) {
        const std::size_t at = static_cast<std::size_t>(index) * 3;
        return {(*palette)[at], (*palette)[at + 1], (*palette)[at + 2]};
    }
    if (index == 0) return INK;
    // Steps that are prime to 200 send neighbouring indices far apart.
    return {static_cast<std::uint8_t>(index * 53 % 200), static_cast<std::uint8_t>((index * 97 + 60) % 200),
            static_cast<std::uint8_t>((index * 151 + 120) % 200)};
}

FontSheet render_font_sheet(const FlexArchive& archive, const RgbPalette* palette)
{
    std::vector<std::uint8_t> canvas(static_cast<std::size_t>(CANVAS_SIZE * CANVAS_SIZE));
    std::vector<DecodedFont> fonts;
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const FlexEntry& entry = archive.entries[i];
        const Shape* shape = std::get_if<Shape>(&entry.object);
        if (entry.empty() || shape == nullptr || shape->frames.empty()) continue;
        fonts.push_back(decode_font(static_cast<int>(i), *shape, canvas));
    }
    int width = 4 * 4 * 2;
    int height = MARGIN;
    for (const DecodedFont& font : fonts) {
        width = std::max(width, font.block_width());
        height += font.block_height() + BLOCK_GAP;
    }
    width += 2 * MARGIN;
    height += MARGIN;

    FontSheet sheet;
    sheet.fonts = static_cast<int>(fonts.size());
    sheet.image.width = width * FONT_SHEET_SCALE;
    sheet.image.height = height * FONT_SHEET_SCALE;
    sheet.image.pixels.assign(static_cast<std::size_t>(sheet.image.width) * static_cast<std::size_t>(sheet.image.height) * 3,
                              PAGE[0]);
    Canvas drawing{sheet.image};
    int top = MARGIN;
    for (const DecodedFont& font : fonts) {
        draw_font(drawing, font, top, palette, sheet);
        top += font.block_height() + BLOCK_GAP;
    }
    return sheet;
}

int run_fontsheet(int argc, char** argv)
{
    std::string sheet_file = DEFAULT_SHEET_FILE;
    std::string palette_file;
    const SubcommandSyntax syntax{{{"-o", &sheet_file}, {"--palette", &palette_file}},
                                  {},
                                  U7KIT_VERSION_BANNER,
                                  USAGE};
    std::vector<std::string> inputs;
    if (!parse_subcommand_line(argc, argv, syntax, inputs, false)) return 1;
    const std::string font_file = inputs.empty() ? DEFAULT_FONT_FILE : inputs[0];
    if (is_same_file(sheet_file.c_str(), font_file.c_str()) ||
        (!palette_file.empty() && is_same_file(sheet_file.c_str(), palette_file.c_str()))) {
        console_printf("ERROR: 入力ファイルと出力ファイルが同じです: %s\n", sheet_file.c_str());
        return 1;
    }

    RgbPalette game_palette{};
    const RgbPalette* palette = nullptr;
    if (load_palette_option(palette_file, game_palette, &palette) != 0) return 1;
    FlexArchivePtr archive;
    if (read_flexfile_with_readfunc(&archive, font_file.c_str(), read_shape_from_buffer) != 0) {
        console_printf("ERROR: %s を読み込めません\n", font_file.c_str());
        return 1;
    }
    for (std::size_t i = 0; i < archive->entries.size(); ++i) {
        const FlexEntry& entry = archive->entries[i];
        if (!entry.empty() && !std::holds_alternative<Shape>(entry.object)) {
            console_printf("WARNING: フォントではないエントリを飛ばします: [%d]\n", static_cast<int>(i));
        }
    }
    const FontSheet sheet = render_font_sheet(*archive, palette);
    free_flexfile(archive);
    if (sheet.fonts == 0) {
        console_printf("ERROR: フォントがありません: %s\n", font_file.c_str());
        return 1;
    }
    if (write_png_image(sheet_file.c_str(), sheet.image) != 0) {
        console_printf("ERROR: %s を作成できません\n", sheet_file.c_str());
        return 1;
    }
    if (sheet.failed_glyphs != 0) {
        console_printf("WARNING: 展開できない文字が%d個あります(×印のマス)\n", sheet.failed_glyphs);
    }
    console_printf("INFORMATION: フォント%d個、文字%d個を描きました: %s %dx%d\n", sheet.fonts,
                   static_cast<int>(sheet.glyphs.size()), sheet_file.c_str(), sheet.image.width, sheet.image.height);
    console_printf("処理完了\n");
    return 0;
}
