// The engine's message file (exultmsg.txt) and its translation file
// (exultmsg.ja.txt): the built-in message table, the message list, its
// reader and writer, the translation records, and the run that replaces the
// texts (oxleth's, and u7kit exultmsg's for any message number).
#pragma once

#include "texts/text_records.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Text kinds: the TYPE column of the translation file.
inline constexpr std::int32_t TEXT_KIND_END = -1;  // ends message_table
inline constexpr std::int32_t TEXT_KIND_NONE = 0;  // a line that is no message
inline constexpr std::int32_t TEXT_KIND_COMMON = 1;
inline constexpr std::int32_t TEXT_KIND_BG_ENDGAME = 2;
inline constexpr std::int32_t TEXT_KIND_SI_INTRO = 3;
inline constexpr std::int32_t TEXT_KIND_SI_ENDGAME = 4;
inline constexpr std::int32_t TEXT_KIND_OINK = 5;
inline constexpr int TEXT_KIND_COUNT = 6;

// Fonts: the FONT column of the translation file.
inline constexpr std::int32_t FONT_ERROR = 0;  // no row has it
inline constexpr std::int32_t FONT_MENU = 1;
inline constexpr std::int32_t FONT_END2 = 2;
inline constexpr std::int32_t FONT_END3 = 3;
inline constexpr std::int32_t FONT_INTRO = 4;
inline constexpr std::int32_t FONT_END2_MENU = 5;
inline constexpr std::int32_t FONT_NORMAL = 6;
inline constexpr std::int32_t FONT_OINK = 7;
inline constexpr int FONT_COUNT = 8;

// Names by code; text_kind_names[0] is empty (no record can name it).
extern const char* const text_kind_names[TEXT_KIND_COUNT];
extern const char* const font_names[FONT_COUNT];

// One message that the program knows.
struct MessageRow {
    std::int32_t kind;
    std::int32_t translation_id;  // -1: the message cannot be translated
    std::int32_t message_number;  // its number in exultmsg.txt
    std::int32_t font;            // the font its text is drawn with
};

inline constexpr std::int32_t NO_TRANSLATION_ID = -1;

// Which message numbers the readers take.  table: those of the table read
// with.  any: also every other number from 1 to MAX_MESSAGE_NUMBER, each of
// which gets a row of its own (kind TEXT_KIND_NUMBERED, no translation ID,
// font NORMAL); the translation file may then also hold records keyed by
// message number (TYPE "MSG").
enum class MessageNumbers { table, any };

inline constexpr std::int32_t TEXT_KIND_NUMBERED = TEXT_KIND_COUNT;  // not a name of text_kind_names
inline constexpr const char* NUMBERED_TYPE_NAME = "MSG";
inline constexpr long MAX_MESSAGE_NUMBER = 0x7FFFFFFF;

// A record's message number: a whole number (decimal, 0x hex or 0-prefixed
// octal) from 1 to MAX_MESSAGE_NUMBER, else -1.
long read_message_number(const char* column);

// Row 0 stands for every line that is no message; rows 1 to 130 are the
// messages 0x500 to 0x581; the last row (kind TEXT_KIND_END) ends the table.
inline constexpr int MESSAGE_ROW_COUNT = 131;
extern const std::array<MessageRow, MESSAGE_ROW_COUNT + 1> message_table;

// One line of exultmsg.txt, or a message added from the translation file
// (no source text).  The texts belong to the list that holds the line.
struct MessageLine {
    const MessageRow* row = nullptr;
    const char* source = nullptr;  // the source text, in the list's copy of the file; null: none
    std::uint32_t source_length = 0;
    const std::string* translation = nullptr;  // converted code bytes; null: none

    std::optional<std::string_view> source_text() const
    {
        if (source == nullptr) return std::nullopt;
        return std::string_view(source, source_length);
    }
};

// The lines of a message file with their texts.  The file's bytes are kept
// whole (every source text is a view of them), each row's translation once,
// and for each row the line that takes its translation (its first line), so
// that applying a record never walks the lines.
//
// Numbers past the table (read with MessageNumbers::any) keep their row,
// first line and translation in numbered; its nodes never move, so lines
// may point at them.
struct NumberedMessage {
    MessageRow row{};
    std::uint32_t first_line = 0;  // index + 1
    std::string translation;
};

