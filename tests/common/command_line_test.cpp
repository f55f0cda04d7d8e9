#include "command_line.h"

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

        std::vector<std::string> words = {"prog"};
        words.insert(words.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);

        std::optional<std::string> input;
        testing::internal::CaptureStdout();
        const bool runs = parse_command_line(static_cast<int>(words.size()), argv.data(), syntax, input);
        const std::string printed = testing::internal::GetCapturedStdout();
        const std::string label = testing::PrintToString(c.args);
        EXPECT_EQ(runs, c.runs) << label;
        EXPECT_EQ(printed, c.printed) << label;
        EXPECT_EQ(input, c.input) << label;
        EXPECT_EQ(output, c.output) << label;
        EXPECT_EQ(map, c.map) << label;
    }
}

}  // namespace
