// The last-error slot and the errno translation shared by the stand-in's file and module calls.
#include <cerrno>
#include <string>
#include <sys/stat.h>

#include "errors_internal.h"

namespace {
// Per thread, as on Windows: one thread's failure never shows in another's GetLastError.
thread_local DWORD lastError = ERROR_SUCCESS;

bool parentFolderExists(const char* path) {
    std::string text(path);
    std::size_t slash = text.find_last_of('/');
    if (slash == std::string::npos) return true;  // relative to the current folder, which exists
    std::string parent = slash == 0 ? std::string("/") : text.substr(0, slash);
    struct stat info {};
    return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

namespace standin {

DWORD errorFromErrno(int err, const char* path) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return path && parentFolderExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
        case ENOTEMPTY:
            return ERROR_ACCESS_DENIED;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EBUSY:
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        default:
            return ERROR_WRITE_FAULT;
    }
}

BOOL failFromErrno(const char* path) {
    int err = errno;
    SetLastError(errorFromErrno(err, path));
    return FALSE;
}

}  // namespace standin
