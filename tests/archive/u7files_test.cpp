#include "archive/u7files.h"

#include "support/stdout_capture.h"
#include "support/temp_dir.h"
#include "support/u7_test_builders.h"
#include "archive/u7data_utils.h"
#include "shape/u7shape_utils.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#ifndef _WIN32
#include <sys/mman.h>
#endif

using namespace test_builders;

namespace {

std::int32_t refuse_bytes(EntryObject*, const std::uint8_t*, std::int32_t, std::int32_t) { return -1; }

// Every test starts from an empty read-function table.
class FlexRead : public testing::Test {
protected:
    void SetUp() override { reset_flexfile_readfuncs(); }
    void TearDown() override { reset_flexfile_readfuncs(); }

    std::string write_archive(const Bytes& bytes, const std::string& name = "test.flx")
    {
        const std::string path = dir.file(name);
        write_file_bytes(path, to_string(bytes));
        return path;
    }

    // Registers quietly (the registration lines are tested on their own).
    static void register_quietly(EntryType type, FlexReadFunc function)
    {
        test_capture::begin();
        register_flexfile_readfunc(type, function);
        test_capture::end();
    }

    TempDir dir;
};

// The loaders are tested in both forms: reading the file at a path, and
// reading the same bytes from memory under a name.  Both must behave alike,
// the name standing where the path stood in every message.
enum class Source { file, memory };

std::string source_name(const testing::TestParamInfo<Source>& info)
{
    return info.param == Source::file ? "FromFile" : "FromMemory";
}

class FlexLoad : public FlexRead, public testing::WithParamInterface<Source> {
protected:
    // Keeps the bytes and returns the name the messages will show.
    std::string write_archive(const Bytes& bytes)
    {
        bytes_ = bytes;
        return GetParam() == Source::file ? FlexRead::write_archive(bytes) : std::string("memory.flx");
    }

    int read_flexfile(FlexArchivePtr* archive, const char* name, const TypeRun* runs)
    {
        return GetParam() == Source::file
                   ? ::read_flexfile(archive, name, runs)
                   : read_flexfile_from_memory(archive, bytes_.data(), bytes_.size(), name, runs);
    }
    int read_flexfile_per_entry(FlexArchivePtr* archive, const char* name, const std::int32_t* types)
    {
        return GetParam() == Source::file
                   ? ::read_flexfile_per_entry(archive, name, types)
                   : read_flexfile_per_entry_from_memory(archive, bytes_.data(), bytes_.size(), name, types);
    }
    int read_flexfile_with_readfunc(FlexArchivePtr* archive, const char* name, FlexReadFunc function)
    {
        return GetParam() == Source::file
                   ? ::read_flexfile_with_readfunc(archive, name, function)
                   : read_flexfile_with_readfunc_from_memory(archive, bytes_.data(), bytes_.size(), name, function);
    }

