// The skin engine: two stdcall entries. SkinH_AttachRes parses a skin (skin_format.h) and skins
// every window of the calling thread by subclassing it: framed top-level windows get their frame,
// caption bar and caption buttons drawn and hit-tested here; parents of controls hand out the
// skin's colours for labels and edit boxes and get their owner-drawn buttons recoloured; edit
// boxes get a flat border. A thread-local CBT hook adopts windows created later.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>

#include "gdi_scope.h"
#include "skin_format.h"
#include "win32api.h"
#include <windowsx.h>

namespace {

using skin::Rgb;
using skin::SkinData;

constexpr const char* statePropName = "SkinH.Engine.State";

HINSTANCE engineModule;
SkinData* currentSkin;  // owned; null until the first skin is attached
DWORD skinThread;       // the thread whose windows are skinned
HHOOK cbtHook;
bool aeroOn;

COLORREF colourRef(Rgb c) { return RGB(c.r, c.g, c.b); }
COLORREF slot(int index) { return colourRef(currentSkin->colours[index]); }
Rgb mix(Rgb a, Rgb b, int t256) {
    auto m = [t256](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * t256 / 256); };
    return Rgb{m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}
Rgb fromRef(COLORREF c) {
    return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}
constexpr Rgb white{255, 255, 255};

// GDI objects made from the current skin; replaced as a whole when another skin is attached.
struct SkinObjects {
    HBRUSH client = nullptr, label = nullptr, edit = nullptr;
    HFONT caption = nullptr;
    void release() {
        for (HGDIOBJ o : {static_cast<HGDIOBJ>(client), static_cast<HGDIOBJ>(label), static_cast<HGDIOBJ>(edit),
                          static_cast<HGDIOBJ>(caption)})
            if (o) DeleteObject(o);
        *this = SkinObjects{};
    }
};
SkinObjects objects;

void makeObjects(const SkinData& s) {
    SkinObjects made;
    made.client = CreateSolidBrush(colourRef(s.colours[skin::clientBackground]));
    made.label = CreateSolidBrush(colourRef(s.colours[skin::labelBackground]));
    made.edit = CreateSolidBrush(colourRef(s.colours[skin::editBackground]));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = metrics.lfCaptionFont;
    } else {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    }
    font.lfWeight = s.boldText ? FW_BOLD : FW_NORMAL;
    made.caption = CreateFontIndirectW(&font);
    objects.release();
    objects = made;
}

// A top-down 32-bit bitmap selected into a memory DC, with direct access to its pixels.
class Canvas {
public:
    Canvas(HDC reference, int width, int height) : width_(width), height_(height) {
        if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_) return;
        dc_ = CreateCompatibleDC(reference);
        if (!dc_) return;
        old_ = SelectObject(dc_, bitmap_);
        bits_ = static_cast<std::uint32_t*>(bits);
    }
    ~Canvas() {
        if (dc_) {
            SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_) DeleteObject(bitmap_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ok() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t* row(int y) { return bits_ + static_cast<std::size_t>(y) * width_; }

    static std::uint32_t pack(Rgb c) { return static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b; }
    static Rgb unpack(std::uint32_t p) {
        return Rgb{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)};
    }
    void fill(RECT r, Rgb c) {
        clip(r);
        std::uint32_t p = pack(c);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) row(y)[x] = p;
    }
    // Blends `c` over the rectangle with weight t256/256.
    void blend(RECT r, Rgb c, int t256) {
        clip(r);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) row(y)[x] = pack(mix(unpack(row(y)[x]), c, t256));
    }
    void frame(RECT r, Rgb c) {
        fill(RECT{r.left, r.top, r.right, r.top + 1}, c);
        fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, c);
        fill(RECT{r.left, r.top, r.left + 1, r.bottom}, c);
        fill(RECT{r.right - 1, r.top, r.right, r.bottom}, c);
    }

private:
    void clip(RECT& r) const {
        if (r.left < 0) r.left = 0;
        if (r.top < 0) r.top = 0;
        if (r.right > width_) r.right = width_;
        if (r.bottom > height_) r.bottom = height_;
    }
    int width_, height_;
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

enum class Role { frame, edit, container };

