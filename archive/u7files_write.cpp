// The writing half of u7files: FLEX and IFF archives back to files.
//
// A FLEX file holds its header, its entry table and the entries packed
// back to back in table order.  Every entry is checked and produced once
// before the file is created, so a faulty entry leaves no file; then the
// entries are written one after the other.  An IFF file is written chunk
// by chunk.  Either way the bytes go to a temporary file beside the
// destination, which takes the destination's name only when every byte
// reached the disk: a failed write leaves no partial archive and does not
// touch an earlier file of that name.
//
// Every entry is checked before its write function runs: its type must
// have a write function, it must hold an object, and the object must be of
// the kind its type stands for (the objects are a variant; one kind is
// never written as another).
#include "archive/u7files.h"

#include "common/byte_order.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "archive/u7data_utils.h"
#include "shape/u7shape_utils.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace {

constexpr const char* MODULE = "u7files";
constexpr std::uint64_t MAX_FILE_SIZE = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t IFF_NAME_SIZE = 8;

// True when the object is the kind that entries of this type hold.
bool holds_kind_of(const EntryObject& object, EntryType type)
{
    switch (type) {
    case ENTRY_RAW: return std::holds_alternative<RawData>(object);
    case ENTRY_FILE: return std::holds_alternative<NamedFile>(object);
    case ENTRY_TEXT: return std::holds_alternative<TextData>(object);
    case ENTRY_PALETTE: return std::holds_alternative<Palette>(object);
    case ENTRY_PALETTE2: return std::holds_alternative<Palette2>(object);
    case ENTRY_TILES: return std::holds_alternative<Tiles>(object);
    case ENTRY_SHAPE: return std::holds_alternative<Shape>(object);
    case ENTRY_FLIC: return std::holds_alternative<FlicData>(object);
    case ENTRY_VOC: return std::holds_alternative<VocData>(object);
    default: return false;
    }
}

bool has_object(const EntryObject& object) { return !std::holds_alternative<std::monostate>(object); }

// The bytes a plain or text object holds; the other kinds are checked by
// their write functions.
std::size_t bytes_held(const EntryObject& object)
{
    if (const auto* raw = std::get_if<RawData>(&object)) return raw->bytes.size();
    if (const auto* text = std::get_if<TextData>(&object)) return text->text.size();
    return std::numeric_limits<std::size_t>::max();
}

void report_kind_mismatch(int index, EntryType type)
{
    console_printf("ERROR: データタイプが一致しません: [%d] type=%d\n", index, type);
}

// A shape about to be laid out: it must be a Shape and have frames (a shape
// without frames would be written as an entry that no reader accepts).
Shape* shape_to_lay_out(EntryObject& object, int index)
{
    Shape* shape = std::get_if<Shape>(&object);
    if (shape == nullptr) {
        report_kind_mismatch(index, ENTRY_SHAPE);
        return nullptr;
    }
    if (shape->frames.empty()) {
        console_printf("ERROR: フレームがありません: [%d]\n", index);
        return nullptr;
    }
    return shape;
}

// The entry's bytes, produced by the write function of its type at out.
// The type has been checked to be 0 … 6.
std::int32_t write_entry(const FlexEntry& entry, std::uint8_t* out, std::int32_t size, int index)
{
    switch (entry.type) {
    case ENTRY_RAW: return write_data_to_buffer(&entry.object, out, size);
    case ENTRY_FILE: return write_file_to_buffer(&entry.object, out, size);
    case ENTRY_TEXT: return write_text_to_buffer(&entry.object, out, size);
    case ENTRY_PALETTE: return write_palette_to_buffer(&entry.object, out, size);
    case ENTRY_PALETTE2: return write_palette2_to_buffer(&entry.object, out, size);
    case ENTRY_TILES: return write_tiles_to_buffer(&entry.object, out, size);
    case ENTRY_SHAPE: return write_shape_to_buffer(&entry.object, out, size, index);
    default: return -1;
    }
}

