#include "archive/u7files.h"

#include "common/byte_cursor.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "shape/u7shape_utils.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <sys/stat.h>

namespace {

constexpr const char* MODULE = "u7files";

// Addresses in trace lines: the full pointer value, at least 8 digits.
unsigned long address_of(FlexReadFunc function)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(function));
}

// The loaders survive an allocation failure: they report it and fail.
void report_memory_exhausted(int line)
{
    print_memory_exhausted(MODULE, line);
}

// ---------------------------------------------------------------------------
// Read-function table

struct ReadFuncSlot {
    EntryType type;
    FlexReadFunc function;
};

// Searched in this order; the list ends with type -1.
ReadFuncSlot readfunc_table[] = {
    {ENTRY_FILE, nullptr},  {ENTRY_TEXT, nullptr},  {ENTRY_PALETTE, nullptr}, {ENTRY_PALETTE2, nullptr},
    {ENTRY_TILES, nullptr}, {ENTRY_SHAPE, nullptr}, {ENTRY_RAW, nullptr},     {-1, nullptr},
};

ReadFuncSlot* find_readfunc_slot(EntryType type)
{
    for (ReadFuncSlot* slot = readfunc_table; slot->type != -1; ++slot) {
        if (slot->type == type) return slot;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// File images

// Reads the whole file at path.  Prints the open or read error and returns
// false when it cannot.  A file larger than this process can hold in one
// buffer is a read error (EFBIG), never a short or wrapped read.
bool load_file_image(const char* path, std::vector<std::uint8_t>& image)
{
    FilePtr file = open_file_or_report(path, "rb");
    if (!file) return false;
    // A directory opens, but has no bytes to give; ask before seeking.
    struct stat status {};
    if (fstat(fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", EISDIR, path);
        return false;
    }
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", errno, path);
        return false;
    }
    if (static_cast<unsigned long>(size) > image.max_size()) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", EFBIG, path);
        return false;
    }
    image.resize(static_cast<std::size_t>(size));
    errno = 0;
    if (size > 0 && std::fread(image.data(), 1, image.size(), file.get()) != image.size()) {
        console_printf("ERROR: %d: 読み込みエラー: %s\n", errno, path);
        return false;
    }
    return true;
}

// FLEX file layout (little-endian, offsets from the start of the file):
//
//   0     80         title, zero-padded free text
//   80    4          magic1 (carried through)
//   84    4          count, signed number of entries
//   88    4          magic2 (carried through)
//   92    36         d1 … d9 (carried through)
//   128   8 × count  entry table: offset, size (unsigned) per entry
//   ...              the entries' bytes, where the table says
//
// An entry with offset 0 or size 0 is empty.  Neither the count nor the
// table can be trusted: the count must fit the file before the table is
// allocated, every non-empty entry must lie inside the file, and its size
// must fit the signed 32-bit size that read functions take.
//
// Returns false after printing the step's message; the caller adds the
// "cannot read" line.
// Archive is FlexArchive or FlexTable: the same fields, entries that hold
// at least offset and size.
template <typename Archive>
bool parse_flexfile_header(const char* name, const ByteCursor& image, Archive& archive)
{
    ByteCursor cursor = image;
    read_bytes(cursor, archive.title.data(), FLEX_TITLE_SIZE);
    archive.magic1 = read_le32(cursor);
    archive.count = static_cast<std::int32_t>(read_le32(cursor));
    archive.magic2 = read_le32(cursor);
    for (auto& word : archive.reserved) word = read_le32(cursor);
    if (!cursor_ok(cursor)) {
        console_printf("ERROR: 不正なデータです: %s [%d]\n", name, -1);
        return false;
    }

    const std::size_t table_room = bytes_remaining(cursor) / FLEX_TABLE_ENTRY_SIZE;
    if (archive.count < 0 || static_cast<std::uint64_t>(archive.count) > table_room) {
        console_printf("ERROR: 不正なデータです: %s [%d]\n", name, -1);
        return false;
    }
    archive.entries.resize(static_cast<std::size_t>(archive.count));
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        auto& entry = archive.entries[i];
        entry.offset = read_le32(cursor);
        entry.size = read_le32(cursor);
        if (entry.empty()) continue;
        if (entry.size > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
            !bytes_at(image, entry.offset, entry.size)) {
            console_printf("ERROR: 不正なデータです: %s [%d]\n", name, static_cast<int>(i));
            return false;
        }
    }
    return cursor_ok(cursor);
}

