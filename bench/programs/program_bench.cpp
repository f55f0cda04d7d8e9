// program_bench: whole-program benchmarks of the built programs.
//
// For every row (a program and an input shape) it generates the input at
// 1×, 10× and 100×, runs the program on it as a process of its own (best of
// a few runs), and runs the floor in the same way: cat of the inputs to
// /dev/null plus cp of a file of the outputs' size.  It prints the times,
// the ratio to the floor, the growth exponent from 10× to 100× and the peak
// memory, and marks the rows that miss their targets.
//
// With --compare OLD_BIN it runs the programs of both folders on the same
// inputs instead and reports, for every run, whether the exit status, the
// standard output (trace-line addresses masked) and every file written are
// the same.
#include "bench_cases.h"
#include "bench_inputs.h"
#include "bench_report.h"
#include "process_run.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double NOT_MEASURED = std::numeric_limits<double>::quiet_NaN();

struct Options {
    std::string bin;
    std::string compare;  // old bin folder; empty: timing mode
    std::string work;     // where the inputs are generated
    std::string lang;     // LANG for the programs; empty: unset (CP932 output)
    bool wine = false;    // --bin holds the Windows programs, run under Wine
    int runs = 3;
    double timeout = 30.0;
    double budget = 5.0;  // seconds of one scale's runs after which no more are made
    std::set<std::string> only;
};

void print_usage()
{
    std::printf(
        "usage: program_bench --bin DIR [options]\n"
        "  --bin DIR          the programs to measure (a build's bin folder)\n"
        "  --compare OLD_DIR  run DIR's and OLD_DIR's programs on the same inputs and\n"
        "                     compare status, standard output and files, instead of timing\n"
        "  --runs N           runs per measurement, the best counts (3)\n"
        "  --timeout SECONDS  a run still going after this is killed and marked (30)\n"
        "  --budget SECONDS   no further runs of one scale once its runs took this long (5)\n"
        "  --only PROGRAM     only this program's rows (may be repeated)\n"
        "  --lang VALUE       LANG for the programs (unset by default: CP932 output)\n"
        "  --work DIR         folder for the generated inputs (the system's temporary folder)\n"
        "  --wine             --bin holds the Windows programs (.exe): run them under Wine\n"
        "                     (with --compare, the old programs still run as they are)\n");
}

bool parse_number(const char* text, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && value > 0;
}

// 0: go on; 1: stop with that status (usage shown or an error printed).
int parse_options(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-?" || argument == "--help") {
            print_usage();
            return 1;
        }
        if (argument == "--wine") {
            options.wine = true;
            continue;
        }
        const bool takes_value = argument == "--bin" || argument == "--compare" || argument == "--runs" ||
                                 argument == "--timeout" || argument == "--budget" || argument == "--only" ||
                                 argument == "--lang" || argument == "--work";
        if (!takes_value) {
            std::printf("ERROR: unknown argument: %s\n", argument.c_str());
            print_usage();
            return 1;
        }
        if (i + 1 >= argc) {
            std::printf("ERROR: %s needs a value\n", argument.c_str());
            return 1;
        }
        const char* value = argv[++i];
        double number = 0;
        if (argument == "--bin") {
            options.bin = value;
        } else if (argument == "--compare") {
            options.compare = value;
        } else if (argument == "--only") {
            options.only.insert(value);
        } else if (argument == "--lang") {
            options.lang = value;
        } else if (argument == "--work") {
            options.work = value;
        } else if (!parse_number(value, number)) {
            std::printf("ERROR: %s needs a positive number: %s\n", argument.c_str(), value);
            return 1;
        } else if (argument == "--runs") {
            options.runs = static_cast<int>(number);
            if (options.runs < 1 || options.runs > 100) {
                std::printf("ERROR: --runs takes 1 to 100: %s\n", value);
                return 1;
            }
        } else if (argument == "--timeout") {
            options.timeout = number;
        } else {
            options.budget = number;
        }
    }
    if (options.bin.empty()) {
        std::printf("ERROR: --bin is required\n");
        print_usage();
        return 1;
    }
    return 0;
}

