// fontsheet: every glyph of every font of FONTS.VGA drawn on one PNG image
// (the drawing is the font module's, fonts/font_sheet.h).
#include "tools/u7kit/u7kit.h"

#include "common/command_line.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "fonts/font_sheet.h"
#include "fonts/font_table.h"
#include "shape/u7shape_utils.h"


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
    "       --game bg|si         このゲームのフォント表で各フォントに見出しを付けます\n",
    "                            (bg)\n",
    "       --font-table ファイル名\n",
    "                            このフォント表で各フォントに見出しを付けます\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "フォントファイルを指定しないときは FONTS.VGA を読みます\n",
    "\n",
};

}  // namespace

int run_fontsheet(int argc, char** argv)
{
    std::string sheet_file = DEFAULT_SHEET_FILE;
    std::string palette_file;
    std::string game_name;
    std::string font_table_file;
    const SubcommandSyntax syntax{{{"-o", &sheet_file},
                                   {"--palette", &palette_file},
                                   {"--game", &game_name},
                                   {"--font-table", &font_table_file}},
                                  {},
                                  U7KIT_VERSION_BANNER,
                                  USAGE};
    std::vector<std::string> inputs;
    if (!parse_subcommand_line(argc, argv, syntax, inputs, false)) return 1;
    const std::string font_file = inputs.empty() ? DEFAULT_FONT_FILE : inputs[0];
    if (output_is_an_input(sheet_file, {font_file, palette_file, font_table_file})) return 1;

    const std::optional<FontTable> font_table = font_table_from_options(game_name, font_table_file);
    if (!font_table) return 1;

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
    const FontSheet sheet = render_font_sheet(*archive, palette, font_sheet_headings(*font_table, font_file, *archive));
    free_flexfile(archive);
    if (sheet.too_large) {
        console_printf("ERROR: 文字一覧の画像が大きすぎます(上限%d画素): %s\n", FONT_SHEET_MAX_PIXELS, font_file.c_str());
        return 1;
    }
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