    Bytes bytes_;
};

INSTANTIATE_TEST_SUITE_P(Sources, FlexLoad, testing::Values(Source::file, Source::memory), source_name);

const RawData* raw_of(const FlexEntry& entry) { return std::get_if<RawData>(&entry.object); }

TEST_F(FlexRead, RegistrationPrintsItsLineAndRefusesTypesWithoutASlot)
{
    const std::string address = test_capture::function_address(&read_data_from_buffer);
    test_capture::begin();
    EXPECT_EQ(register_flexfile_readfunc(ENTRY_FLIC, read_data_from_buffer), -1);
    EXPECT_EQ(register_flexfile_readfunc(ENTRY_RAW, read_data_from_buffer), 0);
    EXPECT_EQ(register_flexfile_readfunc(-1, read_data_from_buffer), -1);
    const std::string out = test_capture::end();
    EXPECT_EQ(out, "register_flexfile_readfunc(7, " + address + ")\n" + "register_flexfile_readfunc(7, " + address +
                       ") - ERROR\n" + "register_flexfile_readfunc(0, " + address + ")\n" +
                       "register_flexfile_readfunc(-1, " + address + ")\n" + "register_flexfile_readfunc(-1, " +
                       address + ") - ERROR\n");
    EXPECT_GE(address.size(), 8u);
}

TEST_F(FlexRead, LookUpGivesTheLastRegisteredFunctionOrNone)
{
    register_quietly(ENTRY_RAW, read_text_from_buffer);
    register_quietly(ENTRY_RAW, read_data_from_buffer);
    test_capture::begin();
    EXPECT_EQ(get_flexfile_readfunc(ENTRY_RAW), &read_data_from_buffer);
    EXPECT_EQ(get_flexfile_readfunc(ENTRY_SHAPE), nullptr);
    EXPECT_EQ(get_flexfile_readfunc(9), nullptr);
    const std::string out = test_capture::end();
    EXPECT_EQ(out, "get_flexfile_readfunc(0) = " + test_capture::function_address(&read_data_from_buffer) + "\n" +
                       "get_flexfile_readfunc(6) = 00000000\n" + "get_flexfile_readfunc(9) = NULL\n");
}

TEST_P(FlexLoad, RunsTypeEntriesInTableOrderAndSkipRunsWithoutEntries)
{
    register_quietly(ENTRY_RAW, read_data_from_buffer);
    register_quietly(ENTRY_TEXT, read_text_from_buffer);
    const Bytes archive_bytes = build_flex({{1, 2, 3}, {}, bytes_of("abc"), {9}, {8}});
    const std::string path = write_archive(archive_bytes);
    const TypeRun runs[] = {{ENTRY_TEXT, 0}, {ENTRY_RAW, 2}, {ENTRY_TEXT, -3}, {ENTRY_TEXT, 1}, {-1, 99}};

    FlexArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_flexfile(&archive, path.c_str(), runs), 0);
    const std::string out = test_capture::end();
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->count, 5);

    EXPECT_EQ(archive->entries[0].type, ENTRY_RAW);
    ASSERT_NE(raw_of(archive->entries[0]), nullptr);
    EXPECT_EQ(raw_of(archive->entries[0])->bytes, (Bytes{1, 2, 3}));
    // The empty entry uses up its place in the run but gets no object.
    EXPECT_EQ(archive->entries[1].type, 0);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(archive->entries[1].object));
    EXPECT_EQ(archive->entries[2].type, ENTRY_TEXT);
    ASSERT_NE(std::get_if<TextData>(&archive->entries[2].object), nullptr);
    EXPECT_STREQ(std::get<TextData>(archive->entries[2].object).text.c_str(), "abc");
    EXPECT_EQ(archive->entries[3].type, ENTRY_NONE);
    EXPECT_EQ(archive->entries[4].type, ENTRY_NONE);

    const std::string raw_fn = test_capture::function_address(&read_data_from_buffer);
    const std::string text_fn = test_capture::function_address(&read_text_from_buffer);
    const std::string expected = "get_flexfile_readfunc(0) = " + raw_fn + "\n[0] 0 0/2 " + raw_fn + "\n" +
                                 "get_flexfile_readfunc(0) = " + raw_fn + "\n[1] 0 1/2 " + raw_fn + "\n" +
                                 "get_flexfile_readfunc(2) = " + text_fn + "\n[2] 2 0/1 " + text_fn + "\n" +
                                 test_capture::console("WARNING: データタイプ指定がありません: " + path + " [3]\n") +
                                 test_capture::console("WARNING: データタイプ指定がありません: " + path + " [4]\n");
    EXPECT_EQ(out, expected);
    free_flexfile(archive);
    EXPECT_FALSE(archive);
}

