// Pieces shared by the runtime's own sources. Not for the tool's code.
#pragma once
#include <windows.h>

#include <string>

namespace runtime_internal {

// Owns a kernel handle; INVALID_HANDLE_VALUE and null both mean none.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE h = nullptr) : handle_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    void reset() {
        if (valid()) CloseHandle(handle_);
        handle_ = nullptr;
    }
private:
    HANDLE handle_;
};

// Selects a GDI object into a DC for one scope and puts the old one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() { if (old_) SelectObject(dc_, old_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
private:
    HDC dc_;
    HGDIOBJ old_;
};

// Owns a GDI object created for one drawing.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() { if (object_) DeleteObject(object_); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }
private:
    HGDIOBJ object_;
};

// The executable's folder without a trailing backslash ("D:" for a drive root), worked out
// once from the module's full path.
const std::string& runDirectoryPath();

void freeLoadedLibraries();

}  // namespace runtime_internal
