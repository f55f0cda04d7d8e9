// What a call prints on standard output, and the console bytes expected of
// a UTF-8 message under this process's LANG.
#pragma once

#include "cli_runner.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

template <typename Call>
std::string captured_output(Call call)
{
    testing::internal::CaptureStdout();
    call();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

inline std::string console_text(const std::string& utf8)
{
    const char* lang = std::getenv("LANG");
    return console_bytes(utf8, lang != nullptr ? std::optional<std::string>(lang) : std::nullopt);
}
