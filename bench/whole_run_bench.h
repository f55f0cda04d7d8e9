// A Google Benchmark loop over a program's whole run, in process: the run
// function is called on the command line once an iteration, with standard
// output silenced; a run that fails ends the benchmark with an error.
#pragma once

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

inline void time_whole_runs(benchmark::State& state, std::vector<std::string> args, int (*run)(int, char**),
                            const char* failure)
{
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        int status = 0;
        {
            SilencedStdout silenced;
            status = run(static_cast<int>(args.size()), argv.data());
        }
        if (status != 0) {
            state.SkipWithError(failure);
            return;
        }
    }
}
