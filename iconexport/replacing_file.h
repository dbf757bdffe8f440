// A file written beside its target and moved over it only once it is complete, so that a failed
// or short write neither leaves a truncated file nor destroys the file that was there.
#pragma once
#include <string>

#include "win32api.h"

class ReplacingFile {
public:
    // Creates a new temporary file in the target's folder ("<target>.~N"). Check isOpen().
    explicit ReplacingFile(const char* targetPath);
    ~ReplacingFile();  // an uncommitted temporary file is closed and removed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE handle() const { return handle_; }
    // Flushes and closes the temporary file and moves it over the target. True when the target
    // now holds exactly what was written.
    bool commit();

private:
    void discard();
    std::string target_;
    std::string temporary_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// One write that must be accepted whole.
bool writeWhole(HANDLE file, const void* bytes, DWORD count);