// Allocates the archive and reads the header and table of the file image.
// On failure prints the step's message and "cannot read", and returns false.
bool load_flexfile_image(const char* name, const ByteCursor& image, FlexArchivePtr& archive)
{
    bool loaded = false;
    try {
        archive = std::make_unique<FlexArchive>();
        loaded = parse_flexfile_header(name, image, *archive);
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
    }
    if (!loaded) {
        archive.reset();
        console_printf("ERROR: %s を読み込めません\n", name);
    }
    return loaded;
}

// Decodes one entry with function; false (after the invalid-data line) when
// it refuses the bytes.  The header check made sure the entry lies inside
// the image; the slice is taken through the same check all the same.
bool decode_entry(const char* name, const ByteCursor& image, FlexEntry& entry, int index, FlexReadFunc function)
{
    const auto bytes = bytes_at(image, entry.offset, entry.size);
    const std::int32_t result =
        bytes ? function(&entry.object, bytes->data(), static_cast<std::int32_t>(bytes->size()), index) : -1;
    if (result < 0) {
        console_printf("ERROR: 不正なデータです: %s [%d]\n", name, index);
        return false;
    }
    entry.type = result;
    return true;
}

// The part shared by the three loaders: read the header and table, then
// type the entries with the loader's own step.  Releases everything on
// failure.
template <typename TypeEntries>
int load_flexfile(FlexArchivePtr* archive, const std::uint8_t* data, std::size_t size, const char* name,
                  TypeEntries type_entries)
{
    archive->reset();
    const ByteCursor image = make_byte_cursor(data, size);
    FlexArchivePtr loaded;
    if (!load_flexfile_image(name, image, loaded)) return -1;
    bool typed = false;
    try {
        typed = type_entries(*loaded, image);
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
    }
    if (!typed) return -1;
    *archive = std::move(loaded);
    return 0;
}

// The path form of a loader: the file's bytes, handed to its memory form
// with the path as the name its messages show.  `how` is what the loader is
// given to type the entries: the type runs, the type of each entry, or the
// one read function.
template <typename How>
int load_flexfile_at_path(FlexArchivePtr* archive, const char* path, How how,
                          int (*from_memory)(FlexArchivePtr*, const std::uint8_t*, std::size_t, const char*, How))
{
    if (archive == nullptr) return -1;
    archive->reset();
    if (path == nullptr || how == nullptr) return -1;
    std::vector<std::uint8_t> image;
    if (!read_flexfile_image(path, image)) return -1;
    return from_memory(archive, image.data(), image.size(), path, how);
}

int count_runs(const TypeRun* runs)
{
    int n = 0;
    while (runs[n].type != -1) ++n;
    return n;
}

int next_run_with_entries(const TypeRun* runs, int run_count, int from)
{
    while (from < run_count && runs[from].count < 1) ++from;
    return from;
}

}  // namespace

int register_flexfile_readfunc(EntryType type, FlexReadFunc function)
{
    plain_printf("register_flexfile_readfunc(%d, %08lX)\n", type, address_of(function));
    ReadFuncSlot* slot = find_readfunc_slot(type);
    if (slot == nullptr) {
        plain_printf("register_flexfile_readfunc(%d, %08lX) - ERROR\n", type, address_of(function));
        return -1;
    }
    slot->function = function;
    return 0;
}

FlexReadFunc get_flexfile_readfunc(EntryType type)
{
    const ReadFuncSlot* slot = find_readfunc_slot(type);
    if (slot == nullptr) {
        plain_printf("get_flexfile_readfunc(%d) = NULL\n", type);
        return nullptr;
    }
    plain_printf("get_flexfile_readfunc(%d) = %08lX\n", type, address_of(slot->function));
    return slot->function;
}

void reset_flexfile_readfuncs()
{
    for (ReadFuncSlot* slot = readfunc_table; slot->type != -1; ++slot) slot->function = nullptr;
}

