// revisto on tables of 100,000 lines: loading the English table and
// converting the Japanese one, separately and as the whole run does.
#include "texts/usecode_tables.h"

#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int LINE_COUNT = 100000;

struct Tables {
    BenchFolder dir{"revisto-bench"};
    std::string english = dir.file("usecode.en.txt");
    std::string japanese = dir.file("usecode.ja.txt");
    std::string output = dir.file("usecode.ja-new.txt");

    Tables()
    {
        std::ofstream en(english);
        std::ofstream ja(japanese);
        char line[256];
        // Up to 16 labels per function id, so the label search does real work.
        for (int i = 0; i < LINE_COUNT; ++i) {
            const int id = i / 16;
            const int label = i % 16;
            const bool sign = label % 4 == 0;
            std::snprintf(line, sizeof line, "%04X\tlabel_%d\t%s\t\"English text number %d, \\\"quoted\\\".\"\n", id,
                          label, sign ? "SIGN" : "", i);
            en << line;
            if (sign) {
                std::snprintf(line, sizeof line, "%04X\tlabel_%d\t\"<QRM>看板の文 %d</QRM>Sign text %d\"\n", id, label, i, i);
            } else {
                std::snprintf(line, sizeof line, "%04X\tlabel_%d\t\"日本語の文 %d、「引用」。\"\n", id, label, i);
            }
            ja << line;
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

void BM_ReadEnglishTable(benchmark::State& state)
{
    const Tables& t = tables();
    for (auto _ : state) {
        EnglishTable table;
        if (read_english_texts(table, t.english.c_str()) != 0) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(table);
    }
    state.SetItemsProcessed(state.iterations() * LINE_COUNT);
}
BENCHMARK(BM_ReadEnglishTable)->Unit(benchmark::kMillisecond);

void BM_ConvertJapaneseTable(benchmark::State& state)
{
    const Tables& t = tables();
    EnglishTable table;
    if (read_english_texts(table, t.english.c_str()) != 0) state.SkipWithError("load failed");
    // The sign notices go to standard output; keep them out of the report.
    SilencedStdout silenced;
    for (auto _ : state) {
        if (convert_translation_file(table, t.japanese.c_str(), t.output.c_str()) != 0) {
            state.SkipWithError("convert failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * LINE_COUNT);
}
BENCHMARK(BM_ConvertJapaneseTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
