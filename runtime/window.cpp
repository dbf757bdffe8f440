// Windows loaded from layouts, the look of the control kinds, and properties by number.
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "internal.h"
#include "runtime.h"

using runtime_internal::TextHandler;

namespace {

constexpr char windowClassName[] = "IconxRuntimeWindow";
constexpr char originalProcProperty[] = "IconxOriginalProc";

struct ControlState {
    const ControlLayout* layout = nullptr;
    HWND hwnd = nullptr;  // null for components
    bool hot = false;     // flat buttons: the mouse is over it
    // Components keep their properties here; windowed controls keep their text in the window.
    TextValue texts[propertyCount] = {};
    std::int32_t integers[propertyCount] = {};
    // Drop targets: the OLE object (one reference held here) and the window it was registered
    // for; a non-zero window stays remembered even when the registration failed.
    IDropTarget* dropObject = nullptr;
    HWND registeredWindow = nullptr;
    bool registered = false;
};

struct LoadedWindow {
    const WindowLayout* layout = nullptr;
    HWND hwnd = nullptr;
    HWND savedFocus = nullptr;  // the control to give the focus back to on activation
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    std::vector<ControlState> controls;
};

std::vector<std::unique_ptr<LoadedWindow>>& loadedWindows() {
    static std::vector<std::unique_ptr<LoadedWindow>> windows;
    return windows;
}
int liveWindowCount = 0;

LoadedWindow* findWindow(const WindowLayout& layout) {
    for (auto& w : loadedWindows())
        if (w->layout == &layout && w->hwnd) return w.get();
    return nullptr;
}

ControlState* findControl(LoadedWindow* window, int id) {
    if (!window) return nullptr;
    for (auto& c : window->controls)
        if (c.layout->id == id) return &c;
    return nullptr;
}

ControlState* findControl(const WindowLayout& layout, int id) {
    return findControl(findWindow(layout), id);
}

bool isComponent(ControlKind kind) {
    return kind == ControlKind::openDialog || kind == ControlKind::dropTarget;
}

bool isTextProperty(ControlKind kind, int number) {
    switch (kind) {
    case ControlKind::openDialog:
        return number == title || number == fileName || number == filter ||
               number == initialDirectory || number == defaultExtension;
    case ControlKind::dropTarget:
        return false;
    default:
        return number == controlText;
    }
}

bool isToolWindow(HWND hwnd) {
    for (auto& w : loadedWindows())
        if (w->hwnd == hwnd) return true;
    return false;
}

// ---- drawing -------------------------------------------------------------------------------

HFONT controlFont(HWND control) {
    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::vector<char> windowText(HWND hwnd) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1);
    GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    return text;
}

void drawLabel(const ControlState& control, const DRAWITEMSTRUCT& item) {
    RECT rc = item.rcItem;
    FillRect(item.hDC, &rc, GetSysColorBrush(COLOR_BTNFACE));
    ScopedSelect font(item.hDC, controlFont(item.hwndItem));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, control.layout->textColour);
    std::vector<char> text = windowText(item.hwndItem);
    DrawTextA(item.hDC, text.data(), -1, &rc, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
}

void drawFlatButton(const ControlState& control, const DRAWITEMSTRUCT& item) {
    RECT rc = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    FillRect(item.hDC, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (pressed)
        DrawEdge(item.hDC, &rc, BDR_SUNKENOUTER, BF_RECT);
    else if (control.hot)
        DrawEdge(item.hDC, &rc, BDR_RAISEDINNER, BF_RECT);

    ScopedSelect font(item.hDC, controlFont(item.hwndItem));
    SetBkMode(item.hDC, TRANSPARENT);
    std::vector<char> text = windowText(item.hwndItem);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (disabled) {
        RECT shifted = rc;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(item.hDC, GetSysColor(COLOR_3DHILIGHT));
        DrawTextA(item.hDC, text.data(), -1, &shifted, format);
        SetTextColor(item.hDC, GetSysColor(COLOR_3DSHADOW));
        DrawTextA(item.hDC, text.data(), -1, &rc, format);
        return;
    }
    // Blue at rest, under the mouse and pressed; red only for the focus alone.
    const bool focusColour = focused && !pressed && !control.hot;
    SetTextColor(item.hDC, focusColour ? RGB(255, 0, 0) : control.layout->textColour);
    DrawTextA(item.hDC, text.data(), -1, &rc, format);
}

// Flat buttons follow the mouse themselves: the button class tells its owner nothing of hover.
LRESULT CALLBACK flatButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetPropA(hwnd, originalProcProperty));
    auto* control = reinterpret_cast<ControlState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_MOUSEMOVE:
        if (control && !control->hot) {
            control->hot = true;
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&track);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        if (control && control->hot) {
            control->hot = false;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(hwnd, originalProcProperty);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    }
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
}

