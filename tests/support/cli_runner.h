// Runs a built program of the toolkit as a user would, in a given folder and
// with a given LANG, and captures what it prints and how it ends.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct RunResult {
    std::string out;      // everything the program wrote to standard output
    std::string err;      // everything it wrote to standard error (should stay empty)
    int status = -1;      // exit status 0..255, or -1 when killed by a signal
};

// Full path of a program in build/bin.
std::string program_path(const std::string& program);

// Runs program (a name in build/bin) with args in folder cwd.  LANG is set
// to lang, or removed from the environment when lang is std::nullopt.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::optional<std::string>& lang);

// The LANG values the end-to-end tests use: a UTF-8 console, and an unset
// LANG (CP932 console).
inline const std::optional<std::string> LANG_UTF8 = std::string("C.UTF-8");
inline const std::optional<std::string> LANG_UNSET = std::nullopt;

// UTF-8 text converted to CP932, for expected console output.  Every
// character must exist in CP932.
std::string to_cp932(const std::string& utf8);

// The expected console bytes of a UTF-8 message under lang.
std::string console_bytes(const std::string& utf8, const std::optional<std::string>& lang);
