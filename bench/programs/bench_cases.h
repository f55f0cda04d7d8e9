// The rows of the whole-program benchmark: for each program a realistic
// input, and the input shapes that once made a program slow or greedy, each
// generated at 1×, 10× and 100× of its base size.
#pragma once

#include <string>
#include <vector>

// One run of a program: its arguments (after the program name), the files
// it reads and the files it writes.
struct Invocation {
    std::vector<std::string> arguments;
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
};

struct BenchCase {
    const char* program;  // the executable's name in the bin folder
    const char* input;    // what the input holds at 1×, for the table
    // Writes the inputs for this scale into input_folder; 0 or -1.
    int (*generate)(int scale, const std::string& input_folder);
    // The run on those inputs, writing into output_folder.
    Invocation (*invocation)(const std::string& input_folder, const std::string& output_folder);
};

const std::vector<BenchCase>& bench_cases();

inline constexpr int BENCH_SCALES[] = {1, 10, 100};
