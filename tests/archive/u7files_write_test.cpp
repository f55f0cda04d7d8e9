#include "archive/u7files.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"
#include "archive/u7data_utils.h"
#include "shape/u7shape_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <vector>

using namespace test_builders;

namespace {

// The frame listing update_shape_layout prints for frames of these sizes.
std::string frame_listing(const std::vector<std::size_t>& frame_sizes)
{
    std::string out;
    char line[64];
    std::size_t offset = 4 + 4 * frame_sizes.size();
    for (std::size_t i = 0; i < frame_sizes.size(); ++i) {
        std::snprintf(line, sizeof line, "\t[%02zX] offset = %08zX, size = %08zX\n", i, offset, frame_sizes[i]);
        out += line;
        offset += frame_sizes[i];
    }
    std::snprintf(line, sizeof line, "\tcount = %zu, size = %08zX\n", frame_sizes.size(), offset);
    return out + line;
}

class FlexWrite : public testing::Test {
protected:
    void SetUp() override
    {
        reset_flexfile_readfuncs();
        test_capture::begin();
        register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer);
        register_flexfile_readfunc(ENTRY_FILE, read_file_from_buffer);
        register_flexfile_readfunc(ENTRY_TEXT, read_text_from_buffer);
        register_flexfile_readfunc(ENTRY_PALETTE, read_palette_from_buffer);
        register_flexfile_readfunc(ENTRY_PALETTE2, read_palette2_from_buffer);
        register_flexfile_readfunc(ENTRY_TILES, read_tiles_from_buffer);
        register_flexfile_readfunc(ENTRY_SHAPE, read_shape_from_buffer);
        test_capture::end();
    }
    void TearDown() override { reset_flexfile_readfuncs(); }

    // Loads bytes (saved as in.flx) with one type per entry, quietly.
    FlexArchivePtr load(const Bytes& bytes, const std::vector<std::int32_t>& types)
    {
        write_file_bytes(dir.file("in.flx"), to_string(bytes));
        std::vector<std::int32_t> list = types;
        list.push_back(-1);
        FlexArchivePtr archive;
        test_capture::begin();
        const int result = read_flexfile_per_entry(&archive, dir.file("in.flx").c_str(), list.data());
        test_capture::end();
        EXPECT_EQ(result, 0);
        return archive;
    }

    // Writes the archive to out.flx; returns the result, the console in out.
    std::int64_t write(FlexArchive* archive, std::string& out, const std::string& name = "out.flx")
    {
        test_capture::begin();
        const std::int64_t result = write_flexfile(archive, dir.file(name).c_str());
        out = test_capture::end();
        return result;
    }

    Bytes written(const std::string& name = "out.flx") { return bytes_of(read_file_bytes(dir.file(name))); }

    TempDir dir;
};

TEST_F(FlexWrite, AnArchiveLoadedAndWrittenUnchangedIsTheSameFile)
{
    Bytes named = bytes_of("README.TXT");
    named.resize(13, 0);
    append(named, {'a', 'b', 'c', 'd'});
    Bytes palette(768), palette2(1536), tiles(128);
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<std::uint8_t>(i % 64);
    for (std::size_t i = 0; i < palette2.size(); ++i) palette2[i] = static_cast<std::uint8_t>(i * 7);
    for (std::size_t i = 0; i < tiles.size(); ++i) tiles[i] = static_cast<std::uint8_t>(255 - i);
    const Bytes frame_a = build_frame(3, 0, 1, 0, {raw_span(0, -1, {5})});
    const Bytes frame_b = build_frame(4, 1, 1, 1, {raw_span(-1, 0, {1, 2, 3})});
    const Bytes shape = build_shape({frame_a, frame_b});
    FlexHeader header;
    header.title = "an odd title";
    header.title.push_back('\0');
    header.title += "with bytes behind its end";
    header.magic1 = 0x01020304u;
    header.magic2 = 0xA0B0C0D0u;
    header.reserved = {1, 2, 3, 4, 5, 6, 7, 8, 0xFFFFFFFFu};
    const Bytes original = build_flex({{1, 2, 3}, {}, bytes_of("hello"), named, palette, palette2, tiles, shape, {9}},
                                      header);

    FlexArchivePtr archive = load(original, {0, 0, 2, 1, 3, 4, 5, 6, 0});
    ASSERT_TRUE(archive);
    ASSERT_TRUE(std::holds_alternative<TextData>(archive->entries[2].object));
    ASSERT_TRUE(std::holds_alternative<Shape>(archive->entries[7].object));
    std::string out;
    EXPECT_EQ(write(archive.get(), out), static_cast<std::int64_t>(original.size()));
    EXPECT_EQ(written(), original);
    // The text entry keeps its loaded size: the reader's zero byte stays out.
    EXPECT_EQ(archive->entries[2].size, 5u);
    EXPECT_EQ(out, frame_listing({frame_a.size(), frame_b.size()}));
}

