#include "bench_inputs.h"

#include "bitmap/bitmap.h"
#include "common/byte_order.h"
#include "texts/exult_messages.h"
#include "shape/u7shape_utils.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>

namespace {

constexpr unsigned MAP_FIRST_CHARACTER = 0x4E00;
constexpr std::uint8_t GLYPH_OUTLINE = 0;
constexpr std::uint8_t TRANSPARENT = 0xFF;

// Subtitle colours: palette indices of the images, game colours of frames.
constexpr std::uint8_t SUBTITLE_BACKGROUND = 0;
constexpr std::uint8_t SUBTITLE_TEXT = 1;
constexpr std::uint8_t SUBTITLE_OUTLINE = 2;
constexpr std::uint8_t GAME_TEXT = 11;

// The i-th trail byte of a code: digits, letters, then 0x80 to 0xF3.
unsigned trail_byte(int i)
{
    static constexpr std::string_view ascii = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return i < 62 ? static_cast<unsigned char>(ascii[static_cast<std::size_t>(i)])
                  : 0x80u + static_cast<unsigned>(i - 62);
}

constexpr std::string_view ENGLISH_WORDS[] = {
    "thou",  "art",    "the",     "Avatar", "Britain", "gold",  "sword", "tavern", "Lord",     "British",
    "quest", "shrine", "virtue",  "honest", "valour",  "friend", "night", "castle", "Guardian", "moongate",
    "mage",  "spell",  "reagent", "ship",   "deed",    "key",   "door",  "a",      "of",       "to",
};

std::string english_sentence(BenchRandom& random, int min_length, int max_length)
{
    const auto target = static_cast<std::size_t>(random.between(min_length, max_length));
    std::string text;
    while (text.size() < target) {
        if (!text.empty()) text += ' ';
        text += ENGLISH_WORDS[random.next(std::size(ENGLISH_WORDS))];
    }
    text += random.next(4) == 0 ? "?" : ".";
    return text;
}

bool finish(std::ofstream& stream)
{
    stream.flush();
    return static_cast<bool>(stream);
}

// The archive header every generated FLEX file shares.
FlexArchive make_archive(const char* title, std::size_t count)
{
    FlexArchive archive;
    std::copy_n(title, std::min(std::string_view(title).size(), FLEX_TITLE_SIZE), archive.title.begin());
    archive.magic1 = 0xFFFF1A00u;
    archive.count = static_cast<std::int32_t>(count);
    archive.magic2 = 0x000000CCu;
    archive.entries.resize(count);
    return archive;
}

void set_raw_entry(FlexEntry& entry, std::vector<std::uint8_t> bytes)
{
    entry.size = static_cast<std::uint32_t>(bytes.size());
    entry.offset = bytes.empty() ? 0u : 1u;  // any non-zero offset: the writer lays the entries out
    entry.type = ENTRY_RAW;
    entry.object.emplace<RawData>(RawData{std::move(bytes)});
}

void set_shape_entry(FlexEntry& entry, Shape shape)
{
    entry.offset = 1u;
    entry.type = ENTRY_SHAPE;
    entry.object.emplace<Shape>(std::move(shape));
}

std::vector<std::uint8_t> random_bytes(BenchRandom& random, std::size_t count)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random.next(256));
    return bytes;
}

// Sizes that add up to about total, spread between half and one and a half
// times the average.
std::vector<std::size_t> spread_sizes(BenchRandom& random, std::size_t count, std::size_t total)
{
    const std::size_t average = std::max<std::size_t>(total / std::max<std::size_t>(count, 1), 2);
    std::vector<std::size_t> sizes(count);
    for (std::size_t& size : sizes) size = average / 2 + random.next(static_cast<std::uint32_t>(average));
    return sizes;
}

// Outlined horizontal strokes on a row: outline at both ends, text colour
// between.
void draw_stroke(std::vector<std::uint8_t>& pixels, int width, int y, int start, int length, std::uint8_t text,
                 std::uint8_t outline)
{
    for (int x = start; x < start + length && x < width; ++x) {
        const bool edge = x == start || x == start + length - 1;
        pixels[static_cast<std::size_t>(y * width + x)] = edge ? outline : text;
    }
}

