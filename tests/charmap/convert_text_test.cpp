#include "charmap/u7charmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The messages are compared as UTF-8: the console mode is taken from LANG
// at the first message, so LANG is set before any test runs.  (The
// end-to-end tests cover the CP932 console.)
const bool utf8_console = [] {
    setenv("LANG", "C.UTF-8", 1);
    return true;
}();

const std::string A = "\xE3\x81\x82";  // あ
const std::string I = "\xE3\x81\x84";  // い
const std::string E = "\xE3\x81\x88";  // え
const std::string N = "\xE3\x82\x93";  // ん (empty code)

class ConvertText : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(utf8_console);
        free_charmap();
        add_charmap_entry(A.c_str(), "\xF4" "0");
        add_charmap_entry(I.c_str(), "\xFF" "12");
        add_charmap_entry(N.c_str(), "");
        add_charmap_entry("A", "\x80");  // ASCII entries have no effect
    }
    void TearDown() override { free_charmap(); }

    // Converts source into a buffer of the given capacity; the result and
    // everything printed.
    struct Outcome {
        bool converted;
        std::string text;
        std::string printed;
    };
    static Outcome convert(const std::string& source, std::int32_t capacity = 1024)
    {
        std::string buffer(static_cast<std::size_t>(capacity), '\x7F');
        testing::internal::CaptureStdout();
        const char* result = convert_text_by_charmap(buffer.data(), capacity, source.c_str());
        Outcome outcome{result != nullptr, "", testing::internal::GetCapturedStdout()};
        if (result != nullptr) {
            EXPECT_EQ(result, buffer.data());
            outcome.text = result;
        }
        return outcome;
    }
};

TEST_F(ConvertText, AsciiStaysAndOtherCharactersBecomeTheirCodes)
{
    const Outcome empty = convert("");
    EXPECT_TRUE(empty.converted);
    EXPECT_EQ(empty.text, "");

    const Outcome mixed = convert("A\\t\tB" + A + "x" + I + A);
    ASSERT_TRUE(mixed.converted);
    EXPECT_EQ(mixed.text, "A\\t\tB\xF4" "0x\xFF" "12\xF4" "0");
    EXPECT_EQ(mixed.printed, "");
}

TEST_F(ConvertText, RoomIsCountedOnTheOutput)
{
    EXPECT_TRUE(convert(std::string(1023, 'a')).converted);
    const Outcome too_long = convert(std::string(1024, 'a'));
    EXPECT_FALSE(too_long.converted);
    EXPECT_EQ(too_long.printed, "ERROR: 翻訳テキストが長すぎます: " + std::string(1024, 'a') + "\n");

    // A three-byte character with a two-byte code takes two bytes of room.
    EXPECT_EQ(convert(A, 3).text, "\xF4" "0");
    EXPECT_FALSE(convert(A, 2).converted);
    EXPECT_EQ(convert("a" + I, 5).text, "a\xFF" "12");
    EXPECT_FALSE(convert("a" + I, 4).converted);

    EXPECT_FALSE(convert("a", 1).converted);
}

// A map line whose code is no number gives its character an empty code:
// the character would vanish from the text, so the text is refused.
TEST_F(ConvertText, ACharacterWithAnEmptyCodeIsRefused)
{
    for (const std::string& source : {"ab" + N + "c", N, A + N}) {
        const Outcome refused = convert(source);
        EXPECT_FALSE(refused.converted);
        EXPECT_EQ(refused.printed, "ERROR: '" + N + "' の文字マップのコードが空です\n");
    }
}

TEST_F(ConvertText, InvalidSequencesAreRefusedWithTheWholeText)
{
    for (const std::string& source : {std::string("ab\xE3\x81"), std::string("ab\x81z"), std::string("\xE3\x81z"),
                                     std::string("\xFE"), std::string("\xFF\xBF")}) {
        const Outcome outcome = convert(source);
        EXPECT_FALSE(outcome.converted);
        EXPECT_EQ(outcome.printed, "ERROR: 不正な文字コードです: " + source + "\n");
    }
}