TEST_F(FlexWrite, EntriesArePackedInTableOrderAndEmptyOnesGetNoPlace)
{
    // Entries in reverse order with gaps between them; entry 1 is empty by
    // its offset 0 (with a stray size), entry 3 by its size 0.
    Bytes rest(40, 0xEE);
    const std::uint32_t table_end = 128 + 8 * 5;
    auto place = [&](std::uint32_t at, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), rest.begin() + (at - table_end));
    };
    place(table_end + 2, {7, 7, 7, 7});
    place(table_end + 10, {5, 5});
    place(table_end + 20, {1, 2, 3});
    const Bytes scattered = build_flex_table(
        5, {{table_end + 20, 3}, {0, 6}, {table_end + 10, 2}, {table_end + 30, 0}, {table_end + 2, 4}}, rest);

    FlexArchivePtr archive = load(scattered, {0, 0, 0, 0, 0});
    ASSERT_TRUE(archive);
    std::string out;
    const Bytes expected = build_flex({{1, 2, 3}, {}, {5, 5}, {}, {7, 7, 7, 7}});
    EXPECT_EQ(write(archive.get(), out), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(written(), expected);
    EXPECT_EQ(out, "");
    EXPECT_EQ(archive->entries[1].offset, 0u);
    EXPECT_EQ(archive->entries[1].size, 0u);
    EXPECT_EQ(archive->entries[4].offset, table_end + 5);
}

TEST_F(FlexWrite, AnArchiveWithoutEntriesIsItsHeaderAlone)
{
    FlexHeader header;
    header.reserved = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    const Bytes original = build_flex({}, header);
    ASSERT_EQ(original.size(), 128u);
    FlexArchivePtr archive = load(original, {});
    ASSERT_TRUE(archive);
    EXPECT_EQ(assign_flexfile_offsets(*archive), 128);
    std::string out;
    EXPECT_EQ(write(archive.get(), out), 128);
    EXPECT_EQ(written(), original);
}

