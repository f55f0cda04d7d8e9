// fonts: the Japanese glyphs of the character map built into the game's
// fonts from the font files a recipe names, in the look of each font's
// English glyphs; and --export, a starting recipe for the fonts found.
//
// The recipe, a text file of the toolkit's conventions, one font a line:
//
//   ; TARGET <TAB> GLYPHS <TAB> SIZE <TAB> STYLE <TAB> COLOURS
//   NORMAL	/usr/share/fonts/X11/misc/shnmk12.pcf.gz	12	auto	auto
//   FONTS.VGA:2	/usr/share/fonts/truetype/misaki/misaki_gothic.ttf	8	plain	0
//
// Everything is read, opened and checked first; the archives are written
// only once every font is built, each as its lower-case name plus ".new"
// beside it.
#include "tools/u7kit/u7kit.h"

#include "archive/u7data_utils.h"
#include "charmap/charmap_extend.h"
#include "charmap/u7charmap.h"
#include "common/console.h"
#include "common/file_utils.h"
#include "common/line_reader.h"
#include "common/table_line.h"
#include "common/text_utils.h"
#include "glyphs/font_build.h"
#include "glyphs/glyph_frame.h"
#include "glyphs/source_font.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

constexpr const char* DEFAULT_RECIPE_FILE = "fonts.recipe.txt";
constexpr const char* DEFAULT_MAP_FILE = "usecode.map";
constexpr std::size_t RECIPE_LINE_MAX = 4095;
constexpr std::int32_t LARGEST_SIZE = 1024;

// The sources --export suggests: the 12-pixel gothic of xfonts-shinonome
// beside the conversation fonts, the 8-pixel misaki gothic beside the small
// one-colour fonts.
constexpr const char* SUGGESTED_LARGE_SOURCE = "/usr/share/fonts/X11/misc/shnmk12.pcf.gz";
constexpr int SUGGESTED_LARGE_SIZE = 12;
constexpr const char* SUGGESTED_SMALL_SOURCE = "/usr/share/fonts/truetype/misaki/misaki_gothic.ttf";
constexpr int SUGGESTED_SMALL_SIZE = 8;

const std::vector<const char*> USAGE = {
    "使用方法: u7kit fonts [オプション] [レシピファイル]\n",
    "機    能: 文字マップの日本語の文字をレシピのフォントファイルからゲームのフォントに作ります\n",
    "          (アーカイブごとに小文字の名前.new を書き出します)\n",
    "オプション:\n",
    "    -m|--map ファイル名     指定したファイルから文字コード対応表を読み込みます\n",
    "                            (usecode.map)\n",
    "       --game bg|si         このゲームのフォント表を使います(bg)\n",
    "       --font-table ファイル名\n",
    "                            このフォント表を使います\n",
    "       --export             今のフォルダにあるフォントのレシピの雛形を書き出します\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "レシピファイルを指定しないときは fonts.recipe.txt を読みます\n",
    "レシピの1行: フォント<TAB>フォントファイル<TAB>大きさ<TAB>スタイル<TAB>色\n",
    "    フォント: フォントタグ(NORMALなど)またはアーカイブ:エントリ(FONTS.VGA:0など)\n",
    "    スタイル: plain|outline|shadow|outline+shadow|bands|auto\n",
    "    色:       auto または パレット番号 本体[,縁]\n",
    "\n",
};

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y)) return false;
    }
    return true;
}

std::string lower_case(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return text;
}

// A whole field as a number (decimal, 0x hexadecimal or 0-prefixed octal),
// no sign, no blanks, in [low, high].
bool read_field_number(std::string_view field, long long low, long long high, long long& value)
{
    return read_table_number(field, false, value) && value >= low && value <= high;
}

// One recipe line, read.
struct RecipeLine {
    int line_number = 0;
    std::string line;              // for the columns of later faults
    std::string target_name;
    FontTarget target;
    std::string source;
    std::int32_t size = 0;
    std::optional<GlyphDesign> design;   // nothing: auto
    bool auto_colours = true;
    std::uint8_t body = 0;
    std::optional<std::uint8_t> edge;
    std::size_t source_at = 0;     // byte positions of the fields, for faults
    std::size_t size_at = 0;
    std::size_t style_at = 0;
};

struct RecipeReader : TableLineFaults {
    const FontTable* table = nullptr;

