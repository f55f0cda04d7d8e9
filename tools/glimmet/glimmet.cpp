#include "glimmet.h"

#include "command_line.h"
#include "console.h"
#include "file_utils.h"
#include "u7shape_utils.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* DEFAULT_FONT_FILE = "FONTS.VGA";
constexpr const char* DEFAULT_DUMP_FILE = "fonts.vga.txt";

// The glyph canvas: 256 × 256 palette indices, 255 where the frame does not
// reach, the origin in the middle.
constexpr int CANVAS_SIZE = 256;
constexpr int ORIGIN = 128;
constexpr std::uint8_t UNCOVERED = 0xFF;

constexpr const char* USAGE[] = {
    "使用方法: glimmet [オプション] [フォントファイル]\n",
    "オプション:\n",
    "       --dump ファイル名    指定したファイルにダンプデータを出力します\n",
    "                            (fonts.vga.txt)\n",
    "\n",
    "    -?|--help               使用方法を表示します\n",
    "       --version            バージョンを表示します\n",
    "\n",
    "フォントファイルを指定しないときは FONTS.VGA を読みます\n",
    "\n",
};

int run(int argc, char** argv)
{
    std::optional<std::string> named_font_file;
    std::string dump_file = DEFAULT_DUMP_FILE;
    const FileNameOption options[] = {{"--dump", &dump_file}};
    const CommandLineSyntax syntax{options, "glimmet - Ultima VII fonts file dump utility version %s\n", USAGE};
    if (!parse_command_line(argc, argv, syntax, named_font_file)) return 1;
    const std::string font_file = named_font_file.value_or(DEFAULT_FONT_FILE);

    // The dump replaces its file after the font file has been read: a dump
    // file that is the font file would destroy the game's fonts.
    if (is_same_file(dump_file.c_str(), font_file.c_str())) {
        console_printf("ERROR: 入力ファイルと出力ファイルが同じです: %s\n", dump_file.c_str());
        return 1;
    }

    FlexArchivePtr archive;
    if (read_flexfile_with_readfunc(&archive, font_file.c_str(), read_shape_from_buffer) != 0) {
        console_printf("ERROR: %s を読み込めません\n", font_file.c_str());
        return 1;
    }
    // Written in place as it goes, not through a temporary file: the lines
    // before a fault show the translator where the font went wrong.
    FilePtr dump = open_file_or_report(dump_file.c_str(), "w");
    if (!dump) {
        free_flexfile(archive);
        return 1;
    }
    std::fprintf(dump.get(), "filename = %s\n", font_file.c_str());
    const bool dumped = dump_fonts(dump.get(), archive.get()) == 0;
    // A write error that only shows when the file is closed is a failed
    // dump too.
    const bool closed = close_written_file(dump) == 0;
    if (!dumped || !closed) console_printf("ERROR: %s を作成できません\n", dump_file.c_str());
    free_flexfile(archive);
    return dumped && closed ? 0 : 1;
}

// The box of the canvas that the drawing covers: every pixel that is not
// uncovered, and always the origin point.
// Extents of a decoded glyph, as decode_shape reports them.
struct Extents {
    std::int32_t right = 0;
    std::int32_t left = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
};

struct Box {
    int top = ORIGIN;
    int bottom = ORIGIN;
    int left = ORIGIN;
    int right = ORIGIN;
};

// The decoded extents reach every pixel that is not uncovered, so only the
// canvas inside them is searched.
Box drawing_box(const std::vector<std::uint8_t>& canvas, const Extents& extents)
{
    const int first_row = std::max(0, ORIGIN - extents.ascent);
    const int end_row = std::min(CANVAS_SIZE, ORIGIN + extents.descent);
    const int first_column = std::max(0, ORIGIN - extents.left);
    const int end_column = std::min(CANVAS_SIZE, ORIGIN + extents.right);
    Box box;
    for (int r = first_row; r < end_row; ++r) {
        for (int c = first_column; c < end_column; ++c) {
            if (canvas[static_cast<std::size_t>(r * CANVAS_SIZE + c)] == UNCOVERED) continue;
            box.top = std::min(box.top, r);
            box.bottom = std::max(box.bottom, r + 1);
            box.left = std::min(box.left, c);
            box.right = std::max(box.right, c + 1);
        }
    }
    return box;
}

// One line per row, written whole: a margin character ("_" just above the origin row),
// three characters per pixel ("|" marks the origin column), the margin
// again.
void draw_glyph(std::FILE* stream, const std::vector<std::uint8_t>& canvas, const Extents& extents)
{
    static constexpr char HEX_DIGITS[] = "0123456789ABCDEF";
    const Box box = drawing_box(canvas, extents);
    std::string line;
    for (int r = box.top; r < box.bottom; ++r) {
        const char margin = r == ORIGIN - 1 ? '_' : ' ';
        line.assign(1, margin);
        for (int c = box.left; c < box.right; ++c) {
            line += c == ORIGIN ? '|' : ' ';
            const std::uint8_t pixel = canvas[static_cast<std::size_t>(r * CANVAS_SIZE + c)];
            if (pixel == UNCOVERED) {
                line += "  ";
            } else if (pixel == 0) {
                line += "..";
            } else {
                line += HEX_DIGITS[pixel >> 4];
                line += HEX_DIGITS[pixel & 0x0F];
            }
        }
        line += margin;
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stream);
    }
    std::fputc('\n', stream);
}

}  // namespace

