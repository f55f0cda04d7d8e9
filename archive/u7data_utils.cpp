#include "archive/u7data_utils.h"

#include "common/byte_cursor.h"
#include "common/byte_order.h"
#include "archive/u7files.h"
#include "common/console.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr const char* MODULE = "u7data_utils";

bool bad_read_arguments(const EntryObject* slot, const std::uint8_t* data, std::int32_t size)
{
    return slot == nullptr || data == nullptr || size < 0;
}

bool bad_write_arguments(const EntryObject* slot, const std::uint8_t* out, std::int32_t size)
{
    return slot == nullptr || out == nullptr || size < 0;
}

// Copies the first size bytes of a byte block, if it holds that many.
std::int32_t write_block(const std::uint8_t* block, std::size_t block_size, std::uint8_t* out, std::int32_t size)
{
    if (static_cast<std::size_t>(size) > block_size) return -1;
    if (size > 0) std::memcpy(out, block, static_cast<std::size_t>(size));
    return size;
}

}  // namespace

std::int32_t read_data_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                   std::int32_t /*index*/)
{
    if (bad_read_arguments(slot, data, size)) return -1;
    try {
        return store_entry_bytes(*slot, data, size);
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE, __LINE__);
    }
}

std::int32_t write_data_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size)
{
    if (bad_write_arguments(slot, out, size)) return -1;
    if (size == 0) return 0;
    const auto* raw = std::get_if<RawData>(slot);
    if (raw == nullptr) return -1;
    return write_block(raw->bytes.data(), raw->bytes.size(), out, size);
}

// Named file entry:
//   0   13  name, zero-terminated, copied as stored
//   13  ..  the file's bytes (size - 13 of them)
std::int32_t read_file_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                   std::int32_t index)
{
    if (bad_read_arguments(slot, data, size)) return -1;
    ByteCursor cursor = make_byte_cursor(data, static_cast<std::size_t>(size));
    NamedFile file;
    if (!read_bytes(cursor, file.name.data(), NAMED_FILE_NAME_SIZE)) return -1;
    const std::size_t data_size = bytes_remaining(cursor);
    const std::uint8_t* file_data = take_bytes(cursor, data_size);
    if (!cursor_ok(cursor)) return -1;
    try {
        // The name field need not hold its zero byte; never print past it.
        plain_printf("[%d][%.*s]\n", index, static_cast<int>(NAMED_FILE_NAME_SIZE), file.name.data());
        file.data.assign(file_data, file_data + data_size);
        slot->emplace<NamedFile>(std::move(file));
        return ENTRY_FILE;
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE, __LINE__);
    }
}

std::int32_t write_file_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size)
{
    if (bad_write_arguments(slot, out, size)) return -1;
    if (size == 0) return 0;
    const auto* file = std::get_if<NamedFile>(slot);
    if (file == nullptr) return -1;
    const long expected = static_cast<long>(file->data.size()) + static_cast<long>(NAMED_FILE_NAME_SIZE);
    if (static_cast<long>(size) != expected) {
        console_printf("ERROR: write_file_to_buffer: データサイズが一致しません: %ld != %ld\n", static_cast<long>(size),
                       expected);
        return -1;
    }
    std::memcpy(out, file->name.data(), NAMED_FILE_NAME_SIZE);
    if (!file->data.empty()) std::memcpy(out + NAMED_FILE_NAME_SIZE, file->data.data(), file->data.size());
    return size;
}

std::int32_t read_text_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                   std::int32_t /*index*/)
{
    if (bad_read_arguments(slot, data, size)) return -1;
    if (size == 0) {
        slot->emplace<std::monostate>();
        return ENTRY_RAW;
    }
    try {
        slot->emplace<TextData>(TextData{std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size))});
        return ENTRY_TEXT;
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted(MODULE, __LINE__);
    }
}

std::int32_t write_text_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size)
{
    if (bad_write_arguments(slot, out, size)) return -1;
    if (size == 0) return 0;
    const auto* text = std::get_if<TextData>(slot);
    if (text == nullptr) return -1;
    return write_block(reinterpret_cast<const std::uint8_t*>(text->text.data()), text->text.size(), out, size);
}

// Palette entry: 256 × (red, green, blue), one byte each.
std::int32_t read_palette_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                      std::int32_t index)
{
    if (bad_read_arguments(slot, data, size)) return -1;
    if (static_cast<std::size_t>(size) != PALETTE_SIZE) {
        console_printf("WARNING: read_palette_from_buffer: データサイズが一致しません: %08lX != %08lX ... 破損している?\n",
                       static_cast<unsigned long>(PALETTE_SIZE), static_cast<unsigned long>(size));
        return read_data_from_buffer(slot, data, size, index);
    }
    Palette palette;
    std::memcpy(palette.colors.data(), data, PALETTE_SIZE);
    slot->emplace<Palette>(palette);
    return ENTRY_PALETTE;
}

