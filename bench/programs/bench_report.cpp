#include "bench_report.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string_view>
#include <vector>

namespace {

bool is_hex_digit(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool is_decimal(std::string_view text)
{
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty()) return false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
    }
    return true;
}

bool is_address(std::string_view text)
{
    if (text.size() < 8) return false;
    for (char c : text) {
        if (!is_hex_digit(c)) return false;
    }
    return true;
}

// Splits at each separator; the pieces do not include it.
std::vector<std::string_view> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        text.remove_prefix(at + separator.size());
    }
}

std::string join(const std::vector<std::string_view>& pieces, std::string_view separator)
{
    std::string text;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) text += separator;
        text += pieces[i];
    }
    return text;
}

constexpr std::string_view ADDRESS_MASK = "ADDR";

// "name(a, b, ...)tail": the arguments at the given positions are masked
// when they are addresses.
std::string mask_arguments(std::string_view line, std::string_view name, std::initializer_list<std::size_t> positions)
{
    const std::size_t close = line.find(')');
    if (close == std::string_view::npos) return std::string(line);
    const std::string_view inside = line.substr(name.size(), close - name.size());
    std::vector<std::string_view> arguments = split(inside, ", ");
    for (std::size_t position : positions) {
        if (position < arguments.size() && is_address(arguments[position])) arguments[position] = ADDRESS_MASK;
    }
    return std::string(name) + join(arguments, ", ") + std::string(line.substr(close));
}

}  // namespace

double growth_exponent(double seconds_at_10, double seconds_at_100)
{
    if (!(seconds_at_10 > 0) || !(seconds_at_100 > 0)) return std::numeric_limits<double>::quiet_NaN();
    return std::log10(seconds_at_100 / seconds_at_10);
}

double memory_per_input_byte(long peak_kb, long own_kb, std::uint64_t input_bytes)
{
    if (input_bytes == 0) return std::numeric_limits<double>::quiet_NaN();
    const long extra_kb = peak_kb > own_kb ? peak_kb - own_kb : 0;
    return static_cast<double>(extra_kb) * 1024.0 / static_cast<double>(input_bytes);
}

TargetVerdict check_targets(double ratio, double growth, double memory_per_input)
{
    TargetVerdict verdict;
    verdict.ratio_ok = ratio <= TARGET_RATIO;
    verdict.growth_ok = growth <= TARGET_GROWTH;
    verdict.memory_ok = memory_per_input <= TARGET_MEMORY_RATIO;
    return verdict;
}

std::string format_bytes(std::uint64_t bytes)
{
    static constexpr const char* units[] = {"K", "M", "G", "T"};
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%lluB", static_cast<unsigned long long>(bytes));
        return text;
    }
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    std::snprintf(text, sizeof text, value < 10 ? "%.2f%s" : value < 100 ? "%.1f%s" : "%.0f%s", value, units[unit]);
    return text;
}

std::string format_seconds(double seconds)
{
    char text[32];
    if (!(seconds >= 0)) return "-";
    if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.0fus", seconds * 1e6);
    } else if (seconds < 1.0) {
        std::snprintf(text, sizeof text, seconds < 0.1 ? "%.2fms" : "%.1fms", seconds * 1e3);
    } else {
        std::snprintf(text, sizeof text, seconds < 10 ? "%.3fs" : "%.1fs", seconds);
    }
    return text;
}