// ---- keyboard focus ------------------------------------------------------------------------

void focusFirstTabStop(HWND window) {
    if (HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) SetFocus(first);
}

void moveFocus(HWND window, bool backwards) {
    HWND next = GetNextDlgTabItem(window, GetFocus(), backwards ? TRUE : FALSE);
    if (!next) return;
    SetFocus(next);
    if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(next, EM_SETSEL, 0, -1);
}

// ---- the window procedure ------------------------------------------------------------------

void releaseComponents(LoadedWindow& window) {
    for (auto& c : window.controls) {
        if (c.dropObject) {
            RevokeDragDrop(window.hwnd);
            if (c.registered && c.registeredWindow != window.hwnd) RevokeDragDrop(c.registeredWindow);
            // OLE may still hold the object in a drag under way; it must not reach back here.
            runtime_internal::detachDropTarget(c.dropObject);
            c.dropObject->Release();
            c.dropObject = nullptr;
        }
        for (TextValue& t : c.texts) {
            freeValue(t);
            t = nullptr;
        }
    }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* window = static_cast<LoadedWindow*>(create->lpCreateParams);
        window->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<LoadedWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcA(hwnd, message, wParam, lParam);

    switch (message) {
    case WM_NCACTIVATE:
        // The title bar keeps its active look while another window is active, as long as the
        // window is enabled (a modal box of ours disables it and then it may look inactive).
        if (IsWindowEnabled(hwnd)) return DefWindowProcA(hwnd, message, TRUE, lParam);
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus)) window->savedFocus = focus;
        } else if (!HIWORD(wParam)) {
            if (window->savedFocus && IsWindow(window->savedFocus))
                SetFocus(window->savedFocus);
            else
                focusFirstTabStop(hwnd);
        }
        return 0;
    case WM_SETFOCUS:
        if (window->savedFocus && IsWindow(window->savedFocus)) SetFocus(window->savedFocus);
        return 0;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        ControlState* control = findControl(window, static_cast<int>(item->CtlID));
        if (!control) break;
        if (control->layout->kind == ControlKind::label) drawLabel(*control, *item);
        if (control->layout->kind == ControlKind::flatButton) drawFlatButton(*control, *item);
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) {
            ControlState* control = findControl(window, LOWORD(wParam));
            if (control && control->layout->kind == ControlKind::flatButton && control->layout->onClick)
                control->layout->onClick();
            return 0;
        }
        break;
    case WM_HELP:
        return TRUE;  // F1 opens no help
    case WM_DESTROY:
        releaseComponents(*window);
        if (--liveWindowCount == 0) PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (window->bigIcon) DestroyIcon(window->bigIcon);
        if (window->smallIcon) DestroyIcon(window->smallIcon);
        auto& windows = loadedWindows();
        for (auto it = windows.begin(); it != windows.end(); ++it)
            if (it->get() == window) {
                windows.erase(it);
                break;
            }
        return result;
    }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, windowClassName, &existing)) return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = windowClassName;
    return RegisterClassExA(&wc) != 0;
}

