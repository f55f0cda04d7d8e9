// u7kit's main module: the subcommand, the command line of each subcommand
// on top of the shared parser, and the game palette that two of them use.
#include "tools/u7kit/u7kit.h"

#include "common/command_line.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "archive/u7data_utils.h"

#include <cstring>
#include <new>

namespace {

constexpr const char* USAGE[] = {
    "使用方法: u7kit サブコマンド [オプション] [ファイル...]\n",
    "サブコマンド:\n",
    "    subtitles [ENDSHAPE.FLX]  字幕画像をBMPファイルに書き出します\n",
    "    fontsheet [FONTS.VGA]     全フォントの文字一覧をPNG画像に書き出します\n",
    "    check ファイル...         翻訳ファイルを文字マップとフォントで検査します\n",
    "    exultmsg [exultmsg.txt]   今のExultのexultmsg.txtを日本語に変更します\n",
    "    charmap ファイル...       翻訳ファイルの文字を文字マップに追加します\n",
    "    fonts [レシピファイル]      文字マップの日本語の文字をゲームのフォントに作ります\n",
    "    preview ファイル...       翻訳のテキストをゲームのフォントでPNG画像に描きます\n",
    "\n",
    "    -?|--help                 使用方法を表示します\n",
    "       --version              バージョンを表示します\n",
    "\n",
    "各サブコマンドの使用方法は u7kit サブコマンド --help で表示します\n",
    "\n",
};

int run(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "-?") == 0 || std::strcmp(argv[1], "--help") == 0) {
        for (const char* line : USAGE) console_printf("%s", line);
        return 1;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--version") == 0) {
        console_printf(U7KIT_VERSION_BANNER, toolkit_version());
        return 1;
    }
    if (std::strcmp(command, "subtitles") == 0) return run_subtitles(argc - 1, argv + 1);
    if (std::strcmp(command, "fontsheet") == 0) return run_fontsheet(argc - 1, argv + 1);
    if (std::strcmp(command, "check") == 0) return run_check(argc - 1, argv + 1);
    if (std::strcmp(command, "exultmsg") == 0) return run_exultmsg(argc - 1, argv + 1);
    if (std::strcmp(command, "charmap") == 0) return run_charmap(argc - 1, argv + 1);
    if (std::strcmp(command, "fonts") == 0) return run_fonts(argc - 1, argv + 1);
    if (std::strcmp(command, "preview") == 0) return run_preview(argc - 1, argv + 1);
    if (command[0] == '-') {
        console_printf("ERROR: 不正なオプションです: %s\n", command);
    } else {
        console_printf("ERROR: 不正なサブコマンドです: %s\n", command);
    }
    return 1;
}

}  // namespace

bool parse_subcommand_line(int argc, char** argv, const SubcommandSyntax& syntax, std::vector<std::string>& inputs,
                           bool collect_inputs)
{
    std::vector<FileNameOption> options;
    for (const auto& [name, setting] : syntax.file_options) options.push_back(FileNameOption{name, setting});
    std::vector<char*> rest;
    rest.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        char* argument = argv[i];
        bool is_file_option = false;
        for (const FileNameOption& option : options) is_file_option = is_file_option || std::strcmp(argument, option.name) == 0;
        if (is_file_option) {
            // The value goes with its option, whatever it looks like.
            rest.push_back(argument);
            if (i + 1 < argc) rest.push_back(argv[++i]);
            continue;
        }
        bool is_flag = false;
        for (const SubcommandFlag& flag : syntax.flags) {
            if (std::strcmp(argument, flag.name) == 0) {
                *flag.setting = true;
                is_flag = true;
            }
        }
        if (is_flag) continue;
        if (collect_inputs && argument[0] != '-') {
            inputs.emplace_back(argument);
            continue;
        }
        rest.push_back(argument);
    }
    const CommandLineSyntax shared{options, syntax.version_banner, syntax.usage_lines};
    std::optional<std::string> input;
    if (!parse_command_line(static_cast<int>(rest.size()), rest.data(), shared, input)) return false;
    if (input) inputs.push_back(*input);
    return true;
}

int run_u7kit(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted("u7kit", __LINE__);
    }
}

int load_palette_option(const std::string& path, RgbPalette& storage, const RgbPalette** palette)
{
    *palette = nullptr;
    if (path.empty()) return 0;
    if (load_game_palette(path.c_str(), storage) != 0) return -1;
    *palette = &storage;
    return 0;
}
