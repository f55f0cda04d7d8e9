// The reader of the English translation table on arbitrary text.  Whatever
// loads must be found again by its id and label.
#include "fuzz_memory_file.h"
#include "texts/usecode_tables.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const MemoryFile file = make_memory_file("usecode.en.txt");
    EnglishTable table;
    fill_memory_file(file, data, size);
    const bool loaded = read_english_texts(table, file.path.c_str()) == 0;
    for (const TranslationEntry& entry : table.entries) {
        if (loaded && find_translation_entry(table, entry.function_id, entry.label) != &entry) std::abort();
    }
    return 0;
}
