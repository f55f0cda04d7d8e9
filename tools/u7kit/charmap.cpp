// charmap: the character map extended by every character the translation
// files use and the map lacks (charmap/charmap_extend.h).  The files are
// read as u7kit check reads them, so a file the programs would refuse gives
// no map.
#include "tools/u7kit/u7kit.h"

#include "charmap/charmap_extend.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "texts/translation_check.h"

namespace {

constexpr const char* DEFAULT_MAP_FILE = "usecode.map";
constexpr const char* DEFAULT_NEW_MAP_FILE = "usecode.map.new";

const std::vector<const char*> USAGE = {
    "使用方法: u7kit charmap [オプション] 翻訳ファイル...\n",
    "機    能: 翻訳ファイルの文字で文字マップにないものにコードを割り当てます\n",
    "オプション:\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map、ないときは空の表から始めます)\n",
    "    -o       ファイル名     指定したファイルに新しい文字マップを出力します\n",
    "                            (usecode.map.new)\n",
    "       --format 形式        ファイルの形式: usecode|exultmsg|bgtext\n",
    "                            (ファイル名から判断します)\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
};

}  // namespace

int run_charmap(int argc, char** argv)
{
    std::string map_file = DEFAULT_MAP_FILE;
    std::string new_map_file = DEFAULT_NEW_MAP_FILE;
    std::string format_name;
    const SubcommandSyntax syntax{
        {{"-m", &map_file}, {"--map", &map_file}, {"-o", &new_map_file}, {"--format", &format_name}},
        {},
        U7KIT_VERSION_BANNER,
        USAGE};
    std::vector<std::string> files;
    if (!parse_subcommand_line(argc, argv, syntax, files, true)) return 1;
    std::vector<CheckFormat> formats;
    if (!translation_file_formats(format_name, files, "ERROR: 文字を集める翻訳ファイルがありません\n", formats)) return 1;
    // The old map is the translator's work and the translations are read:
    // the new map replaces neither.
    std::vector<std::string> inputs = files;
    inputs.push_back(map_file);
    if (output_is_an_input(new_map_file, inputs)) return 1;

    std::string old_map;
    if (load_charmap_for_extension(map_file.c_str(), old_map) != 0) return 1;

    CheckSettings settings;
    settings.map_checked = false;
    CheckReport report;
    // An unreadable file counts among the check's faults.
    bool unreadable = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (check_translation_file(files[i].c_str(), formats[i], settings, report) != 0) {
            console_printf("ERROR: %s を読み込めません\n", files[i].c_str());
            unreadable = true;
        }
    }
    if (unreadable || report.faults != 0) {
        console_printf("ERROR: 翻訳ファイルに問題が%d件あります(文字マップは作成しません)\n", report.faults);
        return 1;
    }

    CharacterSet used;
    for (const auto& [character, count] : report.characters) used.insert(character);
    const CharmapExtension extension = extend_charmap(old_map, current_charmap(), used);
    if (extension.unassigned != 0) {
        print_charmap_extension(extension);
        return 1;
    }
    const auto write_map = [&extension](std::FILE* file) {
        return std::fwrite(extension.text.data(), 1, extension.text.size(), file) == extension.text.size() ? 0 : -1;
    };
    // Written as bytes: the new lines end as the old map's do.
    if (write_whole_file(new_map_file.c_str(), write_map, "wb") != 0) {
        console_printf("ERROR: %s を作成できません\n", new_map_file.c_str());
        return 1;
    }
    print_charmap_extension(extension);
    console_printf("処理完了\n");
    return 0;
}
