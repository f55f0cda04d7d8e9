#include "bitmap/bitmap.h"

#include "support/stdout_capture.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Palettes are written here as red, green, blue triples and stored as the
// module keeps them: blue, green, red, 0.
struct Rgb {
    std::uint8_t red, green, blue;
};

Bytes palette_of(std::initializer_list<Rgb> colours, std::size_t entries = 0)
{
    Bytes out;
    for (const Rgb& colour : colours) out.insert(out.end(), {colour.blue, colour.green, colour.red, 0});
    if (out.size() < entries * 4) out.resize(entries * 4, 0);
    return out;
}

// The subtitle palette: white, light blue, fourteen black entries.
const Bytes SUBTITLE = palette_of({{255, 255, 255}, {85, 255, 255}}, 16);

TEST(NearestColour, FindsTheNearestEntryAndTheLowerIndexOnTies)
{
    struct Case {
        const char* name;
        Rgb colour;
        Bytes palette;
        std::int32_t count;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"black to the first black entry", {0, 0, 0}, SUBTITLE, 16, 2},
        {"white", {255, 255, 255}, SUBTITLE, 16, 0},
        {"dark cyan is nearer light blue than black", {40, 128, 128}, SUBTITLE, 16, 1},
        {"halfway between two entries", {15, 0, 0}, palette_of({{10, 0, 0}, {20, 0, 0}}), 2, 0},
        {"an exact match in a later entry wins", {9, 9, 9}, palette_of({{10, 9, 9}, {9, 9, 9}}), 2, 1},
        {"a repeated entry gives its first index", {1, 2, 3}, palette_of({{0, 0, 0}, {1, 2, 3}, {1, 2, 3}}), 3, 1},
        {"the count limits the search", {0, 0, 0}, palette_of({{255, 255, 255}, {0, 0, 0}}), 1, 0},
        {"a count beyond the palette stops at its end", {0, 0, 0}, palette_of({{255, 255, 255}, {0, 0, 0}}), 16, 1},
        {"no entries", {0, 0, 0}, SUBTITLE, 0, 0},
        {"an empty palette", {0, 0, 0}, {}, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(find_nearest_colour(c.colour.red, c.colour.green, c.colour.blue, c.palette, c.count), c.expected);
    }
}

struct ConvertCase {
    const char* name;
    std::int32_t width, height;
    std::int32_t source_bits;
    Bytes source_palette;
    Bytes source_pixels;
    std::int32_t destination_bits;
    Bytes destination_palette;
    std::int32_t status;
    Bytes expected;
};

