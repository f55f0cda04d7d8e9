// Running a built program the way a user would: a process of its own, its
// standard output and standard error sent to files, its wall-clock time
// and its peak memory measured from outside.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct RunRequest {
    std::vector<std::string> argv;  // argv[0] is the path of the executable
    std::string folder;             // working folder of the process
    std::string stdout_path;        // created afresh; empty: /dev/null
    std::string stderr_path;        // created afresh; empty: /dev/null
    std::vector<std::string> environment;  // NAME=value, the whole environment
    double timeout_seconds = 60.0;  // killed after this much wall-clock time
};

struct RunResult {
    bool finished = false;   // ended by itself, neither killed nor timed out
    bool timed_out = false;  // killed at the time limit
    int status = -1;         // exit status 0 to 255 when finished
    int signal = 0;          // the signal that ended it, if one did
    double seconds = 0.0;    // wall clock from the start to its end
    long peak_kb = 0;        // maximum resident set size of the process
};

// Starts the program, waits for its end (or kills it at the time limit)
// and measures it.  A program that cannot be started ends with status 127,
// as a shell reports it; a run that could not be measured at all has
// neither finished nor timed out.
//
// A process forked from a large one starts with all of its resident pages,
// and they count towards the child's peak even after an exec.  So the
// measuring is done by this executable started afresh (a small process):
// every main that calls run_process must first hand the measured-run
// arguments to measured_run_main.
RunResult run_process(const RunRequest& request);

// True when this process was started to measure one run.
bool is_measured_run(int argc, char** argv);
// Runs and measures the program named in the arguments, reports to the
// process that asked, and returns this process's exit status.
int measured_run_main(int argc, char** argv);

// Runs work in a forked process with standard output sent to /dev/null, so
// the memory it takes (a generated archive, say) and the library's trace
// lines stay out of this process.  Returns work's result, or -1 when the
// child did not end normally.
int run_in_child(const std::function<int()>& work);

// The current environment with LANG removed, and set to lang when lang is
// not empty.
std::vector<std::string> environment_with_lang(const std::string& lang);
