// sibrel_bmp's main module: the command line, the loading of ENDSHAPE.FLX
// with the subtitle entries as shapes, and the writing of the new archive.
#include "sibrel_bmp.h"

#include "console.h"
#include "file_utils.h"
#include "u7data_utils.h"
#include "u7shape_utils.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr const char* PROGRAM = "sibrel_bmp";
constexpr const char* VERSION = "0.0.19";
constexpr const char* DEFAULT_ARCHIVE = "ENDSHAPE.FLX";
constexpr const char* DEFAULT_OUTPUT = "endshape.flx.new";
constexpr const char* DEFAULT_PREFIX = "sibrel.";

// Entries 21 to 26 and 28 are the subtitle shapes; every other entry is
// kept as plain bytes.
constexpr TypeRun ENDSHAPE_TYPES[] = {
    {ENTRY_RAW, 21}, {ENTRY_SHAPE, 6}, {ENTRY_RAW, 1}, {ENTRY_SHAPE, 1}, {ENTRY_RAW, 100}, {-1, 0},
};

struct Settings {
    std::string archive_file = DEFAULT_ARCHIVE;
    std::string output_file = DEFAULT_OUTPUT;
    std::string prefix = DEFAULT_PREFIX;
};

void print_usage()
{
    console_printf("使用方法: %s [オプション] [画像データファイル]\n", PROGRAM);
    console_printf("機    能: ENDSHAPE.FLXのイントロ字幕画像を変更します\n");
    console_printf("オプション:\n");
    console_printf("    -o ファイル名           指定したファイルに新しい画像データを出力します\n");
    console_printf("                            (endshape.flx.new)\n");
    console_printf("    -n ファイル名           字幕用BMP画像を ファイル名 + 番号 + \".bmp\" から\n");
    console_printf("                            読み込みます\n");
    console_printf("                            番号は1～7\n");
    console_printf("                            (sibrel.)\n");
    console_printf("    --bg 赤 緑 青           BMP画像ファイルの背景色を赤、緑、青成分別に0～255の\n");
    console_printf("                            値で指定します\n");
    console_printf("                            (赤:255 緑:255: 青:255))\n");
    console_printf("\n");
    console_printf("    -?|--help               使用方法を表示します\n");
    console_printf("       --version            バージョンを表示します\n");
    console_printf("\n");
    console_printf("画像データファイルを指定しないときは ENDSHAPE.FLX を読みます\n");
    console_printf("\n");
    console_printf("字幕用BMP画像のサイズは幅%d×高さ%dドット\n", SUBTITLE_WIDTH, SUBTITLE_HEIGHT);
    console_printf("文字は水色(赤:85 緑:255: 青:255)\n");
    console_printf("縁取りは黒色(赤:0 緑:0 青:0)で用意してください\n");
    console_printf("\n");
}

// One colour component of --bg: decimal, 0x hexadecimal or 0-prefixed
// octal, wholly a number (an empty argument is 0), at most 255.  A sign or
// leading blanks are not part of a number.  -1 when refused.
int parse_colour_component(const char* text)
{
    if (text[0] == '\0') return 0;
    if (text[0] < '0' || text[0] > '9') return -1;
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (errno != 0 || *end != '\0' || value > 255) return -1;
    return static_cast<int>(value);
}

// Reads the arguments from left to right.  -1 when the run may begin,
// otherwise the exit status to end with.
int parse_command_line(int argc, char** argv, Settings& settings)
{
    bool have_archive = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-') {
            if (have_archive) {
                console_printf("ERROR: コマンドラインパラメータが多すぎます: %s\n", argument);
                return 1;
            }
            settings.archive_file = argument;
            have_archive = true;
            continue;
        }
        if (std::strcmp(argument, "-?") == 0 || std::strcmp(argument, "--help") == 0) {
            print_usage();
            return 1;
        }
        if (std::strcmp(argument, "--version") == 0) {
            console_printf("%s - Ultima VII BG introduction subtitle utility %s\n", PROGRAM, VERSION);
            return 1;
        }
        if (std::strcmp(argument, "-o") == 0 || std::strcmp(argument, "-n") == 0) {
            if (i + 1 >= argc) {
                console_printf("ERROR: オプション%sの後にファイル名がありません\n", argument);
                return 1;
            }
            (argument[1] == 'o' ? settings.output_file : settings.prefix) = argv[++i];
            continue;
        }
        if (std::strcmp(argument, "--bg") == 0) {
            if (argc - i - 1 < 3) {
                console_printf("ERROR: オプション--bgの後にRGB値が不足しています\n");
                return 1;
            }
            int components[3];
            for (int& component : components) {
                const char* value = argv[++i];
                component = parse_colour_component(value);
                if (component < 0) {
                    console_printf("ERROR: 不正なRGB要素値です: %s\n", value);
                    return 1;
                }
            }
            set_subtitle_background(static_cast<std::uint8_t>(components[0]), static_cast<std::uint8_t>(components[1]),
                                    static_cast<std::uint8_t>(components[2]));
            continue;
        }
        console_printf("ERROR: 不正なオプションです: %s\n", argument);
        return 1;
    }
    return -1;
}

// The output replaces its file: it must be none of the inputs, the archive
// or one of the seven images.
bool output_is_an_input(const Settings& settings)
{
    const char* output = settings.output_file.c_str();
    if (is_same_file(output, settings.archive_file.c_str())) return true;
    for (int number = 1; number <= SUBTITLE_IMAGE_COUNT; ++number) {
        if (is_same_file(output, subtitle_bmp_name(settings.prefix.c_str(), number).c_str())) return true;
    }
    return false;
}

int run(int argc, char** argv)
{
    Settings settings;
    const int status = parse_command_line(argc, argv, settings);
    if (status >= 0) return status;

    if (output_is_an_input(settings)) {
        console_printf("ERROR: 入力ファイルと出力ファイルが同じです: %s\n", settings.output_file.c_str());
        return 1;
    }

    register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
    register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);

    FlexArchivePtr archive;
    if (read_flexfile(&archive, settings.archive_file.c_str(), ENDSHAPE_TYPES) != 0) {
        console_printf("ERROR: %s を読み込めません\n", settings.archive_file.c_str());
        return 1;
    }
    if (build_subtitle_frames(archive.get(), settings.prefix.c_str()) != 0) {
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
