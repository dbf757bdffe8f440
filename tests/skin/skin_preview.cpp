// Shows the tool-like window in one built-in skin and saves what the screen shows of it as a BMP.
// Usage: skin_preview NUMBER AERO(0|1) OUT.bmp [hover]   (run under Xvfb for the contact sheet)
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine_loader.h"
#include "skin_data.h"
#include "tool_window.h"

namespace {

bool saveScreen(const RECT& r, const char* path) {
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * h;
    bool ok = false;
    if (FILE* f = std::fopen(path, "wb")) {
        ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 &&
             std::fwrite(bits, stride * h, 1, f) == 1;
        ok = std::fclose(f) == 0 && ok;
    }
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: skin_preview NUMBER AERO OUT.bmp [hover]\n");
        return 2;
    }
    int number = std::atoi(argv[1]);
    if (number < 1 || number > builtInSkinCount) return 2;
    SkinEngine engine = loadSkinEngine();
    if (!engine.setAero || !engine.attachRes) return 3;
    engine.setAero(std::atoi(argv[2]));
    const ByteBlock* skin = BuiltInSkins[number - 1];
    if (!engine.attachRes(skin->data(), static_cast<int>(skin->length), "", 0, 0, 0)) return 4;
    ToolWindow t = createToolWindow(12, 12, true);
    if (!t.window) return 5;
    SetFocus(t.fileNameEdit);
    if (argc > 4 && std::strcmp(argv[4], "hover") == 0) {
        // Hover over the close button and the Extract button, as a user would.
        RECT wr;
        GetWindowRect(t.window, &wr);
        for (int x = wr.right - 4; x > wr.left; --x) {
            POINT p{x, wr.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
            if (SendMessageA(t.window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCLOSE) {
                SendMessageA(t.window, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(p.x - 4, p.y));
                break;
            }
        }
        SendMessageA(t.extractButton, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    }
    pumpMessages(300);
    RECT r;
    GetWindowRect(t.window, &r);
    bool ok = saveScreen(r, argv[3]);
    DestroyWindow(t.window);
    return ok ? 0 : 6;
}
