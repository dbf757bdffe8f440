// Pieces shared by the runtime's own sources. Not for the tool's code.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <commdlg.h>

#include <cstdint>
#include <string>
#include <vector>

#include "values.h"
#include "gdi_scope.h"
#include "window.h"

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

// The executable's folder without a trailing backslash ("D:" for a drive root), worked out
// once from the module's full path.
const std::string& runDirectoryPath();

void freeLoadedLibraries();

// ---- the open-file dialog component (file_dialog.cpp) ---------------------------------------

// The system calls the dialog layer makes; tests replace them to see what would be asked.
using FileDialogCall = BOOL(WINAPI*)(LPOPENFILENAMEA);
extern FileDialogCall getOpenFileName;
extern FileDialogCall getSaveFileName;

// The filter text as the system reads it: copied, trailing white space removed, "||" appended
// when missing, every bar turned into a NUL, followed by its own NUL. Empty: no filter at all.
std::vector<char> prepareFilter(const char* filter);

// Shows the dialog for a component whose properties are `texts` and `integers` (indexed by
// property number) with `owner` disabled meanwhile. On a confirmed choice the full path
// replaces texts[fileName] and the result is true; otherwise nothing changes.
bool showFileDialog(HWND owner, TextValue* texts, const std::int32_t* integers);

// ---- the drop-target component (drop_target.cpp) --------------------------------------------

using TextHandler = void (*)(const char* text);
enum DropDataKind { dropText, dropHtml, dropUrl, dropFiles, dropKindCount };

// A new OLE drop target holding one reference for its component. `switches` are the
// component's properties (indexed by property number) and stay readable until detachDropTarget;
// handlers[kind] receives the text of each kind delivered (null: that kind raises nothing).
IDropTarget* newDropTarget(const std::int32_t* switches, const TextHandler handlers[dropKindCount]);
// The component is gone: the object refuses every later drag, though OLE may still hold it.
void detachDropTarget(IDropTarget* target);

// The OLE object of a loaded window's drop-target component (no reference added), for tests
// that play the part of a drag source in process.
IDropTarget* dropTargetObject(const WindowLayout& window, int dropTargetControl);

// The effect a drop would have, from the key state (MK_*) and the effects the source allows.
DWORD dropEffect(bool accepted, DWORD keyState, DWORD allowed);

}  // namespace runtime_internal
