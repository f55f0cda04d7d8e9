// Writes a seed corpus for every fuzz target, built with the same builders
// as the tests: write_fuzz_seeds DIR makes DIR/<target>/seed_N files.
#include "u7_test_builders.h"

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
    write_seeds(dir, "fuzz_quoted_text", {bytes_of("\"a\\tb\\\"c\""), bytes_of("a\tb\t\"c,d\"\t\xE3\x81\x82")});
    return 0;
}
