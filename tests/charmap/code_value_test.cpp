#include "charmap/u7charmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

int value_of(const std::string& bytes)
{
    return get_code_value(bytes.c_str());
}

TEST(CodeByteIndex, TrailBytesCountFromZeroInByteOrder)
{
    EXPECT_EQ(code_byte_index['0'], 0);
    EXPECT_EQ(code_byte_index['9'], 9);
    EXPECT_EQ(code_byte_index['A'], 10);
    EXPECT_EQ(code_byte_index['Z'], 35);
    EXPECT_EQ(code_byte_index['a'], 36);
    EXPECT_EQ(code_byte_index['z'], 61);
    EXPECT_EQ(code_byte_index[0x80], 62);
    EXPECT_EQ(code_byte_index[0xF3], 177);

    std::set<int> trail_indexes;
    for (int byte = 0; byte < 0xF4; ++byte) {
        if (code_byte_index[static_cast<std::size_t>(byte)] >= 0) {
            trail_indexes.insert(code_byte_index[static_cast<std::size_t>(byte)]);
        }
    }
    EXPECT_EQ(trail_indexes.size(), 178u);
    EXPECT_EQ(*trail_indexes.begin(), 0);
    EXPECT_EQ(*trail_indexes.rbegin(), 177);
}

TEST(CodeByteIndex, LeadBytesStartTheirRangesAndTheRestHaveNone)
{
    for (int byte = 0xF4; byte <= 0xFF; ++byte) {
        EXPECT_EQ(code_byte_index[static_cast<std::size_t>(byte)], 244 + 178 * (byte - 0xF4)) << byte;
    }
    EXPECT_EQ(code_byte_index[0xFF], 2202);
    for (int byte : {0x00, 0x01, 0x20, 0x2F, 0x3A, 0x40, 0x5B, 0x60, 0x7B, 0x7F}) {
        EXPECT_EQ(code_byte_index[static_cast<std::size_t>(byte)], -1) << byte;
    }
}

TEST(GetCodeValue, EmptyAndOneByteCodes)
{
    EXPECT_EQ(get_code_value(nullptr), -1);
    EXPECT_EQ(value_of(""), 0);
    EXPECT_EQ(value_of("A"), 65);
    EXPECT_EQ(value_of("\x01"), 1);
    EXPECT_EQ(value_of("\xF3"), 243);
    EXPECT_EQ(value_of(" "), 32);  // any ordinary byte, not just trail bytes
}

TEST(GetCodeValue, TwoOrdinaryBytesAreNoCode)
{
    EXPECT_EQ(value_of("AB"), 0);
    EXPECT_EQ(value_of("\x01\xF3"), 0);
    EXPECT_EQ(value_of("ABC"), -1);  // three ordinary bytes
    EXPECT_EQ(value_of("A\xF4"), -1);  // an ordinary byte followed by a lead byte
}

TEST(GetCodeValue, LeadByteWithOneTrailByte)
{
    EXPECT_EQ(value_of("\xF5\x41"), 432);
    EXPECT_EQ(value_of("\xF4" "0"), 244);
    EXPECT_EQ(value_of("\xFE\xF3"), 2024 + 177);
    EXPECT_EQ(value_of("\xFF\x31"), 2203);
    EXPECT_EQ(value_of("\xFF\xF3"), 2379);
    EXPECT_EQ(value_of("\xF4\x20"), -1);  // not a trail byte
    EXPECT_EQ(value_of("\xF4\xF4"), -1);
    EXPECT_EQ(value_of("\xF4"), -1);       // a lead byte alone
    EXPECT_EQ(value_of("\xF4\x31\x32"), -1);  // only 0xFF takes a third byte
}

TEST(GetCodeValue, ThreeByteCodes)
{
    EXPECT_EQ(value_of("\xFF\x31\x32"), 2382);
    EXPECT_EQ(value_of("\xFF" "00"), 2202);
    EXPECT_EQ(value_of("\xFF\xF3\xF3"), 33885);
    // A middle digit 0 gives the numbers of the two-byte codes of 0xFF.
    EXPECT_EQ(value_of("\xFF" "0" "1"), value_of("\xFF" "1"));
    EXPECT_EQ(value_of("\xFF\x31\x20"), -1);
    EXPECT_EQ(value_of("\xFF\x31\xF4"), -1);
    // Only three bytes are looked at.
    EXPECT_EQ(value_of("\xFF\x31\x32\x33"), 2382);
}

TEST(GetCodeValue, ReadsNothingPastTheTerminator)
{
    // Exact-size heap buffers, so a read past the zero shows under the
    // address sanitizer.
    auto one = std::make_unique<char[]>(2);
    one[0] = 'A';
    one[1] = '\0';
    EXPECT_EQ(get_code_value(one.get()), 65);
    auto lead = std::make_unique<char[]>(2);
    lead[0] = '\xFF';
    lead[1] = '\0';
    EXPECT_EQ(get_code_value(lead.get()), -1);
    auto empty = std::make_unique<char[]>(1);
    empty[0] = '\0';
    EXPECT_EQ(get_code_value(empty.get()), 0);
}

}  // namespace