// The subtitle image as game colours: background transparent.
std::vector<std::uint8_t> subtitle_game_colours(const std::vector<std::uint8_t>& image)
{
    std::vector<std::uint8_t> colours(image.size());
    for (std::size_t i = 0; i < image.size(); ++i) {
        colours[i] = image[i] == SUBTITLE_BACKGROUND ? TRANSPARENT : image[i] == SUBTITLE_TEXT ? GAME_TEXT : 0;
    }
    return colours;
}

// A subtitle text entry: lines with a marker (mostly centred), CR LF ends.
std::vector<std::uint8_t> subtitle_text_entry(BenchRandom& random, int lines)
{
    static constexpr std::string_view markers[] = {"\\C", "\\C", "\\C", "\\L", "\\R", ""};
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += markers[random.next(std::size(markers))];
        text += english_sentence(random, 20, 60);
        text += "\r\n";
    }
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

std::uint32_t BenchRandom::next(std::uint32_t bound)
{
    state = state * 1103515245u + 12345u;
    return (state >> 8) % bound;
}

int BenchRandom::between(int low, int high)
{
    return low + static_cast<int>(next(static_cast<std::uint32_t>(high - low + 1)));
}


std::string map_character(int index)
{
    return utf8_of(MAP_FIRST_CHARACTER + static_cast<unsigned>(index));
}

int write_charmap(const std::string& path, int map_size)
{
    std::ofstream map(path, std::ios::binary);
    map << "; benchmark character map: " << map_size << " characters\n<MAX_CODE>\t0xFF,0xF3,0xF3\n";
    char code[32];
    for (int i = 0; i < map_size; ++i) {
        std::snprintf(code, sizeof code, "\t0xFF,0x%02X,0x%02X", trail_byte(i / 178), trail_byte(i % 178));
        map << map_character(i) << code << (i % 16 == 0 ? "\t1\n" : "\n");
    }
    return finish(map) ? 0 : -1;
}

std::string japanese_text(BenchRandom& random, int count, int map_size)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t pick = random.next(40);
        if (pick == 0) {
            text += ' ';
        } else if (pick == 1) {
            text += static_cast<char>('0' + random.next(10));
        } else {
            text += map_character(static_cast<int>(random.next(static_cast<std::uint32_t>(map_size))));
        }
    }
    return text;
}

int write_revisto_tables(const std::string& english_path, const std::string& japanese_path, int lines,
                         int labels_per_id)
{
    static constexpr std::string_view types[] = {"SIGN", "TOMB", "PLAQUE", "S.BOOK", "S.SCROLL", "BOOK", "SCROLL"};
    BenchRandom random{0x5EED0001u};
    std::ofstream english(english_path, std::ios::binary);
    std::ofstream japanese(japanese_path, std::ios::binary);
    english << "; usecode.en.txt: " << lines << " texts\n";
    japanese << "; usecode.ja.txt: " << lines << " texts\n";
    char prefix[64];
    for (int i = 0; i < lines; ++i) {
        const int function_id = 0x0400 + i / labels_per_id;
        const int label = i % labels_per_id;
        if (label == 0) {
            std::snprintf(prefix, sizeof prefix, "; function %04X\n", function_id);
            english << prefix;
            japanese << prefix;
        }
        const bool sign_like = random.next(10) == 0;
        const std::string_view type = sign_like ? types[random.next(std::size(types))] : std::string_view();
        std::string text = english_sentence(random, 20, 90);
        if (random.next(8) == 0) text.insert(0, "\\\"").append("\\\"");

        std::snprintf(prefix, sizeof prefix, "%04X\t%s_%d\t", function_id, label % 3 == 0 ? "@label" : "label", label);
        english << prefix << type << "\t\"" << text << "\"\n";
        const std::string translation = japanese_text(random, random.between(8, 40), 8000);
        if (sign_like && random.next(4) != 0) {
            japanese << prefix << "\"<QRM>" << translation << "</QRM>" << text << "\"\n";
        } else {
            japanese << prefix << "\"" << translation << "\"\n";
        }
    }
    return finish(english) && finish(japanese) ? 0 : -1;
}

