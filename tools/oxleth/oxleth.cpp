#include "oxleth.h"

#include "command_line.h"
#include "console.h"
#include "file_utils.h"
#include "u7charmap.h"

#include <cstring>
#include <new>

namespace {

constexpr const char* VERSION = "0.0.19";

struct OxlethOptions {
    std::optional<std::string> message_file;
    std::string output_file = "exultmsg.txt.new";
    std::string map_file = "usecode.map";
    std::string translation_file = "exultmsg.ja.txt";
};

void print_usage()
{
    console_printf("使用方法: oxleth [オプション] [Exultメッセージファイル]\n");
    console_printf("機    能: exultmsg.txtのテキストを日本語に変更します\n");
    console_printf("オプション:\n");
    console_printf("    -o       ファイル名     指定したファイルに新しいExultメッセージを出力します\n");
    console_printf("                            (exultmsg.txt.new)\n");
    console_printf("    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n");
    console_printf("                            (usecode.map)\n");
    console_printf("       --ja  ファイル名     指定したファイルから日本語メッセージを読み込みます\n");
    console_printf("                            (exultmsg.ja.txt)\n");
    console_printf("    -?|--help               使用方法を表示します\n");
    console_printf("       --version            バージョンを表示します\n");
    console_printf("\n");
    console_printf("Exultメッセージファイルを指定しないときは exultmsg.txt を読みます\n");
    console_printf("\n");
}

// Fills options from the arguments.  Returns 0 to go on with the run, or
// the exit status when the command line ends the program (usage, version,
// errors).
int parse_command_line(int argc, char** argv, OxlethOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-') {
            if (options.message_file) {
                console_printf("ERROR: コマンドラインパラメータが多すぎます: %s\n", arg);
                return 1;
            }
            options.message_file = arg;
            continue;
        }
        if (std::strcmp(arg, "-?") == 0 || std::strcmp(arg, "--help") == 0) {
            print_usage();
            return 1;
        }
        if (std::strcmp(arg, "--version") == 0) {
            console_printf("oxleth - Ultima VII Exult text message replace utility %s\n", VERSION);
            return 1;
        }
        std::string* setting = nullptr;
        if (std::strcmp(arg, "-o") == 0) {
            setting = &options.output_file;
        } else if (std::strcmp(arg, "-m") == 0 || std::strcmp(arg, "--map") == 0) {
            setting = &options.map_file;
        } else if (std::strcmp(arg, "--ja") == 0) {
            setting = &options.translation_file;
        } else {
            console_printf("ERROR: 不正なオプションです: %s\n", arg);
            return 1;
        }
        i = take_option_file_name(argc, argv, i, *setting);
        if (i < 0) return 1;
    }
    return 0;
}

// The output replaces its file, so it must not name the translation file
// or the map, which the translator edits by hand.  (Naming the message file
// is safe: it is read whole before anything is written.)
bool output_overwrites_input(const OxlethOptions& options)
{
    const char* output = options.output_file.c_str();
    return is_same_file(output, options.translation_file.c_str()) ||
           is_same_file(output, options.map_file.c_str());
}

int run(int argc, char** argv)
{
    OxlethOptions options;
    if (const int status = parse_command_line(argc, argv, options); status != 0) return status;
    const std::string message_file = options.message_file.value_or("exultmsg.txt");

    if (output_overwrites_input(options)) {
        console_printf("ERROR: 入力ファイルと出力ファイルが同じです: %s\n", options.output_file.c_str());
        return 1;
    }

    MessageList messages;
    if (read_exult_messages(messages, message_table.data(), message_file.c_str()) < 0) {
        console_printf("ERROR: %s を読み込めません\n", message_file.c_str());
        return 1;
    }
    if (load_charmap(options.map_file.c_str()) < 0) {
        console_printf("ERROR: %s を読み込めません\n", options.map_file.c_str());
        return 1;
    }
    const int accepted = read_exult_translations(messages, message_table.data(), options.translation_file.c_str());
    if (accepted < 0) {
        console_printf("ERROR: %s を読み込めません\n", options.translation_file.c_str());
        return 1;
    }
    if (accepted == 0) {
        console_printf("更新する必要がありません\n");
        return 0;
    }
    // A failed write has printed its reason; the run still ends with 0.
    if (write_exult_messages(messages, options.output_file.c_str()) == 0) console_printf("処理完了\n");
    return 0;
}

}  // namespace

int run_oxleth(int argc, char** argv)
{
    try {
        const int status = run(argc, argv);
        free_charmap();
        return status;
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted("oxleth", __LINE__);
    }
}