int read_flexfile_from_memory(FlexArchivePtr* archive, const std::uint8_t* data, std::size_t size, const char* name,
                              const TypeRun* runs)
{
    if (archive == nullptr) return -1;
    if (name == nullptr || runs == nullptr || (data == nullptr && size > 0)) {
        archive->reset();
        return -1;
    }
    return load_flexfile(archive, data, size, name, [&](FlexArchive& loaded, const ByteCursor& image) {
        const int run_count = count_runs(runs);
        int run = next_run_with_entries(runs, run_count, 0);
        int position = 0;
        for (int i = 0; i < loaded.count; ++i) {
            FlexEntry& entry = loaded.entries[static_cast<std::size_t>(i)];
            if (run >= run_count) {
                console_printf("WARNING: データタイプ指定がありません: %s [%d]\n", name, i);
                entry.type = ENTRY_NONE;
                continue;
            }
            const TypeRun& current = runs[run];
            const FlexReadFunc function = get_flexfile_readfunc(current.type);
            if (function == nullptr) {
                console_printf("WARNING: 読み込み関数(%d)が登録されていません: %s [%d]\n", current.type, name, i);
                entry.type = current.type;
            } else {
                plain_printf("[%d] %d %d/%d %08lX\n", i, current.type, position, current.count, address_of(function));
                if (!entry.empty() && !decode_entry(name, image, entry, i, function)) return false;
            }
            if (++position >= current.count) {
                run = next_run_with_entries(runs, run_count, run + 1);
                position = 0;
            }
        }
        return true;
    });
}

int read_flexfile(FlexArchivePtr* archive, const char* path, const TypeRun* runs)
{
    return load_flexfile_at_path(archive, path, runs, read_flexfile_from_memory);
}

int read_flexfile_per_entry_from_memory(FlexArchivePtr* archive, const std::uint8_t* data, std::size_t size,
                                        const char* name, const std::int32_t* types)
{
    if (archive == nullptr) return -1;
    if (name == nullptr || types == nullptr || (data == nullptr && size > 0)) {
        archive->reset();
        return -1;
    }
    return load_flexfile(archive, data, size, name, [&](FlexArchive& loaded, const ByteCursor& image) {
        int type_count = 0;
        while (types[type_count] != -1) ++type_count;
        for (int i = 0; i < loaded.count; ++i) {
            FlexEntry& entry = loaded.entries[static_cast<std::size_t>(i)];
            if (entry.empty()) continue;
            if (i >= type_count) {
                console_printf("WARNING: データタイプ指定がありません: %s [%d]\n", name, i);
                entry.type = ENTRY_NONE;
                continue;
            }
            const FlexReadFunc function = get_flexfile_readfunc(types[i]);
            if (function == nullptr) {
                console_printf("WARNING: 読み込み関数(%d)が登録されていません: %s [%d]\n", types[i], name, i);
                entry.type = types[i];
            } else if (!decode_entry(name, image, entry, i, function)) {
                return false;
            }
        }
        return true;
    });
}

int read_flexfile_per_entry(FlexArchivePtr* archive, const char* path, const std::int32_t* types)
{
    return load_flexfile_at_path(archive, path, types, read_flexfile_per_entry_from_memory);
}

int read_flexfile_with_readfunc_from_memory(FlexArchivePtr* archive, const std::uint8_t* data, std::size_t size,
                                            const char* name, FlexReadFunc function)
{
    if (archive == nullptr) return -1;
    if (name == nullptr || function == nullptr || (data == nullptr && size > 0)) {
        archive->reset();
        return -1;
    }
    return load_flexfile(archive, data, size, name, [&](FlexArchive& loaded, const ByteCursor& image) {
        for (int i = 0; i < loaded.count; ++i) {
            FlexEntry& entry = loaded.entries[static_cast<std::size_t>(i)];
            if (!entry.empty() && !decode_entry(name, image, entry, i, function)) return false;
        }
        return true;
    });
}

int read_flexfile_with_readfunc(FlexArchivePtr* archive, const char* path, FlexReadFunc function)
{
    return load_flexfile_at_path(archive, path, function, read_flexfile_with_readfunc_from_memory);
}

void free_flexfile(FlexArchivePtr& archive)
{
    archive.reset();
}

int read_flex_table_from_memory(FlexTable& table, const std::uint8_t* data, std::size_t size, const char* name,
                                FlexReadFunc check)
{
    table = FlexTable{};
    if (name == nullptr || check == nullptr || (data == nullptr && size > 0)) return -1;
    const ByteCursor image = make_byte_cursor(data, size);
    bool parsed = false;
    bool checked = false;
    try {
        parsed = parse_flexfile_header(name, image, table);
        checked = parsed;
        for (std::size_t i = 0; checked && i < table.entries.size(); ++i) {
            FlexTableEntry& entry = table.entries[i];
            if (entry.empty()) continue;
            // The check sees a slot of its own, as with the loaders, and
            // keeps nothing: only the type it gives is recorded.
            FlexEntry probe;
            probe.offset = entry.offset;
            probe.size = entry.size;
            checked = decode_entry(name, image, probe, static_cast<int>(i), check);
            entry.type = probe.type;
        }
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
    }
    // As with the loaders: a refused header or table says "cannot read"
    // here, a refused entry only its invalid-data line.
    if (!parsed) console_printf("ERROR: %s を読み込めません\n", name);
    if (!checked) {
        table = FlexTable{};
        return -1;
    }
    return 0;
}

