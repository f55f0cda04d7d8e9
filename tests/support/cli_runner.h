// Runs a built program of the toolkit as a user would, in a given folder and
// with a given LANG, and captures what it prints and how it ends.
//
// The same tests check the Windows programs under Wine.  Three variables of
// the environment say how programs are run:
//   U7_BIN_DIR     folder of the programs (default: this build's bin/)
//   U7_EXE_SUFFIX  appended to each program name (".exe" for Windows)
//   U7_RUN_PREFIX  command put before the program, words separated by
//                  spaces ("wine")
// With the suffix ".exe" the programs are Windows programs, and the one
// platform difference is allowed for: a text stream ends its lines with
// CR LF.  Standard output and the text files they write (see
// read_text_output) are taken back to LF line ends before comparing, but
// only when every LF in them follows a CR: a bare LF, or a CR LF from a
// Linux program, is left as it is and makes the comparison fail.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RunResult {
    std::string out;      // everything the program wrote to standard output (normalized)
    std::string err;      // everything it wrote to standard error (should stay empty)
    int status = -1;      // exit status 0..255, or -1 when killed by a signal
};

// Full path of a program in build/bin (or U7_BIN_DIR, with U7_EXE_SUFFIX).
std::string program_path(const std::string& program);

// True when the programs run are the Windows ones (U7_EXE_SUFFIX is ".exe").
bool windows_programs();

// Text written by a program through a text stream, with Windows line ends
// taken back to LF when the programs are the Windows ones (see above).
std::string normalize_text_output(const std::string& text);

// The bytes of a file that a program wrote in text mode, normalized so.
std::string read_text_output(const std::string& path);

// Runs program (a name in build/bin) with args in folder cwd.  LANG is set
// to lang, or removed from the environment when lang is std::nullopt.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::optional<std::string>& lang);

// As run_program, but the program may not grow a file past limit bytes, as
// on a full disk.  SIGXFSZ keeps the system's default action, which kills
// the process at such a write unless the program ignores the signal (ours
// do, and the write fails with EFBIG).  A Windows program knows no such
// signal, but Wine runs it in a process that does not ignore it: for the
// Windows programs the signal is ignored before they start.
RunResult run_program_with_file_size_limit(const std::string& program, const std::vector<std::string>& args,
                                           const std::string& cwd, const std::optional<std::string>& lang,
                                           std::uint64_t limit);

// The LANG values the end-to-end tests use: a UTF-8 console, and an unset
// LANG (CP932 console).
inline const std::optional<std::string> LANG_UTF8 = std::string("C.UTF-8");
inline const std::optional<std::string> LANG_UNSET = std::nullopt;

// UTF-8 text converted to CP932, for expected console output.  Every
// character must exist in CP932.
std::string to_cp932(const std::string& utf8);

// The expected console bytes of a UTF-8 message under lang.
std::string console_bytes(const std::string& utf8, const std::optional<std::string>& lang);
