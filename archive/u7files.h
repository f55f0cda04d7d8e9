// FLEX and IFF archives: the in-memory model, the read-function table
// through which entries are decoded by type, and the loaders.
#pragma once

#include "types/u7entry_types.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------
// Read-function table
//
// Seven slots, searched in the order of types 1, 2, 3, 4, 5, 6, 0, each
// without a function at the start of the process.  Registering a type again
// replaces its function; no other type can be registered.  Both operations
// print a plain trace line.

// 0, or -1 (with the "- ERROR" line) for a type without a slot.
int register_flexfile_readfunc(EntryType type, FlexReadFunc function);
// The slot's function (null when none is registered), or null for a type
// without a slot.
FlexReadFunc get_flexfile_readfunc(EntryType type);
// Empties every slot again, silently; for tests that need a fresh table.
void reset_flexfile_readfuncs();

// ---------------------------------------------------------------------------
// FLEX archives

inline constexpr std::size_t FLEX_TITLE_SIZE = 80;
inline constexpr std::size_t FLEX_RESERVED_COUNT = 9;
inline constexpr std::size_t FLEX_HEADER_SIZE = 128;
inline constexpr std::size_t FLEX_TABLE_ENTRY_SIZE = 8;

struct FlexEntry {
    std::uint32_t offset = 0;  // of the entry's bytes in the file; 0 = empty
    std::uint32_t size = 0;    // of the entry's bytes; 0 = empty
    EntryObject object;        // the decoded object; none for empty entries
    EntryType type = 0;        // after loading: see the loaders below

    bool empty() const { return offset == 0 || size == 0; }
};

struct FlexArchive {
    std::array<std::uint8_t, FLEX_TITLE_SIZE> title{};  // raw bytes, written back as they are
    std::uint32_t magic1 = 0;
    std::int32_t count = 0;  // number of entries
    std::uint32_t magic2 = 0;
    std::array<std::uint32_t, FLEX_RESERVED_COUNT> reserved{};  // d1 … d9
    std::vector<FlexEntry> entries;                              // count of them
};

using FlexArchivePtr = std::unique_ptr<FlexArchive>;

// (type, count): the next count entries get this type.  A list ends with a
// run whose type is -1; a run whose count is below 1 assigns nothing.
struct TypeRun {
    std::int32_t type;
    std::int32_t count;
};

// The loaders: 0 with the new archive in *archive, or -1 with *archive
// empty.  A null archive address, path, list or function gives -1 silently.
//
// After a load every entry's type is one of: the result of its read
// function; the type asked for, with no object, when no read function is
// registered for it; -1 when the list gave it no type; 0 for an empty entry
// that no read function saw.
//
// The file must hold its header, its whole entry table and every non-empty
// entry's bytes, and no entry may be larger than the signed 32-bit size a
// read function takes; otherwise it is refused as invalid data (entry index
// -1 for the header and the table).  A file larger than one buffer can hold
// is a read error.
//
// Each loader has a path form, which reads the file whole and hands its
// bytes to the memory form, and a memory form, which reads size bytes at
// data (null only with a size of 0) and names them `name` wherever its
// messages show the path.  The bytes are not kept.

// Types the entries in table order by runs, through the table.
int read_flexfile(FlexArchivePtr* archive, const char* path, const TypeRun* runs);
int read_flexfile_from_memory(FlexArchivePtr* archive, const std::uint8_t* data, std::size_t size, const char* name,
                              const TypeRun* runs);
// One type per entry, through the table; the list ends with -1.
int read_flexfile_per_entry(FlexArchivePtr* archive, const char* path, const std::int32_t* types);
int read_flexfile_per_entry_from_memory(FlexArchivePtr* archive, const std::uint8_t* data, std::size_t size,
                                        const char* name, const std::int32_t* types);
// Every non-empty entry decoded by the one function given.
int read_flexfile_with_readfunc(FlexArchivePtr* archive, const char* path, FlexReadFunc function);
int read_flexfile_with_readfunc_from_memory(FlexArchivePtr* archive, const std::uint8_t* data, std::size_t size,
                                            const char* name, FlexReadFunc function);

