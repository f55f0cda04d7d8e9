#include "glyphs/glyph_frame.h"

#include "shape/u7shape_utils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace {

constexpr std::int16_t NO_PIXEL = -1;
constexpr std::int32_t FIRST_BUILT_CODE = 244;

// A mask of width × height cells with a margin of `margin` around the
// glyph's bitmap; cell (y, x) lies on frame row top + y, column left + x.
struct Mask {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> cells;

    bool get(std::int32_t y, std::int32_t x) const
    {
        return y >= 0 && y < height && x >= 0 && x < width &&
               cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] != 0;
    }
    void set(std::int32_t y, std::int32_t x)
    {
        cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = 1;
    }
};

Mask empty_mask_like(const Mask& shape)
{
    Mask mask = shape;
    std::fill(mask.cells.begin(), mask.cells.end(), 0);
    return mask;
}

// Empty cells among the eight neighbours of a cell of body.
Mask outline_of(const Mask& body)
{
    Mask edge = empty_mask_like(body);
    for (std::int32_t y = 0; y < body.height; ++y) {
        for (std::int32_t x = 0; x < body.width; ++x) {
            if (body.get(y, x)) continue;
            bool touches = false;
            for (std::int32_t dy = -1; dy <= 1 && !touches; ++dy) {
                for (std::int32_t dx = -1; dx <= 1 && !touches; ++dx) touches = body.get(y + dy, x + dx);
            }
            if (touches) edge.set(y, x);
        }
    }
    return edge;
}

// Empty cells one right, one down or one down-right of a cell of body.
Mask shadow_of(const Mask& body)
{
    Mask edge = empty_mask_like(body);
    for (std::int32_t y = 0; y < body.height; ++y) {
        for (std::int32_t x = 0; x < body.width; ++x) {
            if (body.get(y, x)) continue;
            if (body.get(y, x - 1) || body.get(y - 1, x) || body.get(y - 1, x - 1)) edge.set(y, x);
        }
    }
    return edge;
}

Mask merged(const Mask& a, const Mask& b)
{
    Mask both = a;
    for (std::size_t i = 0; i < both.cells.size(); ++i) both.cells[i] = (a.cells[i] | b.cells[i]) != 0 ? 1 : 0;
    return both;
}

// The cells the design paints in the edge colour around body.
Mask edge_of(const Mask& body, GlyphDesign design)
{
    switch (design) {
    case GlyphDesign::outline:
        return outline_of(body);
    case GlyphDesign::shadow:
        return shadow_of(body);
    case GlyphDesign::outline_shadow: {
        const Mask outline = outline_of(body);
        return merged(outline, shadow_of(merged(body, outline)));
    }
    case GlyphDesign::plain:
    case GlyphDesign::bands:
        break;
    }
    return empty_mask_like(body);
}

// Columns the design adds to the glyph's width.
std::int32_t design_extra_columns(GlyphDesign design)
{
    switch (design) {
    case GlyphDesign::outline:
        return 2;
    case GlyphDesign::shadow:
        return 1;
    case GlyphDesign::outline_shadow:
        return 3;
    case GlyphDesign::plain:
    case GlyphDesign::bands:
        break;
    }
    return 0;
}

std::uint8_t band_colour(const GlyphColours& colours, std::int32_t row)
{
    if (colours.bands.empty()) return colours.body;
    const std::int64_t index = static_cast<std::int64_t>(row) - colours.band_top;
    const auto last = static_cast<std::int64_t>(colours.bands.size()) - 1;
    return colours.bands[static_cast<std::size_t>(std::clamp<std::int64_t>(index, 0, last))];
}

// A value that none of the style's colours takes, for the encoder's
// transparent pixels.
std::uint8_t unused_colour(const StyledGlyph& glyph)
{
    std::array<bool, 256> used{};
    for (const std::int16_t pixel : glyph.pixels) {
        if (pixel >= 0) used[static_cast<std::size_t>(pixel)] = true;
    }
    // A glyph has a body, an edge and a band per row, so some value is
    // always free; 255 is the usual one.
    for (std::size_t value = 256; value-- > 0;) {
        if (!used[value]) return static_cast<std::uint8_t>(value);
    }
    return 255;
}

}  // namespace

std::optional<GlyphDesign> parse_glyph_design(std::string_view word)
{
    if (word == "plain") return GlyphDesign::plain;
    if (word == "outline") return GlyphDesign::outline;
    if (word == "shadow") return GlyphDesign::shadow;
    if (word == "outline+shadow") return GlyphDesign::outline_shadow;
    if (word == "bands") return GlyphDesign::bands;
    return std::nullopt;
}

