// The conversion of an old-format Japanese table on arbitrary text, against
// a small fixed English table; the converted lines go to /dev/null.
#include "fuzz_memory_file.h"
#include "texts/usecode_tables.h"

#include <cstdlib>
#include <cstring>

namespace {

const EnglishTable* load_english_table()
{
    static EnglishTable english;
    const char* text = "0310\tsign_inn\tSIGN\t\"The Sleeping Bull\"\n"
                       "0402\thello\t\t\"Good day to thee, traveller.\"\n"
                       "FFFF\t@last_1\tS.BOOK\t\"a \\\"book\\\"\\t\"\n";
    const MemoryFile file = make_memory_file("usecode.en.txt");
    fill_memory_file(file, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
    if (read_english_texts(english, file.path.c_str()) != 0) std::abort();
    close(file.fd);
    return &english;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const EnglishTable* const table = load_english_table();
    static const MemoryFile input = make_memory_file("usecode.ja.txt");
    fill_memory_file(input, data, size);
    (void)convert_translation_file(*table, input.path.c_str(), "/dev/null");
    return 0;
}