HWND createControlWindow(LoadedWindow& window, ControlState& control, HINSTANCE instance) {
    const ControlLayout& l = *control.layout;
    const char* className = nullptr;
    DWORD style = WS_CHILD | WS_VISIBLE | (l.tabStop ? WS_TABSTOP : 0);
    DWORD exStyle = 0;
    switch (l.kind) {
    case ControlKind::label:
        className = "Static";
        style |= SS_OWNERDRAW;
        break;
    case ControlKind::editBox:
        className = "Edit";
        style |= ES_LEFT | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::flatButton:
        className = "Button";
        style |= BS_OWNERDRAW;
        break;
    default:
        return nullptr;
    }
    HWND hwnd = CreateWindowExA(exStyle, className, "", style, l.left, l.top, l.width, l.height,
                                window.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(l.id)),
                                instance, nullptr);
    if (!hwnd) return nullptr;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (l.kind == ControlKind::flatButton) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
        SetPropA(hwnd, originalProcProperty,
                 reinterpret_cast<HANDLE>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)));
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(flatButtonProc));
    }
    return hwnd;
}

// Component defaults that a layout does not state.
void initialiseComponent(ControlState& control) {
    if (control.layout->kind == ControlKind::openDialog) {
        control.integers[fileMustExist] = 1;
        control.integers[overwritePrompt] = 1;
        control.integers[pathMustExist] = 1;
        control.integers[noChangeDirectory] = 1;
    }
    if (control.layout->kind == ControlKind::dropTarget) {
        // The layout has one text event: the dropped file list.
        const TextHandler handlers[runtime_internal::dropKindCount] = {
            nullptr, nullptr, nullptr, control.layout->onTextEvent};
        control.dropObject = runtime_internal::newDropTarget(control.integers, handlers);
    }
}

}  // namespace

bool loadWindow(const WindowLayout* layout) {
    if (!layout || !layout->caption || layout->controlCount < 0 ||
        (layout->controlCount > 0 && !layout->controls))
        return false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registerWindowClass(instance)) return false;

    auto owned = std::make_unique<LoadedWindow>();
    LoadedWindow* window = owned.get();
    window->layout = layout;
    window->controls.resize(static_cast<std::size_t>(layout->controlCount));
    for (int i = 0; i < layout->controlCount; ++i) window->controls[i].layout = &layout->controls[i];
    loadedWindows().push_back(std::move(owned));

    // Centred on the primary screen by integer division; the window starts hidden.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - layout->width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - layout->height) / 2;
    HWND hwnd = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_APPWINDOW, windowClassName, layout->caption,
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                                left, top, layout->width, layout->height, nullptr, nullptr, instance,
                                window);
    if (!hwnd) {
        loadedWindows().pop_back();
        return false;
    }
    ++liveWindowCount;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (layout->iconName) {
        window->bigIcon = static_cast<HICON>(LoadImageA(instance, layout->iconName, IMAGE_ICON, 32, 32, 0));
        window->smallIcon = static_cast<HICON>(LoadImageA(instance, layout->iconName, IMAGE_ICON, 16, 16, 0));
        if (window->bigIcon) SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(window->bigIcon));
        if (window->smallIcon) SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(window->smallIcon));
    }

    for (auto& control : window->controls) {
        if (isComponent(control.layout->kind)) {
            initialiseComponent(control);
            continue;
        }
        control.hwnd = createControlWindow(*window, control, instance);
        if (!control.hwnd) {
            DestroyWindow(hwnd);
            return false;
        }
    }
    for (auto& control : window->controls) {
        const ControlLayout& l = *control.layout;
        for (int i = 0; i < l.propertyCount; ++i) {
            const PropertyValue& p = l.properties[i];
            if (isTextProperty(l.kind, p.number))
                writeTextProperty(*layout, l.id, p.number, p.text);
            else
                writeIntegerProperty(*layout, l.id, p.number, p.integer);
        }
    }

    if (layout->onCreated) layout->onCreated();
    if (!IsWindow(hwnd)) return true;  // the handler closed it; the loop ends by itself
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return true;
}

std::intptr_t windowHandle(const WindowLayout& window) {
    LoadedWindow* w = findWindow(window);
    return w ? reinterpret_cast<std::intptr_t>(w->hwnd) : 0;
}