    void read_record(std::vector<RecipeLine>& recipe)
    {
        const TableFields fields(line);
        const std::vector<std::size_t>& starts = fields.starts;
        auto field = [&](std::size_t k) { return fields[k]; };
        if (starts.size() < 5) {
            fault(line.size(), "フィールドが足りません(フォント、フォントファイル、大きさ、スタイル、色の5つ)");
            return;
        }
        if (starts.size() > 5) {
            fault(starts[5] - 1, "フィールドが多すぎます(フォント、フォントファイル、大きさ、スタイル、色の5つ)");
            return;
        }
        RecipeLine entry;
        entry.line_number = line_number;
        entry.line = std::string(line);
        bool good = true;
        entry.target_name = std::string(field(0));
        std::string why;
        if (const std::optional<FontTarget> target = font_target_by_name(*table, entry.target_name, why)) {
            entry.target = *target;
        } else {
            fault(starts[0], why);
            good = false;
        }
        entry.source = std::string(field(1));
        entry.source_at = starts[1];
        if (entry.source.empty()) {
            fault(starts[1], "フォントファイルがありません");
            good = false;
        }
        long long number = 0;
        entry.size_at = starts[2];
        if (!read_field_number(field(2), 1, LARGEST_SIZE, number)) {
            fault(starts[2], "大きさが不正です(1から" + std::to_string(LARGEST_SIZE) + "ピクセル): " + std::string(field(2)));
            good = false;
        } else {
            entry.size = static_cast<std::int32_t>(number);
        }
        entry.style_at = starts[3];
        if (field(3) != "auto") {
            entry.design = parse_glyph_design(field(3));
            if (!entry.design) {
                fault(starts[3], "不明なスタイルです(plain、outline、shadow、outline+shadow、bands、auto): " +
                                     std::string(field(3)));
                good = false;
            }
        }
        const std::string_view colours = field(4);
        if (colours != "auto") {
            entry.auto_colours = false;
            const std::size_t comma = colours.find(',');
            const std::string_view body = colours.substr(0, comma);
            if (!read_field_number(body, 0, 255, number)) {
                fault(starts[4], "色が不正です(autoまたは0から255のパレット番号 本体[,縁]): " + std::string(colours));
                return;
            }
            entry.body = static_cast<std::uint8_t>(number);
            if (comma != std::string_view::npos) {
                if (!read_field_number(colours.substr(comma + 1), 0, 255, number)) {
                    fault(starts[4] + comma + 1,
                          "色が不正です(autoまたは0から255のパレット番号 本体[,縁]): " + std::string(colours));
                    return;
                }
                entry.edge = static_cast<std::uint8_t>(number);
            }
            const bool edged = entry.design && *entry.design != GlyphDesign::plain && *entry.design != GlyphDesign::bands;
            if (edged && !entry.edge) {
                fault(starts[4], "このスタイルには縁の色が要ります: " + std::string(field(3)));
                good = false;
            }
        }
        if (good) recipe.push_back(std::move(entry));
    }
};

std::optional<std::vector<RecipeLine>> read_recipe(const char* path, const FontTable& table)
{
    FilePtr file = open_file(path, "rb");
    if (!file) {
        console_printf("ERROR: %s を読み込めません\n", path);
        return std::nullopt;
    }
    std::vector<RecipeLine> recipe;
    RecipeReader reader;
    reader.path = path;
    reader.table = &table;
    LineReader lines(file.get(), RECIPE_LINE_MAX);
    while (reader.next_record(lines)) reader.read_record(recipe);
    if (lines.failed()) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", path, reader.line_number + 1);
        return std::nullopt;
    }
    if (reader.faults != 0) return std::nullopt;
    if (recipe.empty()) {
        console_printf("ERROR: レシピにフォントがありません: %s\n", path);
        return std::nullopt;
    }
    return recipe;
}

// A fault found after reading, at a field of its recipe line.
void recipe_fault(const char* path, const RecipeLine& entry, std::size_t position, const std::string& what)
{
    RecipeReader reader;
    reader.path = path;
    reader.line_number = entry.line_number;
    reader.line = entry.line;
    reader.fault(position, what);
}

