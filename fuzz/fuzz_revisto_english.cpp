// The reader of the English translation table on arbitrary text.  Whatever
// loads must be found again by its id and label.
#include "fuzz_memory_file.h"
#include "revisto.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const MemoryFile file = make_memory_file("usecode.en.txt");
    // One table for the run (it is large); emptied again after each input.
    static EnglishTable table;
    fill_memory_file(file, data, size);
    const bool loaded = read_english_texts(table, file.path.c_str()) == 0;
    for (std::size_t id = 0; id < table.heads.size(); ++id) {
        for (const TranslationEntry& entry : table.heads[id]) {
            if (entry.function_id != id) std::abort();
            if (loaded && find_translation_entry(table, entry.function_id, entry.label) != &entry) std::abort();
        }
        table.heads[id].clear();
    }
    return 0;
}
