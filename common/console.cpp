#include "common/console.h"

#include "common/console_cp932.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Decided at the first console_printf of the process, fixed afterwards.
bool console_mode_decided = false;
ConsoleMode console_mode = ConsoleMode::pass_through;

}  // namespace

ConsoleMode console_mode_from_lang(const char* lang)
{
    if (lang == nullptr) return ConsoleMode::convert;
    const char* dot = std::strrchr(lang, '.');
    const char* charset = dot != nullptr ? dot + 1 : lang;
    static constexpr char utf8[] = "utf-8";
    for (std::size_t i = 0; i < sizeof utf8; ++i) {
        const char c = charset[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != utf8[i]) return ConsoleMode::convert;
    }
    return ConsoleMode::pass_through;
}

int console_vwrite(std::FILE* stream, ConsoleMode mode, const char* format, std::va_list args)
{
    if (mode == ConsoleMode::pass_through) {
        return std::vfprintf(stream, format, args) < 0 ? -1 : 0;
    }

    std::va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return -1;

    std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<std::size_t>(length) + 1]);
    if (!text) return -1;
    if (std::vsnprintf(text.get(), static_cast<std::size_t>(length) + 1, format, args) != length) return -1;
    return convert_and_write(stream, text.get());
}

int console_write(std::FILE* stream, ConsoleMode mode, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const int result = console_vwrite(stream, mode, format, args);
    va_end(args);
    return result;
}

int console_vprintf(const char* format, std::va_list args)
{
    if (!console_mode_decided) {
        console_mode = console_mode_from_lang(std::getenv("LANG"));
        console_mode_decided = true;
    }
    return console_vwrite(stdout, console_mode, format, args);
}

int console_printf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const int result = console_vprintf(format, args);
    va_end(args);
    return result;
}

int plain_printf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const int result = std::vprintf(format, args);
    va_end(args);
    return result;
}

void print_memory_exhausted(const char* module, int line)
{
    std::printf("ERROR: %s(%d): memory exhausted!\n", module, line);
}

void exit_memory_exhausted(const char* module, int line)
{
    print_memory_exhausted(module, line);
    std::exit(1);
}