struct WindowState {
    WNDPROC previous;
    bool unicode;
    Role role;
    int hot = 0;            // the caption button under the mouse (HTCLOSE, ...), 0 for none
    int pressed = 0;        // the caption button being pressed, 0 for none
    bool pressedInside = false;
    bool leaveRequested = false;
};

WindowState* stateOf(HWND window) { return static_cast<WindowState*>(GetPropA(window, statePropName)); }

LRESULT callPrevious(const WindowState* s, HWND window, UINT message, WPARAM w, LPARAM l) {
    return s->unicode ? CallWindowProcW(s->previous, window, message, w, l)
                      : CallWindowProcA(s->previous, window, message, w, l);
}

// Runs the previous procedure with WS_VISIBLE cleared, so that the system's default handling of
// messages such as WM_SETTEXT and WM_NCACTIVATE does not paint its own caption over ours.
LRESULT callPreviousQuietly(const WindowState* s, HWND window, UINT message, WPARAM w, LPARAM l) {
    LONG style = GetWindowLongW(window, GWL_STYLE);
    if (!(style & WS_VISIBLE)) return callPrevious(s, window, message, w, l);
    SetWindowLongW(window, GWL_STYLE, style & ~WS_VISIBLE);
    LRESULT result = callPrevious(s, window, message, w, l);
    if (IsWindow(window)) {
        LONG now = GetWindowLongW(window, GWL_STYLE);
        SetWindowLongW(window, GWL_STYLE, now | WS_VISIBLE);
    }
    return result;
}

bool isFramed(HWND window) {
    LONG style = GetWindowLongW(window, GWL_STYLE);
    return !(style & WS_CHILD) && (style & WS_CAPTION) == WS_CAPTION;
}

bool classIs(HWND window, const wchar_t* name) {
    wchar_t buffer[64];
    return GetClassNameW(window, buffer, 64) > 0 && lstrcmpiW(buffer, name) == 0;
}

// ---- frame geometry -----------------------------------------------------------------------------

struct FrameGeometry {
    int width, height;  // the window's outer size
    int frameWidth;     // left, right and bottom frame thickness, client edge excluded
    int edge;           // thickness of the sunken client edge, 0 when there is none
    RECT client;        // client area in window coordinates
    RECT inner;         // client area plus scroll bars and menu bar: left to the system
    RECT caption;       // caption bar
    RECT icon;          // small icon, empty when none is shown
    RECT close, maximise, minimise;  // empty when absent
    RECT text;
};

bool empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
bool inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

HICON smallIcon(HWND window) {
    HICON icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
    return icon;
}

FrameGeometry frameGeometry(HWND window) {
    FrameGeometry g{};
    RECT outer{};
    GetWindowRect(window, &outer);
    g.width = outer.right - outer.left;
    g.height = outer.bottom - outer.top;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    g.client = RECT{origin.x - outer.left, origin.y - outer.top, origin.x - outer.left + client.right,
                    origin.y - outer.top + client.bottom};
    LONG style = GetWindowLongW(window, GWL_STYLE);
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    g.edge = (exStyle & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE) : 0;
    g.frameWidth = g.client.left - g.edge;
    if (IsIconic(window) || g.frameWidth < 0) g.frameWidth = GetSystemMetrics(SM_CXFIXEDFRAME);
    int f = g.frameWidth;
    int captionHeight = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION) - 1;
    g.caption = RECT{f, f, g.width - f, f + captionHeight};
    if (IsIconic(window)) g.caption.bottom = g.height - f;
    if (g.caption.bottom > g.height - f) g.caption.bottom = g.height - f;

    g.inner = g.client;
    if (style & WS_VSCROLL) g.inner.right += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL) g.inner.bottom += GetSystemMetrics(SM_CYHSCROLL);
    if (GetMenu(window) && !IsIconic(window)) g.inner.top = g.caption.bottom;

    int h = g.caption.bottom - g.caption.top;
    int bh = h - 4 < 8 ? 8 : h - 4;
    int bw = bh + 8;
    int top = g.caption.top + (h - bh) / 2;
    int right = g.caption.right - 3;
    auto place = [&](RECT& r) {
        r = RECT{right - bw, top, right, top + bh};
        right -= bw + 2;
    };
    if (style & WS_SYSMENU) {
        place(g.close);
        if (style & WS_MAXIMIZEBOX) place(g.maximise);
        if (style & WS_MINIMIZEBOX) place(g.minimise);
    }
    int textLeft = g.caption.left + 5;
    if ((style & WS_SYSMENU) && !(exStyle & (WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW)) && smallIcon(window)) {
        int size = GetSystemMetrics(SM_CXSMICON);
        int y = g.caption.top + (h - size) / 2;
        g.icon = RECT{g.caption.left + 3, y, g.caption.left + 3 + size, y + size};
        textLeft = g.icon.right + 4;
    }
    g.text = RECT{textLeft, g.caption.top, right - 2, g.caption.bottom};
    return g;
}

