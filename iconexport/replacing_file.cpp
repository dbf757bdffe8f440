#include "replacing_file.h"

ReplacingFile::ReplacingFile(const char* targetPath) : target_(targetPath ? targetPath : "") {
    if (target_.empty()) return;
    // A few names are tried so that a temporary file left by a crashed run does not block us.
    for (char digit = '0'; digit <= '9' && handle_ == INVALID_HANDLE_VALUE; ++digit) {
        std::string candidate = target_ + ".~" + digit;
        handle_ = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ != INVALID_HANDLE_VALUE) temporary_ = candidate;
        else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::discard() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    if (!temporary_.empty()) {
        DeleteFileA(temporary_.c_str());
        temporary_.clear();
    }
}

bool ReplacingFile::commit() {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    // A read-only file or a folder at the target is not replaced, as creating the file in place
    // would be refused. Checked here too because not every platform's rename refuses it.
    DWORD existing = GetFileAttributesA(target_.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        discard();
        return false;
    }
    bool flushed = FlushFileBuffers(handle_) != FALSE;
    bool closed = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    if (!flushed || !closed ||
        !MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

bool writeWhole(HANDLE file, const void* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}