void run_cases(const std::vector<ConvertCase>& cases)
{
    for (const ConvertCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out;
        std::int32_t status = 99;
        EXPECT_EQ(test_capture::output_of([&] {
                      status = convert_bitmap_depth(c.width, c.height, c.source_bits, c.source_palette,
                                                    c.source_pixels, c.destination_bits, c.destination_palette, &out);
                  }),
                  "");
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(ConvertDepth, DirectColourAndPaletteConversions)
{
    Bytes grey_ramp = palette_of({}, 256);
    for (std::size_t i = 0; i < 256; ++i) {
        grey_ramp[i * 4] = grey_ramp[i * 4 + 1] = grey_ramp[i * 4 + 2] = static_cast<std::uint8_t>(i);
    }
    const Bytes four = palette_of({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}, 16);
    run_cases({
        {"1 bit without a palette is black and white", 2, 1, 1, {}, {0, 1}, 24, {}, 0, {0, 0, 0, 255, 255, 255}},
        {"1 bit with its own palette", 2, 1, 1, palette_of({{255, 0, 0}, {0, 0, 255}}), {1, 0}, 24, {}, 0,
         {255, 0, 0, 0, 0, 255}},
        {"4 bits to 24", 3, 1, 4, four, {3, 0, 15}, 24, {}, 0, {12, 11, 10, 3, 2, 1, 0, 0, 0}},
        {"8 bits to 32", 2, 1, 8, grey_ramp, {0x80, 0xFF}, 32, {}, 0, {0x80, 0x80, 0x80, 0, 0xFF, 0xFF, 0xFF, 0}},
        {"8 bits to 16 narrows the entry", 1, 1, 8, palette_of({{8, 0, 255}}, 256), {0}, 16, {}, 0, {0x1F, 0x04}},
        {"16 bits, all of red", 1, 1, 16, {}, {0x00, 0x7C}, 24, {}, 0, {0, 0, 255}},
        {"16 bits to 32, bit 15 ignored", 2, 1, 16, {}, {0xE0, 0x03, 0x01, 0x80}, 32, {}, 0,
         {0, 255, 0, 0, 8, 0, 0, 0}},
        {"24 to 24 is a copy", 2, 1, 24, {}, {1, 2, 3, 4, 5, 6}, 24, {}, 0, {1, 2, 3, 4, 5, 6}},
        {"32 to 32 keeps the fourth byte", 1, 1, 32, {}, {1, 2, 3, 4}, 32, {}, 0, {1, 2, 3, 4}},
        {"16 to 16 keeps bit 15", 1, 1, 16, {}, {0xFF, 0xFF}, 16, {}, 0, {0xFF, 0xFF}},
        {"24 to 32 adds a zero", 1, 1, 24, {}, {1, 2, 3}, 32, {}, 0, {1, 2, 3, 0}},
        {"32 to 24 drops the fourth byte", 1, 1, 32, {}, {1, 2, 3, 4}, 24, {}, 0, {1, 2, 3}},
        {"24 to 16 narrows", 1, 1, 24, {}, {7, 128, 255}, 16, {}, 0, {0x00, 0x7E}},
        {"32 to 16 narrows", 1, 1, 32, {}, {255, 7, 0, 9}, 16, {}, 0, {0x1F, 0x00}},
        {"zero pixels", 0, 5, 24, {}, {}, 32, {}, 0, {}},
    });
}

TEST(ConvertDepth, ReductionToAPaletteByNearestColour)
{
    Bytes source_palette = palette_of({{255, 255, 255}, {85, 255, 255}, {10, 10, 10}, {40, 128, 128}}, 256);
    source_palette[255 * 4 + 2] = 200;  // entry 255: red 200
    run_cases({
        {"24 bits to the subtitle palette", 3, 1, 24, {}, {0, 0, 0, 255, 255, 255, 128, 128, 40}, 4, SUBTITLE, 0,
         {2, 0, 1}},
        {"32 bits to the subtitle palette", 2, 1, 32, {}, {255, 255, 85, 7, 1, 1, 1, 7}, 4, SUBTITLE, 0, {1, 2}},
        {"16 bits to the subtitle palette", 2, 1, 16, {}, {0xFF, 0x7F, 0x00, 0x00}, 4, SUBTITLE, 0, {0, 2}},
        {"8 bits, each entry matched", 2, 3, 8, source_palette, {0, 1, 2, 3, 255, 0}, 4, SUBTITLE, 0,
         {0, 1, 2, 1, 2, 0}},
        {"1 bit to 4 bits", 2, 1, 1, {}, {0, 1}, 4, SUBTITLE, 0, {2, 0}},
        {"an 8-bit destination searches 256 entries", 1, 1, 24, {}, {0, 0, 200}, 8, source_palette, 0, {255}},
        {"a 1-bit destination without a palette", 3, 1, 24, {}, {200, 200, 200, 50, 50, 50, 0, 0, 255}, 1, {}, 0,
         {1, 0, 0}},
        {"a 1-bit destination with a palette", 2, 1, 4, SUBTITLE, {1, 2}, 1,
         palette_of({{255, 255, 255}, {0, 0, 0}}), 0, {0, 1}},
    });
}

TEST(ConvertDepth, RefusedArgumentsLeaveTheDestinationAlone)
{
    const Bytes pixels(12, 0);
    run_cases({
        {"a 4-bit destination without a palette", 2, 2, 24, {}, pixels, 4, {}, -1, {}},
        {"an 8-bit destination with 16 entries", 2, 2, 24, {}, pixels, 8, SUBTITLE, -1, {}},
        {"an 8-bit source without a palette", 2, 2, 8, {}, {0, 0, 0, 0}, 24, {}, -1, {}},
        {"a 4-bit source with a short palette", 2, 2, 4, Bytes(60, 0), {0, 0, 0, 0}, 24, {}, -1, {}},
        {"a 4-bit source index beyond 15", 2, 2, 4, SUBTITLE, {0, 1, 16, 2}, 24, {}, -1, {}},
        {"a 1-bit source index beyond 1", 2, 2, 1, {}, {0, 1, 2, 1}, 24, {}, -1, {}},
        {"a source bit count of 2", 2, 2, 2, SUBTITLE, {0, 1, 1, 2}, 24, {}, -1, {}},
        {"a destination bit count of 15", 2, 2, 24, {}, pixels, 15, {}, -1, {}},
        {"too few source pixels", 2, 2, 24, {}, Bytes(11, 0), 32, {}, -1, {}},
        {"a negative width", -2, 2, 24, {}, pixels, 32, {}, -1, {}},
        {"the largest size with four source bytes", 0x7FFFFFFF, 0x7FFFFFFF, 32, {}, pixels, 24, {}, -1, {}},
    });
}

TEST(ConvertDepth, ACallerDestinationIsFilledOnlyWhenItsSizeIsRight)
{
    const Bytes source{1, 2, 3, 4, 5, 6};
    Bytes right(8, 0xAA);
    EXPECT_EQ(convert_bitmap_depth(2, 1, 24, {}, source, 32, {}, &right), 0);
    EXPECT_EQ(right, (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
    Bytes wrong(9, 0xAA);
    EXPECT_EQ(convert_bitmap_depth(2, 1, 24, {}, source, 32, {}, &wrong), -1);
    EXPECT_EQ(wrong, Bytes(9, 0xAA));
    EXPECT_EQ(convert_bitmap_depth(1, 1, 24, {}, Bytes{1, 2, 3}, 32, {}, nullptr), -1);
}

Bytes convert(std::int32_t width, std::int32_t height, std::int32_t from, const Bytes& from_palette,
              const Bytes& pixels, std::int32_t to, const Bytes& to_palette)
{
    Bytes out;
    EXPECT_EQ(convert_bitmap_depth(width, height, from, from_palette, pixels, to, to_palette, &out), 0);
    return out;
}

TEST(ConvertDepth, RoundTripsThatLoseNothing)
{
    // Every 15-bit colour through 24 and 32 bits and back.
    Bytes all16;
    for (unsigned value = 0; value < 0x8000; ++value) {
        all16.push_back(static_cast<std::uint8_t>(value & 0xFF));
        all16.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    for (const std::int32_t wide : {24, 32}) {
        SCOPED_TRACE(wide);
        EXPECT_EQ(convert(128, 256, wide, {}, convert(128, 256, 16, {}, all16, wide, {}), 16, {}), all16);
    }

    std::mt19937 random(99);
    std::uniform_int_distribution<unsigned> byte(0, 255);

    // Palette images whose entries all differ come back to their indices.
    Bytes distinct(256 * 4, 0);
    for (std::size_t i = 0; i < 256; ++i) {
        distinct[i * 4] = static_cast<std::uint8_t>(i);
        distinct[i * 4 + 1] = static_cast<std::uint8_t>(255 - i);
        distinct[i * 4 + 2] = static_cast<std::uint8_t>(i * 7);
    }
    Bytes indices(13 * 7);
    for (auto& value : indices) value = static_cast<std::uint8_t>(byte(random));
    for (const std::int32_t wide : {24, 32}) {
        SCOPED_TRACE(wide);
        EXPECT_EQ(convert(13, 7, wide, {}, convert(13, 7, 8, distinct, indices, wide, {}), 8, distinct), indices);
        Bytes nibbles = indices;
        for (auto& value : nibbles) value &= 0x0F;
        const Bytes sixteen(distinct.begin(), distinct.begin() + 64);
        EXPECT_EQ(convert(13, 7, wide, {}, convert(13, 7, 4, sixteen, nibbles, wide, {}), 4, sixteen), nibbles);
    }
}

}  // namespace