// FLEX file layout (little-endian, offsets from the start of the file):
//
//   0     80         title, as it stands in the archive
//   80    4          magic1
//   84    4          count
//   88    4          magic2
//   92    36         d1 … d9
//   128   8 × count  entry table: offset, size per entry (0, 0 when empty)
//   ...              the entries, back to back in table order
std::vector<std::uint8_t> flexfile_header(const FlexArchive& archive)
{
    std::vector<std::uint8_t> header;
    try {
        header.resize(FLEX_HEADER_SIZE + FLEX_TABLE_ENTRY_SIZE * archive.entries.size());
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE, __LINE__);
    }
    std::uint8_t* p = header.data();
    std::memcpy(p, archive.title.data(), FLEX_TITLE_SIZE);
    p = write_le32_to_buffer(p + FLEX_TITLE_SIZE, archive.magic1);
    p = write_le32_to_buffer(p, static_cast<std::uint32_t>(archive.count));
    p = write_le32_to_buffer(p, archive.magic2);
    for (const auto word : archive.reserved) p = write_le32_to_buffer(p, word);
    for (const FlexEntry& entry : archive.entries) {
        p = write_le32_to_buffer(p, entry.offset);
        p = write_le32_to_buffer(p, entry.size);
    }
    return header;
}

// Plain bytes and texts are written straight from their objects (their
// write functions would only copy them); every other kind goes through its
// write function.
const std::uint8_t* bytes_in_place(const FlexEntry& entry)
{
    if (const auto* raw = std::get_if<RawData>(&entry.object)) return raw->bytes.data();
    if (const auto* text = std::get_if<TextData>(&entry.object)) {
        return reinterpret_cast<const std::uint8_t*>(text->text.data());
    }
    return nullptr;
}

// The checks made on an entry at the position the layout reached, before
// its bytes are produced; false after a message.
bool check_entry(const FlexEntry& entry, int index, std::uint64_t position)
{
    if (position != entry.offset) {
        console_printf("ERROR: オフセット値が一致しません: [%d] %08lX -> %08lX\n", index,
                       static_cast<unsigned long>(entry.offset), static_cast<unsigned long>(position));
        return false;
    }
    if (entry.type < ENTRY_RAW || entry.type > ENTRY_SHAPE) {
        console_printf("ERROR: 不正なデータタイプです: [%d] type=%d\n", index, entry.type);
        return false;
    }
    if (!has_object(entry.object)) {
        console_printf("ERROR: 書き込むデータがありません: [%d] type=%d\n", index, entry.type);
        return false;
    }
    if (!holds_kind_of(entry.object, entry.type)) {
        report_kind_mismatch(index, entry.type);
        return false;
    }
    const std::size_t held = bytes_held(entry.object);
    if (held < entry.size) {
        console_printf("ERROR: データサイズが一致しません: [%d] %ld != %ld\n", index, static_cast<long>(entry.size),
                       static_cast<long>(held));
        return false;
    }
    // Write functions take a signed 32-bit size.
    return entry.size <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

// Produces the entry's bytes in scratch with its write function: the count
// written, or -1.
std::int32_t produce_entry(const FlexEntry& entry, int index, std::vector<std::uint8_t>& scratch)
{
    try {
        if (scratch.size() < entry.size) scratch.resize(entry.size);
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE, __LINE__);
    }
    return write_entry(entry, scratch.data(), static_cast<std::int32_t>(entry.size), index);
}

// Walks the entries in table order as the file will hold them, checking
// each and producing every entry that has a write function of its own in
// scratch, so that every fault shows (with its message) before a file is
// created.  When file is given, the header and the entries are written to
// it; a failed write sets write_failed.
bool walk_flexfile(const FlexArchive& archive, std::uint64_t total, std::vector<std::uint8_t>& scratch,
                   std::FILE* file, bool& write_failed)
{
    const std::vector<std::uint8_t> header = flexfile_header(archive);
    auto put = [&](const std::uint8_t* bytes, std::size_t count) {
        if (file != nullptr && count > 0 && std::fwrite(bytes, 1, count, file) != count) write_failed = true;
        return !write_failed;
    };
    if (!put(header.data(), header.size())) return false;

    std::uint64_t position = header.size();
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const FlexEntry& entry = archive.entries[i];
        const int index = static_cast<int>(i);
        if (entry.offset == 0) continue;
        if (!check_entry(entry, index, position)) return false;
        std::int32_t written = static_cast<std::int32_t>(entry.size);
        const std::uint8_t* bytes = bytes_in_place(entry);
        if (bytes == nullptr) {
            written = produce_entry(entry, index, scratch);
            // A count beyond the entry's size would reach past what the
            // write function was given; no write function returns one.
            if (written < 0 || static_cast<std::uint32_t>(written) > entry.size) return false;
            bytes = scratch.data();
        }
        if (!put(bytes, static_cast<std::size_t>(written))) return false;
        position += static_cast<std::uint64_t>(written);
    }
    if (position != total) {
        console_printf("ERROR: データサイズが一致しません: %ld != %ld\n", static_cast<long>(position),
                       static_cast<long>(total));
        return false;
    }
    return true;
}

}  // namespace