TEST_F(ConvertText, MissingCharactersAreShownAlone)
{
    const Outcome missing = convert("ab" + A + E + "cd" + E);
    EXPECT_FALSE(missing.converted);
    EXPECT_EQ(missing.printed, "ERROR: '" + E + "' は使用できません\n");

    // Well-formed five- and six-byte sequences are characters too.
    const std::string five = "\xF8\x88\x80\x80\x80";
    EXPECT_EQ(convert("x" + five + "y").printed, "ERROR: '" + five + "' は使用できません\n");
    add_charmap_entry(five.c_str(), "Z");
    EXPECT_EQ(convert("x" + five + "y").text, "xZy");
    const std::string six = "\xFC\x84\x80\x80\x80\x80";
    EXPECT_EQ(convert(six).printed, "ERROR: '" + six + "' は使用できません\n");
}

TEST_F(ConvertText, OnlyTheFirstFaultIsReported)
{
    EXPECT_EQ(convert(E + "\xE3\x81").printed, "ERROR: '" + E + "' は使用できません\n");
    EXPECT_EQ(convert(std::string(1030, 'a') + E).printed,
              "ERROR: 翻訳テキストが長すぎます: " + std::string(1030, 'a') + E + "\n");
}

TEST_F(ConvertText, BadArgumentsAreRefusedSilently)
{
    char buffer[8];
    testing::internal::CaptureStdout();
    EXPECT_EQ(convert_text_by_charmap(nullptr, 8, "a"), nullptr);
    EXPECT_EQ(convert_text_by_charmap(buffer, 8, nullptr), nullptr);
    EXPECT_EQ(convert_text_by_charmap(buffer, 0, "a"), nullptr);
    EXPECT_EQ(convert_text_by_charmap(buffer, -5, "a"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace

namespace {

// The packed look-up that the conversion uses finds what lookup_charmap
// finds, for every character of a map large enough to grow its table many
// times, with repeated characters (the first entry wins), names of every
// length up to the packed limit, and codes of every length up to seven.
TEST(PackedLookUp, AgreesWithTheNamedLookUp)
{
    free_charmap();
    std::vector<std::string> names;
    for (unsigned code_point = 0x3041; code_point < 0x3041 + 6000; ++code_point) {
        std::string name;
        name += static_cast<char>(0xE0 | (code_point >> 12));
        name += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        name += static_cast<char>(0x80 | (code_point & 0x3F));
        names.push_back(name);
    }
    names.insert(names.end(), {"a", "ab", "abcd", "abcdefg", "abcdefgh", "\xC3\xA9", "\xF0\x9F\x98\x80"});
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string code;
        for (std::size_t k = 0; k <= i % 7; ++k) code += static_cast<char>(0x80 + (i + k) % 100);
        add_charmap_entry(names[i].c_str(), code.c_str());
        // Every third character again with another code, which must lose.
        if (i % 3 == 0) add_charmap_entry(names[i].c_str(), "\xFF" "99");
    }
    add_charmap_entry("x", "");  // an empty code
    names.push_back("x");

    for (const std::string& name : names) {
        const char* named = lookup_charmap(name.c_str());
        ASSERT_NE(named, nullptr) << name;
        std::size_t length = 99;
        const char* packed = lookup_charmap_packed(pack_charmap_name(name.data(), name.size()), &length);
        if (name.size() > CHARMAP_MAX_CODE_BYTES) {
            EXPECT_EQ(packed, nullptr) << name;  // only names of up to seven bytes are packed
            continue;
        }
        ASSERT_NE(packed, nullptr) << name;
        EXPECT_EQ(std::string(packed, length), std::string(named)) << name;
    }
    // Names that differ only in length or in their last byte are not mixed up.
    EXPECT_EQ(lookup_charmap_packed(pack_charmap_name("abc", 3), nullptr), nullptr);
    EXPECT_EQ(lookup_charmap_packed(pack_charmap_name("abcdefh", 7), nullptr), nullptr);
    EXPECT_EQ(lookup_charmap_packed(pack_charmap_name("\0", 1), nullptr), nullptr);
    free_charmap();
    EXPECT_EQ(lookup_charmap_packed(pack_charmap_name("a", 1), nullptr), nullptr);
}

}  // namespace
