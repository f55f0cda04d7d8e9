#include "common/file_utils.h"

#include "common/console.h"
#include "common/text_utils.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>
#endif

FilePtr open_file(const char* path, const char* mode)
{
    return FilePtr(std::fopen(path, mode));
}

void print_open_error(const char* path)
{
    const int open_errno = errno;
    console_printf("ERROR: %d: オープンエラー: %s\n", open_errno, path);
    errno = open_errno;
}

FilePtr open_file_or_report(const char* path, const char* mode, MissingFile missing)
{
    FilePtr file = open_file(path, mode);
    if (!file && !(missing == MissingFile::quiet && errno == ENOENT)) print_open_error(path);
    return file;
}

namespace {

// getc without the per-call stream lock: a stream is read by one thread.
inline int getc_unlocked_portable(std::FILE* stream)
{
#if defined(_WIN32)
    return _fgetc_nolock(stream);
#else
    return getc_unlocked(stream);
#endif
}

constexpr std::size_t LINE_BLOCK_SIZE = 1 << 16;

}  // namespace

std::size_t read_text_line(std::FILE* stream, char* buffer, std::size_t size)
{
    if (stream == nullptr || buffer == nullptr || size == 0) return 0;
    std::size_t length = 0;
    while (length + 1 < size) {
        const int c = getc_unlocked_portable(stream);
        if (c == EOF) break;
        buffer[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[length] = '\0';
    return length;
}

bool TextLineReader::refill()
{
    if (at_end_ || stream_ == nullptr) return false;
    if (block_.empty()) block_.resize(LINE_BLOCK_SIZE);
    // Keep the unread bytes at the front; a block full of them (a piece
    // longer than the block) grows.
    const std::size_t kept = end_ - position_;
    if (kept != 0 && position_ != 0) std::memmove(block_.data(), block_.data() + position_, kept);
    position_ = 0;
    end_ = kept;
    if (end_ == block_.size()) block_.resize(block_.size() * 2);
    const std::size_t got = std::fread(block_.data() + end_, 1, block_.size() - end_, stream_);
    end_ += got;
    if (got == 0) at_end_ = true;
    return got != 0;
}

std::string_view TextLineReader::next(std::size_t max_length)
{
    if (max_length == 0) return {};
    for (;;) {
        const std::size_t available = end_ - position_;
        const std::size_t span = available < max_length ? available : max_length;
        const char* start = block_.data() + position_;
        const void* lf = span != 0 ? std::memchr(start, '\n', span) : nullptr;
        std::size_t length = 0;
        if (lf != nullptr) {
            length = static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1;
        } else if (span == max_length) {
            length = span;
        } else if (!at_end_) {
            refill();
            continue;
        } else {
            if (available == 0) return {};
            length = available;  // the last bytes, without a line end
        }
        position_ += length;
        return std::string_view(start, length);
    }
}

std::size_t TextLineReader::read(char* buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0) return 0;
    const std::string_view piece = next(size - 1);
    if (!piece.empty()) std::memcpy(buffer, piece.data(), piece.size());
    buffer[piece.size()] = '\0';
    return piece.size();
}

void TextLineReader::skip_rest_of_line()
{
    for (;;) {
        const std::size_t available = end_ - position_;
        const char* start = block_.data() + position_;
        const void* lf = available != 0 ? std::memchr(start, '\n', available) : nullptr;
        if (lf != nullptr) {
            position_ += static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1;
            return;
        }
        position_ = end_;
        if (!refill()) return;
    }
}

bool TextLineReader::failed() const
{
    return stream_ == nullptr || std::ferror(stream_) != 0;
}

bool TextLineReader::has_more()
{
    return position_ < end_ || refill();
}

bool TextLineReader::rest_is_line_end()
{
    for (std::size_t at = position_;; ++at) {
        if (at == end_) {
            // refill moves the unread bytes to the front of the block.
            const std::size_t looked = at - position_;
            if (!refill()) return true;
            at = position_ + looked;
        }
        if (block_[at] == '\n') return true;
        if (block_[at] != '\r') return false;
    }
}

bool path_exists(const std::string& path)
{
    if (path.empty()) return false;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path_from_utf8(path), error);
    return !error && std::filesystem::exists(status);
}

