#include "tool_window.h"

#include <windowsx.h>

const char toolCaption[] = "Morvane Quab图标提取  BY:Tolvan";
static_assert(sizeof("中文") == 5, "built without -fexec-charset=GBK");

namespace {

constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF red = RGB(255, 0, 0);
constexpr const char* hotProp = "ToolWindow.Hot";
constexpr const char* oldProcProp = "ToolWindow.OldProc";

// Flat buttons track the mouse themselves, as the tool's do: a frame appears while it is over them.
LRESULT CALLBACK flatButtonProc(HWND button, UINT message, WPARAM w, LPARAM l) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(button, oldProcProp));
    switch (message) {
    case WM_MOUSEMOVE:
        if (!GetPropA(button, hotProp)) {
            SetPropA(button, hotProp, reinterpret_cast<HANDLE>(1));
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, button, 0};
            TrackMouseEvent(&track);
            InvalidateRect(button, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        RemovePropA(button, hotProp);
        InvalidateRect(button, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        RemovePropA(button, hotProp);
        RemovePropA(button, oldProcProp);
        break;
    default: break;
    }
    return CallWindowProcA(old, button, message, w, l);
}

void drawFlatButton(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool hot = GetPropA(item.hwndItem, hotProp) != nullptr;
    bool focused = (item.itemState & ODS_FOCUS) != 0;
    if (pressed) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    else if (hot) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    char text[64];
    int length = GetWindowTextA(item.hwndItem, text, sizeof text);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, focused && !pressed && !hot ? red : blue);
    DrawTextA(dc, text, length, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK toolProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(w);
        wchar_t cls[16];
        GetClassNameW(reinterpret_cast<HWND>(l), cls, 16);
        if (GetDlgCtrlID(reinterpret_cast<HWND>(l)) == 3) SetTextColor(dc, red);
        else SetTextColor(dc, blue);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DRAWITEM:
        drawFlatButton(*reinterpret_cast<DRAWITEMSTRUCT*>(l));
        return TRUE;
    default: break;
    }
    return DefWindowProcA(window, message, w, l);
}

HWND control(HWND parent, const char* cls, const char* text, DWORD style, DWORD exStyle, int x, int y, int w, int h,
             int id) {
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (c && (style & BS_OWNERDRAW) && lstrcmpiA(cls, "BUTTON") == 0) {
        SetPropA(c, oldProcProp, reinterpret_cast<HANDLE>(GetWindowLongPtrA(c, GWLP_WNDPROC)));
        SetWindowLongPtrA(c, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&flatButtonProc));
    }
    return c;
}

}  // namespace

ToolWindow createToolWindow(int x, int y, bool show) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = toolProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "SkinTestToolWindow";
        registered = RegisterClassA(&wc) != 0;
    }
    ToolWindow t{};
    t.window = CreateWindowExA(WS_EX_CLIENTEDGE, "SkinTestToolWindow", toolCaption,
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 384, 112, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!t.window) return t;
    HWND p = t.window;
    t.promptLabel = control(p, "STATIC", "选择需要提取EXE程序", SS_LEFT | SS_CENTERIMAGE, 0, 6, 4, 120, 24, 1);
    t.filePathEdit = control(p, "EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 128, 5, 200, 20, 10);
    t.browseButton = control(p, "BUTTON", "浏览", BS_OWNERDRAW | WS_TABSTOP, 0, 331, 5, 40, 20, 11);
    t.saveDirLabel = control(p, "STATIC", "保存位置", SS_LEFT | SS_CENTERIMAGE, 0, 6, 31, 56, 24, 2);
    t.savePathEdit = control(p, "EDIT", "C:\\Tools", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 61, 32, 183, 20, 12);
    t.saveNameLabel = control(p, "STATIC", "保存文件名", SS_LEFT | SS_CENTERIMAGE, 0, 250, 31, 62, 24, 3);
    t.fileNameEdit = control(p, "EDIT", "1", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 314, 32, 56, 20, 13);
    t.extractButton = control(p, "BUTTON", "提取", BS_OWNERDRAW | WS_TABSTOP, 0, 6, 56, 364, 20, 14);
    if (show) {
        ShowWindow(p, SW_SHOWNORMAL);
        UpdateWindow(p);
    }
    return t;
}

void pumpMessages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (GetTickCount() - start >= milliseconds) break;
        Sleep(10);
    }
}
