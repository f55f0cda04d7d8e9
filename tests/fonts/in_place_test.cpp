// The in-place reading path of glimmet: shapes read as views of the file's
// bytes, entry tables without objects, and glyphs drawn onto a canvas that
// is only cleared where the last glyph drew.  Each is held against the
// owning readers and the filling decoder it replaces.
#include "fonts/font_dump.h"

#include "shape/shape_view.h"
#include "support/stdout_capture.h"
#include "support/u7_test_builders.h"
#include "archive/u7files.h"
#include "shape/u7shape_utils.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

using namespace test_builders;

namespace {

const Bytes glyph_a = build_frame(2, 0, 1, 1, {raw_span(0, -1, {1, 2}), encoded_span(0, 0, 3, {repeat_run(3, 0)})});
const Bytes glyph_b = build_frame(0, 0, 0, 0, {raw_span(-2, 2, {0xFF, 7, 8})});

// The shape bytes that exercise every branch of the shape reader.
std::vector<Bytes> shape_cases()
{
    std::vector<Bytes> cases;
    cases.push_back(build_shape({glyph_a, glyph_b}));
    cases.push_back(build_shape({glyph_a}));
    Bytes size_differs = build_shape({glyph_a});
    size_differs[0] ^= 1;
    cases.push_back(size_differs);
    Bytes table_gap = build_shape({glyph_a});  // first offset 9: a byte no frame holds
    table_gap[4] = 9;
    table_gap.insert(table_gap.begin() + 8, 0);
    table_gap[0] = static_cast<std::uint8_t>(table_gap.size());
    cases.push_back(table_gap);
    Bytes backwards = build_shape({glyph_a, glyph_b, glyph_a});
    backwards[8] = 2;  // the second offset before the first
    cases.push_back(backwards);
    Bytes beyond = build_shape({glyph_a, glyph_b});
    beyond[9] = 0x7F;  // the second offset past the end
    cases.push_back(beyond);
    Bytes empty_frames = {16, 0, 0, 0, 12, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0};  // two empty frames, one short
    cases.push_back(empty_frames);
    cases.push_back({8, 0, 0, 0, 4, 0, 0, 0});  // first offset below 8
    cases.push_back({4, 0, 0});                 // shorter than the size field
    return cases;
}

TEST(ShapeView, AgreesWithTheOwningReader)
{
    for (const Bytes& bytes : shape_cases()) {
        const auto size = static_cast<std::int32_t>(bytes.size());
        // One slot for both, so that the trace lines show the same address;
        // the owning reader goes last, leaving its shape in the slot.
        EntryObject slot;
        test_capture::begin();
        const std::int32_t checked = check_shape_in_place(&slot, bytes.data(), size, 4);
        const std::string checked_out = test_capture::end();
        EXPECT_TRUE(std::holds_alternative<std::monostate>(slot));  // nothing copied
        test_capture::begin();
        const std::int32_t owning = read_shape_from_buffer(&slot, bytes.data(), size, 4);
        const std::string owning_out = test_capture::end();
        EXPECT_EQ(checked, owning) << owning_out;
        EXPECT_EQ(checked_out, owning_out);

        std::vector<ShapeFrameView> views;
        test_capture::begin();
        EXPECT_EQ(read_shape_view(bytes.data(), size, &views, false), owning);
        EXPECT_EQ(test_capture::end(), "");  // no warnings when asked for none
        if (owning != ENTRY_SHAPE) continue;
        const Shape& shape = std::get<Shape>(slot);
        ASSERT_EQ(views.size(), shape.frames.size());
        for (std::size_t i = 0; i < views.size(); ++i) {
            const ShapeFrame& frame = shape.frames[i];
            EXPECT_EQ(views[i].offset, frame.offset);
            EXPECT_EQ(std::vector<std::uint8_t>(views[i].data, views[i].data + views[i].size), frame.data);
            EXPECT_EQ(views[i].data, bytes.data() + frame.offset);  // in place, not copied
            EXPECT_EQ(views[i].right, frame.right);
            EXPECT_EQ(views[i].left, frame.left);
            EXPECT_EQ(views[i].ascent, frame.ascent);
            EXPECT_EQ(views[i].descent, frame.descent);
        }
    }
}

// Frames drawn one after another onto one canvas, each clearing only its
// written box again, give what the filling decoder gives on a fresh area:
// the same pixels, extents, results and counts, also for pixels clipped at
// the area's edges and pixels of the background colour itself.
TEST(DecodeOnto, MatchesTheFillingDecoderFrameAfterFrame)
{
    constexpr int W = 16;
    constexpr int H = 12;
    constexpr std::uint8_t BACKGROUND = 0xFF;
    const std::vector<Bytes> frames = {
        glyph_a,
        glyph_b,
        build_frame(1, 1, 1, 1, {raw_span(-20, 0, std::vector<std::uint8_t>(30, 5))}),  // clipped both sides
        build_frame(0, 0, 0, 0, {encoded_span(3, -9, 4, {repeat_run(4, 9)})}),          // top row and above
        build_frame(0, 0, 0, 0, {raw_span(0, 40, {1})}),                                 // no visible row
        [] {
            Bytes bad = build_frame(0, 0, 0, 0, {raw_span(1, 1, {3, 3})});
            bad.push_back(0);  // trailing byte: -1, the area still drawn
            return bad;
        }(),
        build_frame(2, 2, 2, 2, {raw_span(-3, -3, {BACKGROUND, 0, BACKGROUND}), raw_span(5, 4, {6})}),
    };
    std::vector<std::uint8_t> canvas(W * H, BACKGROUND);
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const Bytes& frame = frames[f];
        const auto size = static_cast<std::int32_t>(frame.size());
        std::vector<std::uint8_t> fresh(W * H, 0x11);
        std::int32_t expected[4] = {};
        std::uint32_t expected_counts[256] = {};
        test_capture::begin();
        const std::int32_t expected_result = decode_shape(fresh.data(), W, H, BACKGROUND, 8, 6, &expected[0], &expected[1],
                                                          &expected[2], &expected[3], frame.data(), size, expected_counts);
        test_capture::end();

        std::int32_t got[4] = {};
        std::uint32_t counts[256] = {};
        ShapeDrawnBox written;
        test_capture::begin();
        const std::int32_t result = decode_shape_onto(canvas.data(), W, H, BACKGROUND, 8, 6, &got[0], &got[1], &got[2],
                                                      &got[3], frame.data(), size, counts, &written);
        test_capture::end();
        EXPECT_EQ(result, expected_result) << f;
        EXPECT_EQ(canvas, fresh) << f;
        EXPECT_EQ(std::vector<std::int32_t>(got, got + 4), std::vector<std::int32_t>(expected, expected + 4)) << f;
        EXPECT_EQ(std::vector<std::uint32_t>(counts, counts + 256),
                  std::vector<std::uint32_t>(expected_counts, expected_counts + 256))
            << f;
        // Everything outside the written box is background; clear the box.
        for (int r = 0; r < H; ++r) {
            for (int c = 0; c < W; ++c) {
                const bool inside = r >= written.top && r <= written.bottom && c >= written.left && c <= written.right;
                if (!inside) {
                    EXPECT_EQ(canvas[static_cast<std::size_t>(r * W + c)], BACKGROUND) << f << " " << r << " " << c;
                } else {
                    canvas[static_cast<std::size_t>(r * W + c)] = BACKGROUND;
                }
            }
        }
    }
}