std::int64_t assign_flexfile_offsets(FlexArchive& archive)
{
    std::uint64_t position = FLEX_HEADER_SIZE + FLEX_TABLE_ENTRY_SIZE * archive.entries.size();
    for (FlexEntry& entry : archive.entries) {
        // An entry that was empty when loaded and got no object since stays
        // empty, whatever size its table line held.
        if (entry.offset == 0 && !has_object(entry.object)) entry.size = 0;
        if (entry.size == 0) {
            entry.offset = 0;
            continue;
        }
        // Positions beyond 32 bits are cut here; write_flexfile refuses a
        // total that large.
        entry.offset = static_cast<std::uint32_t>(position);
        position += entry.size;
    }
    return static_cast<std::int64_t>(position);
}

std::int64_t write_flexfile(FlexArchive* archive, const char* path)
{
    if (archive == nullptr || path == nullptr || *path == '\0') return -1;
    if (archive->count < 0 || static_cast<std::size_t>(archive->count) != archive->entries.size()) {
        console_printf("ERROR: エントリ数が一致しません: count=%d entries=%zu\n", archive->count,
                       archive->entries.size());
        return -1;
    }

    for (std::size_t i = 0; i < archive->entries.size(); ++i) {
        FlexEntry& entry = archive->entries[i];
        if (entry.type != ENTRY_SHAPE || !has_object(entry.object)) continue;
        Shape* shape = shape_to_lay_out(entry.object, static_cast<int>(i));
        if (shape == nullptr) return -1;
        entry.size = update_shape_layout(*shape);
    }

    const std::int64_t total = assign_flexfile_offsets(*archive);
    if (static_cast<std::uint64_t>(total) > MAX_FILE_SIZE) {
        console_printf("ERROR: ファイルサイズが大きすぎます: %s size=%lld\n", path, static_cast<long long>(total));
        return -1;
    }

    // First every entry is checked and produced, then the file is written.
    // One scratch buffer, as large as the largest entry that needs its
    // write function, serves both passes.
    std::vector<std::uint8_t> scratch;
    bool write_failed = false;
    const auto expected = static_cast<std::uint64_t>(total);
    if (!walk_flexfile(*archive, expected, scratch, nullptr, write_failed)) return -1;

    ReplacingFile file;
    if (file.open(path, "wb") != 0) {
        print_open_error(path);
        return -1;
    }
    errno = 0;
    const bool walked = walk_flexfile(*archive, expected, scratch, file.get(), write_failed);
    if (write_failed || (walked && file.commit() != 0)) {
        console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
        return -1;
    }
    return walked ? total : -1;
}

// ---------------------------------------------------------------------------
// IFF archives
//
// Layout (sizes big-endian):
//
//   0   4   form tag ("FORM")
//   4   4   form size: the file's size less 8
//   8   4   form type
//   12  ..  chunks: tag (4), chunk size (4), name (8, unless the chunk has
//           none), the data (chunk size less the name), then a zero pad
//           byte when the file so far has an odd length.

std::int64_t assign_ifffile_sizes(IffArchive& archive)
{
    std::uint64_t form_size = 4;  // the form type
    for (IffChunk& chunk : archive.chunks) {
        if (chunk.type == ENTRY_SHAPE) {
            if (const Shape* shape = std::get_if<Shape>(&chunk.object)) {
                chunk.size = shape->size + (chunk.no_name != 0 ? 0u : static_cast<std::uint32_t>(IFF_NAME_SIZE));
            }
        }
        form_size += 8 + static_cast<std::uint64_t>(chunk.size);
        form_size += form_size % 2;
    }
    archive.size = static_cast<std::uint32_t>(form_size);
    return static_cast<std::int64_t>(form_size);
}

