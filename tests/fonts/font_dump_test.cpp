#include "fonts/font_dump.h"

#include "support/stdout_capture.h"
#include "support/u7_test_builders.h"
#include "shape/u7shape_utils.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace test_builders;

namespace {

// Everything a dump call wrote: the dump stream and standard output.
struct DumpOutput {
    int result;
    std::string dump;
    std::string out;
};

Shape shape_of(const std::vector<Bytes>& frames)
{
    const Bytes bytes = build_shape(frames);
    EntryObject object;
    test_capture::begin();
    const std::int32_t type = read_shape_from_buffer(&object, bytes.data(), static_cast<std::int32_t>(bytes.size()), 0);
    test_capture::end();
    EXPECT_EQ(type, ENTRY_SHAPE);
    return std::get<Shape>(object);
}

DumpOutput dump_glyphs(const Shape& shape, int index = 3)
{
    std::FILE* stream = std::tmpfile();
    test_capture::begin();
    const int result = dump_entry_glyphs(stream, index, shape);
    const std::string out = test_capture::end();
    return {result, test_capture::read_stream(stream), out};
}

DumpOutput dump_archive(const FlexArchive* archive)
{
    std::FILE* stream = std::tmpfile();
    test_capture::begin();
    const int result = dump_fonts(stream, archive);
    const std::string out = test_capture::end();
    return {result, test_capture::read_stream(stream), out};
}

TEST(GlyphDump, AGlyphRightOfAndBelowTheOriginIsDrawnFromTheOrigin)
{
    const DumpOutput d = dump_glyphs(shape_of({build_frame(2, 0, 0, 2, {raw_span(0, 0, {1, 0}), raw_span(1, 1, {0xAB})})}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.dump,
              "[03][00] offset=00000008 size=00000019\n"
              "[03][00] right=2 left=0 ascent=0 descent=2\n"
              " |01 .. \n"
              " |   AB \n"
              "\n");
    EXPECT_EQ(d.out, "used color list = ( 0x00(1) 0x01(1) 0xAB(1) )\n");
}

TEST(GlyphDump, AGlyphAboveTheOriginRowReachesDownToRow127)
{
    const DumpOutput d = dump_glyphs(shape_of({build_frame(1, 1, 3, 0, {raw_span(-1, -3, {5, 6})})}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.dump,
              "[03][00] offset=00000008 size=00000012\n"
              "[03][00] right=1 left=1 ascent=3 descent=0\n"
              "  05|06 \n"
              "    |   \n"
              "_   |  _\n"
              "\n");
}

TEST(GlyphDump, ExtentsWiderThanStoredGetTheArrowLine)
{
    const DumpOutput d = dump_glyphs(shape_of({build_frame(0, 0, 0, 0, {raw_span(0, -1, {7})})}));
    EXPECT_EQ(d.dump,
              "[03][00] offset=00000008 size=00000011\n"
              "[03][00] right=0 left=0 ascent=0 descent=0\n"
              "-------> right=1 left=0 ascent=1 descent=0\n"
              "_|07_\n"
              "\n");
}

TEST(GlyphDump, AFlatGlyphGetsAnEmptyLineAndItsColoursAreStillCounted)
{
    // Ascent and descent both 0: no drawing, though the pixels were
    // decoded (on the origin row they would widen descent, so the span
    // lies on no row at all: y far outside the canvas).
    const DumpOutput d = dump_glyphs(shape_of({build_frame(2, 0, 0, 0, {encoded_span(0, 300, 2, {repeat_run(2, 0)})}),
                                               build_frame(0, 0, 0, 0, {})}));
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.dump,
              "[03][00] offset=0000000C size=00000012\n"
              "[03][00] right=2 left=0 ascent=0 descent=0\n"
              "\n"
              "[03][01] offset=0000001E size=0000000A\n"
              "[03][01] right=0 left=0 ascent=0 descent=0\n"
              "\n");
    EXPECT_EQ(d.out, "used color list = ( 0x00(1) )\n");
}

TEST(GlyphDump, AFrameWithTrailingBytesStopsTheDump)
{
    Bytes bad = build_frame(1, 0, 1, 0, {raw_span(0, -1, {4})});
    bad.push_back(0);
    const DumpOutput d = dump_glyphs(shape_of({build_frame(1, 0, 1, 0, {raw_span(0, -1, {3})}), bad}));
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(d.dump,
              "[03][00] offset=0000000C size=00000011\n"
              "[03][00] right=1 left=0 ascent=1 descent=0\n"
              "_|03_\n"
              "\n");
    EXPECT_EQ(d.out.find("used color list"), std::string::npos);
    EXPECT_NE(d.out.find("WARNING: decode_shape: "), std::string::npos);
}

TEST(FontDump, HeaderLinesAndEntryLines)
{
    FlexArchive archive;
    const std::string title = "A font file title that is longer than fifty characters in all";
    std::memcpy(archive.title.data(), title.data(), title.size());
    archive.magic1 = 0xFFFF1A00u;
    archive.magic2 = 0xCCu;
    archive.reserved[0] = 1;
    archive.reserved[8] = 0xABCDEF01u;
    archive.count = 2;
    archive.entries.resize(2);
    archive.entries[1].offset = 0x90;
    archive.entries[1].size = 0x15;
    archive.entries[1].type = ENTRY_SHAPE;
    archive.entries[1].object = shape_of({build_frame(1, 0, 1, 0, {raw_span(0, -1, {3})})});

    const DumpOutput d = dump_archive(&archive);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.dump,
              "title  = [" + title.substr(0, 50) + "]\n"
              "magic1 = FFFF1A00\n"
              "count  = 00000002(2)\n"
              "magic2 = 000000CC\n"
              "d1 = 00000001\nd2 = 00000000\nd3 = 00000000\nd4 = 00000000\nd5 = 00000000\n"
              "d6 = 00000000\nd7 = 00000000\nd8 = 00000000\nd9 = ABCDEF01\n"
              "[00] offset=00000000 size=00000000\n\n"
              "[01] offset=00000090 size=00000015 count=00000001\n\n"
              "[01][00] offset=00000008 size=00000011\n"
              "[01][00] right=1 left=0 ascent=1 descent=0\n"
              "_|03_\n"
              "\n");
    EXPECT_EQ(d.out, "used color list = ( 0x03(1) )\n");
}

TEST(FontDump, ATitleWithoutAZeroByteStaysWithinItsField)
{
    FlexArchive archive;
    archive.title.fill('T');
    const DumpOutput d = dump_archive(&archive);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.dump.substr(0, 62), "title  = [" + std::string(50, 'T') + "]\n");
}

TEST(FontDump, AnEntryKeptAsPlainBytesStopsTheDumpAfterItsLine)
{
    FlexArchive archive;
    archive.count = 1;
    archive.entries.resize(1);
    archive.entries[0].offset = 0x88;
    archive.entries[0].size = 3;
    archive.entries[0].object = RawData{{1, 2, 3}};
    const DumpOutput d = dump_archive(&archive);
    EXPECT_EQ(d.result, -1);
    EXPECT_NE(d.dump.find("[00] offset=00000088 size=00000003\n\n"), std::string::npos);
    EXPECT_EQ(d.out, "");
    EXPECT_EQ(dump_fonts(nullptr, nullptr), -1);
}

}  // namespace
