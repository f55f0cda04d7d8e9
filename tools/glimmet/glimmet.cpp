// glimmet's main module: the command line, and the dump of the font file
// named on it into the dump file.  The dump itself is the font module's
// (fonts/font_dump.h).
#include "tools/glimmet/glimmet.h"

#include "archive/u7files.h"
#include "common/command_line.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "fonts/font_dump.h"
#include "shape/shape_view.h"

#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* DEFAULT_FONT_FILE = "FONTS.VGA";
constexpr const char* DEFAULT_DUMP_FILE = "fonts.vga.txt";

constexpr const char* USAGE[] = {
    "使用方法: glimmet [オプション] [フォントファイル]\n",
    "オプション:\n",
    "       --dump ファイル名    指定したファイルにダンプデータを出力します\n",
    "                            (fonts.vga.txt)\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "フォントファイルを指定しないときは FONTS.VGA を読みます\n",
    "\n",
};

int run(int argc, char** argv)
{
    std::optional<std::string> named_font_file;
    std::string dump_file = DEFAULT_DUMP_FILE;
    const FileNameOption options[] = {{"--dump", &dump_file}};
    const CommandLineSyntax syntax{options, "glimmet - Ultima VII fonts file dump utility version %s\n", USAGE};
    if (!parse_command_line(argc, argv, syntax, named_font_file)) return 1;
    const std::string font_file = named_font_file.value_or(DEFAULT_FONT_FILE);

    // The dump replaces its file after the font file has been read: a dump
    // file that is the font file would destroy the game's fonts.
    if (output_is_an_input(dump_file, {font_file})) return 1;

    // The file's bytes stay loaded: every font is read from them in place,
    // so fonts are never copied, however many entries share their bytes.
    std::vector<std::uint8_t> image;
    FlexTable table;
    if (!read_flexfile_image(font_file.c_str(), image) ||
        read_flex_table_from_memory(table, image.data(), image.size(), font_file.c_str(), check_shape_in_place) != 0) {
        console_printf("ERROR: %s を読み込めません\n", font_file.c_str());
        return 1;
    }
    // Written in place as it goes, not through a temporary file: the lines
    // before a fault show the translator where the font went wrong.
    FilePtr dump = open_file_or_report(dump_file.c_str(), "w");
    if (!dump) return 1;
    std::fprintf(dump.get(), "filename = %s\n", font_file.c_str());
    const bool dumped = dump_fonts_in_place(dump.get(), &table, image.data(), image.size()) == 0;
    // A write error that only shows when the file is closed is a failed
    // dump too.
    const bool closed = close_written_file(dump) == 0;
    if (!dumped || !closed) console_printf("ERROR: %s を作成できません\n", dump_file.c_str());
    return dumped && closed ? 0 : 1;
}

}  // namespace

int run_glimmet(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted("glimmet", __LINE__);
    }
}