TEST_P(FlexLoad, ATypeWithoutAFunctionWarnsForEachOfItsEntriesThenTypingResumes)
{
    register_quietly(ENTRY_RAW, read_data_from_buffer);
    const std::string path = write_archive(build_flex({{1}, {}, {3}, {4}}));
    const TypeRun runs[] = {{ENTRY_PALETTE, 2}, {ENTRY_FLIC, 1}, {ENTRY_RAW, 5}, {-1, 0}};
    FlexArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_flexfile(&archive, path.c_str(), runs), 0);
    const std::string out = test_capture::end();
    EXPECT_EQ(archive->entries[0].type, ENTRY_PALETTE);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(archive->entries[0].object));
    EXPECT_EQ(archive->entries[1].type, ENTRY_PALETTE);
    EXPECT_EQ(archive->entries[2].type, ENTRY_FLIC);
    EXPECT_EQ(archive->entries[3].type, ENTRY_RAW);
    const std::string raw_fn = test_capture::function_address(&read_data_from_buffer);
    EXPECT_EQ(out, "get_flexfile_readfunc(3) = 00000000\n" +
                       test_capture::console("WARNING: 読み込み関数(3)が登録されていません: " + path + " [0]\n") +
                       "get_flexfile_readfunc(3) = 00000000\n" +
                       test_capture::console("WARNING: 読み込み関数(3)が登録されていません: " + path + " [1]\n") +
                       "get_flexfile_readfunc(7) = NULL\n" +
                       test_capture::console("WARNING: 読み込み関数(7)が登録されていません: " + path + " [2]\n") +
                       "get_flexfile_readfunc(0) = " + raw_fn + "\n[3] 0 0/5 " + raw_fn + "\n");
}

TEST_P(FlexLoad, AnArchiveWithoutEntriesKeepsItsHeaderWords)
{
    FlexHeader header;
    header.title = "fonts";
    header.magic1 = 0x12345678u;
    header.magic2 = 0x9ABCDEF0u;
    for (std::uint32_t i = 0; i < 9; ++i) header.reserved[i] = i * 0x01010101u;
    const std::string path = write_archive(build_flex({}, header));
    FlexArchivePtr archive;
    const TypeRun runs[] = {{-1, 0}};
    test_capture::begin();
    ASSERT_EQ(read_flexfile(&archive, path.c_str(), runs), 0);
    EXPECT_EQ(test_capture::end(), "");
    EXPECT_EQ(archive->count, 0);
    EXPECT_TRUE(archive->entries.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(archive->title.data())), "fonts");
    EXPECT_EQ(archive->magic1, 0x12345678u);
    EXPECT_EQ(archive->magic2, 0x9ABCDEF0u);
    EXPECT_EQ(archive->reserved[8], 0x08080808u);
}

TEST_P(FlexLoad, PerEntryListSkipsEmptyEntriesAndWarnsPastItsEnd)
{
    register_quietly(ENTRY_RAW, read_data_from_buffer);
    const std::string path = write_archive(build_flex({{1}, {}, {2}, {3}}));
    const std::int32_t types[] = {ENTRY_RAW, ENTRY_TEXT, ENTRY_TEXT, -1};
    FlexArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_flexfile_per_entry(&archive, path.c_str(), types), 0);
    const std::string out = test_capture::end();
    EXPECT_EQ(archive->entries[0].type, ENTRY_RAW);
    EXPECT_EQ(archive->entries[1].type, 0);
    EXPECT_EQ(archive->entries[2].type, ENTRY_TEXT);
    EXPECT_EQ(archive->entries[3].type, ENTRY_NONE);
    const std::string raw_fn = test_capture::function_address(&read_data_from_buffer);
    EXPECT_EQ(out, "get_flexfile_readfunc(0) = " + raw_fn + "\n" + "get_flexfile_readfunc(2) = 00000000\n" +
                       test_capture::console("WARNING: 読み込み関数(2)が登録されていません: " + path + " [2]\n") +
                       test_capture::console("WARNING: データタイプ指定がありません: " + path + " [3]\n"));
}

TEST_P(FlexLoad, AFailingReadFunctionFailsTheLoadWithTheEntryIndex)
{
    const std::string path = write_archive(build_flex({{1}, {}, {2}}));
    FlexArchivePtr archive = std::make_unique<FlexArchive>();
    test_capture::begin();
    EXPECT_EQ(read_flexfile_with_readfunc(&archive, path.c_str(), refuse_bytes), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: 不正なデータです: " + path + " [0]\n"));
    EXPECT_FALSE(archive);
}

TEST_P(FlexLoad, WithReadFuncDecodesEveryNonEmptyEntrySilently)
{
    const std::string path = write_archive(build_flex({{}, {5, 6}, {7}}));
    FlexArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_flexfile_with_readfunc(&archive, path.c_str(), read_data_from_buffer), 0);
    EXPECT_EQ(test_capture::end(), "");
    EXPECT_EQ(archive->entries[0].type, 0);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(archive->entries[0].object));
    EXPECT_EQ(raw_of(archive->entries[1])->bytes, (Bytes{5, 6}));
    EXPECT_EQ(raw_of(archive->entries[2])->bytes, (Bytes{7}));
}