bool read_flexfile_image(const char* path, std::vector<std::uint8_t>& image)
{
    if (path == nullptr) return false;
    image.clear();
    bool read = false;
    try {
        read = load_file_image(path, image);
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
    }
    if (!read) console_printf("ERROR: %s を読み込めません\n", path);
    return read;
}

// ---------------------------------------------------------------------------
// IFF archives
//
// Layout (big-endian sizes, offsets from the start of the file):
//
//   0   4   "FORM"
//   4   4   form size: the file's size less 8
//   8   4   form type, e.g. "ENDG"
//   12  ..  chunks, to the end of the file:
//           tag (4), chunk size (4), name (8), chunk size - 8 bytes of data,
//           then one pad byte when the data ends at an odd file offset.

namespace {

using IffTag = std::array<char, 4>;

constexpr IffTag IFF_FORM_TAG = {'F', 'O', 'R', 'M'};
constexpr IffTag IFF_TAG_FLIC = {'F', 'L', 'I', 'C'};
constexpr IffTag IFF_TAG_VOCF = {'V', 'O', 'C', 'F'};
constexpr IffTag IFF_TAG_FONT = {'F', 'O', 'N', 'T'};
constexpr IffTag IFF_TAG_SHAP = {'S', 'H', 'A', 'P'};
// The form type whose chunk 10 is a known damaged "SHAP" chunk without a
// name field.
constexpr IffTag IFF_FORM_ENDG = {'E', 'N', 'D', 'G'};
constexpr int IFF_DAMAGED_ENDG_CHUNK = 10;

// "FORM", form size, form type.
constexpr std::size_t IFF_HEADER_SIZE = 12;
// The form size counts everything after the tag and the size field.
constexpr std::size_t IFF_FORM_SIZE_EXCLUDES = 8;
// A chunk's tag, size and name: fewer bytes left than this are no chunk.
constexpr std::size_t IFF_CHUNK_HEADER_SIZE = 16;
constexpr std::size_t IFF_CHUNK_NAME_SIZE = 8;

EntryType iff_chunk_type(const IffTag& tag)
{
    if (tag == IFF_TAG_FLIC) return ENTRY_FLIC;
    if (tag == IFF_TAG_VOCF) return ENTRY_VOC;
    if (tag == IFF_TAG_FONT) return ENTRY_SHAPE;
    if (tag == IFF_TAG_SHAP) return ENTRY_SHAPE;
    return ENTRY_RAW;
}

bool parse_ifffile(const char* name, const ByteCursor& image, IffArchive& archive)
{
    const std::size_t file_size = image.end;
    if (file_size < IFF_HEADER_SIZE) {
        console_printf("ERROR: ファイルが小さすぎます: %s\n", name);
        return false;
    }
    ByteCursor cursor = image;
    read_bytes(cursor, archive.tag.data(), archive.tag.size());
    if (!cursor_ok(cursor) || archive.tag != IFF_FORM_TAG) {
        console_printf("ERROR: 不正なIFFヘッダです: %s\n", name);
        return false;
    }
    archive.size = read_be32(cursor);
    if (!cursor_ok(cursor) ||
        static_cast<std::uint64_t>(archive.size) + IFF_FORM_SIZE_EXCLUDES != static_cast<std::uint64_t>(file_size)) {
        console_printf("ERROR: データサイズが一致しません: %s size=%zu IFF size=%d\n", name, file_size,
                       static_cast<int>(archive.size));
        return false;
    }
    read_bytes(cursor, archive.form_type.data(), archive.form_type.size());
    if (!cursor_ok(cursor)) {
        console_printf("ERROR: 不正なIFFヘッダです: %s\n", name);
        return false;
    }
    const bool endg = archive.form_type == IFF_FORM_ENDG;

    while (bytes_remaining(cursor) > 0) {
        const int index = archive.count();
        if (bytes_remaining(cursor) < IFF_CHUNK_HEADER_SIZE) {
            console_printf("WARNING: 不正なオブジェクトエントリです: %s [%d] offset=%08lX\n", name, index,
                           static_cast<unsigned long>(cursor.position));
            return true;
        }
        const std::size_t chunk_start = cursor.position;
        IffChunk& chunk = archive.chunks.emplace_back();
        read_bytes(cursor, chunk.tag.data(), chunk.tag.size());
        chunk.type = iff_chunk_type(chunk.tag);
        if (endg && index == IFF_DAMAGED_ENDG_CHUNK && chunk.tag == IFF_TAG_SHAP) {
            console_printf("INFORMATION: 破損エントリ: %s [%d] offset=%08lX\n", name, index,
                           static_cast<unsigned long>(chunk_start));
            chunk.type = ENTRY_RAW;
            chunk.no_name = 1;
        }

        const std::size_t size_field = cursor.position;
        chunk.size = read_be32(cursor);
        // The chunk must end inside the file, and a chunk with a name field
        // must be long enough to hold it.
        if (!cursor_ok(cursor) || chunk.size > bytes_remaining(cursor) ||
            (chunk.no_name == 0 && chunk.size < IFF_CHUNK_NAME_SIZE)) {
            console_printf("ERROR: 不正なエントリサイズです: %s [%d] offset=%ld entry size=%d\n", name, index,
                           static_cast<long>(size_field), static_cast<int>(chunk.size));
            return false;
        }
        std::size_t data_size = chunk.size;
        if (chunk.no_name == 0) {
            read_bytes(cursor, chunk.name.data(), IFF_CHUNK_NAME_SIZE);
            data_size -= IFF_CHUNK_NAME_SIZE;
        }
        const std::size_t data_offset = cursor.position;
        const std::uint8_t* data = take_bytes(cursor, data_size);
        // Checked above; a failure here would be a fault of this reader, and
        // is refused like a chunk that does not fit.
        if (!cursor_ok(cursor) || (data == nullptr && data_size > 0)) {
            console_printf("ERROR: 不正なエントリサイズです: %s [%d] offset=%ld entry size=%d\n", name, index,
                           static_cast<long>(size_field), static_cast<int>(chunk.size));
            return false;
        }
        if (chunk.type == ENTRY_SHAPE) {
            // The shape reader takes a signed 32-bit size.
            const bool fits = data_size <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
            if (!fits ||
                read_shape_from_buffer(&chunk.object, data, static_cast<std::int32_t>(data_size), index) != ENTRY_SHAPE) {
                console_printf("ERROR: 画像データを読み込めません: %s [%d] offset=%ld size=%zu\n", name, index,
                               static_cast<long>(data_offset), data_size);
                return false;
            }
        } else {
            std::vector<std::uint8_t> bytes(data, data + data_size);
            if (chunk.type == ENTRY_FLIC) {
                chunk.object.emplace<FlicData>(FlicData{std::move(bytes)});
            } else if (chunk.type == ENTRY_VOC) {
                chunk.object.emplace<VocData>(VocData{std::move(bytes)});
            } else {
                chunk.object.emplace<RawData>(RawData{std::move(bytes)});
            }
        }
        // A pad byte follows data that ends at an odd offset, when the file
        // still holds it.
        if (cursor.position % 2 != 0 && bytes_remaining(cursor) > 0) chunk.pad = read_u8(cursor);
    }
    return cursor_ok(cursor);
}

}  // namespace

int read_ifffile_from_memory(IffArchivePtr* archive, const std::uint8_t* data, std::size_t size, const char* name)
{
    if (archive == nullptr) return -1;
    archive->reset();
    if (name == nullptr || (data == nullptr && size > 0)) return -1;
    IffArchivePtr loaded;
    bool parsed = false;
    try {
        loaded = std::make_unique<IffArchive>();
        parsed = parse_ifffile(name, make_byte_cursor(data, size), *loaded);
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
    }
    if (!parsed) {
        free_ifffile(loaded);
        return -1;
    }
    *archive = std::move(loaded);
    return 0;
}

int read_ifffile(IffArchivePtr* archive, const char* path)
{
    if (archive == nullptr) return -1;
    archive->reset();
    if (path == nullptr) return -1;
    std::vector<std::uint8_t> image;
    bool read = false;
    try {
        read = load_file_image(path, image);
    } catch (const std::bad_alloc&) {
        report_memory_exhausted(__LINE__);
    }
    if (!read) return -1;
    return read_ifffile_from_memory(archive, image.data(), image.size(), path);
}

void free_ifffile(IffArchivePtr& archive)
{
    archive.reset();
}
