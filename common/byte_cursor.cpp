#include "common/byte_cursor.h"

#include "common/byte_order.h"

#include <cstring>

namespace {

// Claims count bytes: their address, or null (and the sticky failure).
const std::uint8_t* claim(ByteCursor& cursor, std::size_t count)
{
    if (!has_bytes(cursor, count)) {
        cursor.failed = true;
        return nullptr;
    }
    const std::uint8_t* at = cursor.data + cursor.position;
    cursor.position += count;
    return at;
}

}  // namespace

ByteCursor make_byte_cursor(const std::uint8_t* data, std::size_t size)
{
    ByteCursor cursor;
    cursor.data = data;
    cursor.end = data != nullptr ? size : 0;
    return cursor;
}

std::size_t bytes_remaining(const ByteCursor& cursor)
{
    if (cursor.failed || cursor.position > cursor.end) return 0;
    return cursor.end - cursor.position;
}

bool has_bytes(const ByteCursor& cursor, std::size_t count)
{
    return !cursor.failed && cursor.position <= cursor.end && cursor.end - cursor.position >= count;
}

std::uint8_t read_u8(ByteCursor& cursor)
{
    const std::uint8_t* at = claim(cursor, 1);
    return at != nullptr ? at[0] : 0;
}

std::uint16_t read_le16(ByteCursor& cursor)
{
    const std::uint8_t* at = claim(cursor, 2);
    return at != nullptr ? read_le16_from_buffer(at) : 0;
}

std::int16_t read_sle16(ByteCursor& cursor)
{
    const std::uint8_t* at = claim(cursor, 2);
    return at != nullptr ? read_sle16_from_buffer(at) : 0;
}

std::uint32_t read_le32(ByteCursor& cursor)
{
    const std::uint8_t* at = claim(cursor, 4);
    return at != nullptr ? read_le32_from_buffer(at) : 0;
}

std::uint32_t read_be32(ByteCursor& cursor)
{
    const std::uint8_t* at = claim(cursor, 4);
    return at != nullptr ? read_be32_from_buffer(at) : 0;
}

bool read_bytes(ByteCursor& cursor, void* destination, std::size_t count)
{
    const std::uint8_t* at = claim(cursor, count);
    if (at == nullptr) return false;
    if (count > 0) std::memcpy(destination, at, count);
    return true;
}

const std::uint8_t* take_bytes(ByteCursor& cursor, std::size_t count)
{
    return claim(cursor, count);
}

bool skip_bytes(ByteCursor& cursor, std::size_t count)
{
    return claim(cursor, count) != nullptr;
}

bool seek_to(ByteCursor& cursor, std::size_t position)
{
    if (cursor.failed || position > cursor.end) {
        cursor.failed = true;
        return false;
    }
    cursor.position = position;
    return true;
}

std::optional<std::span<const std::uint8_t>> bytes_at(const ByteCursor& cursor, std::size_t offset,
                                                      std::size_t count)
{
    if (count > cursor.end || offset > cursor.end - count) return std::nullopt;
    if (count == 0) return std::span<const std::uint8_t>();
    return std::span<const std::uint8_t>(cursor.data + offset, count);
}
