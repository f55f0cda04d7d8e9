// The BMP reader on arbitrary files, from memory and through a stream: both
// forms must agree, and whatever reads must write back and read again to
// the same header fields, palette and pixels.
#include "bitmap/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t pixel_size(const BitmapHeader& header)
{
    return static_cast<std::size_t>(header.width) * static_cast<std::size_t>(header.height) *
           ((header.bit_count + 7u) / 8u);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    BitmapHeader header;
    Bytes palette;
    Bytes pixels;
    const std::int32_t status = read_bitmap_from_buffer(data, size, &header, &palette, &pixels);

    if (size > 0) {
        // fmemopen takes a writable buffer, even to read.
        Bytes copy(data, data + size);
        std::FILE* stream = fmemopen(copy.data(), copy.size(), "rb");
        if (stream == nullptr) std::abort();
        BitmapHeader stream_header;
        Bytes stream_palette;
        Bytes stream_pixels;
        const std::int32_t stream_status = read_bitmap(stream, &stream_header, &stream_palette, &stream_pixels, false);
        std::fclose(stream);
        if (stream_status != status || stream_pixels != pixels || stream_palette != palette) std::abort();
    }
    if (status != 0) {
        if (!pixels.empty() || !palette.empty()) std::abort();  // refused before anything was made
        return 0;
    }
    if (pixels.size() != pixel_size(header)) std::abort();
    if (header.bit_count <= 8) {
        if (palette.size() != (4u << header.bit_count)) std::abort();
        for (const std::uint8_t index : pixels) {
            if (index >= (1u << header.bit_count)) std::abort();
        }
    }

    char* written = nullptr;
    std::size_t written_size = 0;
    std::FILE* out = open_memstream(&written, &written_size);
    if (out == nullptr) std::abort();
    const std::int32_t write_status = write_bitmap(out, &header, palette, pixels);
    std::fclose(out);
    if (write_status != 0) std::abort();

    BitmapHeader again;
    Bytes again_palette;
    Bytes again_pixels;
    const std::int32_t again_status = read_bitmap_from_buffer(reinterpret_cast<const std::uint8_t*>(written),
                                                              written_size, &again, &again_palette, &again_pixels);
    std::free(written);
    if (again_status != 0 || again_pixels != pixels || again_palette != palette || again.width != header.width ||
        again.height != header.height || again.bit_count != header.bit_count ||
        again.image_size != header.image_size) {
        std::abort();
    }
    return 0;
}
