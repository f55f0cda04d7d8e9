// Console output.  Every message that holds Japanese text goes through
// console_printf, which writes it to standard output either unchanged (the
// console takes UTF-8) or converted from UTF-8 to CP932.  Lines of ASCII
// alone use the plain channel, plain_printf, without conversion.  Nothing
// is ever written to standard error.
#pragma once

#include <cstdarg>
#include <cstdio>

// With MinGW the C++ library's printf family is the C99 one (%zu and the
// like work), so formats are checked as GNU printf formats.
#ifdef __MINGW32__
#define U7_PRINTF_FORMAT(format_index, first_arg) __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define U7_PRINTF_FORMAT(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#endif

enum class ConsoleMode {
    pass_through,  // formatted text written as it is (UTF-8 console)
    convert,       // formatted text converted from UTF-8 to CP932
};

// Bytes one conversion pass may produce; the chunk keeps one more byte for
// the terminator.
inline constexpr int CONSOLE_CHUNK_SIZE = 4096;

// The mode a LANG value asks for: pass-through when the part behind the
// last "." (or the whole value) is "UTF-8" in any letter case, convert
// otherwise and when LANG is not set (null).
ConsoleMode console_mode_from_lang(const char* lang);

// Formats like printf and writes to standard output in the process's
// console mode, which is decided from LANG at the first call and never
// changes afterwards.  Returns 0 when the message was written (unconvertible
// characters appear as "?"), -1 when it was not written as a whole.
int console_printf(const char* format, ...) U7_PRINTF_FORMAT(1, 2);
int console_vprintf(const char* format, std::va_list args);

// The same in a given mode to a given stream; console_printf is this with
// the process's mode and standard output.
int console_vwrite(std::FILE* stream, ConsoleMode mode, const char* format, std::va_list args);
int console_write(std::FILE* stream, ConsoleMode mode, const char* format, ...) U7_PRINTF_FORMAT(3, 4);

// The plain channel: printf to standard output, for ASCII-only formats.
int plain_printf(const char* format, ...) U7_PRINTF_FORMAT(1, 2);

// Prints "ERROR: <module>(<line>): memory exhausted!" on the plain channel,
// for the modules that survive an allocation failure and fail the call.
void print_memory_exhausted(const char* module, int line);
// The same line, then the end of the process with status 1.
[[noreturn]] void exit_memory_exhausted(const char* module, int line);