const char* glyph_design_name(GlyphDesign design)
{
    switch (design) {
    case GlyphDesign::plain:
        return "plain";
    case GlyphDesign::outline:
        return "outline";
    case GlyphDesign::shadow:
        return "shadow";
    case GlyphDesign::outline_shadow:
        return "outline+shadow";
    case GlyphDesign::bands:
        return "bands";
    }
    return "plain";
}

StyledGlyph style_glyph(const MonoGlyph& glyph, const GlyphStyle& style)
{
    // Two cells of margin hold the outline and the shadow beyond it.
    constexpr std::int32_t MARGIN = 2;
    Mask body;
    body.left = glyph.left - MARGIN;
    body.top = -glyph.top - MARGIN;
    body.width = glyph.width + 2 * MARGIN;
    body.height = glyph.rows + 2 * MARGIN;
    body.cells.assign(static_cast<std::size_t>(body.width) * static_cast<std::size_t>(body.height), 0);
    for (std::int32_t r = 0; r < glyph.rows; ++r) {
        for (std::int32_t c = 0; c < glyph.width; ++c) {
            if (glyph.inked(r, c)) body.set(r + MARGIN, c + MARGIN);
        }
    }
    const Mask edge = edge_of(body, style.design);

    // The smallest box of the painted cells.
    std::int32_t first_row = body.height, last_row = -1, first_column = body.width, last_column = -1;
    for (std::int32_t y = 0; y < body.height; ++y) {
        for (std::int32_t x = 0; x < body.width; ++x) {
            if (!body.get(y, x) && !edge.get(y, x)) continue;
            first_row = std::min(first_row, y);
            last_row = std::max(last_row, y);
            first_column = std::min(first_column, x);
            last_column = std::max(last_column, x);
        }
    }

    StyledGlyph styled;
    styled.advance = glyph.advance + design_extra_columns(style.design);
    if (last_row < 0) return styled;
    styled.left = body.left + first_column;
    styled.top = body.top + first_row;
    styled.width = last_column - first_column + 1;
    styled.height = last_row - first_row + 1;
    styled.pixels.assign(static_cast<std::size_t>(styled.width) * static_cast<std::size_t>(styled.height), NO_PIXEL);
    for (std::int32_t i = 0; i < styled.height; ++i) {
        for (std::int32_t j = 0; j < styled.width; ++j) {
            const std::int32_t y = first_row + i;
            const std::int32_t x = first_column + j;
            std::int16_t colour = NO_PIXEL;
            if (body.get(y, x)) {
                colour = style.design == GlyphDesign::bands ? band_colour(style.colours, styled.top + i)
                                                            : style.colours.body;
            } else if (edge.get(y, x)) {
                colour = style.colours.edge;
            }
            styled.pixels[static_cast<std::size_t>(i) * static_cast<std::size_t>(styled.width) +
                          static_cast<std::size_t>(j)] = colour;
        }
    }
    return styled;
}

ShapeFrame encode_glyph_frame(const StyledGlyph& glyph, std::int32_t lead)
{
    // Pixel box in frame coordinates (first, last inclusive); the area
    // encoded also holds the origin.
    const bool any = glyph.width > 0 && glyph.height > 0;
    const std::int32_t first_column = any ? glyph.left : 0;
    const std::int32_t last_column = any ? glyph.left + glyph.width - 1 : 0;
    const std::int32_t first_row = any ? glyph.top : 0;
    const std::int32_t last_row = any ? glyph.top + glyph.height - 1 : 0;

    const std::int32_t left = std::max(0, -first_column);
    const std::int32_t right = std::max({0, last_column, glyph.advance - lead - left - 1});
    const std::int32_t ascent = std::max(0, -first_row);
    const std::int32_t descent = std::max(0, last_row);

    const std::int32_t area_left = std::min(first_column, 0);
    const std::int32_t area_top = std::min(first_row, 0);
    const std::int32_t width = std::max(last_column, 0) - area_left + 1;
    const std::int32_t height = std::max(last_row, 0) - area_top + 1;
    const std::uint8_t transparent = unused_colour(glyph);
    std::vector<std::uint8_t> area(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), transparent);
    for (std::int32_t i = 0; i < glyph.height; ++i) {
        for (std::int32_t j = 0; j < glyph.width; ++j) {
            const std::int16_t pixel = glyph.at(i, j);
            if (pixel < 0) continue;
            const std::int32_t y = glyph.top + i - area_top;
            const std::int32_t x = glyph.left + j - area_left;
            area[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(pixel);
        }
    }

    // No frame needs more than its header, its end marker and, per pixel,
    // a raw span's six header bytes and the pixel itself.
    std::int32_t size = 10 + 7 * width * height;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    encode_shape(area.data(), width, height, transparent, -area_left, -area_top, right, left, ascent, descent,
                 data.data(), &size);
    data.resize(static_cast<std::size_t>(size));

    ShapeFrame frame;
    frame.right = static_cast<std::int16_t>(right);
    frame.left = static_cast<std::int16_t>(left);
    frame.ascent = static_cast<std::int16_t>(ascent);
    frame.descent = static_cast<std::int16_t>(descent);
    frame.data = std::move(data);
    return frame;
}