TextValue readTextProperty(const WindowLayout& window, int control, int property) {
    ControlState* c = findControl(window, control);
    if (!c || property < 0 || property >= propertyCount || !isTextProperty(c->layout->kind, property))
        return nullptr;
    if (c->hwnd) {
        std::vector<char> text = windowText(c->hwnd);
        return newText(text.data(), lstrlenA(text.data()));
    }
    const char* stored = c->texts[property];
    return stored ? newText(stored, lstrlenA(stored)) : nullptr;
}

void writeTextProperty(const WindowLayout& window, int control, int property, const char* text) {
    ControlState* c = findControl(window, control);
    if (!c || property < 0 || property >= propertyCount || !isTextProperty(c->layout->kind, property))
        return;
    if (c->hwnd) {
        SetWindowTextA(c->hwnd, text ? text : "");
        return;
    }
    TextValue copy = text ? newText(text, lstrlenA(text)) : nullptr;
    freeValue(c->texts[property]);
    c->texts[property] = copy;
}

std::int32_t readIntegerProperty(const WindowLayout& window, int control, int property) {
    ControlState* c = findControl(window, control);
    if (!c || !isComponent(c->layout->kind) || property < 0 || property >= propertyCount ||
        isTextProperty(c->layout->kind, property))
        return 0;
    return c->integers[property];
}

void writeIntegerProperty(const WindowLayout& window, int control, int property, std::int32_t value) {
    ControlState* c = findControl(window, control);
    if (!c || !isComponent(c->layout->kind) || property < 0 || property >= propertyCount ||
        isTextProperty(c->layout->kind, property))
        return;
    if (c->layout->kind == ControlKind::openDialog) {
        if (property == dialogType) value = value < 0 ? 0 : value > 3 ? 3 : value;
        if (property == initialFilter && value < 0) value = 0;
    }
    c->integers[property] = value;
}

bool registerWindow(const WindowLayout& window, int dropTargetControl, std::intptr_t handle) {
    ControlState* c = findControl(window, dropTargetControl);
    if (!c || c->layout->kind != ControlKind::dropTarget || c->registeredWindow) return false;
    c->registeredWindow = reinterpret_cast<HWND>(handle);
    c->registered = c->dropObject && RegisterDragDrop(c->registeredWindow, c->dropObject) == S_OK;
    return c->registered;
}

bool openDialogOpen(const WindowLayout& window, int openDialogControl) {
    LoadedWindow* w = findWindow(window);
    ControlState* c = findControl(w, openDialogControl);
    if (!c || c->layout->kind != ControlKind::openDialog) return false;
    // The window holding the component owns the tool's modal dialogs.
    return runtime_internal::showFileDialog(w->hwnd, c->texts, c->integers);
}

IDropTarget* runtime_internal::dropTargetObject(const WindowLayout& window, int dropTargetControl) {
    ControlState* c = findControl(window, dropTargetControl);
    return c ? c->dropObject : nullptr;
}

// ---- start-up and the message loop ---------------------------------------------------------

int runProgram(const WindowLayout* startWindow) {
    OleInitialize(nullptr);
    // A drive root "D:" would name the drive's remembered folder, not its root.
    std::string current = runtime_internal::runDirectoryPath();
    if (!current.empty() && current.back() == ':') current += '\\';
    SetCurrentDirectoryA(current.c_str());

    if (!loadWindow(startWindow)) fatalError("载入启动窗口失败", noErrorCode, -1);

    MSG msg;
    int quitCode = 0;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) break;
        // Tab and Shift+Tab move among the controls that take the focus; nothing else of the
        // dialog keys applies (Esc, Enter and F1 reach the focused control unchanged).
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
            HWND top = GetAncestor(msg.hwnd, GA_ROOT);
            if (isToolWindow(top)) {
                moveFocus(top, GetKeyState(VK_SHIFT) < 0);
                continue;
            }
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    cleanUpRuntime();
    OleUninitialize();
    return quitCode;
}
