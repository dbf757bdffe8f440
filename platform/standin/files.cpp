// Files over POSIX descriptors. A HANDLE is a pointer to a small record that this file owns; a
// registry of the live ones lets a stale or foreign handle fail with ERROR_INVALID_HANDLE instead
// of touching freed memory. Windows' read-only attribute is judged by the mode's write bits (the
// tests run as root, where the kernel would let any write through), so a file without write bits
// refuses writing, replacing and deleting as a read-only file does on Windows.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "errors_internal.h"
#include "standin_testing.h"

namespace {

struct FileRecord {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    ~FileRecord() {
        if (fd >= 0) ::close(fd);
    }
};

std::mutex filesMutex;
std::unordered_map<HANDLE, std::unique_ptr<FileRecord>> openFiles;
// Bytes that WriteFile may still write before it reports a full disk; negative means no limit.
long long writeBudget = -1;

// The record behind `handle`, or null. The record stays valid until CloseHandle, which the
// caller must not race with its own use of the same handle (as on Windows).
FileRecord* findFile(HANDLE handle) {
    std::lock_guard<std::mutex> lock(filesMutex);
    auto it = openFiles.find(handle);
    return it == openFiles.end() ? nullptr : it->second.get();
}

bool isReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// How many of `wanted` bytes the injected fault lets through.
DWORD takeFromWriteBudget(DWORD wanted) {
    std::lock_guard<std::mutex> lock(filesMutex);
    if (writeBudget < 0) return wanted;
    long long allowed = writeBudget < static_cast<long long>(wanted) ? writeBudget : wanted;
    writeBudget -= allowed;
    return static_cast<DWORD>(allowed);
}

}  // namespace