namespace {

// The bytes of one chunk's data: a serialised shape, or the object's own
// bytes.  False after a message (none when the shape writer fails, which
// speaks for itself).
bool chunk_data(const IffChunk& chunk, int index, std::size_t data_size, std::vector<std::uint8_t>& shape_bytes,
                const std::vector<std::uint8_t>*& bytes)
{
    if (chunk.type != ENTRY_RAW && chunk.type != ENTRY_SHAPE && chunk.type != ENTRY_FLIC && chunk.type != ENTRY_VOC) {
        console_printf("ERROR: 不正なデータタイプです: [%d] type=%d\n", index, chunk.type);
        return false;
    }
    if (!holds_kind_of(chunk.object, chunk.type)) {
        report_kind_mismatch(index, chunk.type);
        return false;
    }
    if (chunk.type == ENTRY_SHAPE) {
        if (data_size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return false;
        try {
            shape_bytes.assign(data_size, 0);
        } catch (const std::bad_alloc&) {
            print_memory_exhausted(MODULE, __LINE__);
            return false;
        }
        const auto size = static_cast<std::int32_t>(data_size);
        if (write_shape_to_buffer(&chunk.object, shape_bytes.data(), size, index) != size) return false;
        bytes = &shape_bytes;
        return true;
    }
    if (const auto* raw = std::get_if<RawData>(&chunk.object)) bytes = &raw->bytes;
    if (const auto* flic = std::get_if<FlicData>(&chunk.object)) bytes = &flic->bytes;
    if (const auto* voc = std::get_if<VocData>(&chunk.object)) bytes = &voc->bytes;
    if (bytes == nullptr || bytes->size() != data_size) {
        console_printf("ERROR: データサイズが一致しません: [%d] %ld != %ld\n", index, static_cast<long>(data_size),
                       bytes != nullptr ? static_cast<long>(bytes->size()) : 0L);
        return false;
    }
    return true;
}

bool put_bytes(std::FILE* file, const void* bytes, std::size_t count, std::uint64_t& written)
{
    if (count > 0 && std::fwrite(bytes, 1, count, file) != count) return false;
    written += count;
    return true;
}

bool put_be32(std::FILE* file, std::uint32_t value, std::uint64_t& written)
{
    if (write_be32_to_file(file, value) != 4) return false;
    written += 4;
    return true;
}

}  // namespace

std::int64_t write_ifffile(IffArchive* archive, const char* path)
{
    if (archive == nullptr || path == nullptr || *path == '\0') return -1;

    for (std::size_t i = 0; i < archive->chunks.size(); ++i) {
        IffChunk& chunk = archive->chunks[i];
        if (chunk.type != ENTRY_SHAPE) continue;
        Shape* shape = shape_to_lay_out(chunk.object, static_cast<int>(i));
        if (shape == nullptr) return -1;
        update_shape_layout(*shape);
    }
    const std::int64_t form_size = assign_ifffile_sizes(*archive);
    if (static_cast<std::uint64_t>(form_size) > MAX_FILE_SIZE - 8) {
        console_printf("ERROR: ファイルサイズが大きすぎます: %s size=%lld\n", path,
                       static_cast<long long>(form_size) + 8);
        return -1;
    }

    ReplacingFile file;
    if (file.open(path, "wb") != 0) {
        print_open_error(path);
        return -1;
    }
    std::FILE* stream = file.get();
    std::uint64_t written = 0;
    errno = 0;
    if (!put_bytes(stream, archive->tag.data(), archive->tag.size(), written) ||
        !put_be32(stream, archive->size, written) ||
        !put_bytes(stream, archive->form_type.data(), archive->form_type.size(), written)) {
        console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
        return -1;
    }

    std::vector<std::uint8_t> shape_bytes;
    const std::uint8_t zero = 0;
    for (std::size_t i = 0; i < archive->chunks.size(); ++i) {
        const IffChunk& chunk = archive->chunks[i];
        const int index = static_cast<int>(i);
        std::size_t data_size = chunk.size;
        if (chunk.no_name == 0) {
            if (data_size < IFF_NAME_SIZE) {
                console_printf("ERROR: データサイズが一致しません: [%d] %ld != %ld\n", index,
                               static_cast<long>(chunk.size), static_cast<long>(IFF_NAME_SIZE));
                return -1;
            }
            data_size -= IFF_NAME_SIZE;
        }
        const std::vector<std::uint8_t>* bytes = nullptr;
        if (!chunk_data(chunk, index, data_size, shape_bytes, bytes)) return -1;

        errno = 0;
        bool ok = put_bytes(stream, chunk.tag.data(), chunk.tag.size(), written) && put_be32(stream, chunk.size, written);
        if (ok && chunk.no_name == 0) ok = put_bytes(stream, chunk.name.data(), chunk.name.size(), written);
        if (ok) ok = put_bytes(stream, bytes->data(), bytes->size(), written);
        if (ok && written % 2 != 0) ok = put_bytes(stream, &zero, 1, written);
        if (!ok) {
            console_printf("ERROR: %d: 書き込みエラー: %s [%d]\n", errno, path, index);
            return -1;
        }
    }
    errno = 0;
    if (file.commit() != 0) {
        console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
        return -1;
    }
    return static_cast<std::int64_t>(written);
}