TEST_P(FlexLoad, APaletteOfTheWrongSizeComesBackAsPlainBytes)
{
    register_quietly(ENTRY_PALETTE, read_palette_from_buffer);
    const Bytes palette(767, 0x21);
    const std::string path = write_archive(build_flex({palette}));
    const TypeRun runs[] = {{ENTRY_PALETTE, 1}, {-1, 0}};
    FlexArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_flexfile(&archive, path.c_str(), runs), 0);
    const std::string out = test_capture::end();
    EXPECT_NE(out.find(test_capture::console(
                  "WARNING: read_palette_from_buffer: データサイズが一致しません: 00000300 != 000002FF ... 破損している?\n")),
              std::string::npos);
    EXPECT_EQ(archive->entries[0].type, ENTRY_RAW);
    EXPECT_EQ(raw_of(archive->entries[0])->bytes, palette);
}

// Malformed files: every one is refused before anything outside the file
// image is touched, and the caller's pointer ends up empty.
struct MalformedCase {
    const char* name;
    Bytes bytes;
    int index;  // the index named by the invalid-data line
};

TEST_P(FlexLoad, FilesThatDoNotHoldTheirHeaderTableOrEntriesAreRefused)
{
    const Bytes header_only = build_flex({});
    const std::vector<MalformedCase> cases = {
        {"empty file", {}, -1},
        {"short header", Bytes(header_only.begin(), header_only.begin() + 127), -1},
        {"table beyond the file", build_flex_table(3, {{0, 0}, {0, 0}}, {}), -1},
        {"negative count", build_flex_table(-1, {}, {}), -1},
        {"huge count", build_flex_table(0x7FFFFFFF, {}, Bytes(16, 0)), -1},
        {"entry past the end", build_flex_table(2, {{0, 0}, {144, 3}}, {1, 2}), 1},
        {"entry offset beyond the file", build_flex_table(1, {{0x1000, 1}}, {1}), 0},
        {"offset and size that wrap", build_flex_table(1, {{0xFFFFFFF0u, 0x20}}, Bytes(0x20, 0)), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write_archive(c.bytes);
        FlexArchivePtr archive = std::make_unique<FlexArchive>();
        test_capture::begin();
        EXPECT_EQ(read_flexfile_with_readfunc(&archive, path.c_str(), read_data_from_buffer), -1);
        EXPECT_EQ(test_capture::end(),
                  test_capture::console("ERROR: 不正なデータです: " + path + " [" + std::to_string(c.index) + "]\n" +
                                        "ERROR: " + path + " を読み込めません\n"));
        EXPECT_FALSE(archive);
    }
}

TEST_P(FlexLoad, AnEntryEndingExactlyAtTheEndOfTheFileIsAccepted)
{
    const std::string path = write_archive(build_flex_table(1, {{136, 2}}, {0xAB, 0xCD}));
    FlexArchivePtr archive;
    ASSERT_EQ(read_flexfile_with_readfunc(&archive, path.c_str(), read_data_from_buffer), 0);
    EXPECT_EQ(raw_of(archive->entries[0])->bytes, (Bytes{0xAB, 0xCD}));
}

TEST_F(FlexRead, MissingFilesAndBadArgumentsFail)
{
    const std::string path = dir.file("missing.flx");
    FlexArchivePtr archive;
    test_capture::begin();
    EXPECT_EQ(read_flexfile_with_readfunc(&archive, path.c_str(), read_data_from_buffer), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: 2: オープンエラー: " + path + "\n" + "ERROR: " + path +
                                                         " を読み込めません\n"));
    test_capture::begin();
    EXPECT_EQ(read_flexfile_with_readfunc(&archive, dir.path().c_str(), read_data_from_buffer), -1);
    // A folder opens on Linux and fails at reading; Windows refuses to open it.
#ifdef _WIN32
    const std::string folder_error = "ERROR: 13: オープンエラー: ";
#else
    const std::string folder_error = "ERROR: 21: 読み込みエラー: ";
#endif
    EXPECT_EQ(test_capture::end(), test_capture::console(folder_error + dir.path() + "\n" + "ERROR: " +
                                                         dir.path() + " を読み込めません\n"));
    const TypeRun runs[] = {{-1, 0}};
    test_capture::begin();
    EXPECT_EQ(read_flexfile(nullptr, path.c_str(), runs), -1);
    EXPECT_EQ(read_flexfile(&archive, nullptr, runs), -1);
    EXPECT_EQ(read_flexfile(&archive, path.c_str(), nullptr), -1);
    EXPECT_EQ(read_flexfile_per_entry(&archive, path.c_str(), nullptr), -1);
    EXPECT_EQ(read_flexfile_with_readfunc(&archive, path.c_str(), nullptr), -1);
    EXPECT_EQ(test_capture::end(), "");
}