std::string mask_trace_addresses(const std::string& line)
{
    const std::string_view view = line;
    // read_shape_from_buffer(slot, data, size, index)
    if (view.rfind("read_shape_from_buffer(", 0) == 0) return mask_arguments(view, "read_shape_from_buffer(", {0, 1});
    // register_flexfile_readfunc(type, function)[ - ERROR]
    if (view.rfind("register_flexfile_readfunc(", 0) == 0) return mask_arguments(view, "register_flexfile_readfunc(", {1});
    // get_flexfile_readfunc(type) = function
    if (view.rfind("get_flexfile_readfunc(", 0) == 0) {
        const std::size_t equals = view.rfind(" = ");
        if (equals != std::string_view::npos && is_address(view.substr(equals + 3))) {
            return std::string(view.substr(0, equals + 3)) + std::string(ADDRESS_MASK);
        }
        return line;
    }
    // The loader's per-entry line: "[index] type position/count function"
    if (view.rfind('[', 0) == 0) {
        std::vector<std::string_view> words = split(view, " ");
        const std::size_t close = words.front().find(']');
        if (words.size() == 4 && close == words.front().size() - 1 && is_decimal(words[0].substr(1, close - 1)) &&
            is_decimal(words[1]) && words[2].find('/') != std::string_view::npos && is_address(words[3])) {
            words[3] = ADDRESS_MASK;
            return join(words, " ");
        }
    }
    return line;
}

FileComparison compare_files(const std::string& first, const std::string& second)
{
    std::ifstream a(first, std::ios::binary);
    std::ifstream b(second, std::ios::binary);
    if (!a && !b) return FileComparison::neither;
    if (!b) return FileComparison::only_first;
    if (!a) return FileComparison::only_second;
    std::vector<char> block_a(1 << 16);
    std::vector<char> block_b(1 << 16);
    for (;;) {
        a.read(block_a.data(), static_cast<std::streamsize>(block_a.size()));
        b.read(block_b.data(), static_cast<std::streamsize>(block_b.size()));
        const std::streamsize count_a = a.gcount();
        if (count_a != b.gcount()) return FileComparison::different;
        if (!std::equal(block_a.begin(), block_a.begin() + count_a, block_b.begin())) return FileComparison::different;
        if (count_a == 0) return FileComparison::same;
    }
}

long first_differing_line(const std::string& first, const std::string& second)
{
    std::ifstream a(first, std::ios::binary);
    std::ifstream b(second, std::ios::binary);
    if (!a || !b) return -1;
    std::string line_a;
    std::string line_b;
    for (long number = 1;; ++number) {
        const bool more_a = static_cast<bool>(std::getline(a, line_a));
        const bool more_b = static_cast<bool>(std::getline(b, line_b));
        if (!more_a && !more_b) return 0;
        if (more_a != more_b || a.eof() != b.eof()) return number;  // one ends early, or lacks the last line end
        if (mask_trace_addresses(line_a) != mask_trace_addresses(line_b)) return number;
    }
}

Figures figures_of(const std::vector<Measurement>& scales, long own_kb)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Figures f{nan, nan, nan};
    if (scales.empty()) return f;
    const Measurement& m = scales.back();
    if (!m.measured) return f;
    f.ratio = m.fastest.seconds / m.floor;
    f.memory = memory_per_input_byte(m.peak_kb, own_kb, m.input_bytes);
    const Measurement* previous = scales.size() >= 2 ? &scales[scales.size() - 2] : nullptr;
    if (previous != nullptr && previous->measured) {
        f.growth = growth_exponent(previous->fastest.seconds, m.fastest.seconds);
    }
    return f;
}

RowSummary judge_row(const std::string& name, const std::vector<Measurement>& scales, long own_kb)
{
    RowSummary row;
    row.name = name;
    bool timed_out = false;
    for (const Measurement& m : scales) {
        if (m.failed) {
            row.failed = true;
            row.verdict = "FAILED at " + std::to_string(m.scale) + "x: " + m.note;
            return row;
        }
        timed_out = timed_out || m.timed_out;
    }
    const Figures f = figures_of(scales, own_kb);
    const TargetVerdict verdict = check_targets(f.ratio, f.growth, f.memory);
    row.ok = verdict.all_ok() && !timed_out;
    if (row.ok) {
        row.verdict = "ok";
        return row;
    }
    row.verdict = "MISS:";
    if (timed_out) row.verdict += " timeout";
    if (!verdict.ratio_ok) row.verdict += " ratio";
    if (!verdict.growth_ok) row.verdict += " growth";
    if (!verdict.memory_ok) row.verdict += " memory";
    return row;
}