namespace standin {
void failWritesAfter(long long bytes) {
    std::lock_guard<std::mutex> lock(filesMutex);
    writeBudget = bytes < 0 ? -1 : bytes;
}
}  // namespace standin

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD /*shareMode*/, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD creation, DWORD /*flagsAndAttributes*/, HANDLE templateFile) {
    if (!fileName || templateFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (*fileName == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if ((access & ~(GENERIC_READ | GENERIC_WRITE)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool wantRead = (access & GENERIC_READ) != 0;
    const bool wantWrite = (access & GENERIC_WRITE) != 0;

    int flags = O_CLOEXEC;
    switch (creation) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_EXISTING:
            break;
        default:  // OPEN_ALWAYS and TRUNCATE_EXISTING are not needed here
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
    }
    // Truncating needs write access on Linux whatever the caller asked for.
    const bool openForWrite = wantWrite || creation == CREATE_ALWAYS;
    flags |= openForWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;

    struct stat existing {};
    const bool existed = ::stat(fileName, &existing) == 0;
    if (existed) {
        if (creation == CREATE_NEW) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        if (S_ISDIR(existing.st_mode) || (openForWrite && isReadOnlyMode(existing.st_mode))) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }

    auto record = std::make_unique<FileRecord>();
    record->fd = ::open(fileName, flags, 0666);
    if (record->fd < 0) {
        standin::failFromErrno(fileName);
        return INVALID_HANDLE_VALUE;
    }
    struct stat opened {};
    if (::fstat(record->fd, &opened) != 0 || S_ISDIR(opened.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    record->canRead = wantRead;
    record->canWrite = wantWrite;

    HANDLE handle = record.get();
    {
        std::lock_guard<std::mutex> lock(filesMutex);
        openFiles.emplace(handle, std::move(record));
    }
    // Windows reports that CREATE_ALWAYS replaced a file through the last error of a success.
    SetLastError(creation == CREATE_ALWAYS && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
    if (bytesRead) *bytesRead = 0;
    FileRecord* record = findFile(file);
    if (!record) return standin::fail(ERROR_INVALID_HANDLE);
    if (overlapped || (!buffer && bytesToRead)) return standin::fail(ERROR_INVALID_PARAMETER);
    if (!record->canRead) return standin::fail(ERROR_ACCESS_DENIED);

    auto* out = static_cast<std::uint8_t*>(buffer);
    DWORD done = 0;
    // A synchronous read gives everything asked for unless the end of the file comes first;
    // reaching the end is success with a short (possibly zero) count.
    while (done < bytesToRead) {
        ssize_t got = ::read(record->fd, out + done, bytesToRead - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (bytesRead) *bytesRead = done;
            return standin::fail(errno == EIO ? ERROR_READ_FAULT : standin::errorFromErrno(errno, nullptr));
        }
        if (got == 0) break;
        done += static_cast<DWORD>(got);
    }
    if (bytesRead) *bytesRead = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped) {
    if (bytesWritten) *bytesWritten = 0;
    FileRecord* record = findFile(file);
    if (!record) return standin::fail(ERROR_INVALID_HANDLE);
    if (overlapped || (!buffer && bytesToWrite)) return standin::fail(ERROR_INVALID_PARAMETER);
    if (!record->canWrite) return standin::fail(ERROR_ACCESS_DENIED);

    const DWORD allowed = takeFromWriteBudget(bytesToWrite);
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    DWORD done = 0;
    while (done < allowed) {
        ssize_t put = ::write(record->fd, in + done, allowed - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            if (bytesWritten) *bytesWritten = done;
            return standin::failFromErrno(nullptr);
        }
        done += static_cast<DWORD>(put);
    }
    if (bytesWritten) *bytesWritten = done;
    if (allowed < bytesToWrite) return standin::fail(ERROR_DISK_FULL);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
    FileRecord* record = findFile(file);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    // With a high part the two halves form one signed 64-bit distance; without, the low part
    // alone is a signed 32-bit distance.
    long long move = distance;
    if (distanceHigh)
        move = static_cast<long long>((static_cast<unsigned long long>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                      static_cast<DWORD>(distance));
    int whence;
    switch (moveMethod) {
        case FILE_BEGIN:
            whence = SEEK_SET;
            break;
        case FILE_CURRENT:
            whence = SEEK_CUR;
            break;
        case FILE_END:
            whence = SEEK_END;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_SET_FILE_POINTER;
    }
    off_t here = ::lseek(record->fd, 0, SEEK_CUR);
    off_t base = whence == SEEK_SET ? 0 : here;
    if (whence == SEEK_END) {
        struct stat info {};
        if (::fstat(record->fd, &info) != 0) {
            standin::failFromErrno(nullptr);
            return INVALID_SET_FILE_POINTER;
        }
        base = info.st_size;
    }
    if (here < 0 || (move < 0 && base < -move)) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (move > 0 && base > std::numeric_limits<off_t>::max() - move) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    const long long target = base + move;
    // Without a high part the caller can only see a 32-bit position; Windows refuses to move
    // further rather than hand back a position that has lost its high bits.
    if (!distanceHigh && target > 0xFFFFFFFFLL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (::lseek(record->fd, target, SEEK_SET) < 0) {
        standin::failFromErrno(nullptr);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) {
        *distanceHigh = static_cast<LONG>(static_cast<unsigned long long>(target) >> 32);
        // A position whose low half is all ones is told apart from failure by the last error.
        SetLastError(ERROR_SUCCESS);
    }
    return static_cast<DWORD>(target);
}

BOOL FlushFileBuffers(HANDLE file) {
    FileRecord* record = findFile(file);
    if (!record) return standin::fail(ERROR_INVALID_HANDLE);
    if (!record->canWrite) return standin::fail(ERROR_ACCESS_DENIED);
    if (::fsync(record->fd) != 0) return standin::failFromErrno(nullptr);
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    FileRecord* record = findFile(file);
    if (!record) {
        standin::fail(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    struct stat info {};
    if (::fstat(record->fd, &info) != 0) {
        standin::failFromErrno(nullptr);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<unsigned long long>(info.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    else if (size >> 32) {
        standin::fail(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_SIZE;
    }
    // A low part that happens to equal INVALID_FILE_SIZE is told apart by the last error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE handle) {
    std::unique_ptr<FileRecord> record;
    {
        std::lock_guard<std::mutex> lock(filesMutex);
        auto it = openFiles.find(handle);
        if (it == openFiles.end()) return standin::fail(ERROR_INVALID_HANDLE);
        record = std::move(it->second);
        openFiles.erase(it);
    }
    int fd = record->fd;
    record->fd = -1;
    // The descriptor is gone whatever close reports; a late write error still shows.
    if (::close(fd) != 0 && errno != EINTR) return standin::failFromErrno(nullptr);
    return TRUE;
}

BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
    if (!existingName || !newName || (flags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) != 0)
        return standin::fail(ERROR_INVALID_PARAMETER);
    struct stat source {};
    if (::lstat(existingName, &source) != 0) return standin::failFromErrno(existingName);

    struct stat target {};
    if (::lstat(newName, &target) == 0) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return standin::fail(ERROR_ALREADY_EXISTS);
        // Windows will not replace a read-only file or a folder; rename(2) would do both.
        if (S_ISDIR(target.st_mode) || isReadOnlyMode(target.st_mode)) return standin::fail(ERROR_ACCESS_DENIED);
        if (::rename(existingName, newName) != 0) return standin::failFromErrno(newName);
    } else {
        if (errno != ENOENT) return standin::failFromErrno(newName);
        // Without the replace flag a file that appears meanwhile must still not be replaced.
        int moved = (flags & MOVEFILE_REPLACE_EXISTING) ? ::rename(existingName, newName)
                                                         : ::renameat2(AT_FDCWD, existingName, AT_FDCWD, newName,
                                                                       RENAME_NOREPLACE);
        if (moved != 0 && !(flags & MOVEFILE_REPLACE_EXISTING) && (errno == EINVAL || errno == ENOSYS))
            moved = ::rename(existingName, newName);  // a file system without the no-replace form
        if (moved != 0) {
            if (errno == EEXIST) return standin::fail(ERROR_ALREADY_EXISTS);
            return standin::failFromErrno(newName);
        }
    }
    if (flags & MOVEFILE_WRITE_THROUGH) {
        // The move is on disk once the folder that now names the file is.
        std::string folder(newName);
        std::size_t slash = folder.find_last_of('/');
        folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : folder.substr(0, slash));
        int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    if (!fileName) return standin::fail(ERROR_INVALID_PARAMETER);
    struct stat info {};
    if (::lstat(fileName, &info) != 0) return standin::failFromErrno(fileName);
    if (S_ISDIR(info.st_mode) || isReadOnlyMode(info.st_mode)) return standin::fail(ERROR_ACCESS_DENIED);
    if (::unlink(fileName) != 0) return standin::failFromErrno(fileName);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat info {};
    if (::stat(fileName, &info) != 0) {
        standin::failFromErrno(fileName);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (isReadOnlyMode(info.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    // NORMAL is documented as valid only alone.
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}