TEST_F(FlexRead, TheMemoryFormsRefuseMissingBytesAndNamesSilently)
{
    const Bytes bytes = build_flex({{1}});
    const TypeRun runs[] = {{-1, 0}};
    const std::int32_t types[] = {-1};
    FlexArchivePtr archive = std::make_unique<FlexArchive>();
    test_capture::begin();
    EXPECT_EQ(read_flexfile_from_memory(&archive, nullptr, 10, "m", runs), -1);
    EXPECT_FALSE(archive);
    EXPECT_EQ(read_flexfile_from_memory(&archive, bytes.data(), bytes.size(), nullptr, runs), -1);
    EXPECT_EQ(read_flexfile_per_entry_from_memory(&archive, nullptr, 1, "m", types), -1);
    EXPECT_EQ(read_flexfile_per_entry_from_memory(nullptr, bytes.data(), bytes.size(), "m", types), -1);
    EXPECT_EQ(read_flexfile_with_readfunc_from_memory(&archive, nullptr, 1, "m", read_data_from_buffer), -1);
    EXPECT_EQ(read_flexfile_with_readfunc_from_memory(&archive, bytes.data(), bytes.size(), "m", nullptr), -1);
    IffArchivePtr iff;
    EXPECT_EQ(read_ifffile_from_memory(&iff, nullptr, 12, "m"), -1);
    EXPECT_EQ(read_ifffile_from_memory(&iff, bytes.data(), bytes.size(), nullptr), -1);
    EXPECT_EQ(test_capture::end(), "");
    // No bytes at all are an empty file: too short for the header.
    test_capture::begin();
    EXPECT_EQ(read_flexfile_with_readfunc_from_memory(&archive, nullptr, 0, "m", read_data_from_buffer), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: 不正なデータです: m [-1]\nERROR: m を読み込めません\n"));
}

// Read functions take a signed 32-bit size: an entry of 2 GiB or more is
// refused before any function sees it.  The image is a sparse mapping, so
// only its first page is ever touched.
TEST_F(FlexRead, AnEntryLargerThanASigned32BitSizeIsRefused)
{
#ifdef _WIN32
    GTEST_SKIP() << "the sparse 2 GiB mapping is made with mmap";
#else
    const std::size_t image_size = 0x80000000u + 4096;
    void* mapping = mmap(nullptr, image_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) GTEST_SKIP() << "no room for a 2 GiB mapping";
    const Bytes head = build_flex_table(2, {{144, 0x7FFFFFFFu}, {144, 0x80000000u}}, {});
    std::memcpy(mapping, head.data(), head.size());
    FlexArchivePtr archive;
    test_capture::begin();
    EXPECT_EQ(read_flexfile_with_readfunc_from_memory(&archive, static_cast<const std::uint8_t*>(mapping), image_size,
                                                      "big.flx", refuse_bytes),
              -1);
    EXPECT_EQ(test_capture::end(),
              test_capture::console("ERROR: 不正なデータです: big.flx [1]\nERROR: big.flx を読み込めません\n"));
    EXPECT_FALSE(archive);
    munmap(mapping, image_size);
#endif
}

TEST_P(FlexLoad, ShapesLoadThroughTheTable)
{
    register_quietly(ENTRY_SHAPE, read_shape_from_buffer);
    const Bytes frame = build_frame(1, 0, 1, 0, {raw_span(0, -1, {4})});
    const std::string path = write_archive(build_flex({build_shape({frame, frame})}));
    const TypeRun runs[] = {{ENTRY_SHAPE, 1}, {-1, 0}};
    FlexArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_flexfile(&archive, path.c_str(), runs), 0);
    test_capture::end();
    const Shape* shape = std::get_if<Shape>(&archive->entries[0].object);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(archive->entries[0].type, ENTRY_SHAPE);
    EXPECT_EQ(shape->count(), 2);
    EXPECT_EQ(shape->frames[1].data, frame);
}

