// The CP932 conversion of both console backends: the characters where the
// C library's table and Windows' code page 932 differ, and (on Linux) the
// one-character-at-a-time conversion that the Windows backend uses, checked
// against the iconv backend on many generated messages.
#include "common/console.h"
#include "common/console_cp932.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

struct Written {
    std::string bytes;    // what reached the stream
    std::string console;  // what went to standard output beside it
    int result = -2;
};

template <typename Write>
Written capture(Write write)
{
    Written w;
    std::FILE* stream = std::tmpfile();
    testing::internal::CaptureStdout();
    w.result = write(stream);
    std::fflush(stdout);
    w.console = testing::internal::GetCapturedStdout();
    std::fflush(stream);
    std::rewind(stream);
    int c;
    while ((c = std::fgetc(stream)) != EOF) w.bytes.push_back(static_cast<char>(c));
    std::fclose(stream);
    return w;
}

std::string converted(const std::string& text)
{
    return capture([&](std::FILE* stream) { return console_write(stream, ConsoleMode::convert, "%s", text.c_str()); })
        .bytes;
}

TEST(ConsoleCp932, CharactersTheTwoTablesMapDifferently)
{
    // Left: what the C library maps one way onto a CP932 character; the
    // Windows build gives the same bytes.  Right of them the characters
    // that only Windows' table has, which both builds print as "?".
    const struct {
        const char* text;
        const char* bytes;
    } cases[] = {
        {"〜", "\x81\x60"}, {"～", "\x81\x60"},  // wave dash, full-width tilde
        {"−", "\x81\x7C"}, {"－", "\x81\x7C"},  // minus sign, full-width hyphen-minus
        {"‖", "\x81\x61"}, {"∥", "\x81\x61"},  // double vertical line, parallel to
        {"¢", "\x81\x91"}, {"￠", "\x81\x91"},  // cent
        {"£", "\x81\x92"}, {"￡", "\x81\x92"},  // pound
        {"¬", "\x81\xCA"}, {"￢", "\x81\xCA"},  // not
        {"—", "\x81\x5C"}, {"―", "\x81\x5C"},  // em dash, horizontal bar
        {"¥", "\x5C"},     {"‾", "\x7E"},      // yen sign, overline
        {"\xC2\x80", "?"},                     // U+0080
        {"\xEF\xA3\xB0", "?"}, {"\xEF\xA3\xB3", "?"},  // U+F8F0, U+F8F3
        {"\xEE\x80\x80", "\xF0\x40"},          // first user-defined character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(converted(std::string("<") + c.text + ">"), std::string("<") + c.bytes + ">") << c.text;
    }
}

#ifndef _WIN32

// The C library's CP932 for one character, as an encoder for
// convert_and_write_with.
int iconv_encode(char32_t code_point, unsigned char out[2])
{
    char input[4];
    std::size_t length = 0;
    if (code_point < 0x80) {
        input[length++] = static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        input[length++] = static_cast<char>(0xC0 | (code_point >> 6));
        input[length++] = static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        input[length++] = static_cast<char>(0xE0 | (code_point >> 12));
        input[length++] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        input[length++] = static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        input[length++] = static_cast<char>(0xF0 | (code_point >> 18));
        input[length++] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        input[length++] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        input[length++] = static_cast<char>(0x80 | (code_point & 0x3F));
    }
    iconv_t converter = iconv_open("CP932", "UTF-8");
    char* in = input;
    char output[4];
    char* out_pointer = output;
    std::size_t out_left = sizeof output;
    const std::size_t result = iconv(converter, &in, &length, &out_pointer, &out_left);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) return 0;
    const auto count = static_cast<int>(out_pointer - output);
    for (int i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(output[i]);
    return count;
}

TEST(ConsoleCp932, CharacterAtATimeConversionMatchesIconv)
{
    // Pieces of messages: ASCII, Japanese, characters CP932 lacks,
    // malformed and cut sequences, the old five- and six-byte forms.
    const std::vector<std::string> pieces = {
        "a", "ERROR: ", "\n", "あ", "処理完了", "〜", "\xF0\x9F\x98\x80", "\x80", "\xBF", "\xC0\xAF", "\xC1",
        "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80",
        "\xFE", "\xFF", "\xC3", "\xE3\x81", "\xF0\x9F\x98", "\xF8\x88", "\xC2\x80", "\xEF\xA3\xB0", "\xEE\x80\x80",
        std::string(3000, 'x'), std::string(1500, 'y') + "い",
    };
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> count(1, 12);
    for (int round = 0; round < 1500; ++round) {
        std::string text;
        const int n = count(random);
        for (int i = 0; i < n; ++i) text += pieces[pick(random)];
        // Long texts of two-byte characters cross the pass boundary at odd
        // and even places; some end in a cut sequence.
        if (round % 50 == 0) {
            text.clear();
            for (int i = 0; i < 4000 + round % 7; ++i) text += (i % 5 == 0) ? "q" : "あ";
            if (round % 100 == 0) text += "\xE3\x81";
        }
        const Written reference = capture([&](std::FILE* stream) { return convert_and_write(stream, text.c_str()); });
        const Written one_at_a_time =
            capture([&](std::FILE* stream) { return convert_and_write_with(stream, text.c_str(), iconv_encode); });
        ASSERT_EQ(one_at_a_time.bytes, reference.bytes) << "round " << round;
        ASSERT_EQ(one_at_a_time.console, reference.console) << "round " << round;
        ASSERT_EQ(one_at_a_time.result, reference.result) << "round " << round;
        // In memory, both backends give the bytes the console gets, or
        // nothing for a text cut inside a sequence.
        const std::optional<std::string> in_memory = convert_to_cp932(text);
        const std::optional<std::string> in_memory_with = convert_to_cp932_with(text, iconv_encode);
        if (reference.result == 0) {
            ASSERT_TRUE(in_memory && in_memory_with) << "round " << round;
            ASSERT_EQ(*in_memory, reference.bytes) << "round " << round;
            ASSERT_EQ(*in_memory_with, reference.bytes) << "round " << round;
        } else {
            ASSERT_FALSE(in_memory) << "round " << round;
            ASSERT_FALSE(in_memory_with) << "round " << round;
        }
    }
    // A zero byte is converted like any other ASCII byte, and a text of
    // many passes comes back whole.
    const std::string zero("a\0\xE3\x81\x82", 5);
    EXPECT_EQ(convert_to_cp932(zero), std::string("a\0\x82\xA0", 4));
    EXPECT_EQ(convert_to_cp932_with(zero, iconv_encode), std::string("a\0\x82\xA0", 4));
}

#endif

}  // namespace
