// preview: lines of translated text drawn through the character map with a
// game font as the engine draws them (each glyph at the pen on the
// baseline, the pen advancing by the frame's width plus the font's lead),
// enlarged on one PNG image, with the lines too wide for the screen marked.
#include "tools/u7kit/u7kit.h"

#include "charmap/u7charmap.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "common/line_reader.h"
#include "common/text_utils.h"
#include "glyphs/font_build.h"
#include "texts/bg_text.h"
#include "texts/exult_messages.h"
#include "texts/usecode_tables.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

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
// A font loaded for the preview.
struct PreviewFont {
    std::string name;  // the tag, or ARCHIVE:ENTRY as given
    FlexArchivePtr archive;
    const Shape* shape = nullptr;
    std::int32_t lead = 0;
    std::int32_t ascent = 0;
    std::int32_t height = 0;  // a line's rows, the gap below included
};

// One line to draw, and where it came from.
struct PreviewLine {
    std::string file;
    int line_number = 0;
    std::string text;
    std::string font;  // the font's name
    const PreviewFont* loaded = nullptr;
    std::vector<std::int32_t> codes;
    std::int32_t width = 0;
    std::int32_t top = 0;  // first row in the unscaled picture
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

// The font a record of a translation file is drawn with, as the check
// chooses it: a conversation line in the conversation font (books and
// scrolls in the book font), a message of the engine in its own font
// (whatever the record says for a known message), a subtitle line in the
// introduction's font or, at the end, the menu font.
const char* usecode_font(std::string_view type)
{
    return type == "S.BOOK" || type == "S.SCROLL" ? "BOOKS" : "NORMAL";
}

const char* exult_font(int font)
{
    switch (font) {
    case FONT_MENU: return "MENU";
    case FONT_END2: return "BG_END2";
    case FONT_END3: return "BG_END3";
    case FONT_INTRO: return "SI_INTRO";
    case FONT_END2_MENU: return "BG_END2";
    default: return "NORMAL";
    }
}

// The records of a translation file as lines to draw; records that do not
// parse are named in a WARNING and passed over.  false after a message when
// the file cannot be read.
bool read_preview_lines(const std::string& path, std::vector<PreviewLine>& lines)
{
    const CheckFormat format = check_format_of_file(path);
    if (format == CheckFormat::unknown) {
        console_printf("ERROR: 翻訳ファイルの形式がわかりません(usecode*、exultmsg*、bg_text*): %s\n", path.c_str());
        return false;
    }
    FilePtr file = open_file_or_report(path.c_str(), "rb");
    if (!file) return false;
    LineReader reader(file.get(), 4095);
    std::string_view text;
    LineStatus status = LineStatus::end;
    while ((status = reader.next(text)) != LineStatus::end) {
        if (!reader.whole()) reader.skip_rest_of_line();
        if (status == LineStatus::refused || text.empty() || text[0] == ';') continue;
        PreviewLine line;
        line.file = path;
        line.line_number = reader.line_number();
        bool parsed = false;
        if (format == CheckFormat::usecode) {
            UsecodeRecord record;
            if (!parse_usecode_record(text, UsecodeLayout::japanese, record)) {
                const std::optional<std::string> unquoted = unquote_string(std::string(record.text).c_str());
                parsed = unquoted.has_value();
                if (parsed) line.text = *unquoted;
                line.font = usecode_font(record.type);
            }
        } else if (format == CheckFormat::exultmsg) {
            ExultRecord record;
            if (!parse_exult_record(text, MessageNumbers::any, record)) {
                const MessageRow* row = find_record_row(message_table.data(), record);
                line.text = std::string(record.columns.text);
                line.font = exult_font(row != nullptr ? row->font : record.font);
                parsed = true;
            }
        } else {
            BgTextRecord record;
            if (!parse_bg_text_record(text, record)) {
                line.text = std::string(record.columns.text);
                line.font = record.kind == SUBTITLE_KIND_INTRO ? "BG_INTRO" : "MENU";
                parsed = true;
            }
        }
        if (!parsed) {
            console_printf("WARNING: %s(%d行目): 読めないレコードを飛ばします\n", path.c_str(), line.line_number);
            continue;
        }
        lines.push_back(std::move(line));
    }
    if (reader.failed()) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", errno, path.c_str());
        return false;
    }
    return true;
}

