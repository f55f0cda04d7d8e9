// u7kit check's command line: reads translation files by the rules of the
// program that takes each of them (texts/translation_check.h) and reports
// what they would trip on.
#include "tools/u7kit/u7kit.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "texts/translation_check.h"
#include "texts/usecode_tables.h"
#include "charmap/u7charmap.h"
#include "fonts/font_table.h"
#include "shape/shape_view.h"

#include <filesystem>
#include <map>

namespace {

constexpr const char* DEFAULT_MAP_FILE = "usecode.map";

const std::vector<const char*> USAGE = {
    "使用方法: u7kit check [オプション] 翻訳ファイル...\n",
    "機    能: 翻訳ファイルを文字マップとフォントで検査します\n",
    "オプション:\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map)\n",
    "       --game-dir フォルダ  ゲームのフォルダのフォントの文字数でも検査します\n",
    "                            (FONTS.VGA, MAINSHP.FLX, ENDGAME.DAT, INTRO.DAT)\n",
    "       --game bg|si         このゲームのフォント表を使います\n",
    "                            (bg)\n",
    "       --font-table ファイル名\n",
    "                            このフォント表を使います\n",
    "       --en ファイル名      英語テキスト(usecode.en.txt)に対する翻訳率を表示します\n",
    "       --format 形式        ファイルの形式: usecode|exultmsg|bgtext\n",
    "                            (ファイル名から判断します)\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
};

// Keeps nothing of an entry: the archive's bytes stay with the caller.
std::int32_t keep_no_object(EntryObject*, const std::uint8_t*, std::int32_t, std::int32_t)
{
    return ENTRY_RAW;
}

struct GameArchive {
    std::string path;  // empty: not in the folder
    std::vector<std::uint8_t> image;
    FlexTable table;
};

// The glyph count of each tag's font, read from its archive in the game's
// folder.  An archive or a font that is not there is named in a warning
// and its tags go unchecked.  0, or -1 after a message.
int read_game_fonts(const std::string& folder, const FontTable& font_table, CheckSettings& settings)
{
    std::error_code error;
    if (!std::filesystem::is_directory(path_from_utf8(folder), error)) {
        console_printf("ERROR: ゲームのフォルダがありません: %s\n", folder.c_str());
        return -1;
    }
    std::map<std::string, GameArchive> archives;
    std::map<std::string, std::string> missing_tags;  // archive name: its tags
    for (const FontTag tag : ALL_FONT_TAGS) {
        const FontTableRow* row = find_font(font_table, tag);
        if (row == nullptr) continue;
        auto [at, added] = archives.try_emplace(row->archive);
        GameArchive& archive = at->second;
        if (added) {
            archive.path = find_game_file(folder, row->archive);
            if (!archive.path.empty() &&
                (!read_flexfile_image(archive.path.c_str(), archive.image) ||
                 read_flex_table_from_memory(archive.table, archive.image.data(), archive.image.size(),
                                             archive.path.c_str(), keep_no_object) != 0)) {
                console_printf("ERROR: %s を読み込めません\n", archive.path.c_str());
                return -1;
            }
        }
        if (archive.path.empty()) {
            std::string& tags = missing_tags[row->archive];
            if (!tags.empty()) tags += ',';
            tags += font_tag_name(tag);
            continue;
        }
        const auto entry = static_cast<std::size_t>(row->entry);
        const std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        if (entry < archive.table.entries.size() && !archive.table.entries[entry].empty()) {
            data = archive.image.data() + archive.table.entries[entry].offset;
            size = archive.table.entries[entry].size;
        }
        if (data == nullptr || read_shape_view(data, static_cast<std::int32_t>(size), nullptr, false) != ENTRY_SHAPE) {
            console_printf("WARNING: %s/%s [%d] はフォントではありません: フォント%sの文字数は検査しません\n",
                           folder.c_str(), row->archive.c_str(), row->entry, font_tag_name(tag));
            continue;
        }
        settings.fonts[static_cast<std::size_t>(tag)] =
            CheckFont{static_cast<int>(shape_view_frame_count(data, size)), row->archive, row->entry};
    }
    for (const auto& [name, tags] : missing_tags) {
        console_printf("WARNING: %s/%s がありません: フォント%sの文字数は検査しません\n", folder.c_str(), name.c_str(),
                       tags.c_str());
    }
    return 0;
}

}  // namespace

bool translation_file_formats(const std::string& format_name, const std::vector<std::string>& files,
                              const char* no_files_message, std::vector<CheckFormat>& formats)
{
    CheckFormat given = CheckFormat::unknown;
    if (!format_name.empty()) {
        given = check_format_by_name(format_name);
        if (given == CheckFormat::unknown) {
            console_printf("ERROR: 不正な形式です: %s\n", format_name.c_str());
            return false;
        }
    }
    if (files.empty()) {
        console_printf("%s", no_files_message);
        return false;
    }
    formats.clear();
    for (const std::string& file : files) {
        formats.push_back(given != CheckFormat::unknown ? given : check_format_of_file(file));
        if (formats.back() == CheckFormat::unknown) {
            console_printf("ERROR: ファイルの形式が分かりません(--formatで指定してください): %s\n", file.c_str());
            return false;
        }
    }
    return true;
}

int run_check(int argc, char** argv)
{
    std::string map_file = DEFAULT_MAP_FILE;
    std::string game_dir;
    std::string game_name;
    std::string font_table_file;
    std::string english_file;
    std::string format_name;
    const SubcommandSyntax syntax{{{"-m", &map_file},
                                   {"--map", &map_file},
                                   {"--game-dir", &game_dir},
                                   {"--game", &game_name},
                                   {"--font-table", &font_table_file},
                                   {"--en", &english_file},
                                   {"--format", &format_name}},
                                  {},
                                  U7KIT_VERSION_BANNER,
                                  USAGE};
    std::vector<std::string> files;
    if (!parse_subcommand_line(argc, argv, syntax, files, true)) return 1;
    std::vector<CheckFormat> formats;
    if (!translation_file_formats(format_name, files, "ERROR: 検査する翻訳ファイルがありません\n", formats)) return 1;
    const std::optional<FontTable> font_table = font_table_from_options(game_name, font_table_file);
    if (!font_table) return 1;
    if (load_charmap(map_file.c_str()) != 0) {
        console_printf("ERROR: %s を読み込めません\n", map_file.c_str());
        return 1;
    }

    CheckSettings settings;
    if (!game_dir.empty() && read_game_fonts(game_dir, *font_table, settings) != 0) return 1;
    EnglishTable english;
    if (!english_file.empty()) {
        if (read_english_texts(english, english_file.c_str()) != 0) {
            console_printf("ERROR: %s を読み込めません\n", english_file.c_str());
            return 1;
        }
        settings.english = &english;
        settings.english_lines = static_cast<int>(english.entries.size());
    }

    CheckReport report;
    check_charmap_codes(map_file.c_str(), report);
    bool unreadable = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (check_translation_file(files[i].c_str(), formats[i], settings, report) != 0) {
            console_printf("ERROR: %s を読み込めません\n", files[i].c_str());
            unreadable = true;
        }
    }
    print_check_summary(report, settings);
    if (unreadable || report.faults != 0) {
        console_printf("ERROR: 問題が%d件あります\n", report.faults);
        return 1;
    }
    console_printf("INFORMATION: 問題はありません\n");
    return 0;
}