// A library message "ERROR: ...\n" without its level and line end.
std::string message_text(const std::string& message)
{
    std::string text = message;
    if (text.rfind("ERROR: ", 0) == 0) text.erase(0, 7);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// Every entry of the map whose name is one character of two or more bytes
// and whose code is a glyph code.
std::vector<GlyphCode> glyph_codes_of_map()
{
    std::vector<GlyphCode> codes;
    const CharMap& map = current_charmap();
    for (const CharMapEntry& entry : map.entries) {
        const unsigned char first = entry.name.empty() ? 0 : static_cast<unsigned char>(entry.name[0]);
        if (first < 0x80 || utf8_char_length(first) != static_cast<int>(entry.name.size())) continue;
        const unsigned character = decode_utf8_char(entry.name.c_str());
        if (character == 0) continue;
        const int code = get_code_value(entry.code.data());
        if (code < FIRST_GLYPH_CODE || code > LAST_GLYPH_CODE) continue;
        codes.push_back(GlyphCode{code, static_cast<char32_t>(character)});
    }
    return codes;
}

std::string utf8_of(char32_t c)
{
    std::string out;
    append_utf8_char(out, c);
    return out;
}

// The code column a map limit takes for a code number.
std::string limit_code_column(int number)
{
    if (number >= FIRST_GLYPH_CODE) return code_column(code_bytes_of_number(number));
    char item[8];
    std::snprintf(item, sizeof item, "0x%02X", static_cast<unsigned>(number));
    return item;
}

std::string file_name_of(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// One archive the recipe touches.
struct ArchiveWork {
    std::string path;    // as found
    std::string output;  // its lower-case name plus ".new", beside it
    std::vector<int> fonts;
    FlexArchivePtr archive;
};

int export_recipe(const std::string& recipe_file, const FontTable& table)
{
    if (path_exists(recipe_file)) {
        print_file_exists(recipe_file.c_str());
        return 1;
    }
    std::string text =
        "; u7kit fonts のレシピ: フォント<TAB>フォントファイル<TAB>大きさ<TAB>スタイル<TAB>色\n"
        "; スタイル: plain|outline|shadow|outline+shadow|bands|auto (autoは英字から測ります)\n"
        "; 色: auto または パレット番号 本体[,縁]\n";
    int fonts = 0;
    std::vector<std::pair<std::string, int>> done;
    for (const FontTableRow& row : table.rows) {
        const std::string path = find_game_file("", row.archive);
        if (path.empty()) continue;
        const std::pair<std::string, int> key{lower_case(file_name_of(path)), row.entry};
        if (std::find(done.begin(), done.end(), key) != done.end()) continue;
        done.push_back(key);
        // An archive without that entry does not hold the font: no fault.
        FlexArchivePtr archive;
        if (read_archive_with_fonts(path, {}, archive, path) != 0) continue;
        if (static_cast<std::size_t>(row.entry) >= archive->entries.size()) continue;
        if (read_archive_with_fonts(path, {row.entry}, archive, path) != 0) {
            console_printf("WARNING: フォント%sを飛ばします\n", font_tag_name(row.tag));
            continue;
        }
        const Shape& font = std::get<Shape>(archive->entries[static_cast<std::size_t>(row.entry)].object);
        const std::optional<GlyphStyle> style = measure_font_style(font);
        const bool small = style && style->design == GlyphDesign::plain;
        text += std::string(font_tag_name(row.tag)) + "\t" + (small ? SUGGESTED_SMALL_SOURCE : SUGGESTED_LARGE_SOURCE) +
                "\t" + std::to_string(small ? SUGGESTED_SMALL_SIZE : SUGGESTED_LARGE_SIZE) + "\tauto\tauto\n";
        console_printf("INFORMATION: フォント%s: %s [%d] (%s)\n", font_tag_name(row.tag), path.c_str(), row.entry,
                       style ? glyph_design_name(style->design) : "英字なし");
        ++fonts;
    }
    if (fonts == 0) {
        console_printf("ERROR: フォント表のフォントがこのフォルダにありません\n");
        return 1;
    }
    const int written = write_whole_file(
        recipe_file.c_str(),
        [&](std::FILE* stream) { return std::fwrite(text.data(), 1, text.size(), stream) == text.size() ? 0 : -1; },
        "wt", ExistingFile::keep);
    if (written != 0) return 1;
    console_printf("INFORMATION: フォント%d個のレシピを書き出しました: %s\n", fonts, recipe_file.c_str());
    console_printf("処理完了\n");
    return 0;
}

}  // namespace

std::optional<FontTarget> font_target_by_name(const FontTable& table, const std::string& name, std::string& fault)
{
    if (const std::optional<FontTag> tag = font_tag_by_name(name)) {
        const FontTableRow* row = find_font(table, *tag);
        if (row == nullptr) {
            fault = "フォント表にないフォントです: " + name;
            return std::nullopt;
        }
        return FontTarget{row->archive, row->entry, row->lead};
    }
    const std::size_t colon = name.rfind(':');
    long long entry = 0;
    if (colon == std::string::npos || colon == 0 ||
        !read_field_number(std::string_view(name).substr(colon + 1), 0, INT_MAX, entry)) {
        fault = "不明なフォントです(フォントタグまたはアーカイブ:エントリ): " + name;
        return std::nullopt;
    }
    FontTarget target{name.substr(0, colon), static_cast<int>(entry), 0};
    const std::vector<FontTag> tags = font_tags_of_entry(table, target.archive, target.entry);
    if (!tags.empty()) target.lead = find_font(table, tags[0])->lead;
    return target;
}

std::string find_game_file(const std::string& folder, const std::string& name)
{
    const std::string direct = folder.empty() ? name : folder + "/" + name;
    if (path_exists(direct)) return direct;
    // A name with a folder of its own is looked for in that folder.
    const std::string where = folder_of(direct);
    const std::string wanted = file_name_of(direct);
    std::error_code error;
    std::filesystem::directory_iterator entries(path_from_utf8(where.empty() ? "." : where), error);
    if (error) return {};
    for (const std::filesystem::directory_entry& entry : entries) {
        const std::string found = utf8_from_path(entry.path().filename());
        if (equal_ignoring_case(found, wanted)) return where + found;
    }
    return {};
}

int read_archive_with_fonts(const std::string& path, const std::vector<int>& font_entries, FlexArchivePtr& archive,
                            const std::string& where)
{
    if (read_flexfile_with_readfunc(&archive, path.c_str(), read_data_from_buffer) != 0) return -1;
    for (const int index : font_entries) {
        if (index < 0 || static_cast<std::size_t>(index) >= archive->entries.size()) {
            console_printf("ERROR: %s: %s にエントリ%dがありません(エントリ数%d)\n", where.c_str(), path.c_str(), index,
                           archive->count);
            return -1;
        }
        FlexEntry& entry = archive->entries[static_cast<std::size_t>(index)];
        if (std::holds_alternative<Shape>(entry.object)) continue;
        const auto* raw = std::get_if<RawData>(&entry.object);
        std::int32_t type = -1;
        if (raw != nullptr && !raw->bytes.empty()) {
            EntryObject shape;
            type = read_shape_from_buffer(&shape, raw->bytes.data(), static_cast<std::int32_t>(raw->bytes.size()), index);
            if (type == ENTRY_SHAPE) {
                entry.object = std::move(shape);
                entry.type = ENTRY_SHAPE;
            }
        }
        if (type != ENTRY_SHAPE) {
            console_printf("ERROR: %s: %s [%d] はフォントではありません\n", where.c_str(), path.c_str(), index);
            return -1;
        }
    }
    return 0;
}

int run_fonts(int argc, char** argv)
{
    std::string map_file = DEFAULT_MAP_FILE;
    std::string game_name;
    std::string font_table_file;
    bool export_wanted = false;
    const SubcommandSyntax syntax{{{"-m", &map_file},
                                   {"--map", &map_file},
                                   {"--game", &game_name},
                                   {"--font-table", &font_table_file}},
                                  {{"--export", &export_wanted}},
                                  U7KIT_VERSION_BANNER,
                                  USAGE};
    std::vector<std::string> inputs;
    if (!parse_subcommand_line(argc, argv, syntax, inputs, false)) return 1;
    const std::string recipe_file = inputs.empty() ? DEFAULT_RECIPE_FILE : inputs[0];
    const std::optional<FontTable> table = font_table_from_options(game_name, font_table_file);
    if (!table) return 1;
    if (export_wanted) return export_recipe(recipe_file, *table);

    // The recipe, then every source font, the map and every archive, all
    // before anything is built.
    const std::optional<std::vector<RecipeLine>> recipe = read_recipe(recipe_file.c_str(), *table);
    if (!recipe) return 1;
    std::vector<ArchiveWork> archives;
    std::vector<std::size_t> archive_of(recipe->size());
    int faults = 0;
    for (std::size_t i = 0; i < recipe->size(); ++i) {
        const RecipeLine& entry = (*recipe)[i];
        const std::string path = find_game_file("", entry.target.archive);
        if (path.empty()) {
            recipe_fault(recipe_file.c_str(), entry, 0, "アーカイブ " + entry.target.archive + " がありません");
            ++faults;
            continue;
        }
        std::size_t at = 0;
        while (at < archives.size() && !is_same_file(archives[at].path.c_str(), path.c_str())) ++at;
        if (at == archives.size()) {
            ArchiveWork work;
            work.path = path;
            work.output = folder_of(path) + lower_case(file_name_of(path)) + ".new";
            archives.push_back(std::move(work));
        }
        std::vector<int>& fonts = archives[at].fonts;
        if (std::find(fonts.begin(), fonts.end(), entry.target.entry) != fonts.end()) {
            recipe_fault(recipe_file.c_str(), entry, 0,
                         "同じフォントが前の行にもあります: " + path + " [" + std::to_string(entry.target.entry) + "]");
            ++faults;
            continue;
        }
        fonts.push_back(entry.target.entry);
        archive_of[i] = at;
    }
    if (faults != 0) return 1;

    std::vector<SourceFont> sources;
    for (const RecipeLine& entry : *recipe) {
        SourceFontOpening opening = open_source_font(entry.source, entry.size);
        if (!opening.font) {
            const bool size_fault = opening.error->fault == SourceFontFault::no_such_size;
            recipe_fault(recipe_file.c_str(), entry, size_fault ? entry.size_at : entry.source_at,
                         message_text(opening.error->message));
            ++faults;
            continue;
        }
        sources.push_back(std::move(*opening.font));
    }
    if (faults != 0) return 1;

    if (load_charmap(map_file.c_str()) != 0) {
        console_printf("ERROR: %s を読み込めません\n", map_file.c_str());
        return 1;
    }
    const std::vector<GlyphCode> codes = glyph_codes_of_map();

    std::vector<std::string> read_files = {recipe_file, map_file, font_table_file};
    for (const RecipeLine& entry : *recipe) read_files.push_back(entry.source);
    for (const ArchiveWork& work : archives) read_files.push_back(work.path);
    for (const ArchiveWork& work : archives) {
        if (output_is_an_input(work.output, read_files)) return 1;
    }

    // Fonts of thousands of frames: the shape module's trace lines (one
    // per frame encoded and per frame laid out) are left out.
    set_shape_trace_lines(false);
    for (ArchiveWork& work : archives) {
        if (read_archive_with_fonts(work.path, work.fonts, work.archive, recipe_file) != 0) return 1;
    }

    for (std::size_t i = 0; i < recipe->size(); ++i) {
        const RecipeLine& entry = (*recipe)[i];
        ArchiveWork& work = archives[archive_of[i]];
        Shape& font = std::get<Shape>(work.archive->entries[static_cast<std::size_t>(entry.target.entry)].object);
        GlyphStyle style;
        if (!entry.design || entry.auto_colours) {
            const std::optional<GlyphStyle> measured = measure_font_style(font);
            if (!measured) {
                recipe_fault(recipe_file.c_str(), entry, entry.style_at,
                             "英字のないフォントはスタイルと色を測れません(autoではなく指定してください): " + work.path +
                                 " [" + std::to_string(entry.target.entry) + "]");
                return 1;
            }
            style = *measured;
        }
        if (entry.design) style.design = *entry.design;
        if (!entry.auto_colours) {
            style.colours = GlyphColours{};
            style.colours.body = entry.body;
            style.colours.edge = entry.edge.value_or(entry.body);
        }
        const FontBuild build = build_font_glyphs(font, codes, sources[i], style, entry.target.lead);
        if (build.error) {
            recipe_fault(recipe_file.c_str(), entry, entry.source_at, message_text(build.error->message));
            return 1;
        }
        for (const GlyphCode& missing : build.missing) {
            console_printf("WARNING: %s: '%s'(U+%04X、コード%d)はフォントファイル %s にありません\n",
                           entry.target_name.c_str(), utf8_of(missing.character).c_str(),
                           static_cast<unsigned>(missing.character), missing.code, entry.source.c_str());
        }
        console_printf("INFORMATION: フォント%s (%s [%d]): %s %dピクセル %s、文字%d個を作りました"
                       "(フォントファイルにない文字%d個)、最大コード%d\n",
                       entry.target_name.c_str(), work.path.c_str(), entry.target.entry, entry.source.c_str(),
                       entry.size, glyph_design_name(style.design), build.built, static_cast<int>(build.missing.size()),
                       font.count() - 1);
    }

    for (ArchiveWork& work : archives) {
        if (write_flexfile(work.archive.get(), work.output.c_str()) < 0) return 1;
        console_printf("INFORMATION: %s を書き出しました\n", work.output.c_str());
    }

    console_printf("INFORMATION: 文字マップ(%s)に次の行を入れてください:\n", map_file.c_str());
    for (std::size_t i = 0; i < recipe->size(); ++i) {
        const RecipeLine& entry = (*recipe)[i];
        const ArchiveWork& work = archives[archive_of[i]];
        const Shape& font = std::get<Shape>(work.archive->entries[static_cast<std::size_t>(entry.target.entry)].object);
        for (const FontTag tag : font_tags_of_entry(*table, work.path, entry.target.entry)) {
            plain_printf("%s\t%s\n", font_limit_tag(tag), limit_code_column(font.count() - 1).c_str());
        }
    }
    console_printf("処理完了\n");
    return 0;
}
