#include "archive/u7data_utils.h"

#include "support/stdout_capture.h"
#include "support/u7_test_builders.h"

#include <gtest/gtest.h>
#include <string>

using namespace test_builders;

namespace {

Bytes pattern(std::size_t size, std::uint8_t seed)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

using ReadFunction = std::int32_t (*)(EntryObject*, const std::uint8_t*, std::int32_t, std::int32_t);
using WriteFunction = std::int32_t (*)(const EntryObject*, std::uint8_t*, std::int32_t);

// Reads bytes with one function and writes them back with the other; the
// output has a guard byte behind it that must stay untouched.
void expect_round_trip(ReadFunction read, WriteFunction write, const Bytes& bytes, EntryType type)
{
    EntryObject object;
    test_capture::begin();
    EXPECT_EQ(read(&object, bytes.data(), static_cast<std::int32_t>(bytes.size()), 3), type);
    test_capture::end();
    Bytes out(bytes.size() + 1, 0xEE);
    EXPECT_EQ(write(&object, out.data(), static_cast<std::int32_t>(bytes.size())), static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(Bytes(out.begin(), out.end() - 1), bytes);
    EXPECT_EQ(out.back(), 0xEE);
}

TEST(DataRoundTrip, EveryEntryTypeReproducesItsBytes)
{
    expect_round_trip(read_data_from_buffer, write_data_to_buffer, pattern(7, 1), ENTRY_RAW);
    expect_round_trip(read_data_from_buffer, write_data_to_buffer, pattern(1, 2), ENTRY_RAW);
    expect_round_trip(read_text_from_buffer, write_text_to_buffer, bytes_of("line one\r\nline two"), ENTRY_TEXT);
    Bytes named = bytes_of("FONTS.VGA");
    named.resize(13, 0);
    append(named, pattern(21, 3));
    expect_round_trip(read_file_from_buffer, write_file_to_buffer, named, ENTRY_FILE);
    expect_round_trip(read_palette_from_buffer, write_palette_to_buffer, pattern(768, 4), ENTRY_PALETTE);
    expect_round_trip(read_palette2_from_buffer, write_palette2_to_buffer, pattern(1536, 5), ENTRY_PALETTE2);
}

TEST(DataRead, TextKeepsItsBytesWithATerminatorBehind)
{
    const Bytes bytes{'a', 0, 'b'};
    EntryObject object;
    EXPECT_EQ(read_text_from_buffer(&object, bytes.data(), 3, 0), ENTRY_TEXT);
    const TextData& text = std::get<TextData>(object);
    EXPECT_EQ(text.text.size(), 3u);
    EXPECT_EQ(text.text.c_str()[3], '\0');
    EntryObject empty = RawData{{1}};
    EXPECT_EQ(read_text_from_buffer(&empty, bytes.data(), 0, 0), ENTRY_RAW);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(empty));
}

TEST(DataRead, NamedFileOfExactly13BytesHasNoDataAnd12BytesIsRefused)
{
    Bytes named = bytes_of("ABCDEFGH.TXT");
    named.resize(13, 0);
    EntryObject object;
    test_capture::begin();
    EXPECT_EQ(read_file_from_buffer(&object, named.data(), 13, 4), ENTRY_FILE);
    EXPECT_EQ(test_capture::end(), "[4][ABCDEFGH.TXT]\n");
    const NamedFile& file = std::get<NamedFile>(object);
    EXPECT_EQ(file.length(), 0);
    Bytes out(13);
    EXPECT_EQ(write_file_to_buffer(&object, out.data(), 13), 13);
    EXPECT_EQ(out, named);

    EntryObject refused;
    EXPECT_EQ(read_file_from_buffer(&refused, named.data(), 12, 4), -1);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(refused));
}

TEST(DataRead, ANameFieldWithoutItsZeroByteIsPrintedWithinTheField)
{
    Bytes named(20, 'N');
    EntryObject object;
    test_capture::begin();
    EXPECT_EQ(read_file_from_buffer(&object, named.data(), 20, 0), ENTRY_FILE);
    EXPECT_EQ(test_capture::end(), "[0][NNNNNNNNNNNNN]\n");
}

TEST(DataRead, PalettesOfTheWrongSizeBecomePlainBytesAfterAWarning)
{
    const Bytes short_palette = pattern(767, 6);
    EntryObject object;
    test_capture::begin();
    EXPECT_EQ(read_palette_from_buffer(&object, short_palette.data(), 767, 0), ENTRY_RAW);
    EXPECT_EQ(test_capture::end(),
              test_capture::console(
                  "WARNING: read_palette_from_buffer: データサイズが一致しません: 00000300 != 000002FF ... 破損している?\n"));
    Bytes out(767);
    EXPECT_EQ(write_data_to_buffer(&object, out.data(), 767), 767);
    EXPECT_EQ(out, short_palette);

    const Bytes long_palette2 = pattern(1537, 7);
    test_capture::begin();
    EXPECT_EQ(read_palette2_from_buffer(&object, long_palette2.data(), 1537, 0), ENTRY_RAW);
    EXPECT_EQ(test_capture::end(),
              test_capture::console(
                  "WARNING: read_palette2_from_buffer: データサイズが一致しません: 00000600 != 00000601 ... 破損している?\n"));
}

