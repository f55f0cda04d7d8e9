#include "fonts/font_table.h"

#include "common/console.h"
#include "common/file_utils.h"
#include "common/line_reader.h"
#include "common/table_line.h"
#include "common/text_utils.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

struct TagInfo {
    FontTag tag;
    const char* name;
    const char* limit_tag;
    std::int32_t CharMap::*limit;
};

constexpr TagInfo TAGS[FONT_TAG_COUNT] = {
    {FontTag::normal, "NORMAL", "<MAX_CODE_FONT_NORMAL>", &CharMap::max_code_font_normal},
    {FontTag::status, "STATUS", "<MAX_CODE_FONT_STATUS>", &CharMap::max_code_font_status},
    {FontTag::books, "BOOKS", "<MAX_CODE_FONT_BOOKS>", &CharMap::max_code_font_books},
    {FontTag::subtitle, "SUBTITLE", "<MAX_CODE_FONT_SUBTITLE>", &CharMap::max_code_font_subtitle},
    {FontTag::menu, "MENU", "<MAX_CODE_FONT_MENU>", &CharMap::max_code_font_menu},
    {FontTag::bg_intro, "BG_INTRO", "<MAX_CODE_FONT_BG_INTRO>", &CharMap::max_code_font_bg_intro},
    {FontTag::bg_end2, "BG_END2", "<MAX_CODE_FONT_BG_END2>", &CharMap::max_code_font_bg_end2},
    {FontTag::bg_end3, "BG_END3", "<MAX_CODE_FONT_BG_END3>", &CharMap::max_code_font_bg_end3},
    {FontTag::si_intro, "SI_INTRO", "<MAX_CODE_FONT_SI_INTRO>", &CharMap::max_code_font_si_intro},
    {FontTag::speech_red, "SPEECH_RED", "<MAX_CODE_FONT_SPEECH_RED>", &CharMap::max_code_font_speech_red},
};

const TagInfo& info_of(FontTag tag)
{
    return TAGS[static_cast<int>(tag)];
}

// The fonts both games load alike.
const FontTableRow SHARED_ROWS[] = {
    {FontTag::normal, "FONTS.VGA", 0, -2},   {FontTag::status, "FONTS.VGA", 2, 0},
    {FontTag::books, "FONTS.VGA", 4, 0},     {FontTag::subtitle, "FONTS.VGA", 0, -2},
    {FontTag::menu, "MAINSHP.FLX", 9, 1},    {FontTag::speech_red, "FONTS.VGA", 7, -2},
};
const FontTableRow BLACK_GATE_ROWS[] = {
    {FontTag::bg_intro, "MAINSHP.FLX", 3, -2},
    {FontTag::bg_end2, "ENDGAME.DAT", 4, -1},
    {FontTag::bg_end3, "ENDGAME.DAT", 5, -2},
};
const FontTableRow SERPENT_ISLE_ROWS[] = {
    {FontTag::si_intro, "INTRO.DAT", 14, 0},
};

// Bytes a record line may hold besides its line end.
constexpr std::size_t TABLE_LINE_MAX = 1023;

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        const auto lower_x = x >= 'A' && x <= 'Z' ? x + 32 : x;
        const auto lower_y = y >= 'A' && y <= 'Z' ? y + 32 : y;
        if (lower_x != lower_y) return false;
    }
    return true;
}

std::string_view base_name(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

struct TableReader : TableLineFaults {
    void read_record(FontTable& table, std::vector<int>& line_of_tag)
    {
        const TableFields fields(line);
        const std::vector<std::size_t>& starts = fields.starts;
        auto field = [&](std::size_t k) { return fields[k]; };
        if (starts.size() < 4) {
            fault(line.size(), "フィールドが足りません(タグ、アーカイブ、エントリ、字間の4つ)");
            return;
        }
        if (starts.size() > 4) {
            fault(starts[4] - 1, "フィールドが多すぎます(タグ、アーカイブ、エントリ、字間の4つ)");
            return;
        }
        FontTableRow row;
        bool good = true;
        const std::optional<FontTag> tag = font_tag_by_name(field(0));
        if (!tag) {
            fault(starts[0], "不明なフォントタグです: " + std::string(field(0)));
            good = false;
        } else if (line_of_tag[static_cast<std::size_t>(*tag)] != 0) {
            fault(starts[0], "フォントタグ" + std::string(field(0)) + "は" +
                                 std::to_string(line_of_tag[static_cast<std::size_t>(*tag)]) + "行目にもあります");
            good = false;
        } else {
            row.tag = *tag;
        }
        row.archive = std::string(field(1));
        if (row.archive.empty()) {
            fault(starts[1], "アーカイブ名がありません");
            good = false;
        }
        long long number = 0;
        if (!read_table_number(field(2), false, number) || number < 0 || number > INT_MAX) {
            fault(starts[2], "エントリ番号が不正です: " + std::string(field(2)));
            good = false;
        } else {
            row.entry = static_cast<int>(number);
        }
        if (!read_table_number(field(3), true, number) || number < FONT_LEAD_MIN || number > FONT_LEAD_MAX) {
            fault(starts[3], "字間が不正です(" + std::to_string(FONT_LEAD_MIN) + "から" + std::to_string(FONT_LEAD_MAX) +
                                 "): " + std::string(field(3)));
            good = false;
        } else {
            row.lead = static_cast<int>(number);
        }
        if (!good) return;
        line_of_tag[static_cast<std::size_t>(row.tag)] = line_number;
        table.rows.push_back(std::move(row));
    }
};

}  // namespace

