// Writes a seed corpus for every fuzz target, built with the same builders
// as the tests: write_fuzz_seeds DIR makes DIR/<target>/seed_N files.  The
// seeds of a target that reads a small header of its own (the depth
// conversion, the encoder) follow the layout that target documents.
#include "support/bmp_builder.h"
#include "support/u7_test_builders.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace test_builders;

namespace {

void write_seeds(const std::filesystem::path& dir, const std::string& target, const std::vector<Bytes>& seeds)
{
    const auto folder = dir / target;
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const auto path = folder / ("seed_" + std::to_string(i));
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) continue;
        std::fwrite(seeds[i].data(), 1, seeds[i].size(), file);
        std::fclose(file);
    }
}

Bytes joined(const std::string& first, const std::string& second)
{
    Bytes out = bytes_of(first);
    out.push_back(0);
    append(out, bytes_of(second));
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("usage: write_fuzz_seeds DIR\n");
        return 1;
    }
    const std::filesystem::path dir = argv[1];

    const Bytes glyph_a = build_frame(3, 0, 2, 0, {raw_span(0, -2, {1, 0, 2}), encoded_span(0, -1, 3, {repeat_run(3, 5)})});
    const Bytes glyph_b =
        build_frame(1, 1, 1, 1, {encoded_span(-1, -1, 4, {literal_run({0x10, 0x20}), repeat_run(2, 0x30)})});
    const Bytes glyph_empty = build_frame(0, 0, 0, 0, {});
    const Bytes font = build_shape({glyph_a, glyph_empty, glyph_b});
    const Bytes small_font = build_shape({glyph_b});

    Bytes named_file = bytes_of("SAMPLE.TXT");
    named_file.resize(13, 0);
    append(named_file, bytes_of("contents"));
    const Bytes palette(768, 0x21);
    const Bytes palette2(1536, 0x07);
    const Bytes tiles(64 * 2 + 5, 0x33);

    write_seeds(dir, "fuzz_flexfile",
                {build_flex({named_file, bytes_of("Some text\n"), palette, palette2, tiles, font, {}, small_font,
                             bytes_of("raw"), bytes_of("raw bytes")}),
                 build_flex({font, {}, small_font}), build_flex({})});
    write_seeds(dir, "fuzz_ifffile",
                {build_iff("XXXX", {{"FLIC", "intro", bytes_of("flic data")}, {"VOCF", "sound", bytes_of("voc")},
                                    {"DATA", "odd", bytes_of("odd")}})});
    write_seeds(dir, "fuzz_shape", {font, small_font, build_shape({})});
    Bytes decode_a{16, 12, 0x88};
    append(decode_a, glyph_a);
    Bytes decode_b{3, 2, 0x07};
    append(decode_b, glyph_b);
    write_seeds(dir, "fuzz_decode_shape", {decode_a, decode_b});

    const std::string map = "\xEF\xBB\xBF; map\n<MAX_CODE>\t0xF4,0x46\nは\t0xF4,0x30\tz\nい\t0xF4,0x31\n空\t,,\n"
                            "漢\t0xFF,0x31,0x32\n";
    write_seeds(dir, "fuzz_charmap", {joined(map, "はい、空の漢字"), joined(map, "ABC\\t")});
    write_seeds(dir, "fuzz_exult_files",
                {joined("# messages\n0x500:Yes\n0x501:No\n\n0x57F:Intro\n",
                        "; t\nCOMMON\t1\tNORMAL\tはい\nCOMMON\t2\tMENU\tいいえ\nSI_INTRO\t32\tINTRO\tは\n")});
    const std::string english = "\xEF\xBB\xBF; English\r\n0310\tsign_inn\tSIGN\t\"The Sleeping Bull\"\r\n"
                                "0402\thello\t\t\"Good day to thee, \\\"traveller\\\".\"\n\n"
                                "FFFF\t@last_1\tS.BOOK\t\"a\\tb\"\n";
    write_seeds(dir, "fuzz_revisto_english", {bytes_of(english)});
    write_seeds(dir, "fuzz_revisto_convert",
                {bytes_of("; old\n0310\tsign_inn\t\"<QRM>眠れる雄牛亭</QRM>The Sleeping Bull\"\n"
                          "0402\thello\t\"ごきげんよう、旅の方。\"\nFFFF\t@last_1\t\"<QRM>本</QRM>\"\n")});
    write_seeds(dir, "fuzz_glimmet_dump", {build_flex({font, {}, small_font}), build_flex({build_shape({glyph_empty})})});
    // fuzz_u7kit: a byte choosing the part, then its input.
    const auto part = [](std::uint8_t number, const Bytes& input) {
        Bytes seed{number};
        append(seed, input);
        return seed;
    };
    write_seeds(dir, "fuzz_u7kit",
                {part(0, build_flex({font, {}, small_font})), part(1, build_flex({font, small_font})),
                 part(2, bytes_of("; t\nCOMMON\t1\tNORMAL\tはい\nBG_INTRO\t1\tGUARDIAN\tx\n0400\tbye\t\t\"は\"\n")),
                 part(3, bytes_of("# messages\n0x500:Yes\n0x600:Past\tthe table\n0:zero\n0x600:again\n"))});
    write_seeds(dir, "fuzz_quoted_text", {bytes_of("\"a\\tb\\\"c\""), bytes_of("a\tb\t\"c,d\"\t\xE3\x81\x82")});

    // BMP files of every bit count on odd sizes, and a 4-bit subtitle-like
    // image with the image size left 0.
    const Bytes two_colours{0, 0, 0, 0, 255, 255, 255, 0};
    Bytes sixteen_colours;
    for (std::uint8_t i = 0; i < 16; ++i) append(sixteen_colours, {static_cast<std::uint8_t>(i * 16), i, 85, 0});
    Bytes grey_ramp;
    for (int i = 0; i < 256; ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        append(grey_ramp, {grey, grey, grey, 0});
    }
    bmp_builder::BmpFields no_image_size = bmp_builder::fields_for(9, 3, 4);
    no_image_size.image_size = 0;
    write_seeds(dir, "fuzz_bitmap",
                {bmp_builder::build_bmp_image(5, 3, 1, two_colours, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1}),
                 bmp_builder::build_bmp_image(3, 2, 4, sixteen_colours, {0, 5, 15, 3, 9, 1}),
                 bmp_builder::build_bmp_image(3, 3, 8, grey_ramp, {0, 1, 2, 127, 128, 129, 253, 254, 255}),
                 bmp_builder::build_bmp_image(3, 1, 16, {}, {0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C}),
                 bmp_builder::build_bmp_image(1, 2, 24, {}, {1, 2, 3, 4, 5, 6}),
                 bmp_builder::build_bmp_image(2, 1, 32, {}, {1, 2, 3, 0, 4, 5, 6, 0}),
                 bmp_builder::build_bmp(no_image_size, sixteen_colours, Bytes(4 * 3, 0x12))});

    // Width, height, source and destination bit count (indices 0 to 5 are
    // 1, 4, 8, 16, 24, 32), the two palette sizes (indices 0 to 5 are 0, 8,
    // 60, 64, 1020 and 1024 bytes: source in the low three bits,
    // destination in the next three), a destination size byte (0: none
    // given), then the palettes and the pixels.
    const auto depth_seed = [](std::uint8_t width, std::uint8_t height, std::uint8_t from, std::uint8_t to,
                               std::uint8_t palettes, const std::vector<Bytes>& parts) {
        Bytes out{width, height, from, to, palettes, 0};
        for (const Bytes& part : parts) append(out, part);
        return out;
    };
    Bytes colour_pixels;
    for (std::uint8_t i = 0; i < 4 * 3 * 3; ++i) colour_pixels.push_back(static_cast<std::uint8_t>(i * 7));
    write_seeds(dir, "fuzz_bitmap_depth",
                {depth_seed(4, 3, 4, 1, 0 | 3 << 3, {sixteen_colours, colour_pixels}),
                 depth_seed(3, 2, 0, 2, 1 | 5 << 3, {two_colours, grey_ramp, {0, 1, 1, 0, 1, 0}}),
                 depth_seed(2, 2, 2, 5, 5, {grey_ramp, {0, 64, 128, 255}}),
                 depth_seed(2, 1, 3, 3, 0, {{0x1F, 0x00, 0xE0, 0x03}})});

    // Width (two bytes), height, origin x and y (as 256ths), the
    // transparent value, then the pixels, repeated over the area.
    write_seeds(dir, "fuzz_encode_shape",
                {Bytes{20, 0, 5, 128, 128, 255, 255, 255, 11, 11, 11, 0, 255, 255, 11, 11, 0, 0, 0, 255},
                 Bytes{0x30, 0x04, 2, 0, 255, 0, 1, 2, 3, 3, 3, 3, 0, 0},
                 Bytes{7, 0, 0, 0, 0, 9}});

    // The introduction's text, a zero, the ending's text, a zero, and a
    // Japanese table.
    Bytes subtitles = bytes_of("\\CAn old line\r\nSecond line\r\n\\Rto the right\r\n");
    subtitles.push_back(0);
    append(subtitles, bytes_of("The end\r\n\\Lleft\r\n"));
    subtitles.push_back(0);
    Bytes japanese = subtitles;
    append(japanese, bytes_of("\xEF\xBB\xBF; table\nBG_INTRO\t1\tGUARDIAN\tあ空\nbg_intro\t0x3\tguardian\t長長\r\n"
                              "BG_ENDGAME2\t2\tMENU\tあ\\n改\nBG_ENDGAME2\t9\tMENU\tx\n"));
    write_seeds(dir, "fuzz_tawnix_tables", {subtitles, japanese});
    return 0;
}
