#include "common/byte_order.h"

namespace {

std::uint8_t byte_of(std::uint32_t value, int shift)
{
    return static_cast<std::uint8_t>((value >> shift) & 0xFFu);
}

// Puts the bytes of value at the given shifts, in order; -1 at the first
// byte the stream refuses.
int put_bytes(std::FILE* stream, std::uint32_t value, const int* shifts, int count)
{
    if (stream == nullptr) return -1;
    for (int i = 0; i < count; ++i) {
        if (std::fputc(byte_of(value, shifts[i]), stream) == EOF) return -1;
    }
    return count;
}

}  // namespace

std::uint8_t* write_le16_to_buffer(std::uint8_t* position, std::uint32_t value)
{
    position[0] = byte_of(value, 0);
    position[1] = byte_of(value, 8);
    return position + 2;
}

std::uint8_t* write_le32_to_buffer(std::uint8_t* position, std::uint32_t value)
{
    position[0] = byte_of(value, 0);
    position[1] = byte_of(value, 8);
    position[2] = byte_of(value, 16);
    position[3] = byte_of(value, 24);
    return position + 4;
}

std::uint8_t* write_be32_to_buffer(std::uint8_t* position, std::uint32_t value)
{
    position[0] = byte_of(value, 24);
    position[1] = byte_of(value, 16);
    position[2] = byte_of(value, 8);
    position[3] = byte_of(value, 0);
    return position + 4;
}

std::uint16_t read_le16_from_buffer(const std::uint8_t*& cursor)
{
    const std::uint16_t value = static_cast<std::uint16_t>(cursor[0] | (cursor[1] << 8));
    cursor += 2;
    return value;
}

std::int16_t read_sle16_from_buffer(const std::uint8_t*& cursor)
{
    const std::uint16_t bits = read_le16_from_buffer(cursor);
    // Two's complement by arithmetic, not by a narrowing cast.
    return static_cast<std::int16_t>(bits < 0x8000u ? static_cast<int>(bits) : static_cast<int>(bits) - 0x10000);
}

std::uint32_t read_le32_from_buffer(const std::uint8_t*& cursor)
{
    const std::uint32_t value = static_cast<std::uint32_t>(cursor[0]) | (static_cast<std::uint32_t>(cursor[1]) << 8) |
                                (static_cast<std::uint32_t>(cursor[2]) << 16) |
                                (static_cast<std::uint32_t>(cursor[3]) << 24);
    cursor += 4;
    return value;
}

std::uint32_t read_be32_from_buffer(const std::uint8_t*& cursor)
{
    const std::uint32_t value = (static_cast<std::uint32_t>(cursor[0]) << 24) |
                                (static_cast<std::uint32_t>(cursor[1]) << 16) |
                                (static_cast<std::uint32_t>(cursor[2]) << 8) | static_cast<std::uint32_t>(cursor[3]);
    cursor += 4;
    return value;
}

int write_le16_to_file(std::FILE* stream, std::uint32_t value)
{
    static const int shifts[] = {0, 8};
    return put_bytes(stream, value, shifts, 2);
}

int write_le32_to_file(std::FILE* stream, std::uint32_t value)
{
    static const int shifts[] = {0, 8, 16, 24};
    return put_bytes(stream, value, shifts, 4);
}

int write_be32_to_file(std::FILE* stream, std::uint32_t value)
{
    static const int shifts[] = {24, 16, 8, 0};
    return put_bytes(stream, value, shifts, 4);
}
