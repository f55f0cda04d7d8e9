// subtitles: frame 0 of each of the seven subtitle shapes of ENDSHAPE.FLX
// decoded and written as a BMP in sibrel_bmp's three colours, ready to be
// drawn over and put back with sibrel_bmp.
#include "tools/u7kit/u7kit.h"

#include "archive/u7data_utils.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "shape/u7shape_utils.h"
#include "subtitle/subtitle_frames.h"

#include <array>
#include <cerrno>
#include <variant>

namespace {

constexpr const char* DEFAULT_ARCHIVE = "ENDSHAPE.FLX";
constexpr const char* DEFAULT_PREFIX = "sibrel.";

const std::vector<const char*> USAGE = {
    "使用方法: u7kit subtitles [オプション] [画像データファイル]\n",
    "機    能: ENDSHAPE.FLXのイントロ字幕画像をBMPファイルに書き出します\n",
    "オプション:\n",
    "    -n ファイル名           字幕用BMP画像を ファイル名 + 番号 + \".bmp\" に\n",
    "                            書き出します\n",
    "                            番号は1～7\n",
    "                            (sibrel.)\n",
    "       --palette ファイル名 3色以外の色をこのパレットファイルのパレット0で\n",
    "                            近い色に置き換えます\n",
    "       --force              既にあるBMPファイルを上書きします\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "画像データファイルを指定しないときは ENDSHAPE.FLX を読みます\n",
    "\n",
};

void print_bmp_exists(const std::string& name)
{
    console_printf("ERROR: BMPファイルが既にあります(上書きするときは--force): %s\n", name.c_str());
}

}  // namespace

int run_subtitles(int argc, char** argv)
{
    std::string prefix = DEFAULT_PREFIX;
    std::string palette_file;
    bool force = false;
    const SubcommandSyntax syntax{{{"-n", &prefix}, {"--palette", &palette_file}},
                                  {{"--force", &force}},
                                  U7KIT_VERSION_BANNER,
                                  USAGE};
    std::vector<std::string> inputs;
    if (!parse_subcommand_line(argc, argv, syntax, inputs, false)) return 1;
    if (!subtitle_prefix_fits(prefix)) return 1;
    const std::string archive_file = inputs.empty() ? DEFAULT_ARCHIVE : inputs[0];

    // Every image is checked before anything is read or written: none may
    // be an input, and none may replace a translator's drawing unasked.
    std::vector<std::string> names;
    for (int number = 1; number <= SUBTITLE_IMAGE_COUNT; ++number) {
        names.push_back(subtitle_bmp_name(prefix.c_str(), number));
    }
    for (const std::string& name : names) {
        if (output_is_an_input(name, {archive_file, palette_file})) return 1;
    }
    if (!force) {
        for (const std::string& name : names) {
            if (path_exists(name)) {
                print_bmp_exists(name);
                return 1;
            }
        }
    }

    RgbPalette game_palette{};
    const RgbPalette* palette = nullptr;
    if (load_palette_option(palette_file, game_palette, &palette) != 0) return 1;

    register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
    register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);
    FlexArchivePtr archive;
    if (read_flexfile(&archive, archive_file.c_str(), SUBTITLE_ARCHIVE_TYPES) != 0) {
        console_printf("ERROR: %s を読み込めません\n", archive_file.c_str());
        return 1;
    }
    if (check_subtitle_entries(*archive) != 0) {
        free_flexfile(archive);
        return 1;
    }
    std::vector<SubtitleExport> images(SUBTITLE_IMAGE_COUNT);
    std::size_t other_colours = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int entry = subtitle_entries[i];
        const Shape& shape = std::get<Shape>(archive->entries[static_cast<std::size_t>(entry)].object);
        if (export_subtitle_frame(shape, entry, palette, images[i]) != 0) {
            free_flexfile(archive);
            return 1;
        }
        other_colours += images[i].other_colours;
    }
    free_flexfile(archive);

    // All seven are written beside their names first, and none is put in
    // place unless every one is complete.  Without --force each goes in
    // place only while no file has its name, so two runs never replace
    // each other's templates; a run that meets one takes back those it
    // put in place.
    std::array<ReplacingFile, SUBTITLE_IMAGE_COUNT> files;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const char* name = names[i].c_str();
        if (files[i].open(name, "wb") != 0) {
            print_open_error(name);
            console_printf("ERROR: %s を作成できません\n", name);
            return 1;
        }
        errno = 0;
        if (write_subtitle_bmp_to_stream(files[i].get(), images[i].indices) != 0 || files[i].close() != 0) {
            console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, name);
            console_printf("ERROR: %s を作成できません\n", name);
            return 1;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if ((force ? files[i].commit() : files[i].commit_new()) == 0) continue;
        if (!force && errno == EEXIST) {
            print_bmp_exists(names[i]);
        } else {
            console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, names[i].c_str());
            console_printf("ERROR: %s を作成できません\n", names[i].c_str());
        }
        if (!force) {
            for (std::size_t j = 0; j < i; ++j) remove_file(names[j]);
        }
        return 1;
    }
    if (other_colours != 0) {
        console_printf("WARNING: 字幕の3色以外の色の画素が%zu個あります(近い色に置き換えました)\n", other_colours);
    }
    console_printf("処理完了\n");
    return 0;
}