ShapeFrame empty_glyph_frame()
{
    ShapeFrame frame;
    frame.data.assign(10, 0);
    return frame;
}

namespace {

// The English glyphs drawn: per frame, its pixels in a box with a margin of
// two empty cells, in frame coordinates.
struct DrawnGlyph {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::int16_t> pixels;  // -1: empty

    std::int16_t get(std::int32_t y, std::int32_t x) const
    {
        if (y < 0 || y >= height || x < 0 || x >= width) return NO_PIXEL;
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

constexpr std::int32_t AREA_SIDE = 256;
constexpr std::int32_t AREA_ORIGIN = 128;

std::optional<DrawnGlyph> draw_english_glyph(const ShapeFrame& frame)
{
    if (frame.data.size() < 10 || frame.data.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> area(static_cast<std::size_t>(AREA_SIDE) * AREA_SIDE);
    std::array<std::uint32_t, 256> counts{};
    std::int32_t right = 0, left = 0, ascent = 0, descent = 0;
    const auto size = static_cast<std::int32_t>(frame.data.size());
    if (decode_shape(area.data(), AREA_SIDE, AREA_SIDE, 0, AREA_ORIGIN, AREA_ORIGIN, &right, &left, &ascent, &descent,
                     frame.data.data(), size, counts.data()) != 0) {
        return std::nullopt;
    }
    // The background must be a value no pixel has.
    std::int32_t background = 0;
    if (counts[0] != 0) {
        background = -1;
        for (std::int32_t value = 255; value > 0; --value) {
            if (counts[static_cast<std::size_t>(value)] == 0) {
                background = value;
                break;
            }
        }
        if (background < 0) return std::nullopt;
        decode_shape(area.data(), AREA_SIDE, AREA_SIDE, background, AREA_ORIGIN, AREA_ORIGIN, &right, &left, &ascent,
                     &descent, frame.data.data(), size, nullptr);
    }
    std::int32_t first_row = AREA_SIDE, last_row = -1, first_column = AREA_SIDE, last_column = -1;
    for (std::int32_t y = 0; y < AREA_SIDE; ++y) {
        for (std::int32_t x = 0; x < AREA_SIDE; ++x) {
            if (area[static_cast<std::size_t>(y) * AREA_SIDE + static_cast<std::size_t>(x)] == background) continue;
            first_row = std::min(first_row, y);
            last_row = std::max(last_row, y);
            first_column = std::min(first_column, x);
            last_column = std::max(last_column, x);
        }
    }
    if (last_row < 0) return std::nullopt;
    DrawnGlyph glyph;
    glyph.left = first_column - 2 - AREA_ORIGIN;
    glyph.top = first_row - 2 - AREA_ORIGIN;
    glyph.width = last_column - first_column + 5;
    glyph.height = last_row - first_row + 5;
    glyph.pixels.assign(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.height), NO_PIXEL);
    for (std::int32_t y = first_row; y <= last_row; ++y) {
        for (std::int32_t x = first_column; x <= last_column; ++x) {
            const std::uint8_t value = area[static_cast<std::size_t>(y) * AREA_SIDE + static_cast<std::size_t>(x)];
            if (value == background) continue;
            glyph.pixels[static_cast<std::size_t>(y - first_row + 2) * static_cast<std::size_t>(glyph.width) +
                         static_cast<std::size_t>(x - first_column + 2)] = value;
        }
    }
    return glyph;
}

std::uint8_t commonest(const std::array<std::uint64_t, 256>& counts)
{
    return static_cast<std::uint8_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

}  // namespace

std::optional<GlyphStyle> measure_font_style(const Shape& font)
{
    std::vector<DrawnGlyph> glyphs;
    const std::size_t english = std::min<std::size_t>(font.frames.size(), FIRST_BUILT_CODE);
    for (std::size_t i = 0; i < english; ++i) {
        if (std::optional<DrawnGlyph> glyph = draw_english_glyph(font.frames[i])) glyphs.push_back(std::move(*glyph));
    }
    if (glyphs.empty()) return std::nullopt;

    std::array<std::uint64_t, 256> all{};
    for (const DrawnGlyph& glyph : glyphs) {
        for (const std::int16_t pixel : glyph.pixels) {
            if (pixel >= 0) ++all[static_cast<std::size_t>(pixel)];
        }
    }
    GlyphStyle style;
    style.colours.body = commonest(all);
    const auto used = static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](std::uint64_t n) { return n > 0; }));
    if (used == 1) return style;

