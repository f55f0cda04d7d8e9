// preview: lines of translated text drawn through the character map with a
// game font as the engine draws them (each glyph at the pen on the
// baseline, the pen advancing by the frame's width plus the font's lead),
// enlarged on one PNG image, with the lines too wide for the screen marked.
#include "tools/u7kit/u7kit.h"

#include "charmap/u7charmap.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "common/text_utils.h"
#include "glyphs/font_build.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* DEFAULT_MAP_FILE = "usecode.map";
constexpr const char* DEFAULT_PREVIEW_FILE = "preview.png";
constexpr const char* DEFAULT_FONT = "NORMAL";
constexpr const char* PALETTE_FILE = "PALETTES.FLX";
// The subtitles' width: the screen the engine draws them on.
constexpr int DEFAULT_WIDTH = 320;
constexpr int LARGEST_WIDTH = 8192;

// The picture: PREVIEW_SCALE screen pixels a game pixel, a margin round
// the lines and a gap between them.
constexpr int PREVIEW_SCALE = 3;
constexpr int MARGIN = 4;
constexpr int LINE_GAP = 2;
// The index the picture is cleared to: the fonts' transparent index.
constexpr std::uint8_t BACKGROUND_INDEX = 255;
constexpr std::array<std::uint8_t, 3> BACKGROUND = {0x70, 0x80, 0x90};
constexpr std::array<std::uint8_t, 3> WIDTH_MARK = {0x00, 0xC8, 0xFF};
constexpr std::array<std::uint8_t, 3> OVER_MARK = {0xE0, 0x20, 0x20};

const std::vector<const char*> USAGE = {
    "使用方法: u7kit preview [オプション] (--text テキスト | 翻訳ファイル...)\n",
    "機    能: テキストを文字マップとゲームのフォントでゲームと同じようにPNG画像に描きます\n",
    "オプション:\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map)\n",
    "       --game-dir フォルダ  フォントとPALETTES.FLXのあるフォルダ(.)\n",
    "       --font フォント      フォントタグまたはアーカイブ:エントリ\n",
    "                            (NORMAL、翻訳ファイルはテキストの種類のフォント)\n",
    "       --width ピクセル     これより広い行に印を付けます(320)\n",
    "    -o ファイル名           指定したファイルにPNG画像を出力します\n",
    "                            (preview.png)\n",
    "       --text テキスト      このテキストを1行描きます(何度でも指定できます)\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
};

// One line to draw, and where it came from.
struct PreviewLine {
    std::string file;
    int line_number = 0;
    std::string text;
    std::vector<std::int32_t> codes;
    std::int32_t width = 0;
};

// The code numbers of a text through the map: ASCII as it stands, every
// other character by its map code.  Characters the map lacks and invalid
// bytes are named in a WARNING and left out.
std::vector<std::int32_t> codes_of_text(const PreviewLine& line)
{
    std::vector<std::int32_t> codes;
    const std::string& text = line.text;
    std::size_t position = 0;
    int column = 1;
    while (position < text.size()) {
        const auto byte = static_cast<unsigned char>(text[position]);
        if (byte < 0x80) {
            codes.push_back(byte);
            ++position;
            ++column;
            continue;
        }
        const int size = utf8_char_length(byte);
        bool valid = size >= 2 && static_cast<std::size_t>(size) <= text.size() - position;
        for (int k = 1; valid && k < size; ++k) {
            valid = (static_cast<unsigned char>(text[position + static_cast<std::size_t>(k)]) & 0xC0) == 0x80;
        }
        if (!valid) {
            console_printf("WARNING: %s(%d行目%d文字目): 不正なUTF-8です(0x%02X)\n", line.file.c_str(), line.line_number,
                           column, static_cast<unsigned>(byte));
            ++position;
            while (position < text.size() && (static_cast<unsigned char>(text[position]) & 0xC0) == 0x80) ++position;
            ++column;
            continue;
        }
        const std::string character = text.substr(position, static_cast<std::size_t>(size));
        const char* code = lookup_charmap(character.c_str());
        const int value = code == nullptr ? -1 : get_code_value(code);
        if (value > 0) {
            codes.push_back(value);
        } else {
            console_printf("WARNING: %s(%d行目%d文字目): '%s' は文字マップにありません\n", line.file.c_str(),
                           line.line_number, column, character.c_str());
        }
        position += static_cast<std::size_t>(size);
        ++column;
    }
    return codes;
}

