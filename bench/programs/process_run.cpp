#include "process_run.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

double seconds_since(const timespec& start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) + static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

// In the child between fork and exec: only async-signal-safe calls.
void redirect(int target, const char* path)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || dup2(fd, target) < 0) _exit(127);
    close(fd);
}

std::vector<char*> pointers_of(const std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

// The measuring process: started afresh (exec) for every run, so that it is
// small whatever the size of the process that asked for the run, and the
// program it forks starts with nothing of that process's memory.  Its
// arguments: timeout, folder, stdout path, stderr path, then the program's
// argv; the environment is the program's.  The result goes to descriptor 3
// as one line: finished timed_out status signal seconds peak_kb.
namespace {

constexpr const char* MEASURED_RUN_OPTION = "--measured-run";
constexpr int RESULT_FD = 3;

RunResult measure_child(char** argv, const char* folder, const char* out, const char* err, double timeout)
{
    RunResult result;
    // SIGCHLD stays blocked while the child runs, so its end can be awaited
    // with a time limit and without a polling delay.
    sigset_t child_ended;
    sigemptyset(&child_ended);
    sigaddset(&child_ended, SIGCHLD);
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &child_ended, &previous);

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid < 0) {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        return result;
    }
    if (pid == 0) {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        close(RESULT_FD);  // the program gets only its three standard streams
        if (chdir(folder) != 0) _exit(127);
        redirect(STDOUT_FILENO, out);
        redirect(STDERR_FILENO, err);
        execve(argv[0], argv, environ);
        _exit(127);
    }

    int wait_status = 0;
    rusage usage{};
    for (;;) {
        if (wait4(pid, &wait_status, WNOHANG, &usage) == pid) break;
        const double left = timeout - seconds_since(start);
        if (left <= 0) {
            kill(pid, SIGKILL);
            wait4(pid, &wait_status, 0, &usage);
            result.timed_out = true;
            break;
        }
        timespec limit{};
        limit.tv_sec = static_cast<time_t>(left);
        limit.tv_nsec = static_cast<long>((left - static_cast<double>(limit.tv_sec)) * 1e9);
        sigtimedwait(&child_ended, nullptr, &limit);  // the child's end, the limit, or an interruption
    }
    result.seconds = seconds_since(start);
    result.peak_kb = usage.ru_maxrss;
    if (WIFEXITED(wait_status)) {
        result.status = WEXITSTATUS(wait_status);
        result.finished = !result.timed_out;
    } else if (WIFSIGNALED(wait_status)) {
        result.signal = WTERMSIG(wait_status);
    }
    return result;
}

}  // namespace

bool is_measured_run(int argc, char** argv)
{
    return argc >= 7 && std::strcmp(argv[1], MEASURED_RUN_OPTION) == 0;
}

int measured_run_main(int argc, char** argv)
{
    if (!is_measured_run(argc, argv)) return 1;
    const RunResult r = measure_child(argv + 6, argv[3], argv[4], argv[5], std::strtod(argv[2], nullptr));
    char line[160];
    const int length = std::snprintf(line, sizeof line, "%d %d %d %d %.9f %ld\n", r.finished ? 1 : 0,
                                     r.timed_out ? 1 : 0, r.status, r.signal, r.seconds, r.peak_kb);
    return write(RESULT_FD, line, static_cast<std::size_t>(length)) == length ? 0 : 1;
}

RunResult run_process(const RunRequest& request)
{
    RunResult result;
    if (request.argv.empty()) return result;

    // Everything the child needs is made before the fork.
    char timeout[32];
    std::snprintf(timeout, sizeof timeout, "%.3f", request.timeout_seconds);
    std::vector<std::string> launcher = {"/proc/self/exe", MEASURED_RUN_OPTION, timeout,
                                         request.folder.empty() ? "." : request.folder,
                                         request.stdout_path.empty() ? "/dev/null" : request.stdout_path,
                                         request.stderr_path.empty() ? "/dev/null" : request.stderr_path};
    launcher.insert(launcher.end(), request.argv.begin(), request.argv.end());
    const std::vector<char*> argv = pointers_of(launcher);
    const std::vector<char*> envp = pointers_of(request.environment);

    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0) return result;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(channel[0]);
        close(channel[1]);
        return result;
    }
    if (pid == 0) {
        if (dup2(channel[1], RESULT_FD) < 0) _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(channel[1]);
    std::string reply;
    char buffer[256];
    for (;;) {
        const ssize_t count = read(channel[0], buffer, sizeof buffer);
        if (count > 0) {
            reply.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    close(channel[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    int finished = 0;
    int timed_out = 0;
    if (std::sscanf(reply.c_str(), "%d %d %d %d %lf %ld", &finished, &timed_out, &result.status, &result.signal,
                    &result.seconds, &result.peak_kb) != 6) {
        return RunResult{};
    }
    result.finished = finished != 0;
    result.timed_out = timed_out != 0;
    return result;
}

int run_in_child(const std::function<int()>& work)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        redirect(STDOUT_FILENO, "/dev/null");
        const int result = work();
        std::fflush(nullptr);
        _exit(result < 0 ? 255 : result & 0xFF);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (!WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code == 255 ? -1 : code;
}

std::vector<std::string> environment_with_lang(const std::string& lang)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("LANG=", 0) == 0) continue;
        environment.push_back(variable);
    }
    if (!lang.empty()) environment.push_back("LANG=" + lang);
    return environment;
}
