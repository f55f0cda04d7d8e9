// BMP files built in code for the bitmap tests, independently of the
// module's writer: the header from plain fields, the palette and the rows
// as given, or rows packed here from a pixel array.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bmp_builder {

using Bytes = std::vector<std::uint8_t>;

// Every field of the two headers, as it will stand in the file.
struct BmpFields {
    char magic[2] = {'B', 'M'};
    std::uint32_t file_size = 0;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t data_offset = 0;
    std::uint32_t info_size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bit_count = 0;
    std::uint32_t compression = 0;
    std::uint32_t image_size = 0;
    std::int32_t x_resolution = 0;
    std::int32_t y_resolution = 0;
    std::uint32_t colours_used = 0;
    std::uint32_t important_colours = 0;
};

inline std::uint32_t palette_size_of(std::uint16_t bit_count)
{
    return bit_count <= 8 ? 4u << bit_count : 0u;
}

inline std::uint32_t stored_row_size(std::int32_t width, std::uint16_t bit_count)
{
    const auto bits = static_cast<std::uint32_t>(width) * bit_count;
    return (bits + 31) / 32 * 4;
}

// The fields of a well-formed file of that size and bit count.
inline BmpFields fields_for(std::int32_t width, std::int32_t height, std::uint16_t bit_count)
{
    BmpFields fields;
    fields.width = width;
    fields.height = height;
    fields.bit_count = bit_count;
    fields.data_offset = 54 + palette_size_of(bit_count);
    fields.image_size = stored_row_size(width, bit_count) * static_cast<std::uint32_t>(height);
    fields.file_size = fields.data_offset + fields.image_size;
    return fields;
}

// Little-endian, width bytes.
inline void put(Bytes& out, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline Bytes header_bytes(const BmpFields& f)
{
    Bytes out{static_cast<std::uint8_t>(f.magic[0]), static_cast<std::uint8_t>(f.magic[1])};
    put(out, f.file_size, 4);
    put(out, f.reserved1, 2);
    put(out, f.reserved2, 2);
    put(out, f.data_offset, 4);
    put(out, f.info_size, 4);
    put(out, static_cast<std::uint32_t>(f.width), 4);
    put(out, static_cast<std::uint32_t>(f.height), 4);
    put(out, f.planes, 2);
    put(out, f.bit_count, 2);
    put(out, f.compression, 4);
    put(out, f.image_size, 4);
    put(out, static_cast<std::uint32_t>(f.x_resolution), 4);
    put(out, static_cast<std::uint32_t>(f.y_resolution), 4);
    put(out, f.colours_used, 4);
    put(out, f.important_colours, 4);
    return out;
}

// The stored rows of a pixel array (top row first in memory, one index
// byte per pixel for 1, 4 and 8 bits): bottom row first, each padded with
// zeros to 4 bytes, pixels packed from the highest bit down.
inline Bytes pack_rows(std::int32_t width, std::int32_t height, std::uint16_t bit_count, const Bytes& pixels)
{
    const auto w = static_cast<std::size_t>(width);
    const std::size_t row_size = stored_row_size(width, bit_count);
    const std::size_t bytes_per_pixel = (bit_count + 7u) / 8u;
    Bytes out;
    for (std::size_t y = static_cast<std::size_t>(height); y-- > 0;) {
        Bytes row(row_size, 0);
        const std::uint8_t* source = pixels.data() + y * w * bytes_per_pixel;
        for (std::size_t x = 0; x < w; ++x) {
            if (bit_count < 8) {
                // bit_count bits per pixel, the first pixel in the highest bits
                const std::size_t bit = x * bit_count;
                const auto shift = static_cast<unsigned>(8 - bit_count - bit % 8);
                const auto mask = static_cast<unsigned>((1u << bit_count) - 1u);
                row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | ((source[x] & mask) << shift));
            } else {
                for (std::size_t b = 0; b < bytes_per_pixel; ++b) {
                    row[x * bytes_per_pixel + b] = source[x * bytes_per_pixel + b];
                }
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A whole file: header, palette bytes and row bytes as given.
inline Bytes build_bmp(const BmpFields& fields, const Bytes& palette, const Bytes& rows)
{
    Bytes out = header_bytes(fields);
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// A well-formed file of a pixel array.
inline Bytes build_bmp_image(std::int32_t width, std::int32_t height, std::uint16_t bit_count, const Bytes& palette,
                             const Bytes& pixels)
{
    return build_bmp(fields_for(width, height, bit_count), palette, pack_rows(width, height, bit_count, pixels));
}

// An anonymous temporary file holding bytes, positioned at its start.
struct TempStream {
    std::FILE* file = nullptr;
    explicit TempStream(const Bytes& bytes = {})
    {
        file = std::tmpfile();
        if (file != nullptr && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
        if (file != nullptr) std::rewind(file);
    }
    ~TempStream()
    {
        if (file != nullptr) std::fclose(file);
    }
    TempStream(const TempStream&) = delete;
    TempStream& operator=(const TempStream&) = delete;

    // Everything the file holds, whatever the position.
    Bytes contents() const
    {
        Bytes out;
        std::fflush(file);
        std::rewind(file);
        std::uint8_t chunk[4096];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.insert(out.end(), chunk, chunk + got);
        return out;
    }
};

}  // namespace bmp_builder
