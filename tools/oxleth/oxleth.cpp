#include "tools/oxleth/oxleth.h"

#include "texts/exult_messages.h"

#include "common/command_line.h"
#include "common/console.h"
#include "charmap/u7charmap.h"

#include <new>
#include <optional>
#include <string>

namespace {

struct OxlethOptions {
    std::optional<std::string> message_file;
    std::string output_file = "exultmsg.txt.new";
    std::string map_file = "usecode.map";
    std::string translation_file = "exultmsg.ja.txt";
};

constexpr const char* USAGE[] = {
    "使用方法: oxleth [オプション] [Exultメッセージファイル]\n",
    "機    能: exultmsg.txtのテキストを日本語に変更します\n",
    "オプション:\n",
    "    -o       ファイル名     指定したファイルに新しいExultメッセージを出力します\n",
    "                            (exultmsg.txt.new)\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map)\n",
    "       --ja  ファイル名     指定したファイルから日本語メッセージを読み込みます\n",
    "                            (exultmsg.ja.txt)\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "Exultメッセージファイルを指定しないときは exultmsg.txt を読みます\n",
    "\n",
};

bool parse_oxleth_command_line(int argc, char** argv, OxlethOptions& options)
{
    const FileNameOption file_options[] = {
        {"-o", &options.output_file},
        {"-m", &options.map_file},
        {"--map", &options.map_file},
        {"--ja", &options.translation_file},
    };
    const CommandLineSyntax syntax{file_options, "oxleth - Ultima VII Exult text message replace utility %s\n", USAGE};
    return parse_command_line(argc, argv, syntax, options.message_file);
}

int run(int argc, char** argv)
{
    OxlethOptions options;
    if (!parse_oxleth_command_line(argc, argv, options)) return 1;
    const ExultMessageFiles files{options.message_file.value_or("exultmsg.txt"), options.output_file,
                                  options.map_file, options.translation_file};
    return translate_exult_message_file(files, MessageNumbers::table);
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