// Loads the font a name gives from the game folder.  Null after a message:
// an ERROR for a name no font has or an archive that cannot be read, a
// WARNING for an archive the folder lacks (its lines are passed over).
std::unique_ptr<PreviewFont> load_preview_font(const FontTable& table, const std::string& game_dir,
                                               const std::string& name, std::vector<std::string>& read_files,
                                               bool& failed)
{
    std::string fault;
    const std::optional<FontTarget> target = font_target_by_name(table, name, fault);
    if (!target) {
        console_printf("ERROR: %s\n", fault.c_str());
        failed = true;
        return nullptr;
    }
    const std::string path = find_game_file(game_dir, target->archive);
    if (path.empty()) {
        console_printf("WARNING: %s がないので、フォント%sの行は描きません: %s\n", target->archive.c_str(), name.c_str(),
                       game_dir.empty() ? "." : game_dir.c_str());
        return nullptr;
    }
    read_files.push_back(path);
    auto font = std::make_unique<PreviewFont>();
    if (read_archive_with_fonts(path, {target->entry}, font->archive, name) != 0) {
        failed = true;
        return nullptr;
    }
    font->name = name;
    font->shape = &std::get<Shape>(font->archive->entries[static_cast<std::size_t>(target->entry)].object);
    font->lead = target->lead;
    font->ascent = font_highest_ascent(*font->shape);
    font->height = font->ascent + font_deepest_descent(*font->shape) + 1 + LINE_GAP;
    return font;
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
    std::vector<PreviewLine> lines;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        PreviewLine line;
        line.file = "--text";
        line.line_number = static_cast<int>(i) + 1;
        line.text = texts[i];
        line.font = DEFAULT_FONT;
        lines.push_back(std::move(line));
    }
    for (const std::string& input : inputs) {
        if (!read_preview_lines(input, lines)) return 1;
    }
    if (!font_name.empty()) {
        for (PreviewLine& line : lines) line.font = font_name;
    }

    const std::string palette_path = find_game_file(game_dir, PALETTE_FILE);
    std::vector<std::string> read_files = {map_file, palette_path};
    for (const std::string& input : inputs) read_files.push_back(input);
    std::map<std::string, std::unique_ptr<PreviewFont>> fonts;
    bool failed = false;
    for (PreviewLine& line : lines) {
        auto found = fonts.find(line.font);
        if (found == fonts.end()) {
            found = fonts.emplace(line.font, load_preview_font(table, game_dir, line.font, read_files, failed)).first;
            if (failed) return 1;
        }
        line.loaded = found->second.get();
    }
    if (output_is_an_input(preview_file, read_files)) return 1;
    if (load_charmap(map_file.c_str()) != 0) {
        console_printf("ERROR: %s を読み込めません\n", map_file.c_str());
        return 1;
    }
    RgbPalette game_palette{};
    const RgbPalette* palette = nullptr;
    if (!palette_path.empty()) {
        if (load_game_palette(palette_path.c_str(), game_palette) != 0) return 1;
        palette = &game_palette;
    }

    // Lines in a font the folder lacks are not drawn.
    std::erase_if(lines, [](const PreviewLine& line) { return line.loaded == nullptr; });
    if (lines.empty()) {
        console_printf("ERROR: 描ける行がありません\n");
        return 1;
    }
    int over = 0;
    std::int32_t widest = 0;
    long long plain_height = MARGIN;
    for (PreviewLine& line : lines) {
        line.codes = codes_of_text(line);
        const Shape& font = *line.loaded->shape;
        for (const std::int32_t code : line.codes) {
            if (code >= font.count()) {
                console_printf("WARNING: %s(%d行目): コード%dはフォント%s(%d文字)にありません\n", line.file.c_str(),
                               line.line_number, code, line.font.c_str(), font.count());
            }
        }
        line.width = measure_code_line(font, line.codes, line.loaded->lead);
        widest = std::max(widest, line.width);
        if (line.width > width_limit) {
            console_printf("WARNING: %s(%d行目): 行の幅%dピクセルが%dピクセルを超えます\n", line.file.c_str(),
                           line.line_number, line.width, width_limit);
            ++over;
        }
        line.top = static_cast<std::int32_t>(std::min<long long>(plain_height, INT_MAX));
        plain_height += line.loaded->height;
    }
    plain_height += MARGIN;

    // The lines at the game's size, then enlarged and coloured.
    const long long plain_width = 2LL * MARGIN + std::max<long long>(width_limit, widest) + 1;
    if (plain_width * plain_height * PREVIEW_SCALE * PREVIEW_SCALE > FONT_SHEET_MAX_PIXELS) {
        console_printf("ERROR: プレビューの画像が大きすぎます(上限%d画素): %s\n", FONT_SHEET_MAX_PIXELS,
                       preview_file.c_str());
        return 1;
    }
    IndexedImage plain;
    plain.width = static_cast<std::int32_t>(plain_width);
    plain.height = static_cast<std::int32_t>(plain_height);
    plain.pixels.assign(static_cast<std::size_t>(plain.width) * static_cast<std::size_t>(plain.height), BACKGROUND_INDEX);
    // Which line each row belongs to, for the marks.
    std::vector<const PreviewLine*> line_of_row(static_cast<std::size_t>(plain.height), nullptr);
    for (const PreviewLine& line : lines) {
        draw_code_line(plain, MARGIN, line.top, *line.loaded->shape, line.codes, line.loaded->lead);
        for (std::int32_t r = 0; r < line.loaded->height; ++r) {
            line_of_row[static_cast<std::size_t>(line.top + r)] = &line;
        }
    }

    RgbImage image;
    image.width = plain.width * PREVIEW_SCALE;
    image.height = plain.height * PREVIEW_SCALE;
    image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    const std::int32_t limit_x = MARGIN + width_limit;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::int32_t plain_y = y / PREVIEW_SCALE;
        const PreviewLine* line = line_of_row[static_cast<std::size_t>(plain_y)];
        const bool over_line = line != nullptr && line->width > width_limit;
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
