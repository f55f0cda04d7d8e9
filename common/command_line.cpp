#include "common/command_line.h"

#include "common/console.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
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

template <typename Option>
const Option* find_option(std::span<const Option> options, const char* argument)
{
    for (const Option& option : options) {
        if (is_named(argument, option.name)) return &option;
    }
    return nullptr;
}

// Reads the numbers that follow the option at argv[index], stopping at the
// first refused one.  The index of the last argument taken, or -1 after the
// message.
int take_option_numbers(int argc, char** argv, int index, const NumberListOption& option)
{
    if (static_cast<std::size_t>(argc - index - 1) < option.values.size()) {
        console_printf(option.missing_message, argv[index]);
        return -1;
    }
    const int count = static_cast<int>(option.values.size());
    for (int n = 1; n <= count; ++n) {
        if (parse_option_number(argv[index + n], option.max_value) < 0) {
            console_printf(option.invalid_message, argv[index + n]);
            return -1;
        }
    }
    for (int n = 1; n <= count; ++n) {
        option.values[static_cast<std::size_t>(n - 1)] =
            static_cast<int>(parse_option_number(argv[index + n], option.max_value));
    }
    return index + count;
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
        if (const FlagOption* flag = find_option(syntax.flags, argument)) {
            *flag->setting = flag->value;
            continue;
        }
        if (const NumberListOption* numbers = find_option(syntax.number_lists, argument)) {
            i = take_option_numbers(argc, argv, i, *numbers);
            if (i < 0) return false;
            continue;
        }
        const FileNameOption* option = find_option(syntax.options, argument);
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

long parse_option_number(const char* text, unsigned long max_value)
{
    if (text[0] == '\0') return 0;
    if (text[0] < '0' || text[0] > '9') return -1;
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (errno != 0 || *end != '\0' || value > max_value || value > static_cast<unsigned long>(INT_MAX)) return -1;
    return static_cast<long>(value);
}