int run_glimmet(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        exit_memory_exhausted("glimmet", __LINE__);
    }
}

int dump_entry_glyphs(std::FILE* stream, int index, const Shape& shape)
{
    std::vector<std::uint8_t> canvas(static_cast<std::size_t>(CANVAS_SIZE * CANVAS_SIZE));
    std::array<std::uint32_t, 256> counts{};
    for (int j = 0; j < shape.count(); ++j) {
        const ShapeFrame& frame = shape.frames[static_cast<std::size_t>(j)];
        std::int32_t right = 0;
        std::int32_t left = 0;
        std::int32_t ascent = 0;
        std::int32_t descent = 0;
        if (decode_shape(canvas.data(), CANVAS_SIZE, CANVAS_SIZE, UNCOVERED, ORIGIN, ORIGIN, &right, &left, &ascent,
                         &descent, frame.data.data(), static_cast<std::int32_t>(frame.size()), counts.data()) != 0) {
            return -1;
        }
        std::fprintf(stream, "[%02d][%2.2X] offset=%8.8lX size=%8.8lX\n", index, static_cast<unsigned>(j),
                     static_cast<unsigned long>(frame.offset), static_cast<unsigned long>(frame.size()));
        std::fprintf(stream, "[%02d][%2.2X] right=%d left=%d ascent=%d descent=%d\n", index, static_cast<unsigned>(j),
                     frame.right, frame.left, frame.ascent, frame.descent);
        if (right != frame.right || left != frame.left || ascent != frame.ascent || descent != frame.descent) {
            std::fprintf(stream, "-------> right=%d left=%d ascent=%d descent=%d\n", right, left, ascent, descent);
        }
        if ((right == 0 && left == 0) || (ascent == 0 && descent == 0)) {
            std::fprintf(stream, "\n");
            continue;
        }
        draw_glyph(stream, canvas, Extents{right, left, ascent, descent});
    }
    plain_printf("used color list = ( ");
    for (std::size_t colour = 0; colour < counts.size(); ++colour) {
        if (counts[colour] != 0) plain_printf("0x%02X(%d) ", static_cast<unsigned>(colour), static_cast<int>(counts[colour]));
    }
    plain_printf(")\n");
    return 0;
}

int dump_fonts(std::FILE* stream, const FlexArchive* archive)
{
    if (archive == nullptr) return -1;
    if (stream == nullptr) stream = stdout;

    // The title is text up to its first zero byte, at most 50 characters;
    // the 80 stored bytes need not hold a zero.
    char title[FLEX_TITLE_SIZE + 1] = {};
    std::memcpy(title, archive->title.data(), FLEX_TITLE_SIZE);
    std::fprintf(stream, "title  = [%-.50s]\n", title);
    std::fprintf(stream, "magic1 = %8.8lX\n", static_cast<unsigned long>(archive->magic1));
    std::fprintf(stream, "count  = %8.8lX(%ld)\n", static_cast<unsigned long>(static_cast<std::uint32_t>(archive->count)),
                 static_cast<long>(archive->count));
    std::fprintf(stream, "magic2 = %8.8lX\n", static_cast<unsigned long>(archive->magic2));
    for (std::size_t d = 0; d < archive->reserved.size(); ++d) {
        std::fprintf(stream, "d%d = %8.8lX\n", static_cast<int>(d + 1), static_cast<unsigned long>(archive->reserved[d]));
    }

    for (std::size_t i = 0; i < archive->entries.size(); ++i) {
        const FlexEntry& entry = archive->entries[i];
        const int index = static_cast<int>(i);
        std::fprintf(stream, "[%02d] offset=%8.8lX size=%8.8lX", index, static_cast<unsigned long>(entry.offset),
                     static_cast<unsigned long>(entry.size));
        const Shape* shape = std::get_if<Shape>(&entry.object);
        if (entry.offset != 0 && entry.size != 0 && shape != nullptr) {
            std::fprintf(stream, " count=%8.8lX", static_cast<unsigned long>(shape->count()));
        }
        std::fprintf(stream, "\n\n");
        if (entry.empty()) continue;
        // An entry that the shape reader kept as plain bytes (its stored
        // size disagreed) is not a font: the dump stops there.
        if (shape == nullptr) return -1;
        if (dump_entry_glyphs(stream, index, *shape) != 0) return -1;
    }
    return std::ferror(stream) != 0 ? -1 : 0;
}
