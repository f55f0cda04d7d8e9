#include "common/text_utils.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(Utf8Char, LengthFromFirstByteOnlyWithoutDestination)
{
    EXPECT_EQ(get_utf8_char(nullptr, "\xE3\x41"), 3);
    char buffer[UTF8_CHAR_BUFFER_SIZE];
    EXPECT_EQ(get_utf8_char(buffer, "\xE3\x41"), -1);
}

TEST(Utf8Char, CopiesOneCharacter)
{
    char buffer[UTF8_CHAR_BUFFER_SIZE] = "zzzzzz";
    EXPECT_EQ(get_utf8_char(buffer, "AB"), 1);
    EXPECT_STREQ(buffer, "A");
    EXPECT_EQ(get_utf8_char(buffer, ""), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(get_utf8_char(buffer, "\xE3\x81\x82x"), 3);
    EXPECT_STREQ(buffer, "\xE3\x81\x82");
    EXPECT_EQ(get_utf8_char(buffer, "\xFC\x84\x80\x80\x80\x80"), 6);
}

TEST(Utf8Char, RefusesNullAndInvalidFirstBytes)
{
    char buffer[UTF8_CHAR_BUFFER_SIZE];
    EXPECT_EQ(get_utf8_char(buffer, nullptr), -1);
    EXPECT_EQ(get_utf8_char(nullptr, "\x80"), -1);
    EXPECT_EQ(get_utf8_char(nullptr, "\xFE"), -1);
    EXPECT_EQ(get_utf8_char(nullptr, "\xFF"), -1);
    // A character cut short by the terminator stops there.
    EXPECT_EQ(get_utf8_char(buffer, "\xE3\x81"), -1);
}

TEST(Utf8Char, LengthClasses)
{
    EXPECT_EQ(utf8_char_length(0x7F), 1);
    EXPECT_EQ(utf8_char_length(0xBF), -1);
    EXPECT_EQ(utf8_char_length(0xC0), 2);
    EXPECT_EQ(utf8_char_length(0xEF), 3);
    EXPECT_EQ(utf8_char_length(0xF7), 4);
    EXPECT_EQ(utf8_char_length(0xFB), 5);
    EXPECT_EQ(utf8_char_length(0xFD), 6);
}

TEST(Utf8Decode, CodePoints)
{
    EXPECT_EQ(decode_utf8_char("\xE3\x81\x82"), 0x3042u);
    EXPECT_EQ(decode_utf8_char("A"), 0x41u);
    EXPECT_EQ(decode_utf8_char(""), 0u);
    EXPECT_EQ(decode_utf8_char("\x80"), 0u);
    EXPECT_EQ(decode_utf8_char("\xC3"), 0u);
    EXPECT_EQ(decode_utf8_char("\xF0\x9F\x98\x80"), 0x1F600u);
    // Overlong forms are accepted as they stand.
    EXPECT_EQ(decode_utf8_char("\xC0\x80"), 0u);
    EXPECT_EQ(decode_utf8_char("\xC1\xBF"), 0x7Fu);
}

TEST(ByteOrderMark, RemovedOnlyWhenWhole)
{
    char with_bom[] = "\xEF\xBB\xBF" "A";
    EXPECT_EQ(remove_utf8_bom(with_bom), 1);
    EXPECT_STREQ(with_bom, "A");
    char partial[] = "\xEF\xBB" "A";
    EXPECT_EQ(remove_utf8_bom(partial), 0);
    EXPECT_STREQ(partial, "\xEF\xBB" "A");
    char short_text[] = "\xEF";
    EXPECT_EQ(remove_utf8_bom(short_text), 0);
    EXPECT_EQ(remove_utf8_bom(static_cast<char*>(nullptr)), -1);

    std::string text = "\xEF\xBB\xBF\xEF\xBB\xBFx";
    EXPECT_EQ(remove_utf8_bom(text), 1);
    EXPECT_EQ(text, "\xEF\xBB\xBFx");  // only one mark is removed
}

TEST(TrailingNewlines, AnyMixtureAtTheEnd)
{
    char text[] = "abc\r\n\n";
    EXPECT_EQ(remove_trailing_newlines(text), 3);
    EXPECT_STREQ(text, "abc");
    char only[] = "\r\n";
    EXPECT_EQ(remove_trailing_newlines(only), 2);
    EXPECT_STREQ(only, "");
    char inner[] = "a\nb";
    EXPECT_EQ(remove_trailing_newlines(inner), 0);
    char empty[] = "";
    EXPECT_EQ(remove_trailing_newlines(empty), 0);
    EXPECT_EQ(remove_trailing_newlines(static_cast<char*>(nullptr)), -1);

    std::string s = "x\n\r\r";
    EXPECT_EQ(remove_trailing_newlines(s), 3);
    EXPECT_EQ(s, "x");
}

TEST(SplitInPlace, LimitsAndEmptyFields)
{
    auto all = split_in_place("a,b,c", ',', 0);
    ASSERT_TRUE(all);
    EXPECT_EQ(*all, (StringViewList{"a", "b", "c"}));

    auto two = split_in_place("a,b,c", ',', 2);
    ASSERT_TRUE(two);
    EXPECT_EQ(*two, (StringViewList{"a", "b,c"}));

    auto wide = split_in_place("a,b", ',', 5);  // fields not reached are absent
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, (StringViewList{"a", "b"}));

    auto empty = split_in_place("", ',', 0);
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, (StringViewList{""}));

    auto edges = split_in_place(",x,", ',', -3);
    ASSERT_TRUE(edges);
    EXPECT_EQ(*edges, (StringViewList{"", "x", ""}));

    EXPECT_FALSE(split_in_place(nullptr, ',', 0));
}