TEST(DataRead, Palette2ComponentsAreLittleEndian)
{
    Bytes bytes(1536, 0);
    bytes[0] = 0x34;
    bytes[1] = 0x12;
    EntryObject object;
    ASSERT_EQ(read_palette2_from_buffer(&object, bytes.data(), 1536, 0), ENTRY_PALETTE2);
    EXPECT_EQ(std::get<Palette2>(object).colors[0], 0x1234);
}

TEST(DataWrite, WrongSizesPrintTheirErrorAndFail)
{
    EntryObject palette = Palette{};
    EntryObject palette2 = Palette2{};
    EntryObject file = NamedFile{{}, Bytes(5, 1)};
    Bytes out(2000, 0);
    test_capture::begin();
    EXPECT_EQ(write_palette_to_buffer(&palette, out.data(), 767), -1);
    EXPECT_EQ(write_palette2_to_buffer(&palette2, out.data(), 1535), -1);
    EXPECT_EQ(write_file_to_buffer(&file, out.data(), 19), -1);
    EXPECT_EQ(test_capture::end(),
              test_capture::console("ERROR: write_palette_to_buffer: データサイズが一致しません: 767 != 768\n"
                                    "ERROR: write_palette2_to_buffer: データサイズが一致しません: 1535 != 1536\n"
                                    "ERROR: write_file_to_buffer: データサイズが一致しません: 19 != 18\n"));
}

TEST(DataWrite, SizeZeroWritesNothingAndBadArgumentsFailSilently)
{
    EntryObject raw = RawData{{1, 2}};
    Bytes out(4, 0xEE);
    test_capture::begin();
    EXPECT_EQ(write_data_to_buffer(&raw, out.data(), 0), 0);
    EXPECT_EQ(write_palette_to_buffer(&raw, out.data(), 0), 0);
    EXPECT_EQ(write_data_to_buffer(nullptr, out.data(), 1), -1);
    EXPECT_EQ(write_data_to_buffer(&raw, nullptr, 1), -1);
    EXPECT_EQ(write_data_to_buffer(&raw, out.data(), -1), -1);
    EXPECT_EQ(read_data_from_buffer(&raw, nullptr, 1, 0), -1);
    EXPECT_EQ(read_data_from_buffer(&raw, out.data(), -1, 0), -1);
    EXPECT_EQ(read_data_from_buffer(nullptr, out.data(), 1, 0), -1);
    EXPECT_EQ(test_capture::end(), "");
    EXPECT_EQ(out, Bytes(4, 0xEE));
}

TEST(DataWrite, AnObjectOfAnotherKindOrTooFewBytesIsNeverWritten)
{
    Bytes out(8, 0xEE);
    EntryObject text = TextData{"abc"};
    EntryObject raw = RawData{{1, 2, 3}};
    EntryObject none;
    EXPECT_EQ(write_data_to_buffer(&text, out.data(), 3), -1);
    EXPECT_EQ(write_text_to_buffer(&raw, out.data(), 3), -1);
    EXPECT_EQ(write_data_to_buffer(&none, out.data(), 3), -1);
    EXPECT_EQ(write_data_to_buffer(&raw, out.data(), 4), -1);
    EXPECT_EQ(write_text_to_buffer(&text, out.data(), 5), -1);
    EXPECT_EQ(out, Bytes(8, 0xEE));
}

TEST(Rgbquad, PaletteComponentsAreScaledFromSixToEightBits)
{
    Palette palette;
    palette.colors[0] = 63;
    palette.colors[1] = 0;
    palette.colors[2] = 32;
    palette.colors[765] = 1;
    Bytes out(1024, 0xEE);
    EXPECT_EQ(palette_to_rgbquad(out.data(), &palette), out.data() + 1024);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{0x82, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{0x00, 0x00, 0x04, 0x00}));

    Palette2 palette2;
    palette2.colors[0] = 63;
    palette2.colors[2] = 0x1FF;  // only the low 8 bits count
    EXPECT_EQ(palette2_to_rgbquad(out.data(), &palette2), out.data() + 1024);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{0xFF, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(palette_to_rgbquad(nullptr, &palette), nullptr);
    EXPECT_EQ(palette2_to_rgbquad(out.data(), nullptr), nullptr);
}

}  // namespace