// Which part of the caption bar lies at `screen`, or HTNOWHERE when the point is not on it.
int captionHit(HWND window, POINT screen) {
    RECT outer{};
    GetWindowRect(window, &outer);
    POINT p{screen.x - outer.left, screen.y - outer.top};
    FrameGeometry g = frameGeometry(window);
    if (!inside(g.caption, p)) return HTNOWHERE;
    if (!empty(g.close) && inside(g.close, p)) return HTCLOSE;
    if (!empty(g.maximise) && inside(g.maximise, p)) return HTMAXBUTTON;
    if (!empty(g.minimise) && inside(g.minimise, p)) return HTMINBUTTON;
    if (!empty(g.icon) && inside(g.icon, p)) return HTSYSMENU;
    return HTCAPTION;
}

bool isCaptionButton(int hit) { return hit == HTCLOSE || hit == HTMAXBUTTON || hit == HTMINBUTTON; }

// ---- painting the frame -------------------------------------------------------------------------

void paintCaptionBackground(Canvas& c, const RECT& r, bool active) {
    const SkinData& s = *currentSkin;
    Rgb top = s.colours[active ? skin::captionTop : skin::inactiveCaptionTop];
    Rgb bottom = s.colours[active ? skin::captionBottom : skin::inactiveCaptionBottom];
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    for (int y = r.top; y < r.bottom; ++y) {
        if (y < 0 || y >= c.height()) continue;
        std::uint32_t* row = c.row(y);
        for (int x = r.left; x < r.right; ++x) {
            if (x < 0 || x >= c.width()) continue;
            Rgb px;
            switch (s.captionStyle) {
            case skin::CaptionStyle::flat: px = top; break;
            case skin::CaptionStyle::horizontal:
                px = mix(top, bottom, w > 1 ? (x - r.left) * 256 / (w - 1) : 0);
                break;
            default: px = mix(top, bottom, h > 1 ? (y - r.top) * 256 / (h - 1) : 0); break;
            }
            if (s.patternWidth > 0 && s.patternStrength > 0) {
                int a = s.patternAlpha[((y - r.top) % s.patternHeight) * s.patternWidth + (x - r.left) % s.patternWidth];
                px = mix(px, s.colours[skin::pattern], a * s.patternStrength / 255);
            }
            row[x] = Canvas::pack(px);
        }
    }
    RECT upper{r.left, r.top, r.right, r.top + h / 2};
    if (s.captionStyle == skin::CaptionStyle::glossy) c.blend(upper, white, 56);
    if (aeroOn && active) {
        // The glass sheen: strongest at the top, fading towards the middle.
        for (int y = upper.top; y < upper.bottom; ++y)
            c.blend(RECT{r.left, y, r.right, y + 1}, s.colours[skin::glow], 110 - 90 * (y - upper.top) / (h / 2 + 1));
    }
}

