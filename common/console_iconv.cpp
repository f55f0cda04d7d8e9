// The CP932 conversion on the C library's iconv (Linux and other POSIX
// systems).
#include "common/console_cp932.h"

#include "common/console.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace {

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

}  // namespace

int convert_and_write(std::FILE* stream, const char* text)
{
    iconv_t raw = iconv_open("CP932", "UTF-8");
    if (raw == reinterpret_cast<iconv_t>(-1)) return -1;
    std::unique_ptr<iconv_t, IconvCloser> converter(new iconv_t(raw));

    char* input = const_cast<char*>(text);
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

std::optional<std::string> convert_to_cp932(std::string_view text)
{
    iconv_t raw = iconv_open("CP932", "UTF-8");
    if (raw == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<iconv_t, IconvCloser> converter(new iconv_t(raw));

    std::string out;
    std::string input_copy(text);  // iconv takes a char* it does not write through
    char* input = input_copy.data();
    std::size_t input_left = input_copy.size();
    char chunk[CONSOLE_CHUNK_SIZE];
    while (input_left > 0) {
        char* output = chunk;
        std::size_t output_left = sizeof chunk;
        const std::size_t result = iconv(*converter, &input, &input_left, &output, &output_left);
        out.append(chunk, static_cast<std::size_t>(output - chunk));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        if (errno != EILSEQ) return std::nullopt;
        out += '?';
        const std::size_t skip = skip_unconvertible(input, input_left);
        input += skip;
        input_left -= skip;
    }
    return out;
}