    // Each of the commonest colours is tried as the body: the other pixels
    // are compared with the edge each design would paint round it.
    std::vector<std::uint8_t> candidates;
    for (std::size_t value = 0; value < all.size(); ++value) {
        if (all[value] > 0) candidates.push_back(static_cast<std::uint8_t>(value));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](std::uint8_t a, std::uint8_t b) { return all[a] > all[b]; });
    candidates.resize(std::min<std::size_t>(candidates.size(), 4));
    const GlyphDesign designs[] = {GlyphDesign::outline_shadow, GlyphDesign::outline, GlyphDesign::shadow};
    bool found = false;
    double best_share = 0.1;  // misses per other pixel: at most one in ten
    for (const std::uint8_t body_colour : candidates) {
        std::uint64_t others = 0;
        std::array<std::uint64_t, 256> other_colours{};
        std::array<std::uint64_t, 3> misses{};
        for (const DrawnGlyph& glyph : glyphs) {
            Mask body;
            body.width = glyph.width;
            body.height = glyph.height;
            body.cells.assign(static_cast<std::size_t>(body.width) * static_cast<std::size_t>(body.height), 0);
            for (std::int32_t y = 0; y < glyph.height; ++y) {
                for (std::int32_t x = 0; x < glyph.width; ++x) {
                    const std::int16_t pixel = glyph.get(y, x);
                    if (pixel == body_colour) {
                        body.set(y, x);
                    } else if (pixel >= 0) {
                        ++others;
                        ++other_colours[static_cast<std::size_t>(pixel)];
                    }
                }
            }
            for (std::size_t d = 0; d < 3; ++d) {
                const Mask edge = edge_of(body, designs[d]);
                for (std::int32_t y = 0; y < glyph.height; ++y) {
                    for (std::int32_t x = 0; x < glyph.width; ++x) {
                        const std::int16_t pixel = glyph.get(y, x);
                        const bool other = pixel >= 0 && pixel != body_colour;
                        if (other != edge.get(y, x)) ++misses[d];
                    }
                }
            }
        }
        for (std::size_t d = 0; d < 3; ++d) {
            const double share = static_cast<double>(misses[d]) / static_cast<double>(others);
            if (share <= best_share) {
                best_share = share;
                found = true;
                style.design = designs[d];
                style.colours.body = body_colour;
                style.colours.edge = commonest(other_colours);
            }
        }
    }
    if (found) return style;

    // Bands: the commonest colour of each frame row.
    std::int32_t top = std::numeric_limits<std::int32_t>::max();
    std::int32_t bottom = std::numeric_limits<std::int32_t>::min();
    for (const DrawnGlyph& glyph : glyphs) {
        top = std::min(top, glyph.top + 2);
        bottom = std::max(bottom, glyph.top + glyph.height - 3);
    }
    std::vector<std::array<std::uint64_t, 256>> rows(static_cast<std::size_t>(bottom - top + 1));
    for (const DrawnGlyph& glyph : glyphs) {
        for (std::int32_t y = 0; y < glyph.height; ++y) {
            for (std::int32_t x = 0; x < glyph.width; ++x) {
                const std::int16_t pixel = glyph.get(y, x);
                if (pixel >= 0) ++rows[static_cast<std::size_t>(glyph.top + y - top)][static_cast<std::size_t>(pixel)];
            }
        }
    }
    style.colours.body = commonest(all);
    style.colours.band_top = top;
    // A row without pixels (a gap between the glyphs' rows) goes on with
    // the colour of the row above it.
    std::uint8_t previous = style.colours.body;
    for (const auto& row : rows) {
        const bool empty = std::all_of(row.begin(), row.end(), [](std::uint64_t n) { return n == 0; });
        if (!empty) previous = commonest(row);
        style.colours.bands.push_back(previous);
    }
    const bool one_colour = std::all_of(style.colours.bands.begin(), style.colours.bands.end(),
                                        [&](std::uint8_t colour) { return colour == style.colours.body; });
    if (one_colour) {
        style.colours.bands.clear();
        style.colours.band_top = 0;
    } else {
        style.design = GlyphDesign::bands;
    }
    return style;
}
