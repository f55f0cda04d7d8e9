// u7kit links FreeType (the system's on Linux, a static cross-built one on
// Windows) for the font files the font builder reads: both must load a
// bitmap font and hand back its glyphs' rows as drawn.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

namespace {

const std::vector<unsigned char> LETTER_A = {0x18, 0x24, 0x42, 0x42, 0x7E, 0x42, 0x42, 0x00};

std::string bdf_font()
{
    std::string font = "STARTFONT 2.1\n"
                       "FONT -u7-test-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
                       "SIZE 8 75 75\n"
                       "FONTBOUNDINGBOX 8 8 0 0\n"
                       "STARTPROPERTIES 2\n"
                       "FONT_ASCENT 8\n"
                       "FONT_DESCENT 0\n"
                       "ENDPROPERTIES\n"
                       "CHARS 1\n"
                       "STARTCHAR A\n"
                       "ENCODING 65\n"
                       "SWIDTH 500 0\n"
                       "DWIDTH 8 0\n"
                       "BBX 8 8 0 0\n"
                       "BITMAP\n";
    static const char HEX[] = "0123456789ABCDEF";
    for (const unsigned char row : LETTER_A) {
        font += HEX[row >> 4];
        font += HEX[row & 0xF];
        font += '\n';
    }
    return font + "ENDCHAR\nENDFONT\n";
}

TEST(FreeType, ReadsTheRowsOfABdfGlyph)
{
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    const std::string font = bdf_font();
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font.data()), static_cast<FT_Long>(font.size()),
                                 0, &face),
              0);
    EXPECT_EQ(face->num_fixed_sizes, 1);
    ASSERT_EQ(FT_Select_Size(face, 0), 0);
    ASSERT_EQ(FT_Load_Char(face, 'A', FT_LOAD_RENDER | FT_LOAD_MONOCHROME), 0);
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    ASSERT_EQ(bitmap.rows, LETTER_A.size());
    EXPECT_EQ(bitmap.width, 8u);
    std::vector<unsigned char> rows;
    for (unsigned int r = 0; r < bitmap.rows; ++r) rows.push_back(bitmap.buffer[static_cast<int>(r) * bitmap.pitch]);
    EXPECT_EQ(rows, LETTER_A);
    EXPECT_NE(FT_Get_Char_Index(face, 'A'), 0u);
    EXPECT_EQ(FT_Get_Char_Index(face, 'B'), 0u);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

}  // namespace
