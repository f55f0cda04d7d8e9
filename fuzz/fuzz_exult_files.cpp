// The readers of the message file and the translation file: the input up to
// the first zero byte is a message file, the rest a translation file, read
// with a small fixed map, once taking the table's numbers only and once any
// number.
#include "fuzz_memory_file.h"
#include "texts/exult_messages.h"
#include "charmap/u7charmap.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool map_ready = [] {
        add_charmap_entry("は", "\xF4\x30");
        add_charmap_entry("い", "\xF4\x31");
        add_charmap_entry("空", "");
        return true;
    }();
    (void)map_ready;

    const void* zero = std::memchr(data, 0, size);
    const std::size_t first = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data) : size;
    static const MemoryFile messages = make_memory_file("exultmsg.txt");
    static const MemoryFile translations = make_memory_file("exultmsg.ja.txt");
    fill_memory_file(messages, data, first);
    fill_memory_file(translations, first < size ? data + first + 1 : data, first < size ? size - first - 1 : 0);

    // Both the table's numbers only, and any number with MSG records.
    for (const MessageNumbers numbers : {MessageNumbers::table, MessageNumbers::any}) {
        MessageList list;
        if (read_exult_messages(list, message_table.data(), messages.path.c_str(), numbers) < 0) continue;
        if (read_exult_translations(list, message_table.data(), translations.path.c_str(), numbers) < 0) continue;
        for (const MessageLine& line : list) (void)format_message_line(line);
    }
    return 0;
}
