// Source fonts through FreeType.
//
// How FreeType presents the X11 bitmap fonts: the BDF and PCF drivers give
// one charmap whose codes are the font's own ENCODING values.  When the
// font's CHARSET_REGISTRY is ISO10646 (or ISO8859-1) that charmap is a
// Unicode one; for any other registry its encoding is FT_ENCODING_NONE.
// The JIS X 0208 fonts (registry "JISX0208.1983" or "JISX0208.1990",
// encoding "0") store the JIS code in its 7-bit form, row and cell each
// plus 0x20: "あ" (row 4, cell 2) is ENCODING 0x2422.  So a character is
// looked up there through its JIS code, which comes from its CP932 bytes.
#include "glyphs/source_font.h"

#include "common/console_cp932.h"
#include "common/text_utils.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BDF_H

#include <algorithm>
#include <cctype>
#include <cstring>

void FreeTypeLibraryCloser::operator()(void* library) const
{
    FT_Done_FreeType(static_cast<FT_Library>(library));
}

void FreeTypeFaceCloser::operator()(void* face) const
{
    FT_Done_Face(static_cast<FT_Face>(face));
}

namespace {

constexpr std::int32_t LARGEST_OUTLINE_SIZE = 1024;

FT_Face face_of(const SourceFont& font)
{
    return static_cast<FT_Face>(font.face.get());
}

SourceFontOpening failure(SourceFontFault fault, std::string message)
{
    SourceFontOpening opening;
    opening.error = SourceFontError{fault, std::move(message)};
    return opening;
}

std::string unreadable_message(const std::string& path)
{
    return "ERROR: フォント " + path + " を読み込めません\n";
}

// "fonts.ttc#1" -> ("fonts.ttc", 1); a path without a "#" and digits at its
// end is taken whole, face 0.
void split_face_suffix(const std::string& path, std::string& file, long& face_index)
{
    file = path;
    face_index = 0;
    const std::size_t hash = path.rfind('#');
    if (hash == std::string::npos || hash + 1 == path.size() || path.size() - hash > 6) return;
    long value = 0;
    for (std::size_t i = hash + 1; i < path.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(path[i]))) return;
        value = value * 10 + (path[i] - '0');
    }
    file = path.substr(0, hash);
    face_index = value;
}

std::int32_t strike_pixels(const FT_Bitmap_Size& strike)
{
    if (strike.y_ppem > 0) return static_cast<std::int32_t>((strike.y_ppem + 32) >> 6);
    return strike.height;
}

bool starts_with_no_case(const char* text, const char* prefix)
{
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text == '\0') return false;
        if (std::toupper(static_cast<unsigned char>(*text)) != std::toupper(static_cast<unsigned char>(*prefix))) {
            return false;
        }
    }
    return true;
}

bool convertible(char32_t c)
{
    return c >= 0x80 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

SourceFontOpening open_source_font(const std::string& path, std::int32_t size)
{
    SourceFont font;
    font.path = path;
    font.size = size;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        return failure(SourceFontFault::unreadable, unreadable_message(path));
    }
    font.library.reset(library);

    std::string file;
    long face_index = 0;
    split_face_suffix(path, file, face_index);
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), 0, &face) != 0) {
        return failure(SourceFontFault::unreadable, unreadable_message(path));
    }
    if (face_index != 0) {
        const long faces = face->num_faces;
        FT_Done_Face(face);
        face = nullptr;
        if (face_index >= faces) {
            return failure(SourceFontFault::no_such_face,
                           "ERROR: フォント " + path + " に書体 #" + std::to_string(face_index) +
                               " がありません (書体の数: " + std::to_string(faces) + ")\n");
        }
        if (FT_New_Face(library, file.c_str(), face_index, &face) != 0) {
            return failure(SourceFontFault::unreadable, unreadable_message(path));
        }
    }
    font.face.reset(face);

    const bool scalable = FT_IS_SCALABLE(face);
    font.bitmap = !scalable;
    if (scalable) {
        if (size < 1 || size > LARGEST_OUTLINE_SIZE || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
            return failure(SourceFontFault::no_such_size,
                           "ERROR: フォント " + path + " に " + std::to_string(size) +
                               " ピクセルの大きさがありません (1 から " + std::to_string(LARGEST_OUTLINE_SIZE) +
                               " まで)\n");
        }
    } else {
        int strike = -1;
        for (int i = 0; i < face->num_fixed_sizes; ++i) {
            if (strike_pixels(face->available_sizes[i]) == size) {
                strike = i;
                break;
            }
        }
        if (strike < 0 || FT_Select_Size(face, strike) != 0) {
            std::string sizes;
            for (const std::int32_t pixels : source_font_strikes(font)) {
                if (!sizes.empty()) sizes += ", ";
                sizes += std::to_string(pixels);
            }
            return failure(SourceFontFault::no_such_size, "ERROR: フォント " + path + " に " + std::to_string(size) +
                                                              " ピクセルの大きさがありません (あるのは " + sizes +
                                                              " ピクセル)\n");
        }
    }

    const char* encoding = nullptr;
    const char* registry = nullptr;
    if (FT_Get_BDF_Charset_ID(face, &encoding, &registry) == 0 && registry != nullptr &&
        starts_with_no_case(registry, "JISX0208")) {
        if (face->num_charmaps < 1 || FT_Set_Charmap(face, face->charmaps[0]) != 0) {
            return failure(SourceFontFault::no_charmap,
                           "ERROR: フォント " + path + " に文字の表がありません\n");
        }
        font.jis = true;
    } else if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
        std::string charset = "?";
        if (registry != nullptr) charset = std::string(registry) + "-" + (encoding != nullptr ? encoding : "");
        return failure(SourceFontFault::no_charmap,
                       "ERROR: フォント " + path + " の文字コード " + charset + " には対応していません\n");
    }

    SourceFontOpening opening;
    opening.font = std::move(font);
    return opening;
}

