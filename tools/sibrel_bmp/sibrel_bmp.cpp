// sibrel_bmp's main module: the command line, the loading of ENDSHAPE.FLX
// with the subtitle entries as shapes, and the writing of the new archive.
#include "tools/sibrel_bmp/sibrel_bmp.h"

#include "common/command_line.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "archive/u7data_utils.h"
#include "shape/u7shape_utils.h"
#include "subtitle/subtitle_frames.h"

#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* PROGRAM = "sibrel_bmp";
constexpr const char* DEFAULT_ARCHIVE = "ENDSHAPE.FLX";
constexpr const char* DEFAULT_OUTPUT = "endshape.flx.new";
constexpr const char* DEFAULT_PREFIX = "sibrel.";

struct Settings {
    std::string archive_file = DEFAULT_ARCHIVE;
    std::string output_file = DEFAULT_OUTPUT;
    std::string prefix = DEFAULT_PREFIX;
    SubtitlePalette palette = DEFAULT_SUBTITLE_PALETTE;  // --bg sets its background
};

static_assert(SUBTITLE_WIDTH == 320 && SUBTITLE_HEIGHT == 46, "the usage names the size of the images");

constexpr const char* USAGE[] = {
    "使用方法: sibrel_bmp [オプション] [画像データファイル]\n",
    "機    能: ENDSHAPE.FLXのイントロ字幕画像を変更します\n",
    "オプション:\n",
    "    -o ファイル名           指定したファイルに新しい画像データを出力します\n",
    "                            (endshape.flx.new)\n",
    "    -n ファイル名           字幕用BMP画像を ファイル名 + 番号 + \".bmp\" から\n",
    "                            読み込みます\n",
    "                            番号は1～7\n",
    "                            (sibrel.)\n",
    "    --bg 赤 緑 青           BMP画像ファイルの背景色を赤、緑、青成分別に0～255の\n",
    "                            値で指定します\n",
    "                            (赤:255 緑:255: 青:255))\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "画像データファイルを指定しないときは ENDSHAPE.FLX を読みます\n",
    "\n",
    "字幕用BMP画像のサイズは幅320×高さ46ドット\n",
    "文字は水色(赤:85 緑:255: 青:255)\n",
    "縁取りは黒色(赤:0 緑:0 青:0)で用意してください\n",
    "\n",
};

// Reads the arguments from left to right, and sets the background colour
// when --bg gives one.  false when the program ends with status 1.
bool parse_sibrel_command_line(int argc, char** argv, Settings& settings)
{
    std::optional<std::string> archive_file;
    int background[3] = {-1, -1, -1};
    const FileNameOption file_options[] = {{"-o", &settings.output_file}, {"-n", &settings.prefix}};
    const NumberListOption number_options[] = {
        {"--bg", background, 255, "ERROR: オプション%sの後にRGB値が不足しています\n", "ERROR: 不正なRGB要素値です: %s\n"},
    };
    CommandLineSyntax syntax{file_options, "sibrel_bmp - Ultima VII BG introduction subtitle utility %s\n", USAGE};
    syntax.number_lists = number_options;
    if (!parse_command_line(argc, argv, syntax, archive_file)) return false;
    if (archive_file) settings.archive_file = *archive_file;
    if (background[0] >= 0) {
        settings.palette = subtitle_palette_with_background(static_cast<std::uint8_t>(background[0]),
                                                            static_cast<std::uint8_t>(background[1]),
                                                            static_cast<std::uint8_t>(background[2]));
    }
    return true;
}

// The output replaces its file: it must be none of the inputs, the archive
// or one of the seven images.
bool refuse_output_over_input(const Settings& settings)
{
    std::vector<std::string> inputs = {settings.archive_file};
    for (int number = 1; number <= SUBTITLE_IMAGE_COUNT; ++number) {
        inputs.push_back(subtitle_bmp_name(settings.prefix.c_str(), number));
    }
    return output_is_an_input(settings.output_file, inputs);
}

int run(int argc, char** argv)
{
    Settings settings;
    if (!parse_sibrel_command_line(argc, argv, settings)) return 1;

    // Said at once, rather than as an open error once every image is made.
    if (settings.output_file.empty()) {
        console_printf("ERROR: 出力ファイル名が空です\n");
        return 1;
    }
    if (!subtitle_prefix_fits(settings.prefix)) return 1;
    if (refuse_output_over_input(settings)) return 1;

    register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
    register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);

    FlexArchivePtr archive;
    if (read_flexfile(&archive, settings.archive_file.c_str(), SUBTITLE_ARCHIVE_TYPES) != 0) {
        console_printf("ERROR: %s を読み込めません\n", settings.archive_file.c_str());
        return 1;
    }
    if (build_subtitle_frames(archive.get(), settings.prefix.c_str(), settings.palette) != 0) {
        console_printf("ERROR: 字幕画像を作成できません\n");
        free_flexfile(archive);
        return 1;
    }
    if (write_flexfile(archive.get(), settings.output_file.c_str()) < 0) {
        console_printf("ERROR: %s を作成できません\n", settings.output_file.c_str());
        free_flexfile(archive);
        return 1;
    }
    free_flexfile(archive);
    console_printf("処理完了\n");
    return 0;
}

}  // namespace

int run_sibrel_bmp(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(PROGRAM, __LINE__);
    }
}