void paintButton(Canvas& c, HDC dc, const RECT& r, int which, const WindowState* st, bool active) {
    if (empty(r)) return;
    const SkinData& s = *currentSkin;
    bool pressed = st->pressed == which && st->pressedInside;
    bool hot = st->hot == which && (st->pressed == 0 || pressed);
    bool ghost = s.buttonShape == skin::ButtonShape::ghost;
    Rgb face = pressed ? s.colours[skin::buttonPressed] : hot ? s.colours[skin::buttonHot] : s.colours[skin::buttonRest];
    if (which == HTCLOSE && (hot || pressed)) face = s.colours[skin::closeHot];
    if (!active) face = mix(face, s.colours[skin::inactiveCaptionBottom], 160);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (!ghost || hot || pressed) {
        GdiObject brush(CreateSolidBrush(colourRef(face)));
        GdiObject pen(CreatePen(PS_SOLID, 1, colourRef(mix(face, Rgb{0, 0, 0}, 60))));
        ScopedSelect b(dc, brush.get()), p(dc, pen.get());
        switch (s.buttonShape) {
        case skin::ButtonShape::square:
        case skin::ButtonShape::ghost: Rectangle(dc, r.left, r.top, r.right, r.bottom); break;
        case skin::ButtonShape::rounded: RoundRect(dc, r.left, r.top, r.right, r.bottom, 7, 7); break;
        case skin::ButtonShape::circle: {
            int x = r.left + (w - h) / 2;
            Ellipse(dc, x, r.top, x + h, r.bottom);
            break;
        }
        }
    }
    GdiFlush();
    // The symbols are drawn by hand: no symbol font is needed.
    Rgb glyph = s.colours[active ? skin::buttonGlyph : skin::inactiveCaptionText];
    if (which == HTCLOSE && (hot || pressed)) glyph = white;
    int size = h / 2 - 1 < 5 ? 5 : h / 2 - 1;
    int gx = r.left + (w - size) / 2 + (pressed ? 1 : 0), gy = r.top + (h - size) / 2 + (pressed ? 1 : 0);
    if (which == HTMINBUTTON) {
        c.fill(RECT{gx, gy + size - 2, gx + size, gy + size}, glyph);
    } else if (which == HTMAXBUTTON) {
        c.frame(RECT{gx, gy, gx + size, gy + size}, glyph);
        c.fill(RECT{gx, gy, gx + size, gy + 2}, glyph);
    } else {
        for (int i = 0; i < size; ++i) {
            c.fill(RECT{gx + i, gy + i, gx + i + 2, gy + i + 1}, glyph);
            c.fill(RECT{gx + size - 1 - i - 1, gy + i, gx + size - i, gy + i + 1}, glyph);
        }
    }
}

void drawFrame(HWND window, HDC target, const FrameGeometry& g, const WindowState* st) {
    Canvas c(target, g.width, g.height);
    if (!c.ok()) return;
    const SkinData& s = *currentSkin;
    bool active = IsWindowEnabled(window) != FALSE;
    RECT all{0, 0, g.width, g.height};
    c.fill(all, s.colours[active ? skin::frameInner : skin::inactiveCaptionBottom]);
    Rgb outer = s.colours[skin::frameOuter];
    c.frame(all, aeroOn ? s.colours[skin::glow] : outer);
    RECT second{1, 1, g.width - 1, g.height - 1};
    if (aeroOn) c.frame(second, mix(s.colours[skin::glow], outer, 128));
    else if (s.frameStyle == skin::FrameStyle::bevel) c.frame(second, mix(s.colours[skin::frameInner], white, 90));
    if (s.frameStyle == skin::FrameStyle::twin && g.frameWidth >= 3) {
        c.frame(RECT{2, 2, g.width - 2, g.height - 2}, outer);
    }
    paintCaptionBackground(c, g.caption, active);
    if (g.edge > 0) {
        RECT e{g.client.left - g.edge, g.client.top - g.edge, g.client.right + g.edge, g.client.bottom + g.edge};
        c.fill(e, s.colours[skin::clientBackground]);
        c.frame(e, s.colours[skin::editBorder]);
    }

    HDC dc = c.dc();
    if (!empty(g.icon)) {
        DrawIconEx(dc, g.icon.left, g.icon.top, smallIcon(window), g.icon.right - g.icon.left,
                   g.icon.bottom - g.icon.top, 0, nullptr, DI_NORMAL);
    }
    wchar_t title[256];
    int length = GetWindowTextW(window, title, 256);
    if (length > 0) {
        ScopedSelect font(dc, objects.caption);
        SetBkMode(dc, TRANSPARENT);
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | (s.centredText ? DT_CENTER : DT_LEFT);
        RECT t = g.text;
        if (s.textShadow && active) {
            RECT shadow{t.left + 1, t.top + 1, t.right + 1, t.bottom + 1};
            SetTextColor(dc, slot(skin::captionTextShadow));
            DrawTextW(dc, title, length, &shadow, format);
        }
        SetTextColor(dc, slot(active ? skin::captionText : skin::inactiveCaptionText));
        DrawTextW(dc, title, length, &t, format);
    }
    paintButton(c, dc, g.minimise, HTMINBUTTON, st, active);
    paintButton(c, dc, g.maximise, HTMAXBUTTON, st, active);
    paintButton(c, dc, g.close, HTCLOSE, st, active);
    GdiFlush();

    // Only the frame is ours; the client area, scroll bars and menu bar stay the system's.
    int saved = SaveDC(target);
    ExcludeClipRect(target, g.inner.left, g.inner.top, g.inner.right, g.inner.bottom);
    BitBlt(target, 0, 0, g.width, g.height, dc, 0, 0, SRCCOPY);
    RestoreDC(target, saved);
}

