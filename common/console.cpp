#include "console.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <strings.h>

namespace {

// Decided at the first console_printf of the process, fixed afterwards.
bool console_mode_decided = false;
ConsoleMode console_mode = ConsoleMode::pass_through;

struct IconvCloser {
    void operator()(iconv_t* descriptor) const
    {
        iconv_close(*descriptor);
        delete descriptor;
    }
};

// Writes the converted bytes of one pass, terminated, with fputs.
void flush_chunk(std::FILE* stream, char* chunk, std::size_t used)
{
    chunk[used] = '\0';
    std::fputs(chunk, stream);
}

// Number of input bytes that one unconvertible sequence takes: a lead byte
// with its continuation bytes, or any other byte alone.
std::size_t skip_unconvertible(const char* input, std::size_t left)
{
    const auto first = static_cast<unsigned char>(input[0]);
    std::size_t skip = 1;
    if ((first & 0xC0) == 0xC0) {
        while (skip < left && (static_cast<unsigned char>(input[skip]) & 0xC0) == 0x80) ++skip;
    }
    return skip;
}

int convert_and_write(std::FILE* stream, char* text)
{
    iconv_t raw = iconv_open("CP932", "UTF-8");
    if (raw == reinterpret_cast<iconv_t>(-1)) return -1;
    std::unique_ptr<iconv_t, IconvCloser> converter(new iconv_t(raw));

    char* input = text;
    std::size_t input_left = std::strlen(text);
    char chunk[CONSOLE_CHUNK_SIZE];
    while (input_left > 0) {
        char* output = chunk;
        std::size_t output_left = CONSOLE_CHUNK_SIZE - 1;
        const std::size_t result = iconv(*converter, &input, &input_left, &output, &output_left);
        const std::size_t used = static_cast<std::size_t>(output - chunk);
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) {
            flush_chunk(stream, chunk, used);
        } else if (errno == EILSEQ) {
            flush_chunk(stream, chunk, used);
            std::fputc('?', stream);
            const std::size_t skip = skip_unconvertible(input, input_left);
            input += skip;
            input_left -= skip;
        } else {
            std::printf("ERROR: %d: iconv\n", errno);
            return -1;
        }
    }
    return 0;
}

}  // namespace

ConsoleMode console_mode_from_lang(const char* lang)
{
    if (lang == nullptr) return ConsoleMode::convert;
    const char* dot = std::strrchr(lang, '.');
    const char* charset = dot != nullptr ? dot + 1 : lang;
    return strcasecmp(charset, "UTF-8") == 0 ? ConsoleMode::pass_through : ConsoleMode::convert;
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

void exit_memory_exhausted(const char* module, int line)
{
    std::printf("ERROR: %s(%d): memory exhausted!\n", module, line);
    std::exit(1);
}