// The deepest descent of the font's frames.
std::int32_t font_deepest_descent(const Shape& font)
{
    std::int32_t deepest = 0;
    for (const ShapeFrame& frame : font.frames) {
        if (frame.data.size() >= 8) deepest = std::max<std::int32_t>(deepest, frame.descent);
    }
    return deepest;
}

// Takes every "--text VALUE" out of the arguments.  false after a message
// when the last one lacks its value.
bool take_text_options(int argc, char** argv, std::vector<std::string>& texts, std::vector<char*>& rest)
{
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--text") == 0) {
            if (i + 1 >= argc) {
                console_printf("ERROR: オプション%sの後にテキストがありません\n", argv[i]);
                return false;
            }
            texts.emplace_back(argv[++i]);
            continue;
        }
        rest.push_back(argv[i]);
    }
    return true;
}

}  // namespace

int run_preview(int argc, char** argv)
{
    std::vector<std::string> texts;
    std::vector<char*> arguments;
    if (!take_text_options(argc, argv, texts, arguments)) return 1;

    std::string map_file = DEFAULT_MAP_FILE;
    std::string game_dir;
    std::string font_name;
    std::string width_text;
    std::string preview_file = DEFAULT_PREVIEW_FILE;
    const SubcommandSyntax syntax{{{"-m", &map_file},
                                   {"--map", &map_file},
                                   {"--game-dir", &game_dir},
                                   {"--font", &font_name},
                                   {"--width", &width_text},
                                   {"-o", &preview_file}},
                                  {},
                                  U7KIT_VERSION_BANNER,
                                  USAGE};
    std::vector<std::string> inputs;
    if (!parse_subcommand_line(static_cast<int>(arguments.size()), arguments.data(), syntax, inputs, true)) return 1;
    if (texts.empty() && inputs.empty()) {
        console_printf("ERROR: 描くテキストがありません(--text または 翻訳ファイル)\n");
        return 1;
    }
    int width_limit = DEFAULT_WIDTH;
    if (!width_text.empty()) {
        errno = 0;
        char* end = nullptr;
        const long value = std::strtol(width_text.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || value < 1 || value > LARGEST_WIDTH) {
            console_printf("ERROR: 幅が不正です(1から%dピクセル): %s\n", LARGEST_WIDTH, width_text.c_str());
            return 1;
        }
        width_limit = static_cast<int>(value);
    }

    const FontTable table = builtin_font_table(Game::bg);
    std::string fault;
    const std::optional<FontTarget> target = font_target_by_name(table, font_name.empty() ? DEFAULT_FONT : font_name, fault);
    if (!target) {
        console_printf("ERROR: %s\n", fault.c_str());
        return 1;
    }
    const std::string archive_path = find_game_file(game_dir, target->archive);
    if (archive_path.empty()) {
        console_printf("ERROR: %s がありません: %s\n", target->archive.c_str(), game_dir.empty() ? "." : game_dir.c_str());
        return 1;
    }
    const std::string palette_path = find_game_file(game_dir, PALETTE_FILE);
    std::vector<std::string> read_files = {map_file, archive_path, palette_path};
    for (const std::string& input : inputs) read_files.push_back(input);
    if (output_is_an_input(preview_file, read_files)) return 1;

    if (load_charmap(map_file.c_str()) != 0) {
        console_printf("ERROR: %s を読み込めません\n", map_file.c_str());
        return 1;
    }
    FlexArchivePtr archive;
    if (read_archive_with_fonts(archive_path, {target->entry}, archive, "--font") != 0) return 1;
    const Shape& font = std::get<Shape>(archive->entries[static_cast<std::size_t>(target->entry)].object);
    RgbPalette game_palette{};
    const RgbPalette* palette = nullptr;
    if (!palette_path.empty()) {
        if (load_game_palette(palette_path.c_str(), game_palette) != 0) return 1;
        palette = &game_palette;
    }

    std::vector<PreviewLine> lines;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        PreviewLine line;
        line.file = "--text";
        line.line_number = static_cast<int>(i) + 1;
        line.text = texts[i];
        lines.push_back(std::move(line));
    }
    if (!inputs.empty()) {
        console_printf("ERROR: 翻訳ファイルはまだ描けません: %s\n", inputs[0].c_str());
        return 1;
    }

    int over = 0;
    std::int32_t widest = 0;
    for (PreviewLine& line : lines) {
        line.codes = codes_of_text(line);
        line.width = measure_code_line(font, line.codes, target->lead);
        widest = std::max(widest, line.width);
        if (line.width > width_limit) {
            console_printf("WARNING: %s(%d行目): 行の幅%dピクセルが%dピクセルを超えます\n", line.file.c_str(),
                           line.line_number, line.width, width_limit);
            ++over;
        }
    }

    // The lines at the game's size, then enlarged and coloured.
    const std::int32_t ascent = font_highest_ascent(font);
    const std::int32_t line_height = ascent + font_deepest_descent(font) + 1 + LINE_GAP;
    const long long plain_width = 2LL * MARGIN + std::max<long long>(width_limit, widest) + 1;
    const long long plain_height = 2LL * MARGIN + static_cast<long long>(line_height) * static_cast<long long>(lines.size());
    if (plain_width * plain_height * PREVIEW_SCALE * PREVIEW_SCALE > FONT_SHEET_MAX_PIXELS) {
        console_printf("ERROR: プレビューの画像が大きすぎます(上限%d画素): %s\n", FONT_SHEET_MAX_PIXELS,
                       preview_file.c_str());
        return 1;
    }
    IndexedImage plain;
    plain.width = static_cast<std::int32_t>(plain_width);
    plain.height = static_cast<std::int32_t>(plain_height);
    plain.pixels.assign(static_cast<std::size_t>(plain.width) * static_cast<std::size_t>(plain.height), BACKGROUND_INDEX);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        draw_code_line(plain, MARGIN, MARGIN + static_cast<std::int32_t>(i) * line_height, font, lines[i].codes,
                       target->lead);
    }

    RgbImage image;
    image.width = plain.width * PREVIEW_SCALE;
    image.height = plain.height * PREVIEW_SCALE;
    image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    const std::int32_t limit_x = MARGIN + width_limit;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::int32_t plain_y = y / PREVIEW_SCALE;
        const std::int32_t row = plain_y - MARGIN;
        const bool in_lines = row >= 0 && row < line_height * static_cast<std::int32_t>(lines.size());
        const bool over_line = in_lines && lines[static_cast<std::size_t>(row / line_height)].width > width_limit;
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::int32_t plain_x = x / PREVIEW_SCALE;
            const std::uint8_t index =
                plain.pixels[static_cast<std::size_t>(plain_y) * static_cast<std::size_t>(plain.width) +
                             static_cast<std::size_t>(plain_x)];
            std::array<std::uint8_t, 3> colour = BACKGROUND;
            if (index != BACKGROUND_INDEX) {
                colour = glyph_colour(index, palette);
            } else if (x == limit_x * PREVIEW_SCALE) {
                colour = WIDTH_MARK;
            } else if (over_line && (plain_x < MARGIN - 1 || plain_x > limit_x)) {
                // A line too wide: a bar in the margin, and the part past
                // the limit on red.
                colour = OVER_MARK;
            }
            std::uint8_t* pixel =
                image.pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                                       static_cast<std::size_t>(x)) * 3;
            std::copy(colour.begin(), colour.end(), pixel);
        }
    }
    if (write_png_image(preview_file.c_str(), image) != 0) {
        console_printf("ERROR: %s を作成できません\n", preview_file.c_str());
        return 1;
    }
    console_printf("INFORMATION: %d行を描きました(幅%dピクセルを超える行%d): %s %dx%d\n", static_cast<int>(lines.size()),
                   width_limit, over, preview_file.c_str(), image.width, image.height);
    console_printf("処理完了\n");
    return 0;
}
