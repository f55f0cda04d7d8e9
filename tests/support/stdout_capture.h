// Capturing what the library prints on standard output, and the bytes a
// console message becomes under this process's LANG.
#pragma once

#include "support/cli_runner.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace test_capture {

inline void begin() { testing::internal::CaptureStdout(); }

inline std::string end()
{
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// What call() prints on standard output.
template <typename Call>
std::string output_of(Call call)
{
    begin();
    call();
    return end();
}

// The console bytes of a UTF-8 message as console_printf writes them here.
inline std::string console(const std::string& utf8)
{
    const char* lang = std::getenv("LANG");
    return console_bytes(utf8, lang != nullptr ? std::optional<std::string>(lang) : std::nullopt);
}

// An address as the trace lines print it.
inline std::string address(const void* pointer)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(pointer)));
    return text;
}

template <typename Function>
inline std::string function_address(Function function)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(function)));
    return text;
}

// Everything written to a temporary stream (tmpfile), which is closed.
inline std::string read_stream(std::FILE* stream)
{
    std::fflush(stream);
    std::rewind(stream);
    std::string bytes;
    int c;
    while ((c = std::fgetc(stream)) != EOF) bytes.push_back(static_cast<char>(c));
    std::fclose(stream);
    return bytes;
}

}  // namespace test_capture
