// The checked byte cursor: every reader of untrusted bytes (archives,
// shapes, frame data) takes its fields through it.
//
// A ByteCursor is a plain record: the bytes, the read position and the end
// (a count of bytes from data).  Every read first checks that the bytes it
// needs lie between position and end, as `end - position >= n`, so no sum
// can wrap.  A read that does not fit reads nothing, leaves the position
// where it was, returns 0 (or false / null) and sets the sticky `failed`
// flag: after that every read fails too, so a reader can take a whole
// record and check the flag once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

struct ByteCursor {
    const std::uint8_t* data = nullptr;
    std::size_t position = 0;
    std::size_t end = 0;
    bool failed = false;
};

// A cursor over size bytes at data, at position 0.  A null data pointer
// gives an empty cursor.
ByteCursor make_byte_cursor(const std::uint8_t* data, std::size_t size);

// Bytes left between the position and the end (0 once failed).
std::size_t bytes_remaining(const ByteCursor& cursor);
// True when count more bytes can be read.
bool has_bytes(const ByteCursor& cursor, std::size_t count);

std::uint8_t read_u8(ByteCursor& cursor);
std::uint16_t read_le16(ByteCursor& cursor);
std::int16_t read_sle16(ByteCursor& cursor);
std::uint32_t read_le32(ByteCursor& cursor);
std::uint32_t read_be32(ByteCursor& cursor);

// Copies count bytes to destination; false (nothing copied) when they do
// not fit.
bool read_bytes(ByteCursor& cursor, void* destination, std::size_t count);
// The address of the next count bytes, stepping over them; null when they
// do not fit.
const std::uint8_t* take_bytes(ByteCursor& cursor, std::size_t count);
bool skip_bytes(ByteCursor& cursor, std::size_t count);
// Moves to an absolute position; a position beyond the end fails.
bool seek_to(ByteCursor& cursor, std::size_t position);

// The count bytes at offset from the start of the cursor's bytes, wherever
// the position is; nothing when they do not lie inside.  Neither the
// position nor the failure flag changes: this is how a reader takes a slice
// that a table of offsets names (an archive entry, a frame).
std::optional<std::span<const std::uint8_t>> bytes_at(const ByteCursor& cursor, std::size_t offset,
                                                      std::size_t count);

// True when nothing has failed so far.
inline bool cursor_ok(const ByteCursor& cursor) { return !cursor.failed; }