void paintFrame(HWND window, const WindowState* st) {
    if (!currentSkin || !isFramed(window) || !IsWindowVisible(window)) return;
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    drawFrame(window, dc, frameGeometry(window), st);
    ReleaseDC(window, dc);
}

void paintEditBorder(HWND window, const WindowState* st) {
    (void)st;
    LONG style = GetWindowLongW(window, GWL_STYLE);
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    int ring = (exStyle & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE) : (style & WS_BORDER) ? 1 : 0;
    if (ring == 0) return;
    RECT outer{};
    GetWindowRect(window, &outer);
    int w = outer.right - outer.left, h = outer.bottom - outer.top;
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    const SkinData& s = *currentSkin;
    bool focused = GetFocus() == window;
    bool enabled = IsWindowEnabled(window) != FALSE;
    Rgb border = s.colours[focused ? skin::editBorderFocus : skin::editBorder];
    Rgb face = enabled ? s.colours[skin::editBackground] : s.colours[skin::labelBackground];
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, ring, ring, w - ring, h - ring);
    GdiObject brush(CreateSolidBrush(colourRef(face)));
    RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(brush.get()));
    GdiObject pen(CreatePen(PS_SOLID, 1, colourRef(border)));
    {
        ScopedSelect p(dc, pen.get()), b(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, 0, 0, w, h);
    }
    RestoreDC(dc, saved);
    ReleaseDC(window, dc);
}

void redrawFrame(HWND window) { RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE); }

// ---- owner-drawn controls -----------------------------------------------------------------------

// Lets the owner draw the control into a bitmap, then swaps the system's face and 3-D colours for
// the skin's. The owner's own text colours and state drawing (hover, focus, pressed) are kept.
LRESULT recolourOwnerDraw(const WindowState* s, HWND window, WPARAM w, DRAWITEMSTRUCT* item) {
    RECT r = item->rcItem;
    int width = r.right - r.left, height = r.bottom - r.top;
    Canvas c(item->hDC, width, height);
    if (!c.ok()) return callPrevious(s, window, WM_DRAWITEM, w, reinterpret_cast<LPARAM>(item));
    Rgb sysFace = fromRef(GetSysColor(COLOR_BTNFACE));
    c.fill(RECT{0, 0, width, height}, sysFace);
    SetViewportOrgEx(c.dc(), -r.left, -r.top, nullptr);
    SelectObject(c.dc(), GetCurrentObject(item->hDC, OBJ_FONT));
    DRAWITEMSTRUCT copy = *item;
    copy.hDC = c.dc();
    LRESULT result = callPrevious(s, window, WM_DRAWITEM, w, reinterpret_cast<LPARAM>(&copy));
    GdiFlush();
    SetViewportOrgEx(c.dc(), 0, 0, nullptr);
    const SkinData& k = *currentSkin;
    struct Swap {
        std::uint32_t from, to;
    } swaps[] = {
        {Canvas::pack(sysFace), Canvas::pack(k.colours[skin::controlFace])},
        {Canvas::pack(fromRef(GetSysColor(COLOR_3DHILIGHT))), Canvas::pack(k.colours[skin::controlLight])},
        {Canvas::pack(fromRef(GetSysColor(COLOR_3DLIGHT))), Canvas::pack(k.colours[skin::controlLight])},
        {Canvas::pack(fromRef(GetSysColor(COLOR_3DSHADOW))), Canvas::pack(k.colours[skin::controlShadow])},
        {Canvas::pack(fromRef(GetSysColor(COLOR_3DDKSHADOW))),
         Canvas::pack(mix(k.colours[skin::controlShadow], Rgb{0, 0, 0}, 90))},
    };
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = c.row(y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = row[x] & 0xFFFFFFu;
            for (const Swap& sw : swaps) {
                if (p == sw.from) {
                    row[x] = sw.to;
                    break;
                }
            }
        }
    }
    BitBlt(item->hDC, r.left, r.top, width, height, c.dc(), 0, 0, SRCCOPY);
    return result;
}

