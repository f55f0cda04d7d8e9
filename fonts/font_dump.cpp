// The font dump: the archive's header lines, then for every font the lines
// of each glyph and a drawing of its pixels, and the font's used colours on
// standard output.
#include "fonts/font_dump.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/text_utils.h"
#include "shape/shape_view.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The glyph canvas: 256 × 256 palette indices, 255 where the frame does not
// reach, the origin in the middle.
constexpr int CANVAS_SIZE = 256;
constexpr int ORIGIN = 128;
constexpr std::uint8_t UNCOVERED = 0xFF;

// Dump text is gathered into blocks of this size, each written with one
// call.
constexpr std::size_t DUMP_BLOCK_SIZE = 1 << 14;

// value in decimal, zero-padded to at least min_digits digits ("%0*d").
void append_decimal(std::string& out, std::int32_t value, int min_digits)
{
    char digits[12];
    int count = 0;
    auto magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) out += '-';
    for (int i = count; i < min_digits; ++i) out += '0';
    while (count != 0) out += digits[--count];
}

// "[ee][ff] " with the entry in decimal and the frame in hexadecimal.
void append_glyph_prefix(std::string& out, int index, std::uint32_t frame)
{
    out += '[';
    append_decimal(out, index, 2);
    out += "][";
    append_hex(out, frame, 2);
    out += "] ";
}

void append_extents(std::string& out, std::int32_t right, std::int32_t left, std::int32_t ascent, std::int32_t descent)
{
    out += "right=";
    append_decimal(out, right, 1);
    out += " left=";
    append_decimal(out, left, 1);
    out += " ascent=";
    append_decimal(out, ascent, 1);
    out += " descent=";
    append_decimal(out, descent, 1);
    out += '\n';
}

// The two characters of each pixel value in a drawing: blanks where the
// glyph has no pixel, ".." for colour 0, else the colour in hexadecimal.
struct CellTable {
    // " XX" and a spare byte, so a cell is copied as one four-byte word.
    std::array<std::array<char, 4>, 256> cells{};
    CellTable()
    {
        for (std::size_t value = 0; value < cells.size(); ++value) {
            std::string digits;
            append_hex(digits, static_cast<std::uint32_t>(value), 2);
            cells[value] = {' ', digits[0], digits[1], ' '};
        }
        cells[0] = {' ', '.', '.', ' '};
        cells[UNCOVERED] = {' ', ' ', ' ', ' '};
    }
};
const CellTable cell_table;

// The glyph canvas, kept across glyphs: everything but the box that the
// last glyph wrote is uncovered, and that box is cleared again after it is
// drawn, so no glyph pays for clearing the whole canvas.
struct GlyphCanvas {
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(static_cast<std::size_t>(CANVAS_SIZE * CANVAS_SIZE), UNCOVERED);

    void clear(const ShapeDrawnBox& box)
    {
        if (box.top > box.bottom || box.left > box.right) return;
        const auto width = static_cast<std::size_t>(box.right - box.left + 1);
        for (int r = box.top; r <= box.bottom; ++r) {
            std::memset(pixels.data() + static_cast<std::size_t>(r * CANVAS_SIZE + box.left), UNCOVERED, width);
        }
    }
};

// Extents of a decoded glyph, as decode_shape reports them.
struct Extents {
    std::int32_t right = 0;
    std::int32_t left = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
};

struct Box {
    int top = ORIGIN;
    int bottom = ORIGIN;
    int left = ORIGIN;
    int right = ORIGIN;
};

// The box of the canvas that the drawing covers: every pixel that is not
// uncovered, and always the origin point.  Only the part of the written box
// inside the decoded extents can hold such pixels.
Box drawing_box(const std::vector<std::uint8_t>& canvas, const Extents& extents, const ShapeDrawnBox& written)
{
    const int first_row = std::max({0, ORIGIN - extents.ascent, static_cast<int>(written.top)});
    const int end_row = std::min({CANVAS_SIZE, ORIGIN + extents.descent, static_cast<int>(written.bottom) + 1});
    const int first_column = std::max({0, ORIGIN - extents.left, static_cast<int>(written.left)});
    const int end_column = std::min({CANVAS_SIZE, ORIGIN + extents.right, static_cast<int>(written.right) + 1});
    Box box;
    for (int r = first_row; r < end_row; ++r) {
        const std::uint8_t* line = canvas.data() + static_cast<std::size_t>(r * CANVAS_SIZE);
        int from = first_column;
        while (from < end_column && line[from] == UNCOVERED) ++from;
        if (from >= end_column) continue;
        int to = end_column - 1;
        while (line[to] == UNCOVERED) --to;
        box.top = std::min(box.top, r);
        box.bottom = std::max(box.bottom, r + 1);
        box.left = std::min(box.left, from);
        box.right = std::max(box.right, to + 1);
    }
    return box;
}

