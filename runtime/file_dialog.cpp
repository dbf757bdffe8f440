// The open-file dialog component: flags, filter and buffers worked out from its properties, the
// system dialog shown modally over the window that owns the tool's dialogs.
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "internal.h"
#include "runtime.h"

namespace runtime_internal {

FileDialogCall getOpenFileName = GetOpenFileNameA;
FileDialogCall getSaveFileName = GetSaveFileNameA;

namespace {

// The structure as Windows 2000 found it, without pvReserved, dwReserved and FlagsEx.
constexpr DWORD classicStructSize = 76;
static_assert(offsetof(OPENFILENAMEA, pvReserved) == classicStructSize, "OPENFILENAMEA layout");

constexpr std::size_t fileBufferSize = 260;
constexpr std::size_t fileTitleSize = 64;

bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Character by character in the ANSI code page, so that the trail byte of a double-byte character
// (which may be a blank or a bar) is never taken for a character of its own.
std::size_t characterLength(const char* text, std::size_t at, std::size_t length) {
    return IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < length ? 2 : 1;
}

bool enabledSwitch(const std::int32_t* integers, int number) {
    return integers[number] == 1;  // a logical counts only when it holds exactly 1
}

// Centres the dialog over its owner once it is laid out, kept on the owner's monitor.
UINT_PTR CALLBACK centreOverOwner(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) return 0;
    auto* notify = reinterpret_cast<const OFNOTIFYA*>(lParam);
    if (notify->hdr.code != CDN_INITDONE || !notify->lpOFN) return 0;
    HWND dialog = GetParent(hook);
    HWND owner = notify->lpOFN->hwndOwner;
    RECT box, over;
    if (!dialog || !owner || !GetWindowRect(dialog, &box) || !GetWindowRect(owner, &over)) return 0;
    const int width = box.right - box.left, height = box.bottom - box.top;
    int left = over.left + ((over.right - over.left) - width) / 2;
    int top = over.top + ((over.bottom - over.top) - height) / 2;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (left + width > work.right) left = work.right - width;
        if (top + height > work.bottom) top = work.bottom - height;
        if (left < work.left) left = work.left;
        if (top < work.top) top = work.top;
    }
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

const char* nullWhenEmpty(const char* text) {
    return text && *text ? text : nullptr;
}

}  // namespace

std::vector<char> prepareFilter(const char* filter) {
    const std::size_t length = filter ? std::strlen(filter) : 0;
    // One pass finds where the last non-blank character ends and whether the last two
    // characters are single-byte bars.
    std::size_t end = 0;
    bool lastIsBar = false, lastTwoAreBars = false;
    for (std::size_t at = 0; at < length;) {
        const std::size_t n = characterLength(filter, at, length);
        if (n == 1 && isBlank(static_cast<unsigned char>(filter[at]))) {
            at += n;
            continue;
        }
        const bool bar = n == 1 && filter[at] == '|';
        lastTwoAreBars = bar && lastIsBar;
        lastIsBar = bar;
        at += n;
        end = at;
    }
    std::vector<char> prepared;
    if (end == 0) return prepared;
    prepared.assign(filter, filter + end);
    if (!lastTwoAreBars) prepared.insert(prepared.end(), {'|', '|'});
    for (std::size_t at = 0; at < prepared.size();) {
        const std::size_t n = characterLength(prepared.data(), at, prepared.size());
        if (n == 1 && prepared[at] == '|') prepared[at] = '\0';
        at += n;
    }
    prepared.push_back('\0');
    return prepared;
}

bool showFileDialog(HWND owner, TextValue* texts, const std::int32_t* integers) {
    const std::int32_t type = integers[dialogType];
    if (type != 0 && type != 1) return false;  // the other kinds of dialog are not offered

    DWORD flags = enabledSwitch(integers, createPrompt) ? OFN_CREATEPROMPT | OFN_HIDEREADONLY
                                                        : OFN_HIDEREADONLY;
    if (enabledSwitch(integers, fileMustExist)) flags |= OFN_FILEMUSTEXIST;
    if (enabledSwitch(integers, overwritePrompt)) flags |= OFN_OVERWRITEPROMPT;
    if (enabledSwitch(integers, pathMustExist)) flags |= OFN_PATHMUSTEXIST;
    if (enabledSwitch(integers, noChangeDirectory)) flags |= OFN_NOCHANGEDIR;

    const std::vector<char> filterText = prepareFilter(texts[filter]);
    char file[fileBufferSize] = {};
    if (const char* name = texts[fileName]) {
        const std::size_t n = std::strlen(name);
        std::memcpy(file, name, n < fileBufferSize - 1 ? n : fileBufferSize - 1);
    }
    char fileTitle[fileTitleSize] = {};

    OPENFILENAMEA request = {};
    request.lStructSize = classicStructSize;
    request.hwndOwner = owner;
    request.hInstance = GetModuleHandleA(nullptr);
    request.lpstrFilter = filterText.empty() ? nullptr : filterText.data();
    request.nFilterIndex = filterText.empty() ? 0 : static_cast<DWORD>(integers[initialFilter]) + 1;
    request.lpstrFile = file;
    request.nMaxFile = fileBufferSize;
    request.lpstrFileTitle = fileTitle;
    request.nMaxFileTitle = fileTitleSize;
    request.lpstrInitialDir = nullWhenEmpty(texts[initialDirectory]);
    request.lpstrTitle = nullWhenEmpty(texts[title]);
    request.lpstrDefExt = nullWhenEmpty(texts[defaultExtension]);
    request.Flags = flags | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING;
    request.lpfnHook = centreOverOwner;

    // The dialog is modal to the tool: its window stays disabled until the dialog has closed,
    // and the focus goes back where it was.
    HWND focus = GetFocus();
    const bool disable = owner && IsWindowEnabled(owner);
    if (disable) EnableWindow(owner, FALSE);
    const BOOL confirmed = (type == 1 ? getSaveFileName : getOpenFileName)(&request);
    if (disable) EnableWindow(owner, TRUE);
    if (focus && IsWindow(focus)) SetFocus(focus);

    if (!confirmed) return false;
    file[fileBufferSize - 1] = '\0';
    TextValue chosen = newText(file, std::strlen(file));
    freeValue(texts[fileName]);
    texts[fileName] = chosen;
    return true;
}

}  // namespace runtime_internal