int write_exult_message_file(const std::string& path, const ExultMessageFile& shape)
{
    std::vector<const MessageRow*> rows;
    for (int i = 1; i < MESSAGE_ROW_COUNT; ++i) {
        const MessageRow& row = message_table[static_cast<std::size_t>(i)];
        if (!shape.untranslatable_only || row.translation_id == NO_TRANSLATION_ID) rows.push_back(&row);
    }
    BenchRandom random{0x5EED0002u};
    std::ofstream file(path, std::ios::binary);
    for (int i = 0; i < shape.leading_comments; ++i) file << "# comment line " << i << " of the header\n";
    char number[32];
    for (int i = 0; i < shape.messages; ++i) {
        if (i % 10 == 9) file << "# section " << i / 10 << "\n";
        const MessageRow& row = *rows[static_cast<std::size_t>(i) % rows.size()];
        // Mostly upper-case hexadecimal, as the file has it; some decimal
        // and lower case, which the program rewrites.
        const std::uint32_t form = random.next(8);
        std::snprintf(number, sizeof number, form == 0 ? "%d" : form == 1 ? "0x%x" : "0x%X", row.message_number);
        file << number << ':' << english_sentence(random, 10, 70) << "\n";
    }
    return finish(file) ? 0 : -1;
}

int write_exult_translation_file(const std::string& path, int records, int map_size)
{
    std::vector<const MessageRow*> rows;
    for (int i = 1; i < MESSAGE_ROW_COUNT; ++i) {
        const MessageRow& row = message_table[static_cast<std::size_t>(i)];
        if (row.translation_id != NO_TRANSLATION_ID) rows.push_back(&row);
    }
    BenchRandom random{0x5EED0003u};
    std::ofstream file(path, std::ios::binary);
    file << "; TYPE\tID\tFONT\tTEXT\n";
    for (int i = 0; i < records; ++i) {
        const MessageRow& row = *rows[static_cast<std::size_t>(i) % rows.size()];
        if (i % 20 == 19) file << "\n; " << i << " records so far\n";
        file << text_kind_names[row.kind] << '\t' << row.translation_id << '\t' << font_names[row.font] << '\t'
             << japanese_text(random, random.between(5, 40), map_size) << "\n";
    }
    return finish(file) ? 0 : -1;
}

int write_todays_exult_files(const std::string& messages_path, const std::string& translations_path, int messages,
                             int map_size)
{
    BenchRandom random{0x5EED0004u};
    std::ofstream file(messages_path, std::ios::binary);
    std::ofstream translations(translations_path, std::ios::binary);
    translations << "; TYPE\tID\tFONT\tTEXT\n";
    char number[32];
    int next = 0x500;
    for (int i = 0; i < messages; ++i) {
        if (i % 10 == 9) file << "# section " << i / 10 << "\n";
        const int message = i % 50 == 49 ? next - 1 : next++;
        std::snprintf(number, sizeof number, "0x%X", static_cast<unsigned>(message));
        file << number << ':' << english_sentence(random, 10, 70) << "\n";
        if (i % 50 != 49) {
            translations << "MSG\t" << number << "\tNORMAL\t" << japanese_text(random, random.between(5, 40), map_size)
                         << "\n";
        }
    }
    return finish(file) && finish(translations) ? 0 : -1;
}

std::vector<std::uint8_t> encode_frame(const std::vector<std::uint8_t>& pixels, int width, int height,
                                       std::uint8_t transparent, int origin_x, int origin_y)
{
    // Measured first, then written; the extents are the whole area's.
    const int right = width - origin_x;
    const int descent = height - origin_y;
    std::int32_t size = 0;
    if (encode_shape(pixels.data(), width, height, transparent, origin_x, origin_y, right, origin_x, origin_y, descent,
                     nullptr, &size) != 0) {
        return {};
    }
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(size));
    if (encode_shape(pixels.data(), width, height, transparent, origin_x, origin_y, right, origin_x, origin_y, descent,
                     frame.data(), &size) != 1) {
        return {};
    }
    return frame;
}

Shape make_font_shape(BenchRandom& random, int glyph_count, std::uint8_t text_colour)
{
    Shape shape;
    for (int glyph = 0; glyph < glyph_count; ++glyph) {
        const int width = random.between(8, 12);
        const int height = random.between(12, 16);
        const int descent = random.between(2, 3);
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height), TRANSPARENT);
        for (int y = 0; y < height; ++y) {
            const int strokes = random.between(1, 2);
            for (int s = 0; s < strokes; ++s) {
                const int start = random.between(0, width - 3);
                draw_stroke(pixels, width, y, start, random.between(2, width - start), text_colour, GLYPH_OUTLINE);
            }
        }
        ShapeFrame frame;
        frame.data = encode_frame(pixels, width, height, TRANSPARENT, 0, height - descent);
        shape.frames.push_back(std::move(frame));
    }
    return shape;
}

