#include "common/command_line.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// Messages are compared as UTF-8; LANG is set before the first message.
const bool utf8_console = [] {
    setenv("LANG", "C.UTF-8", 1);
    return true;
}();

constexpr const char* USAGE[] = {"使い方: prog [オプション] [ファイル]\n", "\n"};
constexpr const char* USAGE_TEXT = "使い方: prog [オプション] [ファイル]\n\n";

// Parses "prog" followed by args; printed receives what the parser printed.
bool run_parser(const std::vector<std::string>& args, const CommandLineSyntax& syntax,
                std::optional<std::string>& input, std::string& printed)
{
    std::vector<std::string> words = {"prog"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    const bool runs = parse_command_line(static_cast<int>(words.size()), argv.data(), syntax, input);
    printed = testing::internal::GetCapturedStdout();
    return runs;
}

struct Case {
    std::vector<std::string> args;
    bool runs;
    std::string printed;
    std::optional<std::string> input;
    std::string output;
    std::string map;
};

TEST(ParseCommandLine, OptionsInputAndEveryWayToEnd)
{
    ASSERT_TRUE(utf8_console);
    const Case cases[] = {
        {{}, true, "", std::nullopt, "out.txt", "usecode.map"},
        {{"in.txt"}, true, "", "in.txt", "out.txt", "usecode.map"},
        {{""}, true, "", "", "out.txt", "usecode.map"},
        // The last of a repeated option wins, whatever the order.
        {{"-o", "a", "in", "-m", "m1", "-o", "b", "--map", "m2"}, true, "", "in", "b", "m2"},
        // The next argument is the file name, whatever it begins with.
        {{"-o", "-m", "-m", "--help"}, true, "", std::nullopt, "-m", "--help"},
        {{"-?", "-x"}, false, USAGE_TEXT, std::nullopt, "out.txt", "usecode.map"},
        {{"in", "--help", "a", "b"}, false, USAGE_TEXT, "in", "out.txt", "usecode.map"},
        {{"--version", "-?"}, false, "prog version 0.0.19\n", std::nullopt, "out.txt", "usecode.map"},
        {{"-x", "--help"}, false, "ERROR: 不正なオプションです: -x\n", std::nullopt, "out.txt", "usecode.map"},
        {{"-O", "x"}, false, "ERROR: 不正なオプションです: -O\n", std::nullopt, "out.txt", "usecode.map"},
        {{"--map=x"}, false, "ERROR: 不正なオプションです: --map=x\n", std::nullopt, "out.txt", "usecode.map"},
        {{"-"}, false, "ERROR: 不正なオプションです: -\n", std::nullopt, "out.txt", "usecode.map"},
        {{"--HELP"}, false, "ERROR: 不正なオプションです: --HELP\n", std::nullopt, "out.txt", "usecode.map"},
        {{"a", "b", "-x"}, false, "ERROR: コマンドラインパラメータが多すぎます: b\n", "a", "out.txt", "usecode.map"},
        {{"-o"}, false, "ERROR: オプション-oの後にファイル名がありません\n", std::nullopt, "out.txt", "usecode.map"},
        {{"-m", "x", "--map"}, false, "ERROR: オプション--mapの後にファイル名がありません\n", std::nullopt, "out.txt", "x"},
    };
    for (const Case& c : cases) {
        std::string output = "out.txt";
        std::string map = "usecode.map";
        const FileNameOption options[] = {{"-o", &output}, {"-m", &map}, {"--map", &map}};
        const CommandLineSyntax syntax{options, "prog version %s\n", USAGE};

        std::optional<std::string> input;
        std::string printed;
        const bool runs = run_parser(c.args, syntax, input, printed);
        const std::string label = testing::PrintToString(c.args);
        EXPECT_EQ(runs, c.runs) << label;
        EXPECT_EQ(printed, c.printed) << label;
        EXPECT_EQ(input, c.input) << label;
        EXPECT_EQ(output, c.output) << label;
        EXPECT_EQ(map, c.map) << label;
    }
}

struct FlagAndNumberCase {
    std::vector<std::string> args;
    bool runs;
    std::string printed;
    int mode;
    std::vector<int> colour;
    std::string output;
};

// Flags store their value; an option with numbers takes its numbers, which
// are stored only when every one of them is read.
TEST(ParseCommandLine, FlagsAndOptionsWithNumbers)
{
    ASSERT_TRUE(utf8_console);
    const std::vector<int> unset = {-1, -1, -1};
    const std::string missing = "ERROR: オプション--rgbの後に値が不足しています\n";
    const FlagAndNumberCase cases[] = {
        {{}, true, "", 0, unset, "out.txt"},
        {{"--on", "in", "--off", "--on"}, true, "", 1, unset, "out.txt"},
        {{"--rgb", "255", "0x10", "010", "-o", "x"}, true, "", 0, {255, 16, 8}, "x"},
        // An empty argument is 0; the last of a repeated option wins.
        {{"--rgb", "1", "2", "3", "--rgb", "", "0", "0X1f"}, true, "", 0, {0, 0, 31}, "out.txt"},
        // The numbers are taken whatever they begin with.
        {{"--rgb", "1", "2", "-o"}, false, "ERROR: 値が不正です: -o\n", 0, unset, "out.txt"},
        {{"--rgb", "1", "2"}, false, missing, 0, unset, "out.txt"},
        {{"--off", "--rgb"}, false, missing, 2, unset, "out.txt"},
        {{"--rgb", "256", "x", "0"}, false, "ERROR: 値が不正です: 256\n", 0, unset, "out.txt"},
        {{"--rgb", "1", "2", "08"}, false, "ERROR: 値が不正です: 08\n", 0, unset, "out.txt"},
        {{"--rgb", "1", "0x", "0"}, false, "ERROR: 値が不正です: 0x\n", 0, unset, "out.txt"},
        {{"--rgb", "+1", "2", "3"}, false, "ERROR: 値が不正です: +1\n", 0, unset, "out.txt"},
        {{"--rgb", " 1", "2", "3"}, false, "ERROR: 値が不正です:  1\n", 0, unset, "out.txt"},
        {{"--rgb", "1", "2", "99999999999999999999999"}, false, "ERROR: 値が不正です: 99999999999999999999999\n",
         0, unset, "out.txt"},
        // Flags are exact names, like every option.
        {{"--on=1"}, false, "ERROR: 不正なオプションです: --on=1\n", 0, unset, "out.txt"},
    };
    for (const FlagAndNumberCase& c : cases) {
        std::string output = "out.txt";
        int mode = 0;
        std::vector<int> colour = unset;
        const FileNameOption options[] = {{"-o", &output}};
        const FlagOption flags[] = {{"--on", &mode, 1}, {"--off", &mode, 2}};
        const NumberListOption numbers[] = {
            {"--rgb", colour, 255, "ERROR: オプション%sの後に値が不足しています\n", "ERROR: 値が不正です: %s\n"},
        };
        CommandLineSyntax syntax{options, "prog version %s\n", USAGE};
        syntax.flags = flags;
        syntax.number_lists = numbers;

        std::optional<std::string> input;
        std::string printed;
        const bool runs = run_parser(c.args, syntax, input, printed);
        const std::string label = testing::PrintToString(c.args);
        EXPECT_EQ(runs, c.runs) << label;
        EXPECT_EQ(printed, c.printed) << label;
        EXPECT_EQ(mode, c.mode) << label;
        EXPECT_EQ(colour, c.colour) << label;
        EXPECT_EQ(output, c.output) << label;
    }
}

}  // namespace