// One line per row: a margin character ("_" just above the origin row),
// three characters per pixel ("|" marks the origin column), the margin
// again; then an empty line.
void draw_glyph(std::string& out, const std::vector<std::uint8_t>& canvas, const Box& box)
{
    const auto columns = static_cast<std::size_t>(box.right - box.left);
    const std::size_t row_length = 3 * columns + 3;
    const bool origin_inside = box.left <= ORIGIN && ORIGIN < box.right;
    const std::size_t origin_at = origin_inside ? 1 + 3 * static_cast<std::size_t>(ORIGIN - box.left) : 0;
    for (int r = box.top; r < box.bottom; ++r) {
        const char margin = r == ORIGIN - 1 ? '_' : ' ';
        const std::size_t start = out.size();
        // One byte of slack: each cell is copied as four bytes.
        out.resize(start + row_length + 1);
        char* row = out.data() + start;
        char* p = row;
        *p++ = margin;
        const std::uint8_t* line = canvas.data() + static_cast<std::size_t>(r * CANVAS_SIZE + box.left);
        for (std::size_t c = 0; c < columns; ++c) {
            std::memcpy(p, cell_table.cells[line[c]].data(), 4);
            p += 3;
        }
        if (origin_inside) row[origin_at] = '|';
        *p++ = margin;
        *p = '\n';
        out.resize(start + row_length);
    }
    out += '\n';
}

// The frames of one font, taken one at a time: from an owning shape, or
// in place from a shape entry's bytes that read_shape_view accepted.
struct FontFrames {
    const Shape* shape = nullptr;
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t count = 0;

    ShapeFrameView at(std::uint32_t j) const
    {
        if (shape == nullptr) return shape_view_frame(data, size, j);
        const ShapeFrame& frame = shape->frames[j];
        return ShapeFrameView{frame.offset, frame.right, frame.left, frame.ascent, frame.descent, frame.data.data(),
                              frame.size()};
    }
};

FontFrames frames_of_shape(const Shape& shape)
{
    return FontFrames{&shape, nullptr, 0, static_cast<std::uint32_t>(shape.frames.size())};
}

// Every frame of one font into the writer, then its used-colour list on
// standard output.  -1 when a frame does not decode cleanly (the lines of
// the frames before it are in the writer).
int dump_frames(BlockWriter& writer, GlyphCanvas& canvas, int index, const FontFrames& frames)
{
    std::array<std::uint32_t, 256> counts{};
    std::string& out = writer.block;
    for (std::uint32_t j = 0; j < frames.count; ++j) {
        const ShapeFrameView frame = frames.at(j);
        Extents decoded;
        ShapeDrawnBox written;
        const std::int32_t result =
            decode_shape_onto(canvas.pixels.data(), CANVAS_SIZE, CANVAS_SIZE, UNCOVERED, ORIGIN, ORIGIN, &decoded.right,
                              &decoded.left, &decoded.ascent, &decoded.descent, frame.data,
                              static_cast<std::int32_t>(frame.size), counts.data(), &written);
        if (result != 0) {
            canvas.clear(written);
            return -1;
        }
        const std::uint32_t frame_number = j;
        append_glyph_prefix(out, index, frame_number);
        out += "offset=";
        append_hex(out, frame.offset, 8);
        out += " size=";
        append_hex(out, frame.size, 8);
        out += '\n';
        append_glyph_prefix(out, index, frame_number);
        append_extents(out, frame.right, frame.left, frame.ascent, frame.descent);
        if (decoded.right != frame.right || decoded.left != frame.left || decoded.ascent != frame.ascent ||
            decoded.descent != frame.descent) {
            out += "-------> ";
            append_extents(out, decoded.right, decoded.left, decoded.ascent, decoded.descent);
        }
        if ((decoded.right == 0 && decoded.left == 0) || (decoded.ascent == 0 && decoded.descent == 0)) {
            out += '\n';
        } else {
            draw_glyph(out, canvas.pixels, drawing_box(canvas.pixels, decoded, written));
        }
        canvas.clear(written);
        writer.flush_if_full();
    }
    plain_printf("used color list = ( ");
    for (std::size_t colour = 0; colour < counts.size(); ++colour) {
        if (counts[colour] != 0) plain_printf("0x%02X(%d) ", static_cast<unsigned>(colour), static_cast<int>(counts[colour]));
    }
    plain_printf(")\n");
    return 0;
}