TEST_F(FlexWrite, AShapeThatGrewTakesItsNewSizeAndShiftsLaterEntries)
{
    const Bytes frame_a = build_frame(1, 0, 1, 0, {raw_span(0, -1, {4})});
    const Bytes frame_b = build_frame(2, 0, 1, 0, {raw_span(0, -1, {6, 6})});
    const Bytes text = bytes_of("after the shape");
    FlexArchivePtr archive = load(build_flex({{1}, build_shape({frame_a, frame_b}), text}), {0, 6, 2});
    ASSERT_TRUE(archive);

    Shape& shape = std::get<Shape>(archive->entries[1].object);
    const Bytes bigger = build_frame(5, 0, 1, 0, {raw_span(0, -1, {6, 6, 6, 6, 6})});
    shape.frames[0].data = bigger;
    std::string out;
    const Bytes expected = build_flex({{1}, build_shape({bigger, frame_b}), text});
    EXPECT_EQ(write(archive.get(), out), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(written(), expected);
    EXPECT_EQ(out, frame_listing({bigger.size(), frame_b.size()}));
    EXPECT_EQ(archive->entries[1].size, 4 + 8 + bigger.size() + frame_b.size());
    EXPECT_EQ(archive->entries[2].offset, 128 + 3 * 8 + 1 + archive->entries[1].size);
}

TEST_F(FlexWrite, NewObjectsInEmptyEntriesAreWritten)
{
    FlexArchive archive;
    archive.count = 2;
    archive.entries.resize(2);
    archive.entries[0].type = ENTRY_TEXT;
    archive.entries[0].object = TextData{"new"};
    archive.entries[0].size = 3;
    archive.entries[1].type = ENTRY_SHAPE;
    Shape shape;
    shape.frames.resize(1);
    shape.frames[0].data = build_frame(0, 0, 0, 0, {});
    archive.entries[1].object = shape;
    std::string out;
    const FlexHeader zeros{"", 0, 0, {}};
    const Bytes expected = build_flex({bytes_of("new"), build_shape({build_frame(0, 0, 0, 0, {})})}, zeros);
    EXPECT_EQ(write(&archive, out), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(written(), expected);
}

// An archive of one entry of each kind given, all laid out from offset 0.
FlexArchive archive_of(std::vector<FlexEntry> entries)
{
    FlexArchive archive;
    archive.count = static_cast<std::int32_t>(entries.size());
    archive.entries = std::move(entries);
    return archive;
}

FlexEntry entry_of(EntryType type, EntryObject object, std::uint32_t size, std::uint32_t offset = 1)
{
    FlexEntry entry;
    entry.type = type;
    entry.object = std::move(object);
    entry.size = size;
    entry.offset = offset;
    return entry;
}

TEST_F(FlexWrite, FaultyEntriesFailTheWriteWithTheirMessageAndLeaveTheEarlierFile)
{
    const RawData bytes{{1, 2, 3}};
    Shape no_frames;
    Palette palette;
    struct Case {
        const char* what;
        FlexArchive archive;
        std::string message;
    };
    std::vector<Case> cases;
    cases.push_back({"type outside 0 to 6", archive_of({entry_of(0, bytes, 3), entry_of(9, bytes, 3)}),
                     "ERROR: 不正なデータタイプです: [1] type=9\n"});
    cases.push_back({"no type given when loaded", archive_of({entry_of(ENTRY_NONE, {}, 4)}),
                     "ERROR: 不正なデータタイプです: [0] type=-1\n"});
    cases.push_back({"no object but a size", archive_of({entry_of(0, bytes, 3), entry_of(ENTRY_TEXT, {}, 5)}),
                     "ERROR: 書き込むデータがありません: [1] type=2\n"});
    cases.push_back({"bytes typed as a text", archive_of({entry_of(ENTRY_TEXT, bytes, 3)}),
                     "ERROR: データタイプが一致しません: [0] type=2\n"});
    cases.push_back({"a palette typed as tiles", archive_of({entry_of(ENTRY_TILES, palette, 768)}),
                     "ERROR: データタイプが一致しません: [0] type=5\n"});
    cases.push_back({"bytes typed as a shape", archive_of({entry_of(0, bytes, 3), entry_of(ENTRY_SHAPE, bytes, 3)}),
                     "ERROR: データタイプが一致しません: [1] type=6\n"});
    cases.push_back({"a shape without frames", archive_of({entry_of(ENTRY_SHAPE, no_frames, 4)}),
                     "ERROR: フレームがありません: [0]\n"});
    cases.push_back({"a write function that fails", archive_of({entry_of(ENTRY_PALETTE, palette, 700)}),
                     "ERROR: write_palette_to_buffer: データサイズが一致しません: 700 != 768\n"});
    cases.push_back({"a raw entry shorter than its size", archive_of({entry_of(0, bytes, 4)}),
                     "ERROR: データサイズが一致しません: [0] 4 != 3\n"});
    cases.push_back({"a text shorter than its size", archive_of({entry_of(ENTRY_TEXT, TextData{"ab"}, 3)}),
                     "ERROR: データサイズが一致しません: [0] 3 != 2\n"});
    FlexArchive miscounted = archive_of({entry_of(0, bytes, 3)});
    miscounted.count = 2;
    cases.push_back({"a count that is not the number of entries", std::move(miscounted),
                     "ERROR: エントリ数が一致しません: count=2 entries=1\n"});

    write_file_bytes(dir.file("out.flx"), "earlier file");
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out;
        EXPECT_EQ(write(&c.archive, out), -1);
        EXPECT_EQ(out, test_capture::console(c.message));
        EXPECT_EQ(read_file_bytes(dir.file("out.flx")), "earlier file");
        EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"out.flx"});
    }
}