void remove_file(const std::string& name)
{
    if (name.empty()) return;
    const std::filesystem::path path = path_from_utf8(name);
    std::error_code error;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(path, error))) return;
    std::filesystem::remove(path, error);
}

void ignore_file_size_signal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

namespace {

// A name made absolute and normalised; on Linux the folders that exist are
// resolved too (links and "..").  Empty when that fails.
std::filesystem::path normalised_path(const std::string& name)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path_from_utf8(name), error);
    if (error) return {};
#ifdef _WIN32
    return absolute.lexically_normal();
#else
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    if (error) return {};
    return resolved;
#endif
}

bool same_spelling(const std::filesystem::path& a, const std::filesystem::path& b)
{
#ifdef _WIN32
    // Windows' file names do not tell letter case apart.
    const std::wstring& wide_a = a.native();
    const std::wstring& wide_b = b.native();
    return CompareStringOrdinal(wide_a.c_str(), static_cast<int>(wide_a.size()), wide_b.c_str(),
                                static_cast<int>(wide_b.size()), TRUE) == CSTR_EQUAL;
#else
    return a == b;
#endif
}

}  // namespace

bool names_same_file(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty()) return false;
    if (a == b || is_same_file(a.c_str(), b.c_str())) return true;
    const std::filesystem::path normal_a = normalised_path(a);
    return !normal_a.empty() && same_spelling(normal_a, normalised_path(b));
}

void print_output_is_an_input(const std::string& output)
{
    console_printf("ERROR: 入力ファイルと出力ファイルが同じです: %s\n", output.c_str());
}

bool output_is_an_input(const std::string& output, const std::vector<std::string>& inputs)
{
    for (const std::string& input : inputs) {
        if (names_same_file(output, input)) {
            print_output_is_an_input(output);
            return true;
        }
    }
    return false;
}

bool BlockWriter::flush()
{
    if (!block.empty() && std::fwrite(block.data(), 1, block.size(), stream) != block.size()) failed = true;
    const bool written = !failed;
    block.clear();
    return written;
}

void print_file_exists(const char* path)
{
    console_printf("ERROR: ファイルが既にあります(上書きしません): %s\n", path);
}

int write_whole_file(const char* path, const std::function<int(std::FILE*)>& write, const char* mode,
                     ExistingFile existing)
{
    ReplacingFile file;
    if (file.open(path, mode) != 0) {
        console_printf("ERROR: %d: オープンエラー: %s\n", errno, path);
        return -1;
    }
    errno = 0;
    if (write(file.get()) != 0) {
        console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
        return -1;
    }
    if ((existing == ExistingFile::keep ? file.commit_new() : file.commit()) != 0) {
        if (existing == ExistingFile::keep && errno == EEXIST) {
            print_file_exists(path);
        } else {
            console_printf("ERROR: %d: 書き込みエラー: %s\n", errno, path);
        }
        return -1;
    }
    return 0;
}

int close_written_file(FilePtr& file)
{
    std::FILE* stream = file.release();
    if (stream == nullptr) return -1;
    int result = 0;
    int saved_errno = 0;
    if (std::fflush(stream) != 0 || std::ferror(stream) != 0) {
        saved_errno = errno;
        result = -1;
    }
    if (std::fclose(stream) != 0 && result == 0) {
        saved_errno = errno;
        result = -1;
    }
    if (result != 0) errno = saved_errno != 0 ? saved_errno : EIO;
    return result;
}