// ---- the subclass procedure ---------------------------------------------------------------------

void finishPress(HWND window, WindowState* s, POINT screen);

LRESULT handleFrame(HWND window, WindowState* s, UINT message, WPARAM w, LPARAM l, bool& handled) {
    handled = true;
    switch (message) {
    case WM_NCPAINT: {
        LONG style = GetWindowLongW(window, GWL_STYLE);
        if (GetMenu(window) || (style & (WS_VSCROLL | WS_HSCROLL))) callPrevious(s, window, message, w, l);
        paintFrame(window, s);
        return 0;
    }
    case WM_NCACTIVATE:
    case WM_SETTEXT:
    case WM_SETICON: {
        LRESULT r = callPreviousQuietly(s, window, message, w, l);
        if (stateOf(window) == s) paintFrame(window, s);
        return r;
    }
    case WM_NCHITTEST: {
        LRESULT r = callPrevious(s, window, message, w, l);
        if (r == HTCAPTION || r == HTSYSMENU || r == HTMINBUTTON || r == HTMAXBUTTON || r == HTCLOSE || r == HTHELP) {
            int ours = captionHit(window, POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
            if (ours != HTNOWHERE) r = ours;
        }
        return r;
    }
    case WM_NCMOUSEMOVE: {
        int hit = captionHit(window, POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
        int hot = isCaptionButton(hit) ? hit : 0;
        if (hot != s->hot) {
            s->hot = hot;
            paintFrame(window, s);
        }
        if (hot && !s->leaveRequested) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, window, 0};
            s->leaveRequested = TrackMouseEvent(&track) != FALSE;
        }
        if (hot) return 0;
        break;
    }
    case WM_NCMOUSELEAVE:
        s->leaveRequested = false;
        if (s->hot) {
            s->hot = 0;
            paintFrame(window, s);
        }
        break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
        int hit = static_cast<int>(w);
        if (isCaptionButton(hit) && captionHit(window, POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}) == hit) {
            s->pressed = hit;
            s->pressedInside = true;
            s->hot = hit;
            SetCapture(window);
            paintFrame(window, s);
            return 0;
        }
        LRESULT r = callPrevious(s, window, message, w, l);
        if (stateOf(window) == s) paintFrame(window, s);
        return r;
    }
    case WM_MOUSEMOVE:
        if (s->pressed) {
            POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
            ClientToScreen(window, &p);
            bool in = captionHit(window, p) == s->pressed;
            if (in != s->pressedInside) {
                s->pressedInside = in;
                paintFrame(window, s);
            }
            return 0;
        }
        if (s->hot) {
            s->hot = 0;
            paintFrame(window, s);
        }
        break;
    case WM_LBUTTONUP:
        if (s->pressed) {
            POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
            ClientToScreen(window, &p);
            finishPress(window, s, p);  // may destroy the window: `s` is not used afterwards
            return 0;
        }
        break;
    case WM_NCLBUTTONUP:
        if (s->pressed) {
            finishPress(window, s, POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        if (s->pressed && reinterpret_cast<HWND>(l) != window) {
            s->pressed = 0;
            s->pressedInside = false;
            paintFrame(window, s);
        }
        break;
    case WM_ENABLE:
    case WM_SYSCOMMAND:
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
    case WM_INITMENUPOPUP: {
        // The system may draw its own caption while handling these; draw ours again afterwards.
        LRESULT r = callPrevious(s, window, message, w, l);
        if (IsWindow(window) && stateOf(window) == s) paintFrame(window, s);
        return r;
    }
    case WM_ERASEBKGND: {
        RECT r{};
        GetClientRect(window, &r);
        FillRect(reinterpret_cast<HDC>(w), &r, objects.client);
        return 1;
    }
    default: break;
    }
    handled = false;
    return 0;
}

