#include "tools/revisto/revisto.h"

#include "texts/usecode_tables.h"
#include "common/command_line.h"
#include "common/console.h"
#include "common/file_utils.h"

#include <new>
#include <optional>
#include <string>

namespace {

constexpr const char* DEFAULT_INPUT = "usecode.ja.txt";
constexpr const char* DEFAULT_OUTPUT = "usecode.ja-new.txt";
constexpr const char* DEFAULT_ENGLISH = "usecode.en.txt";

constexpr const char* USAGE[] = {
    "使用方法: revisto [オプション] [日本語テキストファイル]\n",
    "機    能: Tavrikversion0.0.1以前で使用していたusecode.ja.txtを\n",
    "          version0.0.2以降の形式に変換します\n",
    "オプション:\n",
    "    -o      ファイル名      指定したファイルに変換したテキストを出力します\n",
    "                            (usecode.ja-new.txt)\n",
    "       --en ファイル名      指定したファイルから英語テキストを読み込みます\n",
    "                            (usecode.en.txt)\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "日本語テキストファイルを指定しないときは usecode.ja.txt を読みます\n",
    "\n",
};

}  // namespace

int run_revisto(int argc, char** argv)
{
    std::optional<std::string> named_input;
    std::string output_path = DEFAULT_OUTPUT;
    std::string english_path = DEFAULT_ENGLISH;
    const FileNameOption options[] = {{"-o", &output_path}, {"--en", &english_path}};
    const CommandLineSyntax syntax{options, "revisto - QRM usecode.ja.txt converter version %s\n", USAGE};
    if (!parse_command_line(argc, argv, syntax, named_input)) return 1;
    const std::string input_path = named_input.value_or(DEFAULT_INPUT);

    // The output is opened for writing while the inputs are still being
    // read: an output that is one of the inputs would be destroyed.
    if (output_is_an_input(output_path, {input_path, english_path})) return 1;

    try {
        EnglishTable table;
        if (read_english_texts(table, english_path.c_str()) != 0) return -1;
        if (convert_translation_file(table, input_path.c_str(), output_path.c_str()) != 0) return -1;
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted("revisto", __LINE__);
    }
    console_printf("処理完了.\n");
    return 0;
}