// ---------------------------------------------------------------------------
// IFF

class IffRead : public testing::TestWithParam<Source> {
protected:
    // Keeps the bytes and returns the name the messages will show.
    std::string write_iff(const Bytes& bytes)
    {
        bytes_ = bytes;
        if (GetParam() == Source::memory) return "memory.iff";
        const std::string path = dir.file("test.iff");
        write_file_bytes(path, to_string(bytes));
        return path;
    }
    int read_ifffile(IffArchivePtr* archive, const char* name)
    {
        return GetParam() == Source::file ? ::read_ifffile(archive, name)
                                          : read_ifffile_from_memory(archive, bytes_.data(), bytes_.size(), name);
    }
    TempDir dir;
    Bytes bytes_;
};

INSTANTIATE_TEST_SUITE_P(Sources, IffRead, testing::Values(Source::file, Source::memory), source_name);

TEST_P(IffRead, AFormWithoutChunksLoads)
{
    const std::string path = write_iff(build_iff("ENDG", {}));
    IffArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_ifffile(&archive, path.c_str()), 0);
    EXPECT_EQ(test_capture::end(), "");
    EXPECT_EQ(archive->count(), 0);
    EXPECT_EQ(archive->size, 4u);
    EXPECT_EQ(std::string(archive->form_type.data(), 4), "ENDG");
}

TEST_P(IffRead, ChunksAreTypedByTagAndOddChunksKeepTheirPadByte)
{
    const Bytes shape = build_shape({build_frame(1, 0, 1, 0, {raw_span(0, -1, {4})})});
    const std::string path = write_iff(build_iff("XXXX",
                                                 {{"FLIC", "intro", {1, 2, 3}},
                                                  {"VOCF", "voice", {4, 5}},
                                                  {"SHAP", "shape", shape},
                                                  {"MISC", "misc", {6}}},
                                                 0x5A));
    IffArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_ifffile(&archive, path.c_str()), 0);
    test_capture::end();
    ASSERT_EQ(archive->count(), 4);
    EXPECT_EQ(archive->chunks[0].type, ENTRY_FLIC);
    EXPECT_EQ(std::get<FlicData>(archive->chunks[0].object).bytes, (Bytes{1, 2, 3}));
    EXPECT_EQ(archive->chunks[0].pad, 0x5A);
    EXPECT_EQ(archive->chunks[0].size, 11u);
    EXPECT_EQ(std::string(archive->chunks[0].name.data()), "intro");
    EXPECT_EQ(archive->chunks[1].type, ENTRY_VOC);
    EXPECT_EQ(std::get<VocData>(archive->chunks[1].object).bytes, (Bytes{4, 5}));
    EXPECT_EQ(archive->chunks[2].type, ENTRY_SHAPE);
    EXPECT_EQ(std::get<Shape>(archive->chunks[2].object).count(), 1);
    EXPECT_EQ(archive->chunks[3].type, ENTRY_RAW);
    EXPECT_EQ(std::get<RawData>(archive->chunks[3].object).bytes, (Bytes{6}));
}

