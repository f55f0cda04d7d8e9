#include "common/byte_order.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteOrderWrite, Le16KeepsTheLow16BitsAndChains)
{
    std::uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    std::uint8_t* next = write_le16_to_buffer(buffer, 0x12345);
    EXPECT_EQ(next, buffer + 2);
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0x45, 0x23, 0xAA, 0xAA}));
}

TEST(ByteOrderWrite, Le32AndBe32AreMirrorImages)
{
    std::uint8_t le[4] = {};
    std::uint8_t be[4] = {};
    EXPECT_EQ(write_le32_to_buffer(le, 0x11223344u), le + 4);
    EXPECT_EQ(write_be32_to_buffer(be, 0x11223344u), be + 4);
    EXPECT_EQ(Bytes(le, le + 4), (Bytes{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(Bytes(be, be + 4), (Bytes{0x11, 0x22, 0x33, 0x44}));
}

TEST(ByteOrderRead, Le16IsUnsignedAndSle16IsSigned)
{
    const std::uint8_t bytes[] = {0xFE, 0xFF, 0x00, 0x80, 0xFF, 0x7F};
    const std::uint8_t* cursor = bytes;
    EXPECT_EQ(read_le16_from_buffer(cursor), 65534);
    EXPECT_EQ(cursor, bytes + 2);
    cursor = bytes;
    EXPECT_EQ(read_sle16_from_buffer(cursor), -2);
    EXPECT_EQ(cursor, bytes + 2);
    EXPECT_EQ(read_sle16_from_buffer(cursor), -32768);
    EXPECT_EQ(read_sle16_from_buffer(cursor), 32767);
    EXPECT_EQ(cursor, bytes + 6);
}

TEST(ByteOrderRead, Be32AndLe32TakeTheSameBytesInOppositeOrder)
{
    const std::uint8_t bytes[] = {0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::uint8_t* cursor = bytes;
    EXPECT_EQ(read_be32_from_buffer(cursor), 256u);
    cursor = bytes;
    EXPECT_EQ(read_le32_from_buffer(cursor), 65536u);
    EXPECT_EQ(read_le32_from_buffer(cursor), 0xFFFFFFFFu);
    EXPECT_EQ(cursor, bytes + 8);
}

TEST(ByteOrderRead, ReadsBackWhatTheWritersStored)
{
    std::uint8_t buffer[10];
    std::uint8_t* p = write_le16_to_buffer(buffer, 0xBEEF);
    p = write_le32_to_buffer(p, 0xCAFEF00Du);
    write_be32_to_buffer(p, 0x01020304u);
    const std::uint8_t* cursor = buffer;
    EXPECT_EQ(read_le16_from_buffer(cursor), 0xBEEF);
    EXPECT_EQ(read_le32_from_buffer(cursor), 0xCAFEF00Du);
    EXPECT_EQ(read_be32_from_buffer(cursor), 0x01020304u);
}

std::string stream_bytes(std::FILE* stream)
{
    std::fflush(stream);
    std::rewind(stream);
    std::string bytes;
    int c;
    while ((c = std::fgetc(stream)) != EOF) bytes.push_back(static_cast<char>(c));
    return bytes;
}

TEST(ByteOrderFile, WritersPutTheBytesInOrderAndCountThem)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(write_le16_to_file(stream, 0x12345), 2);
    EXPECT_EQ(write_le32_to_file(stream, 0x11223344u), 4);
    EXPECT_EQ(write_be32_to_file(stream, 0x11223344u), 4);
    EXPECT_EQ(stream_bytes(stream), std::string("\x45\x23\x44\x33\x22\x11\x11\x22\x33\x44", 10));
    std::fclose(stream);
}

TEST(ByteOrderFile, WritersReportAStreamThatRefusesBytes)
{
    // A stream opened for reading only refuses every write.
    std::FILE* read_only = std::fopen("/dev/null", "rb");
    ASSERT_NE(read_only, nullptr);
    EXPECT_EQ(write_le16_to_file(read_only, 1), -1);
    EXPECT_EQ(write_le32_to_file(read_only, 1), -1);
    EXPECT_EQ(write_be32_to_file(read_only, 1), -1);
    EXPECT_EQ(write_le32_to_file(nullptr, 1), -1);
    std::fclose(read_only);
}

}  // namespace