std::int32_t write_palette_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size)
{
    if (bad_write_arguments(slot, out, size)) return -1;
    if (size == 0) return 0;
    if (static_cast<std::size_t>(size) != PALETTE_SIZE) {
        console_printf("ERROR: write_palette_to_buffer: データサイズが一致しません: %ld != %d\n", static_cast<long>(size),
                       static_cast<int>(PALETTE_SIZE));
        return -1;
    }
    const auto* palette = std::get_if<Palette>(slot);
    if (palette == nullptr) return -1;
    std::memcpy(out, palette->colors.data(), PALETTE_SIZE);
    return size;
}

// Palette2 entry: 256 × (red, green, blue), each a little-endian 16-bit value.
std::int32_t read_palette2_from_buffer(EntryObject* slot, const std::uint8_t* data, std::int32_t size,
                                       std::int32_t index)
{
    if (bad_read_arguments(slot, data, size)) return -1;
    if (static_cast<std::size_t>(size) != PALETTE2_SIZE) {
        console_printf("WARNING: read_palette2_from_buffer: データサイズが一致しません: %08lX != %08lX ... 破損している?\n",
                       static_cast<unsigned long>(PALETTE2_SIZE), static_cast<unsigned long>(size));
        return read_data_from_buffer(slot, data, size, index);
    }
    Palette2 palette;
    ByteCursor cursor = make_byte_cursor(data, PALETTE2_SIZE);
    for (auto& component : palette.colors) component = read_le16(cursor);
    slot->emplace<Palette2>(palette);
    return ENTRY_PALETTE2;
}

std::int32_t write_palette2_to_buffer(const EntryObject* slot, std::uint8_t* out, std::int32_t size)
{
    if (bad_write_arguments(slot, out, size)) return -1;
    if (size == 0) return 0;
    if (static_cast<std::size_t>(size) != PALETTE2_SIZE) {
        console_printf("ERROR: write_palette2_to_buffer: データサイズが一致しません: %ld != %d\n", static_cast<long>(size),
                       static_cast<int>(PALETTE2_SIZE));
        return -1;
    }
    const auto* palette = std::get_if<Palette2>(slot);
    if (palette == nullptr) return -1;
    std::uint8_t* position = out;
    for (const auto component : palette->colors) position = write_le16_to_buffer(position, component);
    return size;
}

namespace {

// 6-bit component to 8 bits: 63 becomes 255, 0 stays 0.
std::uint8_t scale_component(unsigned component)
{
    return static_cast<std::uint8_t>(((component * 4u) | ((component & 0xFFu) >> 4)) & 0xFFu);
}

}  // namespace

std::uint8_t* palette_to_rgbquad(std::uint8_t* out, const Palette* palette)
{
    if (out == nullptr || palette == nullptr) return nullptr;
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint8_t* rgb = palette->colors.data() + i * 3;
        *out++ = scale_component(rgb[2]);
        *out++ = scale_component(rgb[1]);
        *out++ = scale_component(rgb[0]);
        *out++ = 0;
    }
    return out;
}

std::uint8_t* palette2_to_rgbquad(std::uint8_t* out, const Palette2* palette)
{
    if (out == nullptr || palette == nullptr) return nullptr;
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint16_t* rgb = palette->colors.data() + i * 3;
        *out++ = scale_component(rgb[2]);
        *out++ = scale_component(rgb[1]);
        *out++ = scale_component(rgb[0]);
        *out++ = 0;
    }
    return out;
}

int load_game_palette(const char* path, RgbPalette& palette)
{
    register_flexfile_readfunc(ENTRY_PALETTE, read_palette_from_buffer);
    register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
    // The palettes after the first are read as plain bytes: typed, so that
    // none of them is warned about on its own.
    constexpr TypeRun PALETTE_TYPES[] = {{ENTRY_PALETTE, 1}, {ENTRY_RAW, INT32_MAX}, {-1, 0}};
    FlexArchivePtr archive;
    if (read_flexfile(&archive, path, PALETTE_TYPES) != 0) {
        console_printf("ERROR: %s を読み込めません\n", path);
        return -1;
    }
    const Palette* game = archive->entries.empty() ? nullptr : std::get_if<Palette>(&archive->entries[0].object);
    if (game == nullptr) {
        console_printf("ERROR: パレット0がありません: %s\n", path);
        free_flexfile(archive);
        return -1;
    }
    std::array<std::uint8_t, 1024> quads{};
    palette_to_rgbquad(quads.data(), game);
    for (std::size_t i = 0; i < 256; ++i) {
        palette[i * 3] = quads[i * 4 + 2];
        palette[i * 3 + 1] = quads[i * 4 + 1];
        palette[i * 3 + 2] = quads[i * 4];
    }
    free_flexfile(archive);
    return 0;
}
