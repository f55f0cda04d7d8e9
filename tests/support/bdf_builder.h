// Builder of small BDF fonts: each glyph drawn as rows of '#' (ink) and
// '.' (none), placed with the font's own BBX offsets, so the font written
// is a complete oracle of the bitmaps a reader must give back.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace test_builders {

struct BdfGlyph {
    unsigned encoding = 0;              // the font's code: Unicode or JIS
    std::vector<std::string> rows;      // top row first, all of one width
    int x_offset = 0;                   // BBX: first column right of the pen
    int y_offset = 0;                   // BBX: bottom row above the baseline
    int advance = 0;                    // DWIDTH
};

struct BdfFont {
    int pixel_size = 8;
    int ascent = 7;
    int descent = 1;
    std::string registry = "ISO10646";
    std::string encoding = "1";
    std::vector<BdfGlyph> glyphs;
};

inline std::string bdf_text(const BdfFont& font)
{
    std::string out;
    char line[256];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        out += line;
    };
    out += "STARTFONT 2.1\n";
    add("FONT -test-fixed-medium-r-normal--%d-%d-75-75-c-%d-%s-%s\n", font.pixel_size, font.pixel_size * 10,
        font.pixel_size * 10, font.registry.c_str(), font.encoding.c_str());
    add("SIZE %d 75 75\n", font.pixel_size);
    add("FONTBOUNDINGBOX %d %d 0 %d\n", font.pixel_size * 2, font.ascent + font.descent, -font.descent);
    out += "STARTPROPERTIES 5\n";
    add("PIXEL_SIZE %d\n", font.pixel_size);
    add("FONT_ASCENT %d\n", font.ascent);
    add("FONT_DESCENT %d\n", font.descent);
    add("CHARSET_REGISTRY \"%s\"\n", font.registry.c_str());
    add("CHARSET_ENCODING \"%s\"\n", font.encoding.c_str());
    out += "ENDPROPERTIES\n";
    add("CHARS %zu\n", font.glyphs.size());
    for (const BdfGlyph& glyph : font.glyphs) {
        const int width = glyph.rows.empty() ? 0 : static_cast<int>(glyph.rows[0].size());
        add("STARTCHAR U%04X\nENCODING %u\n", glyph.encoding, glyph.encoding);
        add("SWIDTH %d 0\nDWIDTH %d 0\n", glyph.advance * 1000 / font.pixel_size, glyph.advance);
        add("BBX %d %d %d %d\nBITMAP\n", width, static_cast<int>(glyph.rows.size()), glyph.x_offset, glyph.y_offset);
        for (const std::string& row : glyph.rows) {
            std::string hex;
            for (std::size_t byte = 0; byte * 8 < row.size(); ++byte) {
                unsigned value = 0;
                for (std::size_t bit = 0; bit < 8; ++bit) {
                    const std::size_t column = byte * 8 + bit;
                    if (column < row.size() && row[column] == '#') value |= 0x80u >> bit;
                }
                std::snprintf(line, sizeof line, "%02X", value);
                hex += line;
            }
            out += hex + "\n";
        }
        out += "ENDCHAR\n";
    }
    out += "ENDFONT\n";
    return out;
}

}  // namespace test_builders
