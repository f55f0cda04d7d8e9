// The data types of archive entries and the objects they decode to.
//
// Every entry of a FLEX or IFF archive is turned into one object when it is
// loaded.  The object is an EntryObject: a variant of one distinct type per
// kind, so raw bytes can never be read as a text or a shape by mistake.  An
// entry owns its object; releasing the entry releases it.
//
// This header is shared by the archive module and the shape codec, and
// holds plain types only.
#pragma once

#include "types/u7shape_types.h"

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// Entry type codes: the type an entry carries after loading, and the key of
// the read-function table.
using EntryType = std::int32_t;
inline constexpr EntryType ENTRY_NONE = -1;  // no type was given for the entry
inline constexpr EntryType ENTRY_RAW = 0;
inline constexpr EntryType ENTRY_FILE = 1;
inline constexpr EntryType ENTRY_TEXT = 2;
inline constexpr EntryType ENTRY_PALETTE = 3;
inline constexpr EntryType ENTRY_PALETTE2 = 4;
inline constexpr EntryType ENTRY_TILES = 5;
inline constexpr EntryType ENTRY_SHAPE = 6;
inline constexpr EntryType ENTRY_FLIC = 7;
inline constexpr EntryType ENTRY_VOC = 8;

// Type 0: a copy of the entry's bytes.
struct RawData {
    std::vector<std::uint8_t> bytes;
};

// Type 1: a 13-byte name field (a zero-terminated file name, copied as
// stored), then the file's bytes.  The stored length is data.size().
inline constexpr std::size_t NAMED_FILE_NAME_SIZE = 13;
struct NamedFile {
    std::array<char, NAMED_FILE_NAME_SIZE> name{};
    std::vector<std::uint8_t> data;

    std::int32_t length() const { return static_cast<std::int32_t>(data.size()); }
};

// Type 2: the entry's bytes as a text.  std::string keeps the terminating
// zero byte behind the bytes (c_str()); it is not part of the entry.
struct TextData {
    std::string text;
};

// Type 3: 256 colours × (red, green, blue), the game's 6-bit values.
inline constexpr std::size_t PALETTE_SIZE = 768;
struct Palette {
    std::array<std::uint8_t, PALETTE_SIZE> colors{};
};

// Type 4: the same components, each stored as a 16-bit value.
inline constexpr std::size_t PALETTE2_SIZE = 1536;
struct Palette2 {
    std::array<std::uint16_t, PALETTE_SIZE> colors{};
};

// Types 7 and 8: the bytes of an IFF "FLIC" or "VOCF" chunk.
struct FlicData {
    std::vector<std::uint8_t> bytes;
};
struct VocData {
    std::vector<std::uint8_t> bytes;
};

// No object (std::monostate): an empty entry, or one that no read function
// decoded.
using EntryObject =
    std::variant<std::monostate, RawData, NamedFile, TextData, Palette, Palette2, Tiles, Shape, FlicData, VocData>;

// The contract of every read function: fill the slot with a new object made
// from size bytes at data (copying what it keeps: the bytes belong to the
// loader), given the entry's index; return the EntryType of the object made
// (which may differ from the type asked for), or a negative value when the
// bytes are invalid.
using FlexReadFunc = std::int32_t (*)(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                      std::int32_t index);

// Keeps the bytes as they stand (type 0).  Both read_data_from_buffer and
// the shape reader's fallback for a damaged shape store plain bytes this way.
inline EntryType store_entry_bytes(EntryObject& slot, const std::uint8_t* data, std::int32_t size)
{
    slot.emplace<RawData>(RawData{std::vector<std::uint8_t>(data, data + size)});
    return ENTRY_RAW;
}