// The header and entry table of a FLEX file without the entries' objects,
// for a caller that keeps the file's bytes and reads each entry in place:
// an entry costs twelve bytes, however large, and entries that share their
// bytes share them.
struct FlexTableEntry {
    std::uint32_t offset = 0;  // 0 = empty
    std::uint32_t size = 0;    // 0 = empty
    EntryType type = 0;        // what the check gave; 0 for an empty entry

    bool empty() const { return offset == 0 || size == 0; }
};

struct FlexTable {
    std::array<std::uint8_t, FLEX_TITLE_SIZE> title{};
    std::uint32_t magic1 = 0;
    std::int32_t count = 0;
    std::uint32_t magic2 = 0;
    std::array<std::uint32_t, FLEX_RESERVED_COUNT> reserved{};
    std::vector<FlexTableEntry> entries;
};

// Reads the header and table of size bytes at data with the loaders'
// checks and messages, and hands every non-empty entry to check (a read
// function whose slot is thrown away: check_shape_in_place, for one),
// recording the type it gives.  0, or -1 with the table empty.
int read_flex_table_from_memory(FlexTable& table, const std::uint8_t* data, std::size_t size, const char* name,
                                FlexReadFunc check);

// The bytes of the file at path, read as the path forms above read them
// (with the same messages on failure), for a caller that keeps them and
// reads its entries in place through a memory form.  false on failure.
bool read_flexfile_image(const char* path, std::vector<std::uint8_t>& image);

// Releases the archive and every object its entries own.  With RAII this is
// only the named release point; an empty pointer is ignored.
void free_flexfile(FlexArchivePtr& archive);

// ---------------------------------------------------------------------------
// IFF archives (big-endian "FORM" files of tagged chunks)

struct IffChunk {
    std::array<char, 4> tag{};
    std::uint32_t size = 0;        // as in the file, the name field included
    std::array<char, 8> name{};
    std::int32_t no_name = 0;      // set when the chunk has no name field
    EntryObject object;
    EntryType type = ENTRY_RAW;
    std::uint8_t pad = 0;          // the byte read after an odd-ending chunk
};

struct IffArchive {
    std::array<char, 4> tag{};     // "FORM"
    std::uint32_t size = 0;        // form size: the file's size less 8
    std::array<char, 4> form_type{};
    std::vector<IffChunk> chunks;

    std::int32_t count() const { return static_cast<std::int32_t>(chunks.size()); }
};

using IffArchivePtr = std::unique_ptr<IffArchive>;

// 0 with the new archive, or -1 with *archive empty; the memory form reads
// size bytes at data and names them `name` in its messages, as above.
int read_ifffile(IffArchivePtr* archive, const char* path);
int read_ifffile_from_memory(IffArchivePtr* archive, const std::uint8_t* data, std::size_t size, const char* name);
void free_ifffile(IffArchivePtr& archive);

// ---------------------------------------------------------------------------
// Writing archives (u7files_write.cpp)
//
// Both writers put the file in place only when it is complete: a failure
// (a faulty entry, a write error, a full disk) leaves no partial file behind
// and an earlier file of the same name untouched.

// Lays the entries out and writes the FLEX file at path: the header as it
// stands, the entries packed back to back in table order after the table,
// each produced by the write function of its type; shape entries are laid
// out afresh first (their frame listing is printed) and take their new
// sizes.  Returns the file's size, or -1 (with a message; none for a null
// archive or a null or empty path).
std::int64_t write_flexfile(FlexArchive* archive, const char* path);
// Sets every entry's offset for a packed layout (0 for an empty entry) and
// returns the total file size.  An entry without an object whose offset is
// 0 is empty whatever its size, and its size becomes 0 too.
std::int64_t assign_flexfile_offsets(FlexArchive& archive);

// Writes the IFF file at path chunk by chunk, shape chunks laid out afresh.
// Returns the file's size, or -1 (with a message; none for a null archive
// or a null or empty path).
std::int64_t write_ifffile(IffArchive* archive, const char* path);
// Sets the size of every shape chunk (its shape's size plus the name field)
// and the form size; returns the form size.
std::int64_t assign_ifffile_sizes(IffArchive& archive);
