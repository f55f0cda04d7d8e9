// u7kit: the translator's companion.  Four subcommands on the toolkit's
// library: the subtitle images of ENDSHAPE.FLX exported as BMP templates
// (the reverse of sibrel_bmp), a PNG sheet of every glyph of FONTS.VGA, a
// check of translation files against the character map and the fonts, and
// the translation of a message file of any message numbers.
#pragma once

#include "texts/exult_messages.h"
#include "texts/translation_check.h"
#include "texts/usecode_tables.h"
#include "archive/u7data_utils.h"
#include "archive/u7files.h"
#include "common/file_utils.h"
#include "fonts/font_sheet.h"
#include "fonts/font_table.h"

#include <array>
#include <map>
#include <set>
#include <unordered_map>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Shared by the subcommands

// Reads the command line of one subcommand (argv[0] is the subcommand's
// name).  Flags (options without a value) are taken out first and set in
// their bool; with collect_inputs every argument that does not begin with
// "-" and is no option's value goes to inputs, otherwise at most one input
// is allowed as the shared parser allows.  The remaining arguments go
// through parse_command_line.  true when the run may begin.
struct SubcommandFlag {
    const char* name;
    bool* setting;
};
struct SubcommandSyntax {
    std::vector<std::pair<const char*, std::string*>> file_options;
    std::vector<SubcommandFlag> flags;
    const char* version_banner;
    std::vector<const char*> usage_lines;
};
bool parse_subcommand_line(int argc, char** argv, const SubcommandSyntax& syntax, std::vector<std::string>& inputs,
                           bool collect_inputs);

// The --version line of u7kit and of each subcommand.
inline constexpr const char* U7KIT_VERSION_BANNER = "u7kit - Ultima VII translation companion %s\n";

// The --palette option: with a file named, its palette 0 loaded into
// storage and *palette pointed at it; with none, *palette null.  0, or -1
// after a message.
int load_palette_option(const std::string& path, RgbPalette& storage, const RgbPalette** palette);

// ---------------------------------------------------------------------------
// subtitles: ENDSHAPE.FLX frames to BMP templates

int run_subtitles(int argc, char** argv);

// ---------------------------------------------------------------------------
// fontsheet: FONTS.VGA to one PNG image

// Writes the image as an 8-bit RGB PNG, complete or not at all.  0, or -1
// after a message.
int write_png_image(const char* path, const RgbImage& image);

int run_fontsheet(int argc, char** argv);

// ---------------------------------------------------------------------------
// check: translation files against the map and the fonts

// The formats a translation file may have, each read by its program's rules.
int run_check(int argc, char** argv);

// The format of each file: the one --format names (format_name, may be
// empty), else the one its file name tells.  false after a message: a bad
// format name, no files (no_files_message, a whole line), a file of no
// known format.
bool translation_file_formats(const std::string& format_name, const std::vector<std::string>& files,
                              const char* no_files_message, std::vector<CheckFormat>& formats);

// ---------------------------------------------------------------------------
// charmap: the character map extended by the characters of the translations

int run_charmap(int argc, char** argv);

// ---------------------------------------------------------------------------
// exultmsg: oxleth's translation for a message file of any message numbers

int run_exultmsg(int argc, char** argv);

// ---------------------------------------------------------------------------
// fonts and preview: Japanese glyphs built into the game's fonts, and lines
// drawn with them as the engine draws them

// A font named as a tag of the font table or as "ARCHIVE:ENTRY": the
// archive's file name, the entry and the engine's lead (the table's for
// that entry, 0 for an entry the table does not name).
struct FontTarget {
    std::string archive;
    int entry = 0;
    int lead = 0;
};
// The font a name gives; std::nullopt with the reason in fault.
std::optional<FontTarget> font_target_by_name(const FontTable& table, const std::string& name, std::string& fault);

// The path of a game file in folder: folder/name when it exists, else the
// one file of the folder whose name equals name in any letter case (the
// game's files are spelled either way); empty when there is none.
std::string find_game_file(const std::string& folder, const std::string& name);

// An archive read with every entry kept as its bytes, and the entries named
// read as font shapes.  0, or -1 after a message naming where.
int read_archive_with_fonts(const std::string& path, const std::vector<int>& font_entries, FlexArchivePtr& archive,
                            const std::string& where);

int run_fonts(int argc, char** argv);
int run_preview(int argc, char** argv);

// ---------------------------------------------------------------------------

// The whole program: the subcommand and its run.  Returns the exit status.
int run_u7kit(int argc, char** argv);
