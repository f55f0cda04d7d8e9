// Small helpers around stdio files: an owning handle, an open that reports
// its failure, a close that reports late write errors, a check that two
// paths name the same file, and the reading of text lines whose length is
// known even when they hold a zero byte.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct FileCloser {
    void operator()(std::FILE* file) const
    {
        if (file != nullptr) std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file; the handle is empty on failure, with errno set.
FilePtr open_file(const char* path, const char* mode);

// Prints "ERROR: <errno>: オープンエラー: <path>" for the errno of a failed
// open (errno is kept).
void print_open_error(const char* path);

// Whether open_file_or_report reports a file that does not exist.
enum class MissingFile { report, quiet };

// Opens a file like open_file and prints the open error on failure; with
// MissingFile::quiet a file that does not exist (ENOENT) is left for the
// caller to report.  errno stays that of the failed open.
FilePtr open_file_or_report(const char* path, const char* mode, MissingFile missing = MissingFile::report);

// Reads the next line of a text stream into buffer: bytes up to and
// including the first LF, at most size - 1 of them (the rest of a longer
// line is left for the next read), followed by a zero.  Returns the number
// of bytes read, zero bytes inside the line included; 0 at the end of the
// stream or on a read error (ferror tells them apart).
std::size_t read_text_line(std::FILE* stream, char* buffer, std::size_t size);

// Reads the lines of a text stream in large blocks, with the same result
// per call as read_text_line: bytes up to and including the first LF, at
// most size - 1 of them, then a zero.  The stream must be read through the
// reader alone once it has started (it reads ahead).
class TextLineReader {
public:
    explicit TextLineReader(std::FILE* stream) : stream_(stream) {}

    // The next line (or piece of a longer line) into buffer; the number of
    // bytes read, 0 at the end of the stream or on a read error.
    std::size_t read(char* buffer, std::size_t size);
    // The next line (or piece) without copying: a view of the reader's
    // block, valid until the next call.  Empty at the end or on an error.
    std::string_view next(std::size_t max_length);
    // Skips the rest of the current line, up to and including its LF.
    void skip_rest_of_line();
    // True when reading failed (as ferror on the stream).
    bool failed() const;
    // Whether any byte is left to read (reads ahead to know).
    bool has_more();
    // Whether what is left of the current line is only its end: CRs and
    // an LF, or nothing (reads ahead to know).
    bool rest_is_line_end();

private:
    bool refill();

    std::FILE* stream_;
    std::vector<char> block_;
    std::size_t position_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
};

// Flushes and closes a stream that was written to.  Returns 0 when every
// byte reached the file, or -1 (errno set) when a write failed, including a
// failure that only shows when the buffer is flushed or the file closed.
int close_written_file(FilePtr& file);

// The file system's path for a name given as UTF-8 (a command line
// argument, a name built from one).  On Windows the name is converted to
// UTF-16: a path made from a narrow string there would take each byte for a
// character of its own.  Elsewhere the bytes are the name.  Every
// std::filesystem call on a name goes through this.
std::filesystem::path path_from_utf8(const std::string& name);

// The UTF-8 name of a file system path (a name found in a folder).
std::string utf8_from_path(const std::filesystem::path& path);

// Removes the file of that name, if any (not a folder).
void remove_file(const std::string& name);

// Ignores SIGXFSZ, so that a write past the file-size limit (ulimit -f)
// fails with EFBIG and is reported, and the temporary file removed, instead
// of the process being killed without a word.  Called first by every
// program's main; nothing to do on Windows.
void ignore_file_size_signal();

// True when both paths exist and name the same file (same device and
// inode), whatever the spelling of the paths.
bool is_same_file(const char* path_a, const char* path_b);

// True when the two names stand for one file: the same existing file
// (is_same_file), or, for a file not made yet, the same name once made
// absolute and normalised ("./z.new" and "z.new"; letter case aside on
// Windows).  An empty name stands for none.
bool names_same_file(const std::string& a, const std::string& b);

// Whether anything has that name: a file, a folder, or a symbolic link,
// even one whose target is missing.  A dangling link counts, so that an
// output named by one is never written through it to wherever it points.
bool path_exists(const std::string& path);

// Prints "ERROR: 入力ファイルと出力ファイルが同じです: <output>", the refusal of
// an output that would replace one of the program's inputs.
void print_output_is_an_input(const std::string& output);

// Whether output names the same file as one of inputs (names_same_file: an
// existing file under any name, a new one under any spelling; an empty
// input matches nothing).  Prints the refusal when it does.
bool output_is_an_input(const std::string& output, const std::vector<std::string>& inputs);

// Output gathered into large blocks, each written to the stream with one
// call once it holds block_size bytes or more.  failed tells whether any
// write came up short.
struct BlockWriter {
    std::FILE* stream;
    std::size_t block_size;
    std::string block;
    bool failed = false;

    BlockWriter(std::FILE* output, std::size_t size) : stream(output), block_size(size) {}
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Writes the block and empties it.  false when the write came up short.
    bool flush();
    bool flush_if_full() { return block.size() < block_size || flush(); }
};

// Whether write_whole_file may replace a file of the destination's name.
enum class ExistingFile { replace, keep };

// Writes the file at path complete or not at all (through ReplacingFile):
// write is given the open stream and returns 0 or -1.  0, or -1 after an
// open or write error line.  mode is "wb", or "wt" for a text file (CR LF
// line ends on Windows).  With ExistingFile::keep, a file of that name that
// exists when the new one is complete stays, and the write fails after the
// line of print_file_exists.
int write_whole_file(const char* path, const std::function<int(std::FILE*)>& write, const char* mode = "wb",
                     ExistingFile existing = ExistingFile::replace);

// The line for an output that is not written because a file of its name
// exists: "ERROR: ファイルが既にあります(上書きしません): <path>".
void print_file_exists(const char* path);

// A file written beside its destination and put in place only when it is
// complete, so that a failed write never leaves a partial file behind nor
// touches an earlier file of the destination's name.
//
// open() creates a temporary file in the destination's folder; commit()
// flushes and closes it (reporting late write errors, as
// close_written_file does) and renames it over the destination.  A file
// that is dropped without a successful commit() is removed.
//
// A destination that exists and is not a regular file (a device such as
// /dev/null or /dev/full, a pipe) is written directly, as fopen would.  A
// destination that is a folder, or a file that may not be written, is
// refused at open() with the errno fopen would give.  A symbolic link is
// followed: its target is replaced, the link stays.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() { discard(); }

    // 0, or -1 with errno set.  mode is "wb" or "wt".  The temporary
    // file's name is the destination's, cut short when needed, and a
    // suffix, so that a destination of the longest name a folder takes can
    // still be written.
    int open(const char* path, const char* mode);
    std::FILE* get() const { return file_.get(); }
    // Flushes and closes the file written, reporting late write errors as
    // close_written_file does; commit or commit_new then only puts it in
    // place.  For a set of files that must all be complete before any is
    // put in place.  0, or -1 with errno set (the temporary file removed).
    int close();
    // 0 when the whole file is in place, or -1 with errno set (the
    // temporary file is removed and the destination left as it was).
    int commit();
    // As commit, but the file is put in place only if no file of that name
    // exists at that moment (-1 with errno EEXIST otherwise): for an output
    // that must never replace a translator's file.
    int commit_new();
    // Closes and removes the temporary file, if any.
    void discard();

private:
    int finish(bool replace);
    // The platform's part: puts the temporary file over the destination, or
    // beside no existing file when replace is false (0, or -1 with errno
    // set), and removes a temporary file.
    static int move_over(const std::string& temporary, const std::string& destination, bool replace);
    static void remove_temporary(const std::string& temporary);
    // The destination's folder and name, the name cut at a character so
    // that the temporary file's name (this and a suffix of at most 30
    // bytes) stays within what a folder takes.
    static std::string temporary_stem(const std::string& destination);

    FilePtr file_;
    bool closed_ = false;  // close() done, commit still to come
    std::string destination_;
    std::string temporary_;  // empty when writing the destination directly
};