int write_font_archive(const std::string& path, int font_count, int glyphs_per_font)
{
    BenchRandom random{0x5EED0004u};
    FlexArchive archive = make_archive("benchmark font file", static_cast<std::size_t>(font_count));
    for (int font = 0; font < font_count; ++font) {
        const auto text_colour = static_cast<std::uint8_t>(1 + font % 254);
        set_shape_entry(archive.entries[static_cast<std::size_t>(font)],
                        make_font_shape(random, glyphs_per_font, text_colour));
    }
    return write_bench_flexfile(archive, path);
}

int write_shared_shape_archive(const std::string& path, int entry_count, int shape_bytes)
{
    // One font grown glyph by glyph to the size asked for.
    BenchRandom random{0x5EED0005u};
    EntryObject object;
    Shape& shape = object.emplace<Shape>();
    while (true) {
        Shape more = make_font_shape(random, 1, 0x0B);
        shape.frames.push_back(std::move(more.frames.front()));
        if (update_shape_layout(shape) >= static_cast<std::uint32_t>(shape_bytes)) break;
    }
    std::vector<std::uint8_t> shape_data(shape.size);
    if (write_shape_to_buffer(&object, shape_data.data(), static_cast<std::int32_t>(shape.size), 0) !=
        static_cast<std::int32_t>(shape.size)) {
        return -1;
    }

    // No writer lays out one entry's bytes under many entries: the header
    // and table are assembled here.
    const std::size_t table_end = FLEX_HEADER_SIZE + FLEX_TABLE_ENTRY_SIZE * static_cast<std::size_t>(entry_count);
    std::vector<std::uint8_t> file(table_end + shape_data.size(), 0);
    const std::string_view title = "benchmark font file, one shape under every entry";
    std::copy(title.begin(), title.end(), file.begin());
    std::uint8_t* p = write_le32_to_buffer(file.data() + FLEX_TITLE_SIZE, 0xFFFF1A00u);  // magic1
    p = write_le32_to_buffer(p, static_cast<std::uint32_t>(entry_count));                // count
    write_le32_to_buffer(p, 0x000000CCu);                                                  // magic2
    p = file.data() + FLEX_HEADER_SIZE;
    for (int i = 0; i < entry_count; ++i) {
        p = write_le32_to_buffer(p, static_cast<std::uint32_t>(table_end));         // offset
        p = write_le32_to_buffer(p, static_cast<std::uint32_t>(shape_data.size()));  // size
    }
    std::copy(shape_data.begin(), shape_data.end(), file.begin() + static_cast<std::ptrdiff_t>(table_end));
    return write_bytes_file(path, file);
}

std::vector<std::uint8_t> subtitle_image(std::uint32_t seed)
{
    BenchRandom random{seed};
    std::vector<std::uint8_t> image(static_cast<std::size_t>(SUBTITLE_WIDTH * SUBTITLE_HEIGHT), SUBTITLE_BACKGROUND);
    // One or two lines of text, centred, each row of a line crossed by the
    // strokes of its letters.
    const int text_lines = random.between(1, 2);
    for (int line = 0; line < text_lines; ++line) {
        const int line_width = random.between(120, 300);
        const int left = (SUBTITLE_WIDTH - line_width) / 2;
        const int top = 4 + line * 21;
        for (int y = top; y < top + 18; ++y) {
            for (int x = left; x < left + line_width;) {
                const int length = random.between(2, 8);
                if (random.next(3) != 0) {
                    draw_stroke(image, SUBTITLE_WIDTH, y, x, std::min(length, left + line_width - x), SUBTITLE_TEXT,
                                SUBTITLE_OUTLINE);
                }
                x += length + random.between(1, 4);
            }
        }
    }
    return image;
}

