#include "command_line.h"

#include "console.h"

#include <cstring>

const char* toolkit_version()
{
    return U7_TOOLKIT_VERSION;
}

namespace {

bool is_named(const char* argument, const char* name)
{
    return std::strcmp(argument, name) == 0;
}

const FileNameOption* find_file_name_option(const CommandLineSyntax& syntax, const char* argument)
{
    for (const FileNameOption& option : syntax.options) {
        if (is_named(argument, option.name)) return &option;
    }
    return nullptr;
}

}  // namespace

bool parse_command_line(int argc, char** argv, const CommandLineSyntax& syntax, std::optional<std::string>& input)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-') {
            if (input) {
                console_printf("ERROR: コマンドラインパラメータが多すぎます: %s\n", argument);
                return false;
            }
            input = argument;
            continue;
        }
        if (is_named(argument, "-?") || is_named(argument, "--help")) {
            for (const char* line : syntax.usage_lines) console_printf("%s", line);
            return false;
        }
        if (is_named(argument, "--version")) {
            console_printf(syntax.version_banner, toolkit_version());
            return false;
        }
        const FileNameOption* option = find_file_name_option(syntax, argument);
        if (option == nullptr) {
            console_printf("ERROR: 不正なオプションです: %s\n", argument);
            return false;
        }
        i = take_option_file_name(argc, argv, i, *option->setting);
        if (i < 0) return false;
    }
    return true;
}

int take_option_file_name(int argc, char** argv, int index, std::string& setting)
{
    if (index + 1 >= argc) {
        console_printf("ERROR: オプション%sの後にファイル名がありません\n", argv[index]);
        return -1;
    }
    setting = argv[index + 1];
    return index + 1;
}