TEST(SplitString, TabFields)
{
    auto fields = split_string("a\tb\t\tc", '\t', 0, false);
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (StringList{"a", "b", "", "c"}));

    auto trailing = split_string("a\t", '\t', 0, false);
    ASSERT_TRUE(trailing);
    EXPECT_EQ(*trailing, (StringList{"a", ""}));

    auto leading = split_string("\tz", '\t', 0, false);
    ASSERT_TRUE(leading);
    EXPECT_EQ(*leading, (StringList{"", "z"}));

    auto limited = split_string("a\tb", '\t', 4, false);
    ASSERT_TRUE(limited);
    EXPECT_EQ(*limited, (StringList{"a", "b"}));

    auto rest = split_string("1\t2\t3\t4\t5\t6", '\t', 4, false);
    ASSERT_TRUE(rest);
    EXPECT_EQ(*rest, (StringList{"1", "2", "3", "4\t5\t6"}));

    EXPECT_FALSE(split_string("", '\t', 4, false));
    EXPECT_FALSE(split_string(nullptr, '\t', 4, false));
}

TEST(SplitString, QuotedStretches)
{
    auto fields = split_string("\"x,y\",z", ',', 0, true);
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (StringList{"\"x,y\"", "z"}));

    // Escaped quote and separator inside a stretch neither close nor split.
    auto escaped = split_string("\"a\\\",b\",c", ',', 0, true);
    ASSERT_TRUE(escaped);
    EXPECT_EQ(*escaped, (StringList{"\"a\\\",b\"", "c"}));

    // A stretch left open runs to the end; a final backslash ends the field.
    auto open = split_string("\"a,b", ',', 0, true);
    ASSERT_TRUE(open);
    EXPECT_EQ(*open, (StringList{"\"a,b"}));
    auto backslash = split_string("x,\"a\\", ',', 0, true);
    ASSERT_TRUE(backslash);
    EXPECT_EQ(*backslash, (StringList{"x", "\"a\\"}));

    // Without the flag quotes are ordinary bytes.
    auto plain = split_string("\"x,y\",z", ',', 0, false);
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, (StringList{"\"x", "y\"", "z"}));
}

TEST(Unquote, Lenient)
{
    EXPECT_EQ(unquote_string("\"ab\"cd"), "ab");
    EXPECT_EQ(unquote_string("\"a\\tb\\r\\n\\\"\\\\\\q\""), std::string("a\tb\r\n\"\\q"));
    EXPECT_EQ(unquote_string("\"\""), "");
    EXPECT_FALSE(unquote_string("ab"));
    EXPECT_FALSE(unquote_string("\"ab"));
    EXPECT_FALSE(unquote_string("\"ab\\"));
    EXPECT_FALSE(unquote_string(nullptr));
    // A backslash before a multi-byte character takes only its first byte.
    EXPECT_EQ(unquote_string("\"\\\xE3\x81\x82\""), "\xE3\x81\x82");
}

