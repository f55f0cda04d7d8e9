// The arithmetic and wording of the benchmark report: the growth exponent,
// the targets, sizes and times for the table, and the comparison of two
// runs' outputs with the run-to-run addresses of trace lines masked.
#pragma once

#include "process_run.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// Targets, checked at the largest scale.
inline constexpr double TARGET_RATIO = 3.0;        // program time / floor time
inline constexpr double TARGET_GROWTH = 1.05;      // exponent from 10× to 100×
inline constexpr double TARGET_MEMORY_RATIO = 2.0;  // extra peak memory / input size

// log(t100 / t10) / log(10): 1 for linear growth, 2 for quadratic.  NaN
// when either time is not positive.
double growth_exponent(double seconds_at_10, double seconds_at_100);

// The memory a run took for its input: its peak less the program's own
// peak on an empty run (both in KiB), over the input's size.  0 when the
// peak is not above the program's own.
double memory_per_input_byte(long peak_kb, long own_kb, std::uint64_t input_bytes);

struct TargetVerdict {
    bool ratio_ok = true;
    bool growth_ok = true;
    bool memory_ok = true;
    bool all_ok() const { return ratio_ok && growth_ok && memory_ok; }
};
// NaN values (not measured) miss their target.
TargetVerdict check_targets(double ratio, double growth, double memory_per_input);

// "812B", "31.2K", "4.0M", "1.25G" (powers of 1024).
std::string format_bytes(std::uint64_t bytes);
// "850us", "12.3ms", "1.234s", "75.1s".
std::string format_seconds(double seconds);

// A line of standard output with the addresses of the library's trace
// lines (function and buffer addresses, which change from run to run and
// build to build) replaced by "ADDR"; any other line unchanged.
std::string mask_trace_addresses(const std::string& line);

// How two runs' files compare.
enum class FileComparison { same, different, only_first, only_second, neither };
FileComparison compare_files(const std::string& first, const std::string& second);

// Compares two standard output files line by line after masking.  Returns
// 0 when they agree, else the number of the first line that differs
// (counted from 1; a line missing from one file differs).  -1 when a file
// cannot be read.
long first_differing_line(const std::string& first, const std::string& second);

// ---------------------------------------------------------------------------
// Rows of the timing table

// One scale of one row.
struct Measurement {
    int scale = 0;
    bool measured = false;  // the program ran (perhaps only until its time limit)
    bool failed = false;    // it ended with a status other than 0 or by a signal, or could not be set up
    bool timed_out = false;
    RunResult fastest;      // the fastest run
    long peak_kb = 0;       // the largest peak of all runs
    int runs = 0;
    double floor = std::numeric_limits<double>::quiet_NaN();  // seconds
    std::uint64_t input_bytes = 0;
    std::uint64_t output_bytes = 0;
    bool wrote_stderr = false;
    std::string note;
};

// The figures the targets judge, of the last scale so far; the growth from
// the scale before it (the scales are 10× apart).  NaN where not measured.
struct Figures {
    double ratio;
    double growth;
    double memory;
};
Figures figures_of(const std::vector<Measurement>& scales, long own_kb);

struct RowSummary {
    std::string name;
    bool ok = false;      // every target met
    bool failed = false;  // a run failed: the measurement itself is void
    std::string verdict;  // "ok", "MISS: ..." or "FAILED at ...: ..."
};
// The verdict of a row once all its scales are through: the targets are
// judged on the last one.
RowSummary judge_row(const std::string& name, const std::vector<Measurement>& scales, long own_kb);
