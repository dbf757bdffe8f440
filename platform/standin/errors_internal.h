// Shared inside the stand-in only: turning a failed POSIX call into the error code that the
// matching Windows call documents.
#pragma once
#include "win32api.h"

namespace standin {

// The Windows error for `err` (an errno value). `path` is the path the failed call named, or
// null; ENOENT is told apart as ERROR_FILE_NOT_FOUND (the folder exists) or
// ERROR_PATH_NOT_FOUND (it does not), as Windows does.
DWORD errorFromErrno(int err, const char* path);

// Sets the thread's last error from errno (see errorFromErrno) and gives FALSE for the caller
// to return.
BOOL failFromErrno(const char* path);

// Sets the thread's last error and gives FALSE.
inline BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

}  // namespace standin