int write_endshape_archive(const std::string& path, std::size_t plain_bytes)
{
    constexpr std::size_t ENTRY_COUNT = 129;
    BenchRandom random{0x5EED0006u};
    FlexArchive archive = make_archive("benchmark ENDSHAPE.FLX", ENTRY_COUNT);
    const std::vector<std::size_t> sizes = spread_sizes(random, ENTRY_COUNT - 7, plain_bytes);
    std::size_t next_size = 0;
    for (std::size_t i = 0; i < ENTRY_COUNT; ++i) {
        FlexEntry& entry = archive.entries[i];
        const bool subtitle = (i >= 21 && i <= 26) || i == 28;
        if (!subtitle) {
            set_raw_entry(entry, random_bytes(random, sizes[next_size++]));
            continue;
        }
        // The game's subtitle: the old text, in game colours, as frame 0,
        // and a second, smaller frame behind it.
        const std::vector<std::uint8_t> colours = subtitle_game_colours(subtitle_image(0x5EED0100u + static_cast<std::uint32_t>(i)));
        Shape shape;
        ShapeFrame frame;
        frame.data = encode_frame(colours, SUBTITLE_WIDTH, SUBTITLE_HEIGHT, TRANSPARENT, SUBTITLE_WIDTH / 2, 0);
        shape.frames.push_back(frame);
        Shape glyph = make_font_shape(random, 1, GAME_TEXT);
        shape.frames.push_back(std::move(glyph.frames.front()));
        set_shape_entry(entry, std::move(shape));
    }
    return write_bench_flexfile(archive, path);
}

int write_subtitle_bitmaps(const std::string& prefix)
{
    // Red, green, blue: background white, text light blue, every other
    // index black (the outline).
    std::vector<std::uint8_t> palette(256 * 3, 0);
    const std::uint8_t colours[] = {255, 255, 255, 85, 255, 255};
    std::copy(std::begin(colours), std::end(colours), palette.begin());
    for (int number = 1; number <= 7; ++number) {
        const std::vector<std::uint8_t> image = subtitle_image(0x5EED0200u + static_cast<std::uint32_t>(number));
        if (write_bench_bitmap(prefix + std::to_string(number) + ".bmp", SUBTITLE_WIDTH, SUBTITLE_HEIGHT, palette,
                               image) != 0) {
            return -1;
        }
    }
    return 0;
}

int write_mainshp_archive(const std::string& path, int intro_lines, int ending_lines, std::size_t plain_bytes)
{
    constexpr std::size_t ENTRY_COUNT = 122;
    BenchRandom random{0x5EED0007u};
    FlexArchive archive = make_archive("benchmark MAINSHP.FLX", ENTRY_COUNT);
    const std::vector<std::size_t> sizes = spread_sizes(random, ENTRY_COUNT - 2, plain_bytes);
    std::size_t next_size = 0;
    for (std::size_t i = 0; i < ENTRY_COUNT; ++i) {
        if (i == 13) {
            set_raw_entry(archive.entries[i], subtitle_text_entry(random, intro_lines));
        } else if (i == 21) {
            set_raw_entry(archive.entries[i], subtitle_text_entry(random, ending_lines));
        } else {
            set_raw_entry(archive.entries[i], random_bytes(random, sizes[next_size++]));
        }
    }
    return write_bench_flexfile(archive, path);
}

int write_subtitle_translation_file(const std::string& path, int intro_lines, int ending_lines, int map_size)
{
    BenchRandom random{0x5EED0008u};
    std::ofstream file(path, std::ios::binary);
    file << "; タブ区切りファイル\n; TYPE\tID\tFONT\tTEXT\n";
    for (int i = 1; i <= intro_lines; ++i) {
        file << "BG_INTRO\t" << i << "\tGUARDIAN\t" << japanese_text(random, random.between(8, 25), map_size) << "\n";
    }
    for (int i = 1; i <= ending_lines; ++i) {
        file << "BG_ENDGAME2\t" << i << "\tMENU\t" << japanese_text(random, random.between(8, 25), map_size) << "\n";
    }
    file << "; EOF\n";
    return finish(file) ? 0 : -1;
}

int write_bench_flexfile(FlexArchive& archive, const std::string& path)
{
    return write_flexfile(&archive, path.c_str()) < 0 ? -1 : 0;
}

int write_bench_bitmap(const std::string& path, int width, int height, const std::vector<std::uint8_t>& palette_rgb,
                       const std::vector<std::uint8_t>& pixels)
{
    BitmapHeader header;
    if (init_bitmap_header(&header, width, height, 8) != 0) return -1;
    std::vector<std::uint8_t> palette(256 * 4, 0);  // blue, green, red, reserved
    for (std::size_t i = 0; i < 256; ++i) {
        palette[i * 4] = palette_rgb[i * 3 + 2];
        palette[i * 4 + 1] = palette_rgb[i * 3 + 1];
        palette[i * 4 + 2] = palette_rgb[i * 3];
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return -1;
    const bool written = write_bitmap(file, &header, palette, pixels) == 0;
    return std::fclose(file) == 0 && written ? 0 : -1;
}

int write_bytes_file(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return -1;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written ? 0 : -1;
}