struct MessageList {
    std::vector<char> file_text;  // the message file's bytes, a zero behind them
    std::vector<MessageLine> lines;
    // Index + 1 of the first line of each row of the table read with; 0: none.
    std::array<std::uint32_t, MESSAGE_ROW_COUNT> first_line{};
    std::unique_ptr<std::array<std::string, MESSAGE_ROW_COUNT>> translations =
        std::make_unique<std::array<std::string, MESSAGE_ROW_COUNT>>();
    std::unordered_map<std::int32_t, NumberedMessage> numbered;

    std::size_t size() const { return lines.size(); }
    const MessageLine& operator[](std::size_t index) const { return lines[index]; }
    std::vector<MessageLine>::const_iterator begin() const { return lines.begin(); }
    std::vector<MessageLine>::const_iterator end() const { return lines.end(); }
};

// Bytes one read of a line of exultmsg.txt or exultmsg.ja.txt takes, the
// terminator included; a longer line is read in pieces.  Translations are
// converted into buffers of the same size.
inline constexpr int EXULT_LINE_SIZE = 1024;

// The first row with this message number, or null.
const MessageRow* find_message_row_by_number(const MessageRow* table, long message_number);
// The first row with this kind and translation ID, or null.
const MessageRow* find_message_row_by_id(const MessageRow* table, std::int32_t kind, long translation_id);

// Kind or font code of a name, compared without regard to letter case;
// -1 for an unknown name.
int find_text_kind(const char* name);
int find_font(const char* name);

// Reads exultmsg.txt into list (replacing its contents).  Returns the number
// of lines read, or -1 after printing the reason (a null or empty path
// gives -1 silently).  A line holding a zero byte or a CR that does not end
// it is refused.
int read_exult_messages(MessageList& list, const MessageRow* table, const char* path,
                        MessageNumbers numbers = MessageNumbers::table);

// Applies the records of the translation file to list: each converted text
// replaces the translation of the first line of its message, or a new line
// is appended for a message the list lacks.  Returns the number of records
// accepted, 0 when the file does not exist, or -1 after printing the reason
// (a line holding a zero byte or a CR that does not end it is refused).
// The character map must be loaded.  With MessageNumbers::any, a record
// "MSG <tab> number <tab> FONT <tab> TEXT" replaces the translation of the
// first line of that number, which the list must have.
int read_exult_translations(MessageList& list, const MessageRow* table, const char* path,
                            MessageNumbers numbers = MessageNumbers::table);

// One record of the translation file, its columns views of the line.
struct ExultRecord {
    TableColumns columns;
    bool by_number = false;  // a MSG record (read with MessageNumbers::any)
    int kind = TEXT_KIND_NONE;
    long id = 0;  // the translation ID within the kind, or the message number
    int font = FONT_ERROR;
};

// Parses a record (a line that is no comment), testing in this order: the
// columns, TYPE, ID, FONT.  Whether the text converts and which message it
// names are the caller's to find.
RecordProblem parse_exult_record(std::string_view line, MessageNumbers numbers, ExultRecord& record);

// The row of the table a record names, or null (a MSG record's number may
// still be a message of the file read, past the table).
const MessageRow* find_record_row(const MessageRow* table, const ExultRecord& record);

// The reader's message for a record fault: printf format of path, line
// number and line.
const char* exult_record_message(RecordFault fault);

// The bytes a converted text cannot hold: the message file's reader ends a
// text at CR or LF (and a map code never holds a zero byte).
inline constexpr std::string_view EXULT_TEXT_BREAKING_BYTES = LINE_BREAK_BYTES;

// Index + 1 of the first line of a row of the list (a row of the table, or
// one of list.numbered); 0: none.
std::uint32_t first_line_of_row(const MessageList& list, const MessageRow* table, const MessageRow* row);

// One output line of a list entry, line end included.
std::string format_message_line(const MessageLine& line);

// Writes the list to path: to a file beside it, put in place only once
// every line reached it (a device is written directly).  Returns 0, or -1
// after printing the cause and "ERROR: <path> を書き込めません"; a failed
// write leaves an earlier file of that name as it was.
int write_exult_messages(const MessageList& list, const char* path);

// The files of a run.
struct ExultMessageFiles {
    std::string message_file;
    std::string output_file;
    std::string map_file;
    std::string translation_file;
};

// A run after its command line: an output that names the translation file
// or the map is refused; then the message file, the map and the
// translation file are read and the output written, each failure reported.
// Returns the exit status.  The map stays loaded.
int translate_exult_message_file(const ExultMessageFiles& files, MessageNumbers numbers);