std::string ReplacingFile::temporary_stem(const std::string& destination)
{
    // A folder takes names of up to 255 bytes (255 UTF-16 units on
    // Windows); the suffixes added are at most 30.
    constexpr std::size_t LONGEST_STEM = 200;
#ifdef _WIN32
    const std::size_t separator = destination.find_last_of("/\\:");
#else
    const std::size_t separator = destination.rfind('/');
#endif
    const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
    if (destination.size() - name_start <= LONGEST_STEM) return destination;
    // The cut falls before a character's first byte, never inside one.
    std::size_t end = name_start + LONGEST_STEM;
    while (end > name_start && (static_cast<unsigned char>(destination[end]) & 0xC0u) == 0x80u) --end;
    return destination.substr(0, end);
}

// The Windows versions of what follows are in file_utils_win32.cpp.
#ifndef _WIN32

std::filesystem::path path_from_utf8(const std::string& name)
{
    return std::filesystem::path(name);
}

bool is_same_file(const char* path_a, const char* path_b)
{
    struct stat a {};
    struct stat b {};
    if (stat(path_a, &a) != 0 || stat(path_b, &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

namespace {

// The file a path finally names, following symbolic links; the path itself
// when it does not exist or cannot be resolved.
std::string resolve_destination(const char* path)
{
    struct stat link_status {};
    if (lstat(path, &link_status) != 0 || !S_ISLNK(link_status.st_mode)) return path;
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

}  // namespace

int ReplacingFile::open(const char* path, const char* mode)
{
    discard();
    if (path == nullptr || *path == '\0' || mode == nullptr) {
        errno = EINVAL;
        return -1;
    }
    destination_ = resolve_destination(path);

    struct stat status {};
    if (stat(destination_.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            errno = EISDIR;
            return -1;
        }
        if (!S_ISREG(status.st_mode)) {
            file_ = open_file(destination_.c_str(), mode);
            return file_ ? 0 : -1;
        }
        if (access(destination_.c_str(), W_OK) != 0) return -1;
    }

    std::string pattern = temporary_stem(destination_) + ".XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) return -1;
    // mkstemp creates the file for its owner alone; give it the permissions
    // a plain fopen would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
    file_.reset(fdopen(descriptor, mode));
    if (!file_) {
        const int saved_errno = errno;
        ::close(descriptor);
        unlink(pattern.c_str());
        errno = saved_errno;
        return -1;
    }
    temporary_ = pattern;
    return 0;
}

int ReplacingFile::move_over(const std::string& temporary, const std::string& destination, bool replace)
{
    if (replace) return std::rename(temporary.c_str(), destination.c_str());
    // A new link fails when the name exists, at the same moment as it is
    // checked; the temporary name is then dropped.
    if (link(temporary.c_str(), destination.c_str()) == 0) {
        unlink(temporary.c_str());
        return 0;
    }
    if (errno == EEXIST) return -1;
    // A file system without hard links (FAT, say): checked, then renamed.
    struct stat status {};
    if (lstat(destination.c_str(), &status) == 0) {
        errno = EEXIST;
        return -1;
    }
    return std::rename(temporary.c_str(), destination.c_str());
}

void ReplacingFile::remove_temporary(const std::string& temporary)
{
    unlink(temporary.c_str());
}

#endif  // _WIN32

int ReplacingFile::commit()
{
    return finish(true);
}

int ReplacingFile::commit_new()
{
    return finish(false);
}

int ReplacingFile::close()
{
    if (!file_) {
        errno = EBADF;
        return -1;
    }
    if (close_written_file(file_) != 0) {
        const int saved_errno = errno;
        discard();
        errno = saved_errno;
        return -1;
    }
    closed_ = true;
    return 0;
}

int ReplacingFile::finish(bool replace)
{
    if (!closed_ && close() != 0) return -1;
    closed_ = false;
    if (temporary_.empty()) return 0;
    if (move_over(temporary_, destination_, replace) != 0) {
        const int saved_errno = errno;
        discard();
        errno = saved_errno;
        return -1;
    }
    temporary_.clear();
    return 0;
}

void ReplacingFile::discard()
{
    file_.reset();
    closed_ = false;
    if (!temporary_.empty()) {
        remove_temporary(temporary_);
        temporary_.clear();
    }
}

std::string utf8_from_path(const std::filesystem::path& path)
{
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}