TEST_F(FlexWrite, BadArgumentsAndFilesThatCannotBeWrittenFail)
{
    FlexArchive archive = archive_of({entry_of(0, RawData{{1, 2, 3}}, 3)});
    test_capture::begin();
    EXPECT_EQ(write_flexfile(nullptr, dir.file("x.flx").c_str()), -1);
    EXPECT_EQ(write_flexfile(&archive, nullptr), -1);
    EXPECT_EQ(write_flexfile(&archive, ""), -1);
    EXPECT_EQ(test_capture::end(), "");

    const std::string missing = dir.file("no such folder/out.flx");
    test_capture::begin();
    EXPECT_EQ(write_flexfile(&archive, missing.c_str()), -1);
    EXPECT_EQ(test_capture::end(),
              test_capture::console("ERROR: " + std::to_string(ENOENT) + ": オープンエラー: " + missing + "\n"));

#ifndef _WIN32
    // The device takes the bytes into its buffer and fails at the flush.
    test_capture::begin();
    EXPECT_EQ(write_flexfile(&archive, "/dev/full"), -1);
    EXPECT_EQ(test_capture::end(),
              test_capture::console("ERROR: " + std::to_string(ENOSPC) + ": 書き込みエラー: /dev/full\n"));
#endif
}

TEST_F(FlexWrite, AWriteStoppedByAFileSizeLimitLeavesTheEarlierFileUntouched)
{
#ifdef _WIN32
    GTEST_SKIP() << "no fork and no file size limit on Windows";
#else
    const std::string target = dir.file("out.flx");
    const std::string report = dir.file("report.txt");
    write_file_bytes(target, "earlier file");
    FlexArchive archive = archive_of({entry_of(0, RawData{Bytes(100000, 0x5A)}, 100000)});

    // The limit makes the write fail as a full disk would; the child hands
    // back what it printed.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        test_capture::begin();
        const std::int64_t result = write_flexfile(&archive, target.c_str());
        const std::string out = test_capture::end();
        write_file_bytes(report, out);
        _exit(result == -1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file_bytes(report),
              test_capture::console("ERROR: " + std::to_string(EFBIG) + ": 書き込みエラー: " + target + "\n"));
    EXPECT_EQ(read_file_bytes(target), "earlier file");
    EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"out.flx", "report.txt"}));

    // Without the limit the same archive replaces the earlier file.
    std::string out;
    EXPECT_EQ(write(&archive, out), 128 + 8 + 100000);
    EXPECT_EQ(written().size(), 128u + 8 + 100000);
#endif
}

// ---------------------------------------------------------------------------
// IFF archives

class IffWrite : public testing::Test {
protected:
    IffArchivePtr load(const Bytes& bytes)
    {
        write_file_bytes(dir.file("in.iff"), to_string(bytes));
        IffArchivePtr archive;
        test_capture::begin();
        const int result = read_ifffile(&archive, dir.file("in.iff").c_str());
        test_capture::end();
        EXPECT_EQ(result, 0);
        return archive;
    }

    std::int64_t write(IffArchive* archive, std::string& out)
    {
        test_capture::begin();
        const std::int64_t result = write_ifffile(archive, dir.file("out.iff").c_str());
        out = test_capture::end();
        return result;
    }

    TempDir dir;
};

TEST_F(IffWrite, OddChunksGetAZeroPadByteWhateverTheFileHeld)
{
    const Bytes frame = build_frame(2, 0, 1, 0, {raw_span(0, -1, {3, 4, 5})});
    const std::vector<IffChunkSpec> chunks = {
        {"FLIC", "anim", {1, 2, 3}}, {"SHAP", "shape", build_shape({frame})}, {"VOCF", "voice", {4, 5, 6, 7}},
        {"MISC", "odd", {8}}};
    IffArchivePtr archive = load(build_iff("TEST", chunks, 0x77));
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->chunks[0].pad, 0x77);

    std::string out;
    const Bytes expected = build_iff("TEST", chunks, 0);
    EXPECT_EQ(write(archive.get(), out), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(bytes_of(read_file_bytes(dir.file("out.iff"))), expected);
    EXPECT_EQ(out, frame_listing({frame.size()}));
}

