// The console's CP932 conversion of the built programs (the Windows ones
// too, under Wine) against the C library's CP932, character by character
// over the whole Basic Multilingual Plane.
#include "support/cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <sstream>

namespace {

// The C library's CP932 bytes of one UTF-8 character, or "?".
std::string iconv_cp932(iconv_t converter, std::string utf8)
{
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* in = utf8.data();
    std::size_t in_left = utf8.size();
    char output[8];
    char* out = output;
    std::size_t out_left = sizeof output;
    if (iconv(converter, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1)) return "?";
    return std::string(output, static_cast<std::size_t>(out - output));
}

TEST(ConsoleTable, EveryCharacterAsTheCLibraryConvertsIt)
{
    TempDir dir;
    const RunResult r = run_program("../test_bin/console_table", {}, dir.path(), LANG_UNSET);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");

    iconv_t converter = iconv_open("CP932", "UTF-8");
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    std::istringstream lines(r.out);
    std::string line;
    int differences = 0;
    int count = 0;
    for (char32_t c = 0x20; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string utf8;
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%04X:", static_cast<unsigned>(c));
        const std::string expected = prefix + iconv_cp932(converter, utf8);
        ++count;
        if (!std::getline(lines, line)) {
            ADD_FAILURE() << "output ends before " << prefix;
            break;
        }
        if (line != expected && ++differences <= 20) ADD_FAILURE() << "U+" << prefix << " differs";
    }
    iconv_close(converter);
    EXPECT_EQ(differences, 0) << "of " << count << " characters";
    EXPECT_FALSE(std::getline(lines, line)) << "more lines than characters";
}

}  // namespace