void finishPress(HWND window, WindowState* s, POINT screen) {
    int which = s->pressed;
    bool in = captionHit(window, screen) == which;
    s->pressed = 0;
    s->pressedInside = false;
    s->hot = in ? which : 0;
    if (GetCapture() == window) ReleaseCapture();
    paintFrame(window, s);
    if (!in) return;
    WPARAM command = which == HTCLOSE      ? SC_CLOSE
                     : which == HTMINBUTTON ? SC_MINIMIZE
                     : IsZoomed(window)     ? SC_RESTORE
                                            : SC_MAXIMIZE;
    if (which != HTCLOSE) s->hot = 0;
    SendMessageW(window, WM_SYSCOMMAND, command, MAKELPARAM(screen.x, screen.y));
}

// Colours for the controls of a window, asked of it by its children.
LRESULT handleParent(HWND window, WindowState* s, UINT message, WPARAM w, LPARAM l, bool& handled) {
    handled = true;
    HDC dc = reinterpret_cast<HDC>(w);
    switch (message) {
    case WM_CTLCOLOREDIT:
        callPrevious(s, window, message, w, l);
        SetTextColor(dc, slot(skin::editText));
        SetBkColor(dc, slot(skin::editBackground));
        return reinterpret_cast<LRESULT>(objects.edit);
    case WM_CTLCOLORSTATIC: {
        // Keeps the text colour the window chose (a blue or red label stays so).
        callPrevious(s, window, message, w, l);
        HWND control = reinterpret_cast<HWND>(l);
        if (classIs(control, L"Edit") && IsWindowEnabled(control)) {
            SetTextColor(dc, slot(skin::editText));
            SetBkColor(dc, slot(skin::editBackground));
            return reinterpret_cast<LRESULT>(objects.edit);
        }
        SetBkColor(dc, slot(skin::labelBackground));
        return reinterpret_cast<LRESULT>(objects.label);
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
        callPrevious(s, window, message, w, l);
        SetBkColor(dc, slot(skin::clientBackground));
        return reinterpret_cast<LRESULT>(objects.client);
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(l);
        if (item && (item->CtlType == ODT_BUTTON || item->CtlType == ODT_STATIC))
            return recolourOwnerDraw(s, window, w, item);
        break;
    }
    default: break;
    }
    handled = false;
    return 0;
}

LRESULT handleEdit(HWND window, WindowState* s, UINT message, WPARAM w, LPARAM l, bool& handled) {
    handled = true;
    switch (message) {
    case WM_NCPAINT: {
        LONG style = GetWindowLongW(window, GWL_STYLE);
        if (style & (WS_VSCROLL | WS_HSCROLL)) callPrevious(s, window, message, w, l);
        paintEditBorder(window, s);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: {
        LRESULT r = callPrevious(s, window, message, w, l);
        if (IsWindow(window)) redrawFrame(window);
        return r;
    }
    default: break;
    }
    handled = false;
    return 0;
}

LRESULT CALLBACK skinProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    WindowState* s = stateOf(window);
    if (!s) return DefWindowProcW(window, message, w, l);  // cannot happen: the property is set first
    if (message == WM_NCDESTROY) {
        LRESULT r = callPrevious(s, window, message, w, l);
        RemovePropA(window, statePropName);
        delete s;
        return r;
    }
    if (currentSkin) {
        bool handled = false;
        LRESULT r = 0;
        if (s->role == Role::edit) r = handleEdit(window, s, message, w, l, handled);
        if (!handled && s->role == Role::frame && isFramed(window)) r = handleFrame(window, s, message, w, l, handled);
        if (!handled) r = handleParent(window, s, message, w, l, handled);
        if (handled) return r;
    }
    return callPrevious(s, window, message, w, l);
}

// ---- adopting windows ---------------------------------------------------------------------------

bool skipped(HWND window) {
    static const wchar_t* const never[] = {L"#32768", L"#32769", L"tooltips_class32", L"IME", L"MSCTFIME UI",
                                           L"ComboLBox", L"OleMainThreadWndClass"};
    for (const wchar_t* name : never)
        if (classIs(window, name)) return true;
    return false;
}

void adopt(HWND window, Role role) {
    if (!window || stateOf(window) || skipped(window)) return;
    if (GetWindowThreadProcessId(window, nullptr) != skinThread) return;
    auto* s = new (std::nothrow) WindowState{};
    if (!s) return;
    s->unicode = IsWindowUnicode(window) != FALSE;
    s->role = role;
    if (!SetPropA(window, statePropName, s)) {
        delete s;
        return;
    }
    LONG_PTR ours = reinterpret_cast<LONG_PTR>(&skinProc);
    LONG_PTR previous = s->unicode ? SetWindowLongPtrW(window, GWLP_WNDPROC, ours)
                                   : SetWindowLongPtrA(window, GWLP_WNDPROC, ours);
    if (!previous) {
        RemovePropA(window, statePropName);
        delete s;
        return;
    }
    s->previous = reinterpret_cast<WNDPROC>(previous);
}