std::string find_in_path(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

bool is_executable(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

std::uint64_t size_of(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

bool fresh_folder(const fs::path& folder)
{
    std::error_code error;
    fs::remove_all(folder, error);
    return fs::create_directories(folder, error) && !error;
}

// A folder of its own for this run, removed with its contents at the end.
class WorkFolder {
public:
    explicit WorkFolder(const std::string& parent)
    {
        const fs::path base = parent.empty() ? fs::temp_directory_path() : fs::path(parent);
        std::string pattern = (base / "program_bench.XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~WorkFolder()
    {
        std::error_code error;
        if (!path_.empty()) fs::remove_all(path_, error);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct Tools {
    std::string cat;
    std::string cp;
    std::string wine;  // empty: the programs run as they are
    std::vector<std::string> environment;
};

// A program of the --bin folder.
std::string program_in_bin(const Options& options, const std::string& program)
{
    return options.bin + "/" + program + (options.wine ? ".exe" : "");
}

// The command that runs a program: the program itself, or Wine with it.
std::vector<std::string> command_for(const std::string& program, const Tools& tools)
{
    if (tools.wine.empty()) return {program};
    return {tools.wine, program};
}

RunRequest request_for(const std::vector<std::string>& argv, const fs::path& folder, const Tools& tools,
                       const Options& options)
{
    RunRequest request;
    request.argv = argv;
    request.folder = folder.string();
    request.environment = tools.environment;
    request.timeout_seconds = options.timeout;
    return request;
}

// ---------------------------------------------------------------------------
// Timing

// The best of up to `runs` runs, each on a fresh output folder.
Measurement measure_program(const std::string& executable, const Invocation& invocation, const fs::path& output,
                            const fs::path& scratch, const Tools& tools, const Options& options)
{
    Measurement m;
    std::vector<std::string> argv = command_for(executable, tools);
    argv.insert(argv.end(), invocation.arguments.begin(), invocation.arguments.end());
    RunRequest request = request_for(argv, output, tools, options);
    request.stdout_path = (scratch / "stdout.txt").string();
    request.stderr_path = (scratch / "stderr.txt").string();

    double spent = 0;
    for (int run = 0; run < options.runs && spent < options.budget; ++run) {
        if (!fresh_folder(output)) {
            m.failed = true;
            m.note = "cannot make the output folder";
            return m;
        }
        const RunResult result = run_process(request);
        spent += result.seconds;
        m.measured = true;
        ++m.runs;
        m.peak_kb = std::max(m.peak_kb, result.peak_kb);
        if (m.runs == 1 || result.seconds < m.fastest.seconds) m.fastest = result;
        if (result.timed_out) {
            m.timed_out = true;
            break;
        }
        if (!result.finished || result.status != 0) {
            m.failed = true;
            m.fastest = result;
            m.note = result.finished ? "exit status " + std::to_string(result.status)
                                     : "ended by signal " + std::to_string(result.signal);
            break;
        }
    }
    for (const std::string& input : invocation.inputs) m.input_bytes += size_of(input);
    for (const std::string& file : invocation.outputs) m.output_bytes += size_of(file);
    m.output_bytes += size_of(request.stdout_path);
    m.wrote_stderr = size_of(request.stderr_path) > 0;
    return m;
}

// The best time of a command over the runs; NaN when it fails.
double best_time(const RunRequest& request, const Options& options, const fs::path& remove_after)
{
    double best = NOT_MEASURED;
    for (int run = 0; run < options.runs; ++run) {
        const RunResult result = run_process(request);
        std::error_code error;
        if (!remove_after.empty()) fs::remove(remove_after, error);
        if (!result.finished || result.status != 0) return NOT_MEASURED;
        if (!(result.seconds >= best)) best = result.seconds;
    }
    return best;
}

// cat of the inputs to /dev/null, plus cp of a file of the outputs' size.
double measure_floor(const Invocation& invocation, std::uint64_t output_bytes, const fs::path& scratch,
                     const Tools& tools, const Options& options)
{
    const fs::path filler = scratch / "floor.out";
    const fs::path copy = scratch / "floor.copy";
    {
        std::ofstream file(filler, std::ios::binary);
        const std::string block(1 << 16, 'x');
        for (std::uint64_t left = output_bytes; left > 0;) {
            const std::uint64_t chunk = std::min<std::uint64_t>(left, block.size());
            file.write(block.data(), static_cast<std::streamsize>(chunk));
            left -= chunk;
        }
        if (!file.flush()) return NOT_MEASURED;
    }
    std::vector<std::string> cat = {tools.cat};
    cat.insert(cat.end(), invocation.inputs.begin(), invocation.inputs.end());
    const double cat_time = best_time(request_for(cat, scratch, tools, options), options, {});
    const double cp_time =
        best_time(request_for({tools.cp, filler.string(), copy.string()}, scratch, tools, options), options, copy);
    std::error_code error;
    fs::remove(filler, error);
    return cat_time + cp_time;
}

// Own peak of each program: a run that only prints the version.
long own_peak_kb(const std::string& executable, const fs::path& scratch, const Tools& tools, const Options& options)
{
    long least = 0;
    for (int run = 0; run < options.runs; ++run) {
        std::vector<std::string> argv = command_for(executable, tools);
        argv.push_back("--version");
        const RunResult result = run_process(request_for(argv, scratch, tools, options));
        if (run == 0 || result.peak_kb < least) least = result.peak_kb;
    }
    return least;
}

constexpr const char* TABLE_FORMAT = "%-10s %-46s %5s %8s %8s %9s %9s %6s %7s %7s %7s  %s\n";

std::string fixed(double value, const char* format, bool lower_bound = false)
{
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return (lower_bound ? ">" : "") + std::string(text);
}

bool run_timing(const Options& options, const Tools& tools, const fs::path& work)
{
    std::printf("Whole-program benchmarks of %s: best of %d runs, LANG %s\n", options.bin.c_str(), options.runs,
                options.lang.empty() ? "unset" : options.lang.c_str());
    std::printf("floor: cat of the inputs to /dev/null + cp of a file of the outputs' size (stdout included)\n");
    std::printf("targets at 100x: ratio <= %.0f, growth (exponent 10x->100x) <= %.2f, "
                "mem/in (peak less the program's own --version peak, over the input size) <= %.0f\n\n",
                TARGET_RATIO, TARGET_GROWTH, TARGET_MEMORY_RATIO);
    std::printf(TABLE_FORMAT, "program", "input (at 1x)", "scale", "input", "output", "time", "floor", "ratio",
                "growth", "peak", "mem/in", "verdict");
    std::fflush(stdout);

    std::map<std::string, long> own_peaks;
    std::vector<RowSummary> rows;
    for (const BenchCase& bench : bench_cases()) {
        if (!options.only.empty() && options.only.count(bench.program) == 0) continue;
        const std::string executable = program_in_bin(options, bench.program);
        if (!is_executable(executable)) {
            std::printf(TABLE_FORMAT, bench.program, bench.input, "", "", "", "", "", "", "", "", "",
                        "skipped: not built");
            continue;
        }
        const fs::path folder = work / "case";
        const fs::path input = folder / "in";
        const fs::path output = folder / "out";
        if (!fresh_folder(folder)) return false;
        if (own_peaks.count(bench.program) == 0) own_peaks[bench.program] = own_peak_kb(executable, folder, tools, options);
        const long own_kb = own_peaks[bench.program];

        std::vector<Measurement> scales;
        bool stopped = false;  // a smaller scale failed or timed out
        for (int scale : BENCH_SCALES) {
            Measurement m;
            const std::string input_folder = input.string();
            if (stopped) {
                m.note = "not run";
            } else if (!fresh_folder(input) ||
                       run_in_child([&bench, scale, &input_folder] { return bench.generate(scale, input_folder); }) != 0) {
                m.failed = true;
                m.note = "the inputs could not be generated";
            } else {
                const Invocation invocation = bench.invocation(input_folder, output.string());
                m = measure_program(executable, invocation, output, folder, tools, options);
                if (m.measured && !m.failed) {
                    m.floor = measure_floor(invocation, m.output_bytes, folder, tools, options);
                    if (std::isnan(m.floor)) {
                        m.failed = true;
                        m.note = "the floor (cat, cp) could not be measured";
                    }
                }
            }
            m.scale = scale;
            scales.push_back(m);
            stopped = stopped || m.failed || m.timed_out;

            const bool last = scales.size() == std::size(BENCH_SCALES);
            const Figures f = figures_of(scales, own_kb);
            std::string verdict = m.failed ? "FAILED: " + m.note : m.timed_out ? "timed out" : m.note;
            if (m.wrote_stderr) verdict += " (wrote to stderr!)";
            if (last) {
                rows.push_back(judge_row(std::string(bench.program) + ": " + bench.input, scales, own_kb));
                if (!m.failed) verdict += (verdict.empty() ? "" : "; ") + rows.back().verdict;
            }
            const std::string scale_text = std::to_string(scale) + "x";
            if (!m.measured) {
                std::printf(TABLE_FORMAT, scales.size() == 1 ? bench.program : "", scales.size() == 1 ? bench.input : "",
                            scale_text.c_str(), "", "", "", "", "", "", "", "", verdict.c_str());
            } else {
                std::printf(TABLE_FORMAT, scales.size() == 1 ? bench.program : "", scales.size() == 1 ? bench.input : "",
                            scale_text.c_str(), format_bytes(m.input_bytes).c_str(),
                            format_bytes(m.output_bytes).c_str(),
                            ((m.timed_out ? ">" : "") + format_seconds(m.fastest.seconds)).c_str(),
                            format_seconds(m.floor).c_str(), fixed(f.ratio, "%.2f", m.timed_out).c_str(),
                            last ? fixed(f.growth, "%.2f", m.timed_out).c_str() : "",
                            format_bytes(static_cast<std::uint64_t>(m.peak_kb) * 1024).c_str(),
                            fixed(f.memory, "%.2f").c_str(), verdict.c_str());
            }
            std::fflush(stdout);
        }
        std::error_code error;
        fs::remove_all(folder, error);
    }

    int met = 0;
    bool any_failed = false;
    for (const RowSummary& row : rows) {
        met += row.ok ? 1 : 0;
        any_failed = any_failed || row.failed;
    }
    std::printf("\n%d of %zu rows meet every target.\n", met, rows.size());
    for (const RowSummary& row : rows) {
        if (!row.ok) std::printf("  %s: %s\n", row.name.c_str(), row.verdict.c_str());
    }
    return !any_failed;
}

// ---------------------------------------------------------------------------
// Comparison

std::string describe(const RunResult& result)
{
    if (result.timed_out) return "timed out";
    if (!result.finished) return "signal " + std::to_string(result.signal);
    return "status " + std::to_string(result.status);
}

std::set<std::string> file_names(const fs::path& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) names.insert(entry.path().filename().string());
    return names;
}

bool run_comparison(const Options& options, const Tools& tools, const fs::path& work)
{
    std::printf("Comparison: new programs %s, old programs %s, LANG %s\n\n", options.bin.c_str(),
                options.compare.c_str(), options.lang.empty() ? "unset" : options.lang.c_str());
    bool all_same = true;
    int not_compared = 0;
    for (const BenchCase& bench : bench_cases()) {
        if (!options.only.empty() && options.only.count(bench.program) == 0) continue;
        const std::string new_program = program_in_bin(options, bench.program);
        const std::string old_program = options.compare + "/" + bench.program;
        std::printf("%s: %s\n", bench.program, bench.input);
        if (!is_executable(new_program) || !is_executable(old_program)) {
            std::printf("  skipped: not built in %s\n", is_executable(new_program) ? "the old folder" : "the new folder");
            continue;
        }
        for (int scale : BENCH_SCALES) {
            const fs::path folder = work / "case";
            const fs::path input = folder / "in";
            const fs::path run_folder = folder / "run";  // both run here, so paths in messages agree
            const std::string input_folder = input.string();
            if (!fresh_folder(folder) || !fresh_folder(input) ||
                run_in_child([&bench, scale, &input_folder] { return bench.generate(scale, input_folder); }) != 0) {
                std::printf("  %4dx  FAILED: the inputs could not be generated\n", scale);
                all_same = false;
                break;
            }
            const Invocation invocation = bench.invocation(input.string(), run_folder.string());
            RunResult results[2];
            const std::string programs[2] = {new_program, old_program};
            const char* sides[2] = {"new", "old"};
            for (int side = 0; side < 2; ++side) {
                std::vector<std::string> argv =
                    side == 0 ? command_for(programs[side], tools) : std::vector<std::string>{programs[side]};
                argv.insert(argv.end(), invocation.arguments.begin(), invocation.arguments.end());
                RunRequest request = request_for(argv, run_folder, tools, options);
                request.stdout_path = (folder / (std::string(sides[side]) + ".stdout")).string();
                request.stderr_path = (folder / (std::string(sides[side]) + ".stderr")).string();
                std::error_code error;
                if (!fresh_folder(run_folder)) return false;
                results[side] = run_process(request);
                fs::rename(run_folder, folder / sides[side], error);
                if (error) return false;
            }

            // A run cut off at the time limit left partial outputs: nothing to compare.
            if (results[0].timed_out || results[1].timed_out) {
                const bool both = results[0].timed_out && results[1].timed_out;
                ++not_compared;
                std::printf("  %4dx  new %9s  old %9s  NOT COMPARED: %s timed out\n", scale,
                            format_seconds(results[0].seconds).c_str(), format_seconds(results[1].seconds).c_str(),
                            both ? "both" : results[0].timed_out ? "new" : "old");
                std::fflush(stdout);
                std::error_code error;
                fs::remove_all(folder, error);
                if (both) break;  // the larger scales would only time out too
                continue;
            }

            std::string report;
            bool same = true;
            const bool status_same = results[0].finished == results[1].finished &&
                                     results[0].status == results[1].status && results[0].signal == results[1].signal &&
                                     results[0].timed_out == results[1].timed_out;
            same = same && status_same;
            report += status_same ? "status same (" + describe(results[0]) + ")"
                                  : "status DIFFERENT (new " + describe(results[0]) + ", old " + describe(results[1]) + ")";
            const long line = first_differing_line((folder / "new.stdout").string(), (folder / "old.stdout").string());
            same = same && line == 0;
            report += line == 0 ? ", stdout same" : line < 0 ? ", stdout unreadable" : ", stdout DIFFERENT from line " + std::to_string(line);
            const FileComparison errors = compare_files((folder / "new.stderr").string(), (folder / "old.stderr").string());
            same = same && errors == FileComparison::same;
            if (errors != FileComparison::same) report += ", stderr DIFFERENT";
            std::set<std::string> names = file_names(folder / "new");
            const std::set<std::string> old_names = file_names(folder / "old");
            names.insert(old_names.begin(), old_names.end());
            int files_same = 0;
            for (const std::string& file : names) {
                const FileComparison c = compare_files((folder / "new" / file).string(), (folder / "old" / file).string());
                if (c == FileComparison::same) {
                    ++files_same;
                    continue;
                }
                same = false;
                report += ", " + file + (c == FileComparison::only_first    ? " only in new"
                                         : c == FileComparison::only_second ? " only in old"
                                                                             : " DIFFERENT");
            }
            report += ", " + std::to_string(files_same) + " of " + std::to_string(names.size()) + " files same";
            all_same = all_same && same;
            std::printf("  %4dx  new %9s  old %9s  %s  %s\n", scale, format_seconds(results[0].seconds).c_str(),
                        format_seconds(results[1].seconds).c_str(), same ? "IDENTICAL" : "DIFFERENT", report.c_str());
            std::fflush(stdout);
            std::error_code error;
            fs::remove_all(folder, error);
        }
    }
    if (!all_same) {
        std::printf("\nSome runs differ.\n");
    } else if (not_compared > 0) {
        std::printf("\nEvery compared run identical; %d not compared (timed out: raise --timeout).\n", not_compared);
    } else {
        std::printf("\nEvery run identical.\n");
    }
    return all_same && not_compared == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (is_measured_run(argc, argv)) return measured_run_main(argc, argv);
    Options options;
    if (parse_options(argc, argv, options) != 0) return 1;
    Tools tools;
    tools.cat = find_in_path("cat");
    tools.cp = find_in_path("cp");
    tools.environment = environment_with_lang(options.lang);
    if (options.wine) {
        tools.wine = find_in_path("wine");
        if (tools.wine.empty()) {
            std::printf("ERROR: --wine needs wine on the PATH\n");
            return 1;
        }
    }
    if (tools.cat.empty() || tools.cp.empty()) {
        std::printf("ERROR: cat and cp must be on the PATH for the floor\n");
        return 1;
    }
    // Programs are run by path from their own output folders.
    std::error_code error;
    options.bin = fs::absolute(options.bin, error).string();
    if (!options.compare.empty()) options.compare = fs::absolute(options.compare, error).string();

    WorkFolder work(options.work);
    if (work.path().empty()) {
        std::printf("ERROR: cannot make a work folder in %s\n",
                    options.work.empty() ? fs::temp_directory_path().c_str() : options.work.c_str());
        return 1;
    }
    const bool ok = options.compare.empty() ? run_timing(options, tools, work.path())
                                            : run_comparison(options, tools, work.path());
    return ok ? 0 : 1;
}