std::vector<std::int32_t> source_font_strikes(const SourceFont& font)
{
    std::vector<std::int32_t> sizes;
    const FT_Face face = face_of(font);
    if (face == nullptr) return sizes;
    for (int i = 0; i < face->num_fixed_sizes; ++i) sizes.push_back(strike_pixels(face->available_sizes[i]));
    return sizes;
}

std::uint16_t jis_code_of_shift_jis(std::uint8_t lead, std::uint8_t trail)
{
    // Lead bytes 0x81-0x9F and 0xE0-0xFC each hold two JIS rows; the trail
    // byte tells which (0x40-0x9E minus 0x7F: the first, 0x9F-0xFC: the
    // second) and the cell.
    const bool lead_ok = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    const bool trail_ok = trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
    if (!lead_ok || !trail_ok) return 0;
    const unsigned pair = lead <= 0x9F ? lead - 0x81u : lead - 0xC1u;
    unsigned row = pair * 2 + 1;
    unsigned cell = 0;
    if (trail >= 0x9F) {
        row += 1;
        cell = trail - 0x9Eu;
    } else {
        cell = trail - (trail > 0x7F ? 0x40u : 0x3Fu);
    }
    // JIS X 0208 ends with row 84.  CP932 puts other characters behind it
    // (vendor extensions in rows 89 to 92, user-defined ones from row 95),
    // which a JIS font's rows 85 and up do not hold.
    if (row > 84) return 0;
    return static_cast<std::uint16_t>(((row + 0x20) << 8) | (cell + 0x20));
}

std::optional<std::vector<std::uint16_t>> jis_codes_of(std::span<const char32_t> characters)
{
    std::vector<std::uint16_t> codes(characters.size(), 0);
    // One line per character that can have a code; the converter writes
    // "?" for a character CP932 lacks and never a line feed inside a
    // double-byte code (trail bytes are 0x40 and up).
    std::string text;
    std::vector<std::size_t> asked;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (!convertible(characters[i])) continue;
        append_utf8_char(text, characters[i]);
        text += '\n';
        asked.push_back(i);
    }
    if (asked.empty()) return codes;

    const std::optional<std::string> converted = convert_to_cp932(text);
    if (!converted) return std::nullopt;

    std::size_t line = 0;
    std::size_t start = 0;
    for (std::size_t at = 0; at < converted->size(); ++at) {
        if ((*converted)[at] != '\n') continue;
        if (line >= asked.size()) return std::nullopt;
        if (at - start == 2) {
            codes[asked[line]] = jis_code_of_shift_jis(static_cast<std::uint8_t>((*converted)[start]),
                                                       static_cast<std::uint8_t>((*converted)[start + 1]));
        }
        ++line;
        start = at + 1;
    }
    if (line != asked.size()) return std::nullopt;
    return codes;
}

GlyphIndices source_glyph_indices(const SourceFont& font, std::span<const char32_t> characters)
{
    GlyphIndices result;
    const FT_Face face = face_of(font);
    result.indices.assign(characters.size(), 0);
    if (face == nullptr) return result;
    if (!font.jis) {
        for (std::size_t i = 0; i < characters.size(); ++i) {
            result.indices[i] = FT_Get_Char_Index(face, static_cast<FT_ULong>(characters[i]));
        }
        return result;
    }
    const std::optional<std::vector<std::uint16_t>> codes = jis_codes_of(characters);
    if (!codes) {
        result.error = SourceFontError{SourceFontFault::no_conversion,
                                       "ERROR: 文字を JIS X 0208 の文字コードに変換できません\n"};
        return result;
    }
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if ((*codes)[i] != 0) result.indices[i] = FT_Get_Char_Index(face, (*codes)[i]);
    }
    return result;
}

std::optional<MonoGlyph> render_source_glyph(SourceFont& font, std::uint32_t glyph_index)
{
    const FT_Face face = face_of(font);
    if (face == nullptr || glyph_index == 0) return std::nullopt;
    if (FT_Load_Glyph(face, glyph_index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return std::nullopt;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) {
        return std::nullopt;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    MonoGlyph glyph;
    glyph.width = static_cast<std::int32_t>(bitmap.width);
    glyph.rows = static_cast<std::int32_t>(bitmap.rows);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
    glyph.ink.assign(static_cast<std::size_t>(bitmap.width) * bitmap.rows, 0);
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return std::nullopt;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        // pitch is negative for a bitmap stored bottom row first.
        const unsigned char* line = bitmap.pitch >= 0
                                        ? bitmap.buffer + static_cast<std::size_t>(bitmap.pitch) * row
                                        : bitmap.buffer + static_cast<std::size_t>(-bitmap.pitch) * (bitmap.rows - 1 - row);
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const bool ink = mono ? ((line[column >> 3] >> (7 - (column & 7))) & 1) != 0 : line[column] >= 128;
            glyph.ink[static_cast<std::size_t>(row) * bitmap.width + column] = ink ? 1 : 0;
        }
    }
    return glyph;
}

std::optional<MonoGlyph> source_glyph(SourceFont& font, char32_t character)
{
    const char32_t one[1] = {character};
    const GlyphIndices found = source_glyph_indices(font, one);
    if (found.error || found.indices[0] == 0) return std::nullopt;
    return render_source_glyph(font, found.indices[0]);
}