TEST_F(IffWrite, TheDamagedEndgChunkIsWrittenWithoutANameAndAGrownShapeResizesTheForm)
{
    std::vector<IffChunkSpec> chunks(11, IffChunkSpec{"MISC", "m", {1, 2}});
    chunks[10] = IffChunkSpec{"SHAP", "damaged", {9, 9, 9}};
    const Bytes frame = build_frame(1, 0, 1, 0, {raw_span(0, -1, {3})});
    chunks[3] = IffChunkSpec{"FONT", "font", build_shape({frame})};
    IffArchivePtr archive = load(build_iff("ENDG", chunks));
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->chunks[10].no_name, 1);

    const Bytes bigger = build_frame(3, 0, 1, 0, {raw_span(0, -1, {3, 3, 3})});
    std::get<Shape>(archive->chunks[3].object).frames[0].data = bigger;
    chunks[3].data = build_shape({bigger});
    std::string out;
    const Bytes expected = build_iff("ENDG", chunks);
    EXPECT_EQ(write(archive.get(), out), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(bytes_of(read_file_bytes(dir.file("out.iff"))), expected);
    EXPECT_EQ(archive->size + 8, expected.size());
    EXPECT_EQ(archive->chunks[3].size, chunks[3].data.size() + 8);
}

TEST_F(IffWrite, AFormWithoutChunksIsTwelveBytes)
{
    IffArchivePtr archive = load(build_iff("ENDG", {}));
    ASSERT_TRUE(archive);
    std::string out;
    EXPECT_EQ(write(archive.get(), out), 12);
    EXPECT_EQ(bytes_of(read_file_bytes(dir.file("out.iff"))), build_iff("ENDG", {}));
}

TEST_F(IffWrite, FaultyChunksAndFailedWritesFailWithTheirMessage)
{
    auto form_of = [](EntryType type, EntryObject object, std::uint32_t size) {
        IffArchive archive;
        std::copy_n("FORM", 4, archive.tag.begin());
        std::copy_n("TEST", 4, archive.form_type.begin());
        IffChunk chunk;
        std::copy_n("MISC", 4, chunk.tag.begin());
        chunk.type = type;
        chunk.object = std::move(object);
        chunk.size = size;
        archive.chunks.push_back(std::move(chunk));
        return archive;
    };
    struct Case {
        const char* what;
        IffArchive archive;
        std::string message;
    };
    std::vector<Case> cases;
    cases.push_back({"a palette chunk", form_of(ENTRY_PALETTE, Palette{}, 776),
                     "ERROR: 不正なデータタイプです: [0] type=3\n"});
    cases.push_back({"bytes typed as a shape", form_of(ENTRY_SHAPE, RawData{{1}}, 9),
                     "ERROR: データタイプが一致しません: [0] type=6\n"});
    cases.push_back({"bytes typed as voice", form_of(ENTRY_VOC, RawData{{1}}, 9),
                     "ERROR: データタイプが一致しません: [0] type=8\n"});
    cases.push_back({"fewer bytes than the size says", form_of(ENTRY_RAW, RawData{{1, 2, 3}}, 12),
                     "ERROR: データサイズが一致しません: [0] 4 != 3\n"});
    cases.push_back({"a size without room for the name", form_of(ENTRY_RAW, RawData{{}}, 5),
                     "ERROR: データサイズが一致しません: [0] 5 != 8\n"});

    write_file_bytes(dir.file("out.iff"), "earlier file");
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out;
        EXPECT_EQ(write(&c.archive, out), -1);
        EXPECT_EQ(out, test_capture::console(c.message));
        EXPECT_EQ(read_file_bytes(dir.file("out.iff")), "earlier file");
        EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"out.iff"});
    }

    IffArchive fine = form_of(ENTRY_RAW, RawData{{1, 2}}, 10);
    test_capture::begin();
    EXPECT_EQ(write_ifffile(nullptr, "x.iff"), -1);
    EXPECT_EQ(write_ifffile(&fine, ""), -1);
#ifndef _WIN32
    EXPECT_EQ(write_ifffile(&fine, "/dev/full"), -1);
    const std::string full_error = "ERROR: " + std::to_string(ENOSPC) + ": 書き込みエラー: /dev/full\n";
#else
    const std::string full_error;  // no /dev/full on Windows
#endif
    const std::string missing = dir.file("none/out.iff");
    EXPECT_EQ(write_ifffile(&fine, missing.c_str()), -1);
    EXPECT_EQ(test_capture::end(),
              test_capture::console(full_error + "ERROR: " + std::to_string(ENOENT) + ": オープンエラー: " + missing + "\n"));
}

}  // namespace
