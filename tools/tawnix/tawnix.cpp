// The tawnix run: command line, load and split, English export, Japanese
// conversion and the new archive.
#include "tools/tawnix/tawnix.h"

#include "texts/bg_text.h"

#include "common/command_line.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "charmap/u7charmap.h"
#include "archive/u7data_utils.h"

#include <new>

namespace {

// 0 never, 1 always, 2 automatic: export only while the English file does
// not exist, convert only when the Japanese file exists.
enum RunMode : int { MODE_NEVER = 0, MODE_ALWAYS = 1, MODE_AUTOMATIC = 2 };

struct TawnixSettings {
    std::optional<std::string> data_file;
    std::string output_file = "mainshp.flx.new";
    std::string map_file = "usecode.map";
    std::string english_file = "bg_text.en.txt";
    std::string japanese_file = "bg_text.ja.txt";
    int export_mode = MODE_AUTOMATIC;
    int conversion_mode = MODE_AUTOMATIC;
};

constexpr const char* USAGE[] = {
    "使用方法: tawnix [オプション] [データファイル]\n",
    "機    能: MAINSHP.FLXのイントロ／エンディング字幕を抽出／日本語に変更します\n",
    "オプション:\n",
    "    -o       ファイル名     指定したファイルに新しいデータを出力します\n",
    "                            (mainshp.flx.new)\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map)\n",
    "       --ja  ファイル名     指定したファイルから日本語テキストを読み込みます\n",
    "                            (bg_text.ja.txt)\n",
    "       --en  ファイル名     指定したファイルに英語テキストを出力します\n",
    "                            (bg_text.en.txt)\n",
    "\n",
    "       --write-en-text      英語テキストをファイルに出力します\n",
    "       --no-write-en-text   英語テキストをファイルに出力しません\n",
    "       --conv-ja-text       日本語に変更したデータファイルを作成します\n",
    "       --no-conv-ja-text    日本語に変更したデータファイルを作成しません\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "データファイルを指定しないときは MAINSHP.FLX を読みます\n",
    "\n",
};

// Fills settings from the arguments.  false when the command line ends the
// program with status 1 (usage, version, errors).
bool parse_tawnix_command_line(int argc, char** argv, TawnixSettings& settings)
{
    const FileNameOption file_options[] = {
        {"-o", &settings.output_file},    {"-m", &settings.map_file},          {"--map", &settings.map_file},
        {"--en", &settings.english_file}, {"--ja", &settings.japanese_file},
    };
    const FlagOption flags[] = {
        {"--write-en-text", &settings.export_mode, MODE_ALWAYS},
        {"--no-write-en-text", &settings.export_mode, MODE_NEVER},
        {"--conv-ja-text", &settings.conversion_mode, MODE_ALWAYS},
        {"--no-conv-ja-text", &settings.conversion_mode, MODE_NEVER},
    };
    CommandLineSyntax syntax{file_options, "tawnix - Ultima VII Black Gate intro/endgate text replace utility %s\n",
                             USAGE};
    syntax.flags = flags;
    return parse_command_line(argc, argv, syntax, settings.data_file);
}

// Neither output may replace an input (the game's archive, the map or the
// translator's table), nor the English table the new archive.  Prints the
// refusal and returns true when one would.
bool output_overwrites_input(const TawnixSettings& settings, const std::string& data_file)
{
    return output_is_an_input(settings.output_file, {data_file, settings.map_file, settings.japanese_file}) ||
           output_is_an_input(settings.english_file,
                              {data_file, settings.map_file, settings.japanese_file, settings.output_file});
}

// Reads the map and the Japanese table and writes the new archive.  0, or
// the exit status after the reason.
int convert_japanese_text(const TawnixSettings& settings, FlexArchive& archive, SubtitleTables& tables)
{
    if (load_charmap(settings.map_file.c_str()) < 0) {
        console_printf("ERROR: %s を読み込めません\n", settings.map_file.c_str());
        return 1;
    }
    if (read_japanese_text_file(archive, tables, settings.japanese_file.c_str()) <= 0) {
        console_printf("ERROR: %s を読み込めません\n", settings.japanese_file.c_str());
        return 1;
    }
    console_printf("新しいMAINSHP.FLXを作成します\n");
    if (write_flexfile(&archive, settings.output_file.c_str()) < 0) {
        console_printf("ERROR: %s を作成できません\n", settings.output_file.c_str());
        return 1;
    }
    free_charmap();
    return 0;
}

int run(int argc, char** argv)
{
    TawnixSettings settings;
    if (!parse_tawnix_command_line(argc, argv, settings)) return 1;
    const std::string data_file = settings.data_file.value_or("MAINSHP.FLX");
    if (output_overwrites_input(settings, data_file)) return 1;

    register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
    register_flexfile_readfunc(ENTRY_TEXT, read_text_from_buffer);
    FlexArchivePtr archive;
    if (read_flexfile(&archive, data_file.c_str(), subtitle_type_runs) != 0) {
        console_printf("ERROR: %s を読み込めません\n", data_file.c_str());
        return -1;
    }
    SubtitleTables tables;
    if (load_subtitle_tables(*archive, tables, data_file.c_str()) != 0) return -1;

    int done = 0;
    const bool export_english = settings.export_mode == MODE_ALWAYS ||
                                (settings.export_mode == MODE_AUTOMATIC && !path_exists(settings.english_file));
    if (export_english) {
        if (write_english_text_file(settings.english_file.c_str(), tables) != 0) return 1;
        ++done;
    }
    const bool convert = settings.conversion_mode == MODE_ALWAYS ||
                         (settings.conversion_mode == MODE_AUTOMATIC && path_exists(settings.japanese_file));
    if (convert) {
        if (const int status = convert_japanese_text(settings, *archive, tables); status != 0) return status;
        ++done;
    }

    free_subtitle_tables(tables);
    free_flexfile(archive);
    console_printf(done > 0 ? "処理完了\n" : "何もすることがありません\n");
    return 0;
}

}  // namespace

int run_tawnix(int argc, char** argv)
{
    try {
        const int status = run(argc, argv);
        free_charmap();
        return status;
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted("tawnix", __LINE__);
    }
}
