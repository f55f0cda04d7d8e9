#include "support/cli_runner.h"

#include "common/console.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

std::string environment_or(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : fallback;
}

}  // namespace

std::string program_path(const std::string& program)
{
    return environment_or("U7_BIN_DIR", U7_BIN_DIR) + "/" + program + environment_or("U7_EXE_SUFFIX", "");
}

bool windows_programs()
{
    return environment_or("U7_EXE_SUFFIX", "") == ".exe";
}

std::string normalize_text_output(const std::string& text)
{
    if (!windows_programs()) return text;
    std::string normalized;
    normalized.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            if (i == 0 || text[i - 1] != '\r') return text;
            normalized.back() = '\n';
        } else {
            normalized.push_back(text[i]);
        }
    }
    return normalized;
}

std::string read_text_output(const std::string& path)
{
    return normalize_text_output(read_file_bytes(path));
}

#ifndef _WIN32

namespace {

void drain(int out_fd, int err_fd, std::string& out, std::string& err)
{
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    int open_count = 2;
    char buffer[65536];
    while (open_count > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("poll failed");
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? out : err).append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

}  // namespace

namespace {

RunResult run_command(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                      const std::optional<std::string>& lang, const std::optional<std::uint64_t>& file_size_limit)
{
    const std::string path = program_path(program);
    std::vector<std::string> command;
    std::istringstream prefix(environment_or("U7_RUN_PREFIX", ""));
    for (std::string word; prefix >> word;) command.push_back(word);
    command.push_back(path);
    command.insert(command.end(), args.begin(), args.end());

    std::vector<std::string> env_strings;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "LANG=", 5) != 0 && std::strncmp(*e, "LC_", 3) != 0) env_strings.emplace_back(*e);
    }
    if (lang) env_strings.push_back("LANG=" + *lang);
    // Wine reads the command line and the file names of this side in its
    // locale's encoding: UTF-8, as a Windows program receives them (in
    // UTF-16) whatever the console's code page.  The programs decide their
    // console's encoding by LANG alone.
    if (windows_programs()) env_strings.push_back("LC_CTYPE=C.UTF-8");

    std::vector<char*> argv;
    for (auto& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env_strings) envp.push_back(e.data());
    envp.push_back(nullptr);

    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(out_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[0]);
        close(err_pipe[1]);
        const int null_fd = open("/dev/null", O_RDONLY);
        if (null_fd >= 0) dup2(null_fd, 0);
        if (chdir(cwd.c_str()) != 0) _exit(126);
        if (file_size_limit) {
            // Kept across exec.
            std::signal(SIGXFSZ, windows_programs() ? SIG_IGN : SIG_DFL);
            const struct rlimit limit {*file_size_limit, *file_size_limit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        // A prefix (such as wine) is looked up in PATH.
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    RunResult result;
    drain(out_pipe[0], err_pipe[0], result.out, result.err);
    int wait_status = 0;
    while (waitpid(pid, &wait_status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    result.out = normalize_text_output(result.out);
    return result;
}

}  // namespace

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::optional<std::string>& lang)
{
    return run_command(program, args, cwd, lang, std::nullopt);
}

RunResult run_program_with_file_size_limit(const std::string& program, const std::vector<std::string>& args,
                                           const std::string& cwd, const std::optional<std::string>& lang,
                                           std::uint64_t limit)
{
    return run_command(program, args, cwd, lang, limit);
}

#endif  // _WIN32

#ifdef _WIN32

// The system's code page 932, without best-fit guesses.
std::string to_cp932(const std::string& utf8)
{
    if (utf8.empty()) return utf8;
    const int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                                static_cast<int>(utf8.size()), nullptr, 0);
    if (wide_length <= 0) throw std::runtime_error("text is not UTF-8");
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wide_length);
    BOOL used_default = FALSE;
    const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, nullptr, 0,
                                           nullptr, &used_default);
    std::string output(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, output.data(), length, nullptr,
                        &used_default);
    if (length <= 0 || used_default) throw std::runtime_error("text not convertible to CP932");
    return output;
}

#else

std::string to_cp932(const std::string& utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string input = utf8;
    std::string output(input.size() * 2 + 16, '\0');
    char* in = input.data();
    std::size_t in_left = input.size();
    char* out = output.data();
    std::size_t out_left = output.size();
    const std::size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("text not convertible to CP932");
    output.resize(output.size() - out_left);
    return output;
}

#endif  // _WIN32

std::string console_bytes(const std::string& utf8, const std::optional<std::string>& lang)
{
    const ConsoleMode mode = console_mode_from_lang(lang ? lang->c_str() : nullptr);
    return mode == ConsoleMode::pass_through ? utf8 : to_cp932(utf8);
}