// The dump of a whole archive; frames_of(entry, frames) gives the frames of
// a non-empty entry and says whether it holds a shape.
template <typename Archive, typename FramesOf>
int dump_archive(std::FILE* stream, const Archive* archive, FramesOf frames_of)
{
    if (archive == nullptr) return -1;
    if (stream == nullptr) stream = stdout;

    // The title is text up to its first zero byte, at most 50 characters;
    // the 80 stored bytes need not hold a zero.
    char title[FLEX_TITLE_SIZE + 1] = {};
    std::memcpy(title, archive->title.data(), FLEX_TITLE_SIZE);
    std::fprintf(stream, "title  = [%-.50s]\n", title);
    std::fprintf(stream, "magic1 = %8.8lX\n", static_cast<unsigned long>(archive->magic1));
    std::fprintf(stream, "count  = %8.8lX(%ld)\n", static_cast<unsigned long>(static_cast<std::uint32_t>(archive->count)),
                 static_cast<long>(archive->count));
    std::fprintf(stream, "magic2 = %8.8lX\n", static_cast<unsigned long>(archive->magic2));
    for (std::size_t d = 0; d < archive->reserved.size(); ++d) {
        std::fprintf(stream, "d%d = %8.8lX\n", static_cast<int>(d + 1), static_cast<unsigned long>(archive->reserved[d]));
    }

    BlockWriter writer(stream, DUMP_BLOCK_SIZE);
    writer.block.reserve(DUMP_BLOCK_SIZE + (1 << 13));
    GlyphCanvas canvas;
    FontFrames frames;
    for (std::size_t i = 0; i < archive->entries.size(); ++i) {
        const auto& entry = archive->entries[i];
        const int index = static_cast<int>(i);
        const bool is_shape = !entry.empty() && frames_of(entry, frames);
        std::string& out = writer.block;
        out += '[';
        append_decimal(out, index, 2);
        out += "] offset=";
        append_hex(out, entry.offset, 8);
        out += " size=";
        append_hex(out, entry.size, 8);
        if (is_shape) {
            out += " count=";
            append_hex(out, frames.count, 8);
        }
        out += "\n\n";
        if (entry.empty()) continue;
        // An entry that the shape reader kept as plain bytes (its stored
        // size disagreed) is not a font: the dump stops there, the lines
        // before it written.
        if (!is_shape || dump_frames(writer, canvas, index, frames) != 0) {
            writer.flush();
            return -1;
        }
        writer.flush_if_full();
    }
    writer.flush();
    return std::ferror(stream) != 0 ? -1 : 0;
}

}  // namespace

int dump_entry_glyphs(std::FILE* stream, int index, const Shape& shape)
{
    BlockWriter writer(stream, DUMP_BLOCK_SIZE);
    GlyphCanvas canvas;
    const int result = dump_frames(writer, canvas, index, frames_of_shape(shape));
    writer.flush();
    return result;
}

int dump_fonts(std::FILE* stream, const FlexArchive* archive)
{
    return dump_archive(stream, archive, [](const FlexEntry& entry, FontFrames& frames) {
        const Shape* shape = std::get_if<Shape>(&entry.object);
        if (shape == nullptr) return false;
        frames = frames_of_shape(*shape);
        return true;
    });
}

int dump_fonts_in_place(std::FILE* stream, const FlexTable* table, const std::uint8_t* image, std::size_t image_size)
{
    if (image == nullptr && image_size != 0) return -1;
    return dump_archive(stream, table, [&](const FlexTableEntry& entry, FontFrames& frames) {
        // The loader checked that the entry lies inside the image; asked
        // again here, as the table may come from elsewhere.
        if (entry.type != ENTRY_SHAPE || entry.size > image_size || entry.offset > image_size - entry.size ||
            entry.size > static_cast<std::uint32_t>(INT32_MAX)) {
            return false;
        }
        const std::uint8_t* data = image + entry.offset;
        if (read_shape_view(data, static_cast<std::int32_t>(entry.size), nullptr, false) != ENTRY_SHAPE) return false;
        frames = FontFrames{nullptr, data, entry.size, shape_view_frame_count(data, entry.size)};
        return true;
    });
}