bool isControl(HWND window) {
    return classIs(window, L"Static") || classIs(window, L"Edit") || classIs(window, L"Button");
}

// Adopts one window by what it is: a framed top-level window, an edit box, or the parent of a
// label, edit box or button.
void adoptByKind(HWND window, LONG style, HWND parent) {
    if (!(style & WS_CHILD)) {
        if ((style & WS_CAPTION) == WS_CAPTION) adopt(window, Role::frame);
        return;
    }
    if (classIs(window, L"Edit")) adopt(window, Role::edit);
    if (parent && isControl(window)) adopt(parent, isFramed(parent) ? Role::frame : Role::container);
}

BOOL CALLBACK adoptChild(HWND child, LPARAM) {
    adoptByKind(child, GetWindowLongW(child, GWL_STYLE), GetParent(child));
    return TRUE;
}

BOOL CALLBACK adoptTopLevel(HWND window, LPARAM) {
    adoptByKind(window, GetWindowLongW(window, GWL_STYLE), nullptr);
    EnumChildWindows(window, adoptChild, 0);
    return TRUE;
}

BOOL CALLBACK repaintTopLevel(HWND window, LPARAM) {
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return TRUE;
}

LRESULT CALLBACK cbtProc(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_CREATEWND && currentSkin) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(l);
        HWND window = reinterpret_cast<HWND>(w);
        if (create && create->lpcs && create->lpcs->hwndParent != HWND_MESSAGE)
            adoptByKind(window, create->lpcs->style, create->lpcs->hwndParent);
    }
    return CallNextHookEx(cbtHook, code, w, l);
}

// True when all `count` bytes at `bytes` are committed, readable memory: a caller that claims
// more bytes than it owns is refused instead of crashing the process.
bool readable(const void* bytes, std::size_t count) {
    auto at = reinterpret_cast<std::uintptr_t>(bytes);
    if (count > UINTPTR_MAX - at) return false;
    std::uintptr_t end = at + count;
    const DWORD readableMask = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                               PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    while (at < end) {
        MEMORY_BASIC_INFORMATION info{};
        if (!VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info)) return false;
        if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(info.Protect & readableMask))
            return false;
        std::uintptr_t next = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= at) return false;
        at = next;
    }
    return true;
}

void repaintAll() {
    if (skinThread) EnumThreadWindows(skinThread, repaintTopLevel, 0);
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall SkinH_SetAero(int enable) {
    if (enable != 0 && enable != 1) return 0;
    aeroOn = enable == 1;
    repaintAll();
    return 1;
}

extern "C" __declspec(dllexport) int __stdcall SkinH_AttachRes(const unsigned char* bytes, int count,
                                                               const char* reserved, int, int, int) {
    (void)reserved;  // reserved for later use; never read, so any pointer is harmless
    if (!bytes || count <= 0 || static_cast<std::size_t>(count) > skin::maxSkinSize) return 0;
    if (skinThread && skinThread != GetCurrentThreadId()) return 0;
    if (!readable(bytes, static_cast<std::size_t>(count))) return 0;
    auto* parsed = new (std::nothrow) SkinData;
    if (!parsed) return 0;
    if (!skin::parseSkin(bytes, static_cast<std::size_t>(count), *parsed)) {
        delete parsed;
        return 0;
    }
    if (!cbtHook) {
        cbtHook = SetWindowsHookExW(WH_CBT, cbtProc, nullptr, GetCurrentThreadId());
        if (!cbtHook) {
            delete parsed;
            return 0;
        }
        // Skinned windows call into this library for the rest of their lives: keep it loaded.
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&SkinH_AttachRes), &self);
        skinThread = GetCurrentThreadId();
    }
    delete currentSkin;
    currentSkin = parsed;
    makeObjects(*currentSkin);
    EnumThreadWindows(skinThread, adoptTopLevel, 0);
    repaintAll();
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        engineModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
