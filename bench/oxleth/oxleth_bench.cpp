// oxleth on a message file and a translation file of 10,000 lines each with
// a map of 8,000 characters: the whole run (read the messages, load the map,
// convert the translations, write the result), and the conversion alone.
#include "texts/exult_messages.h"

#include "bench_support.h"
#include "charmap/u7charmap.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int LINE_COUNT = 10000;
constexpr int MAP_SIZE = 8000;
constexpr int CHARACTERS_PER_TEXT = 30;


// The i-th trail byte: digits, letters, then 0x80 to 0xF3.
unsigned trail_byte(int i)
{
    static const std::string ascii = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return i < 62 ? static_cast<unsigned char>(ascii[static_cast<std::size_t>(i)]) : 0x80u + static_cast<unsigned>(i - 62);
}

struct Inputs {
    BenchFolder dir{"oxleth-bench"};
    std::string messages = dir.file("exultmsg.txt");
    std::string map = dir.file("usecode.map");
    std::string translations = dir.file("exultmsg.ja.txt");
    std::string output = dir.file("exultmsg.txt.new");
    std::vector<std::string> texts;  // the TEXT columns, for the conversion alone

    Inputs()
    {
        // Characters from U+4E00 on, each with a three-byte code FF t1 t2.
        std::ofstream map_file(map);
        map_file << "; " << MAP_SIZE << " characters\n<MAX_CODE>\t0xFF,0xF3,0xF3\n";
        for (int i = 0; i < MAP_SIZE; ++i) {
            map_file << utf8_of(0x4E00u + static_cast<unsigned>(i)) << "\t0xFF,0x" << std::hex
                     << trail_byte(i / 178) << ",0x" << trail_byte(i % 178) << std::dec << "\n";
        }

        // Every known message number in turn, as comments and messages mix
        // in the real file.
        std::vector<const MessageRow*> rows;
        for (int i = 1; i < MESSAGE_ROW_COUNT; ++i) rows.push_back(&message_table[static_cast<std::size_t>(i)]);
        std::ofstream message_file(messages);
        for (int i = 0; i < LINE_COUNT; ++i) {
            if (i % 10 == 0) {
                message_file << "# section " << i << "\n";
            } else {
                char number[16];
                std::snprintf(number, sizeof number, "0x%X", static_cast<unsigned>(rows[static_cast<std::size_t>(i) % rows.size()]->message_number));
                message_file << number << ":English message number " << i << "\n";
            }
        }

        // Records for the translatable rows in turn, with characters spread
        // over the whole map (a fixed pseudo-random sequence).
        std::vector<const MessageRow*> translatable;
        for (const MessageRow* row : rows) {
            if (row->translation_id != NO_TRANSLATION_ID) translatable.push_back(row);
        }
        std::ofstream translation_file(translations);
        translation_file << "; " << LINE_COUNT << " records\n";
        unsigned seed = 12345;
        for (int i = 0; i < LINE_COUNT - 1; ++i) {
            const MessageRow* row = translatable[static_cast<std::size_t>(i) % translatable.size()];
            std::string text = "No. " + std::to_string(i) + " ";
            for (int c = 0; c < CHARACTERS_PER_TEXT; ++c) {
                seed = seed * 1103515245u + 12345u;
                text += utf8_of(0x4E00u + (seed >> 8) % MAP_SIZE);
            }
            texts.push_back(text);
            translation_file << text_kind_names[row->kind] << "\t" << row->translation_id << "\t"
                             << font_names[row->font] << "\t" << text << "\n";
        }
    }
};

const Inputs& inputs()
{
    static const Inputs instance;
    return instance;
}

void BM_WholeRun(benchmark::State& state)
{
    const Inputs& in = inputs();
    for (auto _ : state) {
        MessageList list;
        if (read_exult_messages(list, message_table.data(), in.messages.c_str()) != LINE_COUNT) std::abort();
        if (load_charmap(in.map.c_str()) != 0) std::abort();
        if (read_exult_translations(list, message_table.data(), in.translations.c_str()) != LINE_COUNT - 1) {
            std::abort();
        }
        if (write_exult_messages(list, in.output.c_str()) != 0) std::abort();
        free_charmap();
    }
}
BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond);

void BM_ConvertTexts(benchmark::State& state)
{
    const Inputs& in = inputs();
    if (load_charmap(in.map.c_str()) != 0) std::abort();
    char buffer[EXULT_LINE_SIZE];
    for (auto _ : state) {
        for (const std::string& text : in.texts) {
            benchmark::DoNotOptimize(convert_text_by_charmap(buffer, EXULT_LINE_SIZE, text.c_str()));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(in.texts.size()));
    free_charmap();
}
BENCHMARK(BM_ConvertTexts)->Unit(benchmark::kMillisecond);

void BM_LoadMap(benchmark::State& state)
{
    const Inputs& in = inputs();
    for (auto _ : state) {
        if (load_charmap(in.map.c_str()) != 0) std::abort();
    }
    free_charmap();
}
BENCHMARK(BM_LoadMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
