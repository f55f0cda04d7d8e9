// The subtitle lines of the introduction and the ending (two text entries of
// MAINSHP.FLX) and the tab-separated tables exchanged with the translator:
// the English table (bg_text.en.txt) written from the entries, the
// translated table (bg_text.ja.txt) read, converted to the game's code bytes
// through the character map and joined back into the entries.
#pragma once

#include "archive/u7files.h"
#include "texts/text_records.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Subtitle texts in the archive

// The two text kinds, in their fixed order: the position is the kind's
// index everywhere in the program.
inline constexpr int SUBTITLE_KIND_COUNT = 2;
inline constexpr int SUBTITLE_KIND_INTRO = 0;
inline constexpr int SUBTITLE_KIND_ENDGAME = 1;

struct SubtitleKind {
    const char* type_name;      // TYPE column of the text tables
    std::int32_t entry_index;   // entry of MAINSHP.FLX holding the text
    const char* font_name;      // FONT column of the text tables
};
extern const SubtitleKind subtitle_kinds[SUBTITLE_KIND_COUNT];

// How MAINSHP.FLX is loaded: entries 13 and 21 as texts, the rest of the
// first 122 as plain bytes, the entries after those without a type.
extern const TypeRun subtitle_type_runs[];

// The marker at the start of a line: none, "\C", "\L" or "\R".
inline constexpr std::int32_t SUBTITLE_MARKER_NONE = 0;
inline constexpr std::int32_t SUBTITLE_MARKER_C = 1;
inline constexpr std::int32_t SUBTITLE_MARKER_L = 2;
inline constexpr std::int32_t SUBTITLE_MARKER_R = 3;

struct SubtitleLine {
    std::int32_t marker = SUBTITLE_MARKER_NONE;
    const char* english = nullptr;           // zero-terminated, inside the table's buffer
    std::optional<std::string> translation;  // converted code bytes, when translated
};

// The lines of one text entry.  The English texts point into buffer, a
// copy of the entry's text cut up in place; the table is therefore
// move-only (the buffer keeps its address when the table moves).
struct SubtitleTable {
    std::int32_t line_count = 0;
    std::unique_ptr<char[]> buffer;  // null until the table is filled
    std::vector<SubtitleLine> lines;
};
using SubtitleTables = std::array<SubtitleTable, SUBTITLE_KIND_COUNT>;

// What keeps the bytes of a subtitle entry from splitting into lines that
// join back into the same bytes: every line must end with CR LF, and only
// zero bytes may follow the first zero byte.
enum class SubtitleTextFault {
    none,
    lf_without_cr,         // an LF-only line end, or an LF inside a line
    cr_without_lf,         // a CR whose next byte is not LF
    text_after_last_line,  // bytes after the last CR LF
    text_after_zero,       // bytes after a zero byte
};

struct SubtitleTextProblem {
    SubtitleTextFault fault = SubtitleTextFault::none;
    std::size_t position = 0;  // byte position in the entry

    explicit operator bool() const { return fault != SubtitleTextFault::none; }
};

SubtitleTextProblem find_subtitle_text_fault(std::string_view entry);

// Splits a text, up to its first zero byte, into lines.  Every CR ends a
// line and the byte after it (the LF of a well-formed text) is dropped
// unexamined; text after the last CR belongs to no line.  A leading marker
// is taken off the line.  Replaces the table's contents; 0, or -1 when
// memory runs out (the table is left empty).
int split_subtitle_text(const char* text, SubtitleTable& table);

// The lines joined again: each as marker, text (its translation when it has
// one, else its English text), CR, LF.  Throws std::bad_alloc.
std::string join_subtitle_lines(const SubtitleTable& table);

// Splits entries 13 and 21 of the loaded archive into the two tables.  On
// failure prints the reason and "ERROR: <path> を読み込めません" (path names
// the archive) and returns -1.  An entry that would lose text in the split
// (find_subtitle_text_fault) is refused.
int load_subtitle_tables(const FlexArchive& archive, SubtitleTables& tables, const char* path);

// Replaces the objects of entries 13 and 21 with the joined lines and sets
// their sizes.  0, or -1 (after the memory line) when a joined text cannot
// be made; the archive is then unchanged.
int rebuild_subtitle_entries(FlexArchive& archive, const SubtitleTables& tables);

// Empties both tables (translations, lines and buffer).
void free_subtitle_tables(SubtitleTables& tables);

// ---------------------------------------------------------------------------
// Text table files

// A table line holds at most SUBTITLE_TABLE_LINE_SIZE - 1 bytes before its
// line end; a longer record is refused (a comment runs to its end).  A
// converted TEXT gets a buffer of SUBTITLE_TABLE_LINE_SIZE bytes.
inline constexpr int SUBTITLE_TABLE_LINE_SIZE = 1024;

// One record of a table, its columns views of the line.
struct BgTextRecord {
    TableColumns columns;
    int kind = -1;  // index of subtitle_kinds
    long id = 0;    // the line's number within its kind, from 1
};

// Parses a record (a line that is no comment), testing in this order: the
// columns, TYPE, ID, FONT (the kind's own).  Whether the ID names a line of
// the entry is the caller's to find.
RecordProblem parse_bg_text_record(std::string_view line, BgTextRecord& record);

// The bytes a converted text cannot hold: a CR ends a subtitle line (and
// takes the byte after it along), and an LF is the second byte of every
// line end.
inline constexpr std::string_view SUBTITLE_TEXT_BREAKING_BYTES = LINE_BREAK_BYTES;

// Writes the English table: two comment lines, one record per line of each
// kind, and "; EOF", beside its name and put in place complete
// (write_whole_file), so that a failed write leaves an earlier table as it
// was.  0, or -1 after printing the reason and
// "ERROR: <path> を作成できません" when the file cannot be created or a write
// fails.
int write_english_text_file(const char* path, const SubtitleTables& tables);

// Reads the Japanese table into the tables' translations, then rebuilds
// entries 13 and 21 of the archive.  Returns the number of records accepted
// (0 after "ERROR: データがありません: <path>" for a table without records),
// or -1 after printing the reason.  The character map must be
// loaded.
int read_japanese_text_file(FlexArchive& archive, SubtitleTables& tables, const char* path);
