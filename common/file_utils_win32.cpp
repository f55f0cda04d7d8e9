// The Windows side of the file helpers: file identity by volume serial
// number and file index, and the replacing file on a temporary file that
// MoveFileExW puts over the destination.  Paths are UTF-8, as everywhere in
// the toolkit, and converted to UTF-16 for the system.
#include "common/file_utils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

namespace {

std::wstring to_wide(const std::string& utf8)
{
    if (utf8.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

// The errno a C library call would set for a system error.
int errno_from_last_error(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

struct HandleCloser {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~HandleCloser()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

// Opens an existing file or folder without reading or writing it.
HANDLE open_for_query(const std::wstring& path)
{
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool file_identity(const char* path, BY_HANDLE_FILE_INFORMATION& information)
{
    const std::wstring wide = to_wide(path);
    if (wide.empty()) return false;
    HandleCloser file{open_for_query(wide)};
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    return GetFileInformationByHandle(file.handle, &information) != 0;
}

}  // namespace

std::filesystem::path path_from_utf8(const std::string& name)
{
    return std::filesystem::path(to_wide(name));
}

bool is_same_file(const char* path_a, const char* path_b)
{
    BY_HANDLE_FILE_INFORMATION a {};
    BY_HANDLE_FILE_INFORMATION b {};
    if (!file_identity(path_a, a) || !file_identity(path_b, b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

int ReplacingFile::open(const char* path, const char* mode)
{
    discard();
    if (path == nullptr || *path == '\0' || mode == nullptr) {
        errno = EINVAL;
        return -1;
    }
    destination_ = path;
    const std::wstring wide_destination = to_wide(destination_);
    if (wide_destination.empty()) {
        errno = ENOENT;
        return -1;
    }

    {
        HandleCloser existing{open_for_query(wide_destination)};
        if (existing.handle != INVALID_HANDLE_VALUE) {
            BY_HANDLE_FILE_INFORMATION information {};
            const bool on_disk = GetFileType(existing.handle) == FILE_TYPE_DISK;
            if (on_disk && GetFileInformationByHandle(existing.handle, &information) != 0) {
                if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    errno = EISDIR;
                    return -1;
                }
                if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
                    errno = EACCES;
                    return -1;
                }
            } else if (!on_disk) {
                // A device such as NUL or CON is written directly.
                file_ = open_file(destination_.c_str(), mode);
                return file_ ? 0 : -1;
            }
        }
    }

    // As with fopen: text mode unless the mode asks for binary.
    const bool text = std::strchr(mode, 'b') == nullptr;
    const DWORD process = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%lu_%lu_%u", static_cast<unsigned long>(process),
                      static_cast<unsigned long>(GetTickCount()), attempt);
        const std::string pattern = temporary_stem(destination_) + suffix;
        HANDLE created = CreateFileW(to_wide(pattern).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            errno = errno_from_last_error(error);
            return -1;
        }
        const int descriptor =
            _open_osfhandle(reinterpret_cast<intptr_t>(created), _O_WRONLY | (text ? _O_TEXT : _O_BINARY));
        if (descriptor < 0) {
            CloseHandle(created);
            DeleteFileW(to_wide(pattern).c_str());
            errno = EIO;
            return -1;
        }
        file_.reset(_fdopen(descriptor, text ? "wt" : "wb"));
        if (!file_) {
            const int saved_errno = errno;
            _close(descriptor);
            DeleteFileW(to_wide(pattern).c_str());
            errno = saved_errno;
            return -1;
        }
        temporary_ = pattern;
        return 0;
    }
    errno = EEXIST;
    return -1;
}

int ReplacingFile::move_over(const std::string& temporary, const std::string& destination, bool replace)
{
    const DWORD flags = (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExW(to_wide(temporary).c_str(), to_wide(destination).c_str(), flags) == 0) {
        errno = errno_from_last_error(GetLastError());
        return -1;
    }
    return 0;
}

void ReplacingFile::remove_temporary(const std::string& temporary)
{
    DeleteFileW(to_wide(temporary).c_str());
}
