// exultmsg: oxleth's translation of the engine's message file for a file
// of any message numbers.  oxleth's readers do the work, reading any
// number: its records (TYPE, ID, FONT, TEXT through the built-in table)
// keep their meaning, and records of TYPE MSG name a message of the file by
// its number.  --export writes the template a translator starts from.
#include "tools/u7kit/u7kit.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "charmap/u7charmap.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* DEFAULT_MESSAGE_FILE = "exultmsg.txt";
constexpr const char* DEFAULT_OUTPUT_FILE = "exultmsg.txt.new";
constexpr const char* DEFAULT_TEMPLATE_FILE = "exultmsg.en.txt";
constexpr const char* DEFAULT_MAP_FILE = "usecode.map";
constexpr const char* DEFAULT_TRANSLATION_FILE = "exultmsg.ja.txt";

const std::vector<const char*> USAGE = {
    "使用方法: u7kit exultmsg [オプション] [Exultメッセージファイル]\n",
    "機    能: 今のExultのexultmsg.txt(どの番号のメッセージも)を日本語に変更します\n",
    "オプション:\n",
    "    -o       ファイル名     指定したファイルに新しいExultメッセージを出力します\n",
    "                            (exultmsg.txt.new、--exportのときは exultmsg.en.txt)\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map)\n",
    "       --ja  ファイル名     指定したファイルから日本語メッセージを読み込みます\n",
    "                            (exultmsg.ja.txt)\n",
    "       --export             翻訳ファイルのひな形(英語のメッセージ)を出力します\n",
    "                            既にあるファイルは上書きしません\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "Exultメッセージファイルを指定しないときは exultmsg.txt を読みます\n",
    "\n",
};

// The output before -o: no argument can hold a zero byte.
const std::string OUTPUT_NOT_GIVEN(1, '\0');

int export_template(const ExultMessageFiles& files)
{
    const std::string& output = files.output_file;
    if (output_is_an_input(output, {files.message_file})) return 1;
    // Checked first so that nothing is read in vain; checked again as the
    // template is put in place, in case a file of that name was made since.
    if (path_exists(output)) {
        print_file_exists(output.c_str());
        return 1;
    }
    MessageList messages;
    if (read_exult_messages(messages, message_table.data(), files.message_file.c_str(), MessageNumbers::any) < 0) {
        console_printf("ERROR: %s を読み込めません\n", files.message_file.c_str());
        return 1;
    }
    const MessageTemplate made = make_message_template(messages);
    for (const std::int32_t number : made.too_long) {
        console_printf("WARNING: 0x%X のレコードが翻訳ファイルの1行(最大%dバイト)より長くなります: %s\n",
                       static_cast<unsigned>(number), EXULT_LINE_SIZE - 1, output.c_str());
    }
    const int written = write_whole_file(output.c_str(), [&made](std::FILE* file) {
        return std::fwrite(made.text.data(), 1, made.text.size(), file) == made.text.size() ? 0 : -1;
    }, "wt", ExistingFile::keep);
    if (written != 0) {
        console_printf("ERROR: %s を書き込めません\n", output.c_str());
        return 1;
    }
    console_printf("INFORMATION: メッセージ%d件のひな形を書き出しました: %s\n", made.records, output.c_str());
    console_printf("処理完了\n");
    return 0;
}

}  // namespace

int run_exultmsg(int argc, char** argv)
{
    ExultMessageFiles files{DEFAULT_MESSAGE_FILE, OUTPUT_NOT_GIVEN, DEFAULT_MAP_FILE, DEFAULT_TRANSLATION_FILE};
    bool export_mode = false;
    const SubcommandSyntax syntax{{{"-o", &files.output_file},
                                   {"-m", &files.map_file},
                                   {"--map", &files.map_file},
                                   {"--ja", &files.translation_file}},
                                  {{"--export", &export_mode}},
                                  U7KIT_VERSION_BANNER,
                                  USAGE};
    std::vector<std::string> inputs;
    if (!parse_subcommand_line(argc, argv, syntax, inputs, false)) return 1;
    if (!inputs.empty()) files.message_file = inputs.front();
    if (files.output_file == OUTPUT_NOT_GIVEN) files.output_file = export_mode ? DEFAULT_TEMPLATE_FILE : DEFAULT_OUTPUT_FILE;
    const int status = export_mode ? export_template(files) : translate_exult_message_file(files, MessageNumbers::any);
    free_charmap();
    return status;
}
