// Builders for the test inputs: FLEX and IFF archives, shape entries and
// frame data, assembled byte by byte in code.  Shared by every test that
// needs such bytes, and by the fuzz seed writer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace test_builders {

using Bytes = std::vector<std::uint8_t>;

inline void put_le16(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void put_le32(Bytes& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

inline void put_be32(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

inline void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline std::string to_string(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

// ---------------------------------------------------------------------------
// FLEX archives

struct FlexHeader {
    std::string title = "test archive";
    std::uint32_t magic1 = 0xFFFF1A00u;
    std::uint32_t magic2 = 0x000000CCu;
    std::array<std::uint32_t, 9> reserved{};
};

// The 128-byte header with the given count.
inline Bytes flex_header(const FlexHeader& header, std::int32_t count)
{
    Bytes out(header.title.begin(), header.title.end());
    out.resize(80, 0);
    put_le32(out, header.magic1);
    put_le32(out, static_cast<std::uint32_t>(count));
    put_le32(out, header.magic2);
    for (const auto word : header.reserved) put_le32(out, word);
    return out;
}

// An archive whose entries lie back to back after the table, in table
// order; an entry given no bytes is empty (offset 0, size 0).
inline Bytes build_flex(const std::vector<Bytes>& entries, const FlexHeader& header = {})
{
    Bytes out = flex_header(header, static_cast<std::int32_t>(entries.size()));
    std::uint32_t position = static_cast<std::uint32_t>(128 + 8 * entries.size());
    for (const auto& entry : entries) {
        put_le32(out, entry.empty() ? 0 : position);
        put_le32(out, static_cast<std::uint32_t>(entry.size()));
        position += static_cast<std::uint32_t>(entry.size());
    }
    for (const auto& entry : entries) append(out, entry);
    return out;
}

// An archive with a table given as it stands, then the given bytes.
inline Bytes build_flex_table(std::int32_t count, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& table,
                              const Bytes& rest, const FlexHeader& header = {})
{
    Bytes out = flex_header(header, count);
    for (const auto& [offset, size] : table) {
        put_le32(out, offset);
        put_le32(out, size);
    }
    append(out, rest);
    return out;
}

// ---------------------------------------------------------------------------
// Frame data and shapes

inline Bytes frame_header(int right, int left, int ascent, int descent)
{
    Bytes out;
    put_le16(out, static_cast<std::uint32_t>(right));
    put_le16(out, static_cast<std::uint32_t>(left));
    put_le16(out, static_cast<std::uint32_t>(ascent));
    put_le16(out, static_cast<std::uint32_t>(descent));
    return out;
}

// A raw span: one colour byte per pixel.
inline Bytes raw_span(int x, int y, const Bytes& pixels)
{
    Bytes out;
    put_le16(out, static_cast<std::uint32_t>(pixels.size() * 2));
    put_le16(out, static_cast<std::uint32_t>(x));
    put_le16(out, static_cast<std::uint32_t>(y));
    append(out, pixels);
    return out;
}

inline Bytes repeat_run(int n, std::uint8_t colour)
{
    return Bytes{static_cast<std::uint8_t>(n * 2 + 1), colour};
}

inline Bytes literal_run(const Bytes& pixels)
{
    Bytes out{static_cast<std::uint8_t>(pixels.size() * 2)};
    append(out, pixels);
    return out;
}

// An encoded span of count pixels made of the given runs.
inline Bytes encoded_span(int x, int y, int count, const std::vector<Bytes>& runs)
{
    Bytes out;
    put_le16(out, static_cast<std::uint32_t>(count * 2 + 1));
    put_le16(out, static_cast<std::uint32_t>(x));
    put_le16(out, static_cast<std::uint32_t>(y));
    for (const auto& run : runs) append(out, run);
    return out;
}

// Header, spans, end marker.
inline Bytes build_frame(int right, int left, int ascent, int descent, const std::vector<Bytes>& spans)
{
    Bytes out = frame_header(right, left, ascent, descent);
    for (const auto& span : spans) append(out, span);
    put_le16(out, 0);
    return out;
}

// A well-formed shape entry: size, offsets, frames back to back.
inline Bytes build_shape(const std::vector<Bytes>& frames)
{
    std::uint32_t position = static_cast<std::uint32_t>(4 + 4 * frames.size());
    std::uint32_t size = position;
    for (const auto& frame : frames) size += static_cast<std::uint32_t>(frame.size());
    Bytes out;
    put_le32(out, size);
    for (const auto& frame : frames) {
        put_le32(out, position);
        position += static_cast<std::uint32_t>(frame.size());
    }
    for (const auto& frame : frames) append(out, frame);
    return out;
}

// ---------------------------------------------------------------------------
// IFF archives

struct IffChunkSpec {
    std::string tag;
    std::string name;  // 8 bytes, zero-padded
    Bytes data;
};

// "FORM", form size, form type, then each chunk (tag, size, name, data,
// and a pad byte when the data ends at an odd offset).
inline Bytes build_iff(const std::string& form_type, const std::vector<IffChunkSpec>& chunks, std::uint8_t pad = 0)
{
    Bytes body(form_type.begin(), form_type.end());
    for (const auto& chunk : chunks) {
        append(body, bytes_of(chunk.tag));
        put_be32(body, static_cast<std::uint32_t>(chunk.data.size() + 8));
        Bytes name = bytes_of(chunk.name);
        name.resize(8, 0);
        append(body, name);
        append(body, chunk.data);
        if ((body.size() + 8) % 2 != 0) body.push_back(pad);
    }
    Bytes out = bytes_of("FORM");
    put_be32(out, static_cast<std::uint32_t>(body.size()));
    append(out, body);
    return out;
}

}  // namespace test_builders