const FontTag ALL_FONT_TAGS[FONT_TAG_COUNT] = {
    FontTag::normal,  FontTag::status,  FontTag::books,   FontTag::subtitle, FontTag::menu,
    FontTag::bg_intro, FontTag::bg_end2, FontTag::bg_end3, FontTag::si_intro, FontTag::speech_red,
};

const char* font_tag_name(FontTag tag)
{
    return info_of(tag).name;
}

std::optional<FontTag> font_tag_by_name(std::string_view name)
{
    for (const TagInfo& info : TAGS) {
        if (name == info.name) return info.tag;
    }
    return std::nullopt;
}

std::optional<Game> game_by_name(std::string_view name)
{
    if (name == "bg") return Game::bg;
    if (name == "si") return Game::si;
    return std::nullopt;
}

FontTable builtin_font_table(Game game)
{
    FontTable table;
    for (const FontTableRow& row : SHARED_ROWS) table.rows.push_back(row);
    if (game == Game::bg) {
        for (const FontTableRow& row : BLACK_GATE_ROWS) table.rows.push_back(row);
    } else {
        for (const FontTableRow& row : SERPENT_ISLE_ROWS) table.rows.push_back(row);
    }
    return table;
}

const FontTableRow* find_font(const FontTable& table, FontTag tag)
{
    for (const FontTableRow& row : table.rows) {
        if (row.tag == tag) return &row;
    }
    return nullptr;
}

std::vector<FontTag> font_tags_of_entry(const FontTable& table, std::string_view archive_name, int entry)
{
    std::vector<FontTag> tags;
    const std::string_view name = base_name(archive_name);
    for (const FontTableRow& row : table.rows) {
        if (row.entry == entry && equal_ignoring_case(base_name(row.archive), name)) tags.push_back(row.tag);
    }
    return tags;
}

std::optional<FontTable> read_font_table(const char* path)
{
    FilePtr file = open_file(path, "rb");
    if (!file) {
        console_printf("ERROR: %s を読み込めません\n", path);
        return std::nullopt;
    }
    FontTable table;
    std::vector<int> line_of_tag(FONT_TAG_COUNT, 0);
    TableReader reader;
    reader.path = path;
    LineReader lines(file.get(), TABLE_LINE_MAX);
    while (reader.next_record(lines)) reader.read_record(table, line_of_tag);
    if (lines.failed()) {
        console_printf("ERROR: %s(%d行目): 読み込みエラー\n", path, reader.line_number + 1);
        return std::nullopt;
    }
    if (reader.faults != 0) return std::nullopt;
    if (table.rows.empty()) {
        console_printf("ERROR: フォント表にフォントがありません: %s\n", path);
        return std::nullopt;
    }
    return table;
}

std::optional<FontTable> font_table_from_options(const std::string& game_name, const std::string& table_path)
{
    std::optional<Game> game = Game::bg;
    if (!game_name.empty()) game = game_by_name(game_name);
    if (!game) {
        console_printf("ERROR: 不正なゲームです(bgまたはsi): %s\n", game_name.c_str());
        return std::nullopt;
    }
    if (!table_path.empty()) return read_font_table(table_path.c_str());
    return builtin_font_table(*game);
}

const char* font_limit_tag(FontTag tag)
{
    return info_of(tag).limit_tag;
}

std::int32_t CharMap::*font_limit_field(FontTag tag)
{
    return info_of(tag).limit;
}
