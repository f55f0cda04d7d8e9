// The command line shared by the programs: arguments are taken from left to
// right and compared exactly (case-sensitive).  "-?" and "--help" print the
// usage, "--version" the program's banner; an option with a file name takes
// the next argument, whatever it begins with; a flag stores its value; an
// option with numbers takes as many following arguments as it has numbers;
// the one argument that does not begin with "-" is the input file.  A
// repeated option keeps its last value.
#pragma once

#include <optional>
#include <span>
#include <string>

// The toolkit's version, from the build ("0.0.19").
const char* toolkit_version();

// An option followed by a file name, stored in setting.
struct FileNameOption {
    const char* name;
    std::string* setting;
};

// An option without argument that stores value in setting.
struct FlagOption {
    const char* name;
    int* setting;
    int value;
};

// An option followed by values.size() numbers, each read by
// parse_option_number and at most max_value, stored in values in order.
// Fewer arguments left than numbers print missing_message (printf format
// with one %s: the option); a refused number prints invalid_message (one
// %s: the argument).  The values are stored only when all are read.
struct NumberListOption {
    const char* name;
    std::span<int> values;
    unsigned long max_value;
    const char* missing_message;
    const char* invalid_message;
};

// What a program's command line knows.
struct CommandLineSyntax {
    std::span<const FileNameOption> options;
    const char* version_banner;              // printf format with one %s: the version
    std::span<const char* const> usage_lines;  // printed one by one
    std::span<const FlagOption> flags = {};
    std::span<const NumberListOption> number_lists = {};
};

// Reads argv[1] to argv[argc - 1].  true when the run may begin, with input
// holding the input file if one was named.  false when the program ends
// with status 1: the usage or the banner was printed, or one of
// "ERROR: 不正なオプションです: <argument>",
// "ERROR: コマンドラインパラメータが多すぎます: <argument>" or the missing
// file name message of take_option_file_name, or one of the messages of an
// option with numbers.
bool parse_command_line(int argc, char** argv, const CommandLineSyntax& syntax, std::optional<std::string>& input);

// Takes the file name that follows the option at argv[index]: stores
// argv[index + 1], whatever it begins with, in setting and returns index + 1
// so that parsing goes on after it.  Without a next argument it prints
// "ERROR: オプション<option>の後にファイル名がありません" and returns -1; the
// caller then ends the program with status 1.
int take_option_file_name(int argc, char** argv, int index, std::string& setting);

// A number given on the command line: decimal, 0x hexadecimal or 0-prefixed
// octal, wholly a number, at most max_value; an empty argument is 0.  A sign
// or leading blanks are not part of a number.  -1 when refused.
long parse_option_number(const char* text, unsigned long max_value);