TEST(ParseQuotedText, StrictStatuses)
{
    StatusCode status = STATUS_OK;
    EXPECT_EQ(parse_quoted_text("\"a\\tb\"", &status), std::string("a\tb"));
    EXPECT_EQ(status, STATUS_OK);

    auto expect_status = [](const char* text, StatusCode expected) {
        StatusCode found = STATUS_OK;
        EXPECT_FALSE(parse_quoted_text(text, &found)) << text;
        EXPECT_EQ(found, expected) << (text ? text : "(null)");
    };
    expect_status(nullptr, STATUS_NULL_STRING);
    expect_status("ab", STATUS_NO_OPENING_QUOTE);
    expect_status("\"a\\", STATUS_NOTHING_AFTER_BACKSLASH);
    expect_status("\"\x80\"", STATUS_BAD_CHARACTER);
    expect_status("\"abc", STATUS_NO_CLOSING_QUOTE);
    expect_status("\"ab\"cd", STATUS_TEXT_AFTER_QUOTE);
    // A backslash before a multi-byte character leaves a continuation byte
    // where a character should begin.
    expect_status("\"\\\xE3\x81\x82\"", STATUS_BAD_CHARACTER);
    // A character cut short by the end of the text.
    expect_status("\"\xE3\x81", STATUS_NO_CLOSING_QUOTE);

    EXPECT_EQ(parse_quoted_text("\"\xE3\x81\x82\"", nullptr), "\xE3\x81\x82");
    EXPECT_FALSE(parse_quoted_text("x", nullptr));  // a null status is allowed
}

TEST(StatusMessages, FixedTexts)
{
    EXPECT_STREQ(get_status_message(STATUS_OK), "no error");
    EXPECT_STREQ(get_status_message(STATUS_NULL_STRING), "null string");
    EXPECT_STREQ(get_status_message(STATUS_NO_MEMORY), "memory exhausted!");
    EXPECT_STREQ(get_status_message(STATUS_NO_OPENING_QUOTE), "テキストが \" で始まっていません。");
    EXPECT_STREQ(get_status_message(STATUS_NOTHING_AFTER_BACKSLASH), "\\ の後に文字がありません。");
    EXPECT_STREQ(get_status_message(STATUS_BAD_CHARACTER), "不正な文字コードです。");
    EXPECT_STREQ(get_status_message(STATUS_NO_CLOSING_QUOTE), "テキストが \" で終わっていません。");
    EXPECT_STREQ(get_status_message(STATUS_TEXT_AFTER_QUOTE),
                 "テキストが \" で終わっていないか、テキスト中に前に \\ のない \" があります。");
    EXPECT_STREQ(get_status_message(6), "unknown error");
    EXPECT_STREQ(get_status_message(-3), "unknown error");
}

TEST(Quote, EscapesAndRoundTrips)
{
    EXPECT_EQ(quote_string("\t\"\\"), "\"\\t\\\"\\\\\"");
    EXPECT_EQ(quote_string(""), "\"\"");
    EXPECT_EQ(quote_string("a\r\nb"), "\"a\\r\\nb\"");

    const char* samples[] = {"", "plain", "tab\there", "\"quoted\"", "back\\slash\\", "改行\n日本語",
                             "\r\n\t\"\\"};
    for (const char* text : samples) {
        const std::string quoted = quote_string(text);
        EXPECT_EQ(unquote_string(quoted.c_str()), text);
        StatusCode status = STATUS_OK;
        EXPECT_EQ(parse_quoted_text(quoted.c_str(), &status), text);
        EXPECT_EQ(status, STATUS_OK);
    }
}

TEST(AppendHex, AsPrintfWritesIt)
{
    struct Case {
        std::uint32_t value;
        int digits;
    };
    const Case cases[] = {{0, 1}, {0, 2}, {0xA, 2}, {0xFF, 1}, {0x1234, 4}, {0xABC, 4}, {0xFFFF, 4},
                          {0x500, 1}, {0x12345678, 8}, {0xFFFFFFFF, 8}, {0x1F, 8}, {7, 0}};
    for (const Case& c : cases) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%.*X", c.digits, static_cast<unsigned>(c.value));
        std::string out = "x";
        append_hex(out, c.value, c.digits);
        EXPECT_EQ(out, std::string("x") + expected) << c.value << " " << c.digits;
    }
}

}  // namespace