TEST_P(IffRead, TrailingBytesShorterThanAChunkWarnAndTheLoadSucceeds)
{
    for (int extra = 1; extra <= 15; ++extra) {
        Bytes bytes = build_iff("ENDG", {{"MISC", "a", {1, 2}}});
        bytes.insert(bytes.end(), static_cast<std::size_t>(extra), 0);
        bytes[7] = static_cast<std::uint8_t>(bytes[7] + extra);  // form size
        const std::string path = write_iff(bytes);
        IffArchivePtr archive;
        test_capture::begin();
        ASSERT_EQ(read_ifffile(&archive, path.c_str()), 0);
        EXPECT_EQ(test_capture::end(),
                  test_capture::console("WARNING: 不正なオブジェクトエントリです: " + path + " [1] offset=0000001E\n"));
        EXPECT_EQ(archive->count(), 1);
    }
}

TEST_P(IffRead, TheDamagedEndgChunkKeepsItsNameBytesAsData)
{
    std::vector<IffChunkSpec> chunks(11, IffChunkSpec{"MISC", "m", {1, 2}});
    chunks[10] = IffChunkSpec{"SHAP", "damaged", {9, 9}};
    const Bytes bytes = build_iff("ENDG", chunks);
    const std::string path = write_iff(bytes);
    IffArchivePtr archive;
    test_capture::begin();
    ASSERT_EQ(read_ifffile(&archive, path.c_str()), 0);
    char offset[16];
    std::snprintf(offset, sizeof offset, "%08lX", static_cast<unsigned long>(12 + 10 * 18));
    EXPECT_EQ(test_capture::end(),
              test_capture::console("INFORMATION: 破損エントリ: " + path + " [10] offset=" + offset + "\n"));
    const IffChunk& chunk = archive->chunks[10];
    EXPECT_EQ(chunk.type, ENTRY_RAW);
    EXPECT_EQ(chunk.no_name, 1);
    const Bytes& data = std::get<RawData>(chunk.object).bytes;
    ASSERT_EQ(data.size(), 10u);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 7), "damaged");
}

TEST_P(IffRead, MalformedFilesAreRefusedWithTheirMessages)
{
    IffArchivePtr archive;
    // Too small.
    std::string path = write_iff(Bytes(11, 0));
    test_capture::begin();
    EXPECT_EQ(read_ifffile(&archive, path.c_str()), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: ファイルが小さすぎます: " + path + "\n"));
    // Wrong magic.
    Bytes bytes = build_iff("ENDG", {});
    bytes[0] = 'X';
    path = write_iff(bytes);
    test_capture::begin();
    EXPECT_EQ(read_ifffile(&archive, path.c_str()), -1);
    EXPECT_EQ(test_capture::end(), test_capture::console("ERROR: 不正なIFFヘッダです: " + path + "\n"));
    // Form size that disagrees with the file.
    bytes = build_iff("ENDG", {});
    bytes[7] = 5;
    path = write_iff(bytes);
    test_capture::begin();
    EXPECT_EQ(read_ifffile(&archive, path.c_str()), -1);
    EXPECT_EQ(test_capture::end(),
              test_capture::console("ERROR: データサイズが一致しません: " + path + " size=12 IFF size=5\n"));
    // A chunk reaching past the end, and one too short for its name.
    for (const std::uint8_t chunk_size : {std::uint8_t{0x40}, std::uint8_t{0x04}}) {
        bytes = build_iff("ENDG", {{"MISC", "m", {1, 2, 3, 4}}});
        bytes[19] = chunk_size;
        path = write_iff(bytes);
        test_capture::begin();
        EXPECT_EQ(read_ifffile(&archive, path.c_str()), -1);
        EXPECT_EQ(test_capture::end(),
                  test_capture::console("ERROR: 不正なエントリサイズです: " + path + " [0] offset=16 entry size=" +
                                        std::to_string(chunk_size) + "\n"));
        EXPECT_FALSE(archive);
    }
}

TEST_P(IffRead, AShapeChunkThatIsNotAShapeFailsTheLoad)
{
    const std::string path = write_iff(build_iff("ENDG", {{"FONT", "f", {1, 2, 3, 4, 5, 6}}}));
    IffArchivePtr archive;
    test_capture::begin();
    EXPECT_EQ(read_ifffile(&archive, path.c_str()), -1);
    const std::string out = test_capture::end();
    EXPECT_NE(out.find(test_capture::console("ERROR: 画像データを読み込めません: " + path + " [0] offset=28 size=6\n")),
              std::string::npos);
    EXPECT_FALSE(archive);
}

}  // namespace
