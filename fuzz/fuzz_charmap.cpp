// The character map loader and the text conversion: the input up to the
// first zero byte is a map file, the rest a text to convert with it.
#include "fuzz_memory_file.h"
#include "charmap/u7charmap.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const void* zero = std::memchr(data, 0, size);
    const std::size_t map_size = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data) : size;
    static const MemoryFile file = make_memory_file("usecode.map");
    fill_memory_file(file, data, map_size);

    free_charmap();
    if (load_charmap(file.path.c_str()) != 0) std::abort();  // a readable file always loads
    const CharMap& map = current_charmap();
    if (map.entry_count != static_cast<std::int32_t>(map.entries.size())) std::abort();
    for (int i = -1; i <= map.entry_count; ++i) (void)get_charmap_code_at(i);

    const std::string text = map_size < size ? std::string(reinterpret_cast<const char*>(data) + map_size + 1,
                                                            size - map_size - 1)
                                             : std::string();
    char output[64];
    const char* converted = convert_text_by_charmap(output, sizeof output, text.c_str());
    if (converted != nullptr && std::strlen(converted) >= sizeof output) std::abort();
    return 0;
}