// The console's trace lines carry addresses that differ between the two
// paths; everything else must be the same.
std::string without_addresses(const std::string& text)
{
    const std::string traces = std::regex_replace(text, std::regex("read_shape_from_buffer\\([0-9A-F]+, [0-9A-F]+,"),
                                                  "read_shape_from_buffer(#, #,");
    return std::regex_replace(traces, std::regex("data(_end)?\\([0-9A-F]+\\)"), "data$1(#)");
}

struct PathOutput {
    int load;
    int dump;
    std::string file;
    std::string console;
};

PathOutput through_objects(const Bytes& image)
{
    PathOutput out{};
    std::FILE* stream = std::tmpfile();
    test_capture::begin();
    FlexArchivePtr archive;
    out.load = read_flexfile_with_readfunc_from_memory(&archive, image.data(), image.size(), "F.VGA",
                                                       read_shape_from_buffer);
    out.dump = out.load == 0 ? dump_fonts(stream, archive.get()) : -2;
    out.console = without_addresses(test_capture::end());
    out.file = test_capture::read_stream(stream);
    return out;
}

PathOutput in_place(const Bytes& image)
{
    PathOutput out{};
    std::FILE* stream = std::tmpfile();
    test_capture::begin();
    FlexTable table;
    out.load = read_flex_table_from_memory(table, image.data(), image.size(), "F.VGA", check_shape_in_place);
    out.dump = out.load == 0 ? dump_fonts_in_place(stream, &table, image.data(), image.size()) : -2;
    out.console = without_addresses(test_capture::end());
    out.file = test_capture::read_stream(stream);
    return out;
}

// Whole archives through both paths: fonts, empty entries, entries that
// all name the same bytes, a damaged shape kept as plain bytes (the dump
// stops there), a frame that does not decode, and tables the loader
// refuses.  Load results, dump results, dump files and console agree.
TEST(InPlaceDump, MatchesTheDumpOfTheLoadedArchive)
{
    const Bytes font = build_shape({glyph_a, glyph_b, glyph_a});
    Bytes damaged = font;
    damaged[0] ^= 2;
    Bytes bad_glyph = glyph_a;
    bad_glyph.push_back(0);
    const Bytes shared_rest = font;
    const std::vector<Bytes> images = {
        build_flex({font, {}, build_shape({glyph_b})}),
        build_flex_table(6, {{176, static_cast<std::uint32_t>(font.size())}, {0, 0}, {176, static_cast<std::uint32_t>(font.size())},
                             {176, static_cast<std::uint32_t>(font.size())}, {176, 0}, {176, static_cast<std::uint32_t>(font.size())}},
                         shared_rest),
        build_flex({font, damaged, font}),
        build_flex({font, build_shape({glyph_a, bad_glyph})}),
        build_flex({}),
        build_flex_table(2, {{136, 4}, {200, 4}}, {4, 0, 0, 0}),  // the second entry past the end
        build_flex_table(1000, {}, {}),                            // a count the file cannot hold
        build_flex({{8, 0, 0, 0, 4, 0, 0, 0}}),                    // an entry the shape reader refuses
    };
    for (std::size_t i = 0; i < images.size(); ++i) {
        const PathOutput expected = through_objects(images[i]);
        const PathOutput got = in_place(images[i]);
        EXPECT_EQ(got.load, expected.load) << i;
        EXPECT_EQ(got.dump, expected.dump) << i;
        EXPECT_EQ(got.file, expected.file) << i;
        EXPECT_EQ(got.console, expected.console) << i;
    }
}

}  // namespace
