// u7kit check's command line: reads translation files by the rules of the
// program that takes each of them (texts/translation_check.h) and reports
// what they would trip on.
#include "tools/u7kit/u7kit.h"

#include "common/console.h"
#include "texts/translation_check.h"
#include "texts/usecode_tables.h"
#include "charmap/u7charmap.h"
#include "shape/u7shape_utils.h"

#include <variant>

namespace {

constexpr const char* DEFAULT_MAP_FILE = "usecode.map";

const std::vector<const char*> USAGE = {
    "使用方法: u7kit check [オプション] 翻訳ファイル...\n",
    "機    能: 翻訳ファイルを文字マップとフォントで検査します\n",
    "オプション:\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map)\n",
    "       --font ファイル名    フォントファイルの文字数でも検査します\n",
    "       --en ファイル名      英語テキスト(usecode.en.txt)に対する翻訳率を表示します\n",
    "       --format 形式        ファイルの形式: usecode|exultmsg|bgtext\n",
    "                            (ファイル名から判断します)\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
};

}  // namespace

int run_check(int argc, char** argv)
{
    std::string map_file = DEFAULT_MAP_FILE;
    std::string font_file;
    std::string english_file;
    std::string format_name;
    const SubcommandSyntax syntax{
        {{"-m", &map_file}, {"--map", &map_file}, {"--font", &font_file}, {"--en", &english_file}, {"--format", &format_name}},
        {},
        U7KIT_VERSION_BANNER,
        USAGE};
    std::vector<std::string> files;
    if (!parse_subcommand_line(argc, argv, syntax, files, true)) return 1;
    CheckFormat given = CheckFormat::unknown;
    if (!format_name.empty()) {
        given = check_format_by_name(format_name);
        if (given == CheckFormat::unknown) {
            console_printf("ERROR: 不正な形式です: %s\n", format_name.c_str());
            return 1;
        }
    }
    if (files.empty()) {
        console_printf("ERROR: 検査する翻訳ファイルがありません\n");
        return 1;
    }
    std::vector<CheckFormat> formats;
    for (const std::string& file : files) {
        formats.push_back(given != CheckFormat::unknown ? given : check_format_of_file(file));
        if (formats.back() == CheckFormat::unknown) {
            console_printf("ERROR: ファイルの形式が分かりません(--formatで指定してください): %s\n", file.c_str());
            return 1;
        }
    }
    if (load_charmap(map_file.c_str()) != 0) {
        console_printf("ERROR: %s を読み込めません\n", map_file.c_str());
        return 1;
    }

    CheckSettings settings;
    if (!font_file.empty()) {
        FlexArchivePtr fonts;
        if (read_flexfile_with_readfunc(&fonts, font_file.c_str(), read_shape_from_buffer) != 0) {
            console_printf("ERROR: %s を読み込めません\n", font_file.c_str());
            return 1;
        }
        for (const FlexEntry& entry : fonts->entries) {
            const Shape* shape = std::get_if<Shape>(&entry.object);
            settings.font_glyphs.push_back(shape != nullptr ? shape->count() : 0);
        }
        free_flexfile(fonts);
    }
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
