// Byte order helpers.  The game's files store numbers little-endian (FLEX
// archives, shapes, palettes); IFF archives store their sizes big-endian.
// Each helper puts or takes its bytes one by one in the order that the name
// says, so the files come out the same on any host.
//
// The buffer helpers check nothing: the caller guarantees room for the
// field.  Readers of untrusted bytes go through the checked ByteCursor
// (byte_cursor.h) instead, which uses these helpers after its own check.
#pragma once

#include <cstdint>
#include <cstdio>

// Writers return the position just behind the bytes they stored, so that
// writes chain.  The 16-bit writers keep the low 16 bits of the value.
std::uint8_t* write_le16_to_buffer(std::uint8_t* position, std::uint32_t value);
std::uint8_t* write_le32_to_buffer(std::uint8_t* position, std::uint32_t value);
std::uint8_t* write_be32_to_buffer(std::uint8_t* position, std::uint32_t value);

// Readers take their bytes at the cursor and advance it past them.
std::uint16_t read_le16_from_buffer(const std::uint8_t*& cursor);
// The same 16 bits as a signed value, for the fields the formats define as
// signed (frame extents and coordinates).
std::int16_t read_sle16_from_buffer(const std::uint8_t*& cursor);
std::uint32_t read_le32_from_buffer(const std::uint8_t*& cursor);
std::uint32_t read_be32_from_buffer(const std::uint8_t*& cursor);

// Stream writers put one byte at a time and stop at the first byte that
// fails.  They return the number of bytes written (2 or 4), or -1; the bytes
// before a failure stay in the stream.  They print nothing.
int write_le16_to_file(std::FILE* stream, std::uint32_t value);
int write_le32_to_file(std::FILE* stream, std::uint32_t value);
int write_be32_to_file(std::FILE* stream, std::uint32_t value);
