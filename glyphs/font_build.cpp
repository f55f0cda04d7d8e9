#include "glyphs/font_build.h"

#include "common/byte_cursor.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <map>

FontBuild build_font_glyphs(Shape& font, std::span<const GlyphCode> codes, SourceFont& source,
                            const GlyphStyle& style, std::int32_t lead)
{
    FontBuild build;
    // Code -> character, the first entry of a code counting.
    std::map<std::int32_t, char32_t> wanted;
    for (const GlyphCode& entry : codes) {
        if (entry.code < FIRST_GLYPH_CODE || entry.code > LAST_GLYPH_CODE) continue;
        wanted.emplace(entry.code, entry.character);
    }
    std::vector<char32_t> characters;
    characters.reserve(wanted.size());
    for (const auto& [code, character] : wanted) characters.push_back(character);
    GlyphIndices found = source_glyph_indices(source, characters);
    if (found.error) {
        build.error = std::move(found.error);
        return build;
    }

    // The new frames are made beside the font and moved in at the end.
    std::vector<ShapeFrame> frames;
    if (!wanted.empty()) build.highest_code = wanted.rbegin()->first;
    const std::size_t count = std::max({font.frames.size(), static_cast<std::size_t>(FIRST_GLYPH_CODE),
                                        static_cast<std::size_t>(build.highest_code) + 1});
    frames.resize(count - static_cast<std::size_t>(FIRST_GLYPH_CODE), empty_glyph_frame());
    std::size_t next = 0;
    for (const auto& [code, character] : wanted) {
        ShapeFrame& frame = frames[static_cast<std::size_t>(code - FIRST_GLYPH_CODE)];
        const std::uint32_t index = found.indices[next++];
        std::optional<MonoGlyph> glyph = render_source_glyph(source, index);
        if (!glyph) {
            build.missing.push_back(GlyphCode{code, character});
            continue;
        }
        frame = encode_glyph_frame(style_glyph(*glyph, style), lead);
        ++build.built;
    }

    const std::size_t kept = std::min(font.frames.size(), static_cast<std::size_t>(FIRST_GLYPH_CODE));
    font.frames.resize(kept);
    // A font shorter than the English range gets frames that draw nothing
    // up to it.
    font.frames.resize(static_cast<std::size_t>(FIRST_GLYPH_CODE), empty_glyph_frame());
    for (ShapeFrame& frame : frames) font.frames.push_back(std::move(frame));
    return build;
}

namespace {

struct FrameHeader {
    std::int32_t right = 0;
    std::int32_t left = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
};

// The extents stored in a frame's data; nothing for data shorter than the
// header.
std::optional<FrameHeader> frame_header(const ShapeFrame& frame)
{
    ByteCursor cursor = make_byte_cursor(frame.data.data(), frame.data.size());
    FrameHeader header;
    header.right = read_sle16(cursor);
    header.left = read_sle16(cursor);
    header.ascent = read_sle16(cursor);
    header.descent = read_sle16(cursor);
    if (!cursor_ok(cursor)) return std::nullopt;
    return header;
}

const ShapeFrame* frame_of(const Shape& font, std::int32_t code)
{
    if (code < 0 || static_cast<std::size_t>(code) >= font.frames.size()) return nullptr;
    const ShapeFrame& frame = font.frames[static_cast<std::size_t>(code)];
    return frame.data.size() >= 8 ? &frame : nullptr;
}

}  // namespace

std::int32_t font_highest_ascent(const Shape& font)
{
    std::int32_t highest = 0;
    for (const ShapeFrame& frame : font.frames) {
        if (const std::optional<FrameHeader> header = frame_header(frame)) highest = std::max(highest, header->ascent);
    }
    return highest;
}

std::int32_t engine_advance(const ShapeFrame& frame, std::int32_t lead)
{
    const std::optional<FrameHeader> header = frame_header(frame);
    if (!header) return 0;
    return header->left + header->right + 1 + lead;
}

std::int32_t measure_code_line(const Shape& font, std::span<const std::int32_t> codes, std::int32_t lead)
{
    std::int32_t width = 0;
    for (const std::int32_t code : codes) {
        if (const ShapeFrame* frame = frame_of(font, code)) width += engine_advance(*frame, lead);
    }
    return width;
}

std::int32_t draw_code_line(IndexedImage& image, std::int32_t x, std::int32_t top, const Shape& font,
                            std::span<const std::int32_t> codes, std::int32_t lead)
{
    const std::int32_t baseline = top + font_highest_ascent(font);
    std::int32_t pen = x;
    const bool drawable = image.width > 0 && image.height > 0 &&
                          image.pixels.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    for (const std::int32_t code : codes) {
        const ShapeFrame* frame = frame_of(font, code);
        if (frame == nullptr) continue;
        const bool inside = pen >= 0 && pen < image.width && baseline >= 0 && baseline < image.height;
        if (drawable && inside && frame->data.size() >= 10 && frame->data.size() <= 0x7FFFFFFF) {
            std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
            decode_shape_onto(image.pixels.data(), image.width, image.height, 0, pen, baseline, &right, &left, &ascent,
                              &descent, frame->data.data(), static_cast<std::int32_t>(frame->data.size()), nullptr,
                              nullptr);
        }
        pen += engine_advance(*frame, lead);
    }
    return pen - x;
}
