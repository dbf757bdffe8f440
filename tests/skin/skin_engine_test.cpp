// The skin engine library as the tool uses it: loaded with LoadLibraryA, entries called as stdcall,
// checked by reading pixels of real windows (under Wine in Xvfb) and by sending the messages a
// user's mouse would produce. Each suite runs in a process of its own (tests/skin/CMakeLists.txt),
// because an attached skin stays for the life of the process.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine_loader.h"
#include "skin_data.h"
#include "skin_format.h"
#include "tool_window.h"

namespace {

SkinEngine& engine() {
    static SkinEngine e = loadSkinEngine();
    return e;
}

const ByteBlock& builtIn(int number) { return *BuiltInSkins[number - 1]; }

int attach(const ByteBlock& skin) {
    return engine().attachRes(skin.data(), static_cast<int>(skin.length), "", 0, 0, 0);
}

skin::SkinData parsed(int number) {
    skin::SkinData s{};
    EXPECT_TRUE(skin::parseSkin(builtIn(number).data(), builtIn(number).length, s)) << "skin " << number;
    return s;
}

COLORREF ref(skin::Rgb c) { return RGB(c.r, c.g, c.b); }

// A pixel of the window as it is on screen, in window coordinates (0, 0 is the frame's corner).
COLORREF windowPixel(HWND window, int x, int y) {
    HDC dc = GetWindowDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

COLORREF clientPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

bool anyPixel(HWND window, const RECT& r, bool (*test)(COLORREF)) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (test(clientPixel(window, x, y))) return true;
    return false;
}

bool blueText(COLORREF c) { return GetBValue(c) > 160 && GetRValue(c) < 100 && GetGValue(c) < 100; }

void refresh(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages();
}

// The caption bar's middle row, in screen coordinates, and the spans the window's own hit-test
// gives along it.
struct CaptionScan {
    int y = 0;                        // screen row
    int closeLeft = -1, closeRight = -1, minLeft = -1, minRight = -1;
    bool maxSeen = false;
    int captionX = -1;                // a screen column answered HTCAPTION
};

CaptionScan scanCaption(HWND window) {
    RECT wr;
    GetWindowRect(window, &wr);
    CaptionScan s;
    s.y = wr.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = wr.left; x < wr.right; ++x) {
        LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, s.y));
        if (hit == HTCLOSE) {
            if (s.closeLeft < 0) s.closeLeft = x;
            s.closeRight = x;
        } else if (hit == HTMINBUTTON) {
            if (s.minLeft < 0) s.minLeft = x;
            s.minRight = x;
        } else if (hit == HTMAXBUTTON) {
            s.maxSeen = true;
        } else if (hit == HTCAPTION && s.captionX < 0 && x > wr.left + 60) {
            s.captionX = x;
        }
    }
    return s;
}

// Presses and releases the left button on a caption button as the system reports it: the press
// in screen coordinates, the release (to the capturing window) in client coordinates.
void click(HWND window, int hit, POINT down, POINT up) {
    SendMessageA(window, WM_NCLBUTTONDOWN, hit, MAKELPARAM(down.x, down.y));
    ScreenToClient(window, &up);
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    pumpMessages();
}

// Calls a library entry as the window runtime does and gives how many bytes of arguments the
// entry left on the stack: 0 for a stdcall entry.
int stackLeftBehind(void* entry, const std::int32_t* arguments, int count) {
    int left;
    __asm__ volatile(
        "movl %%esp, %%edi\n\t"
        "movl %[count], %%ecx\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%[args],%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%[entry]\n\t"
        "movl %%edi, %%edx\n\t"
        "subl %%esp, %%edx\n\t"
        "movl %%edi, %%esp\n\t"
        : "=d"(left)
        : [entry] "b"(entry), [args] "S"(arguments), [count] "r"(count)
        : "eax", "ecx", "edi", "memory", "cc");
    return left;
}

// Garbage and lies that the engine must refuse without touching anything.
struct BadCall {
    const char* what;
    std::vector<unsigned char> bytes;
    int count;  // -2: the vector's size
    bool nullPointer;
};

std::vector<BadCall> badCalls() {
    const ByteBlock& s8 = builtIn(8);
    std::vector<unsigned char> good(s8.data(), s8.data() + s8.length);
    std::vector<unsigned char> random(4096);
    unsigned seed = 1;
    for (auto& b : random) b = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
    std::vector<unsigned char> flipped = good;
    flipped[flipped.size() / 2] ^= 0x40;
    std::vector<unsigned char> longer = good;
    longer.push_back(0);
    return {
        {"null pointer, count 0", {}, 0, true},
        {"null pointer with a count", {}, 100, true},
        {"a skin with count 0", good, 0, false},
        {"random bytes", random, -2, false},
        {"truncated by one byte", good, static_cast<int>(good.size()) - 1, false},
        {"header only", good, 16, false},
        {"one body byte changed", flipped, -2, false},
        {"one byte too many", longer, -2, false},
        {"negative count", good, -1, false},
        {"huge count", good, 0x7FFFFFFF, false},
    };
}

void expectAllRefused() {
    for (BadCall& c : badCalls()) {
        const unsigned char* p = c.nullPointer ? nullptr : c.bytes.data();
        int count = c.count == -2 ? static_cast<int>(c.bytes.size()) : c.count;
        EXPECT_EQ(0, engine().attachRes(p, count, "", 0, 0, 0)) << c.what;
    }
}

// ---- the format -----------------------------------------------------------------------------

// Builds a skin from records, with a correct header and checksum, so that each case breaks
// exactly one rule.
struct SkinBuilder {
    std::vector<unsigned char> body;
    int records = 0;
    void add(std::uint16_t tag, const std::vector<unsigned char>& payload, std::uint16_t flags = 0) {
        unsigned char h[8];
        h[0] = static_cast<unsigned char>(tag), h[1] = static_cast<unsigned char>(tag >> 8);
        h[2] = static_cast<unsigned char>(flags), h[3] = static_cast<unsigned char>(flags >> 8);
        std::uint32_t n = static_cast<std::uint32_t>(payload.size());
        for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<unsigned char>(n >> (8 * i));
        body.insert(body.end(), h, h + 8);
        body.insert(body.end(), payload.begin(), payload.end());
        ++records;
    }
    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> out = {'H', 'S', 'K', 'N', 1, 0};
        out.push_back(static_cast<unsigned char>(records));
        out.push_back(static_cast<unsigned char>(records >> 8));
        std::uint32_t n = static_cast<std::uint32_t>(body.size());
        std::uint32_t crc = skin::crc32(body.data(), body.size());
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(n >> (8 * i)));
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(crc >> (8 * i)));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
};

std::vector<unsigned char> colours(std::uint32_t count) {
    std::vector<unsigned char> p(4 + 4 * count, 0x80);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(count >> (8 * i));
    return p;
}
const std::vector<unsigned char> shape = {1, 1, 0, 0, 1, 0, 0, 0};

std::vector<unsigned char> pattern(int w, int h, int extra = 0) {
    std::vector<unsigned char> p = {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8),
                                    static_cast<unsigned char>(h), static_cast<unsigned char>(h >> 8)};
    p.resize(p.size() + w * h + extra, 7);
    return p;
}

TEST(SkinFormat, BuiltInSkinsParseAndDiffer) {
    for (int n = 1; n <= builtInSkinCount; ++n) {
        skin::SkinData a = parsed(n);
        for (int m = 1; m < n; ++m) {
            skin::SkinData b = parsed(m);
            EXPECT_NE(0, std::memcmp(&a.colours[skin::captionTop], &b.colours[skin::captionTop], sizeof(skin::Rgb)) |
                             std::memcmp(&a.colours[skin::captionBottom], &b.colours[skin::captionBottom],
                                         sizeof(skin::Rgb)))
                << "skins " << m << " and " << n << " share their caption colours";
        }
    }
}

TEST(SkinFormat, RecordRules) {
    struct Case {
        const char* what;
        bool accepted;
        SkinBuilder skin;
    };
    auto make = [](std::initializer_list<std::pair<std::uint16_t, std::vector<unsigned char>>> records) {
        SkinBuilder b;
        for (auto& r : records) b.add(r.first, r.second);
        return b;
    };
    std::vector<Case> cases = {
        {"colours and shape", true, make({{2, colours(25)}, {3, shape}})},
        {"with name and a 64 x 64 pattern", true, make({{1, {'A'}}, {2, colours(25)}, {3, shape}, {4, pattern(64, 64)}})},
        {"unknown tag skipped", true, make({{2, colours(25)}, {9, {1, 2, 3}}, {3, shape}})},
        {"extra colours ignored", true, make({{2, colours(40)}, {3, shape}})},
        {"no shape", false, make({{2, colours(25)}})},
        {"no colours", false, make({{3, shape}})},
        {"24 colours", false, make({{2, colours(24)}, {3, shape}})},
        {"colour count beyond the record", false, [] {
             auto p = colours(25);
             p[0] = 30;
             SkinBuilder b;
             b.add(2, p);
             b.add(3, shape);
             return b;
         }()},
        {"colours twice", false, make({{2, colours(25)}, {2, colours(25)}, {3, shape}})},
        {"caption style 4", false, make({{2, colours(25)}, {3, {4, 0, 0, 0, 0, 0, 0, 0}}})},
        {"shape of 9 bytes", false, make({{2, colours(25)}, {3, {0, 0, 0, 0, 0, 0, 0, 0, 0}}})},
        {"reserved shape byte set", false, make({{2, colours(25)}, {3, {0, 0, 0, 0, 0, 0, 1, 0}}})},
        {"pattern 65 wide", false, make({{2, colours(25)}, {3, shape}, {4, pattern(65, 1)}})},
        {"pattern 0 high", false, make({{2, colours(25)}, {3, shape}, {4, pattern(4, 0)}})},
        {"pattern with a spare byte", false, make({{2, colours(25)}, {3, shape}, {4, pattern(4, 4, 1)}})},
        {"empty name", false, make({{1, {}}, {2, colours(25)}, {3, shape}})},
        {"name with a zero byte", false, make({{1, {'a', 0, 'b'}}, {2, colours(25)}, {3, shape}})},
        {"record flags set", false, [] {
             SkinBuilder b;
             b.add(2, colours(25), 1);
             b.add(3, shape);
             return b;
         }()},
    };
    for (Case& c : cases) {
        std::vector<unsigned char> bytes = c.skin.bytes();
        skin::SkinData out;
        EXPECT_EQ(c.accepted, skin::parseSkin(bytes.data(), bytes.size(), out)) << c.what;
    }

    // A record that claims more bytes than the body holds, and a record count beyond the records.
    SkinBuilder b = make({{2, colours(25)}, {3, shape}});
    std::vector<unsigned char> bytes = b.bytes();
    skin::SkinData out;
    bytes[6] = 3;  // three records announced, two present
    EXPECT_FALSE(skin::parseSkin(bytes.data(), bytes.size(), out));
    bytes = b.bytes();
    bytes[16 + 4] = 0xFF;  // first record's length; the checksum is made to match again
    std::uint32_t crc = skin::crc32(bytes.data() + 16, bytes.size() - 16);
    for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<unsigned char>(crc >> (8 * i));
    EXPECT_FALSE(skin::parseSkin(bytes.data(), bytes.size(), out));
}

TEST(SkinFormat, MutatedSkinsNeverReadOutside) {
    // Random changes with the checksum made right again, so they reach the record parser. Each
    // candidate lies at the very end of a committed page, so any read past it faults.
    const ByteBlock& s8 = builtIn(8);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    auto* region = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, region);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(region + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old));
    ASSERT_LE(s8.length, si.dwPageSize);
    unsigned seed = 99;
    auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 8; };
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::uint32_t length = s8.length - (round % 3 == 0 ? next() % 64 : 0);
        unsigned char* at = region + si.dwPageSize - length;
        std::memcpy(at, s8.data(), length);
        for (int k = 0, n = 1 + next() % 4; k < n; ++k) at[16 + next() % (length - 16)] = static_cast<unsigned char>(next());
        std::uint32_t bodyLength = length - 16;
        std::memcpy(at + 8, &bodyLength, 4);
        std::uint32_t crc = skin::crc32(at + 16, bodyLength);
        std::memcpy(at + 12, &crc, 4);
        skin::SkinData out;
        accepted += skin::parseSkin(at, length, out);
    }
    EXPECT_GT(accepted, 0);  // some changes only touch colours and must still be accepted
    VirtualFree(region, 0, MEM_RELEASE);
}

// ---- the entries, before any skin is attached ---------------------------------------------------

TEST(EngineEntries, ExportedAsStdcall) {
    ASSERT_NE(nullptr, engine().module) << "SkinH_EL.dll beside the test";
    ASSERT_NE(nullptr, engine().setAero);
    ASSERT_NE(nullptr, engine().attachRes);
    const std::int32_t off[1] = {0};
    EXPECT_EQ(0, stackLeftBehind(reinterpret_cast<void*>(engine().setAero), off, 1));
    const std::int32_t none[6] = {0, 0, reinterpret_cast<std::int32_t>(""), 0, 0, 0};
    EXPECT_EQ(0, stackLeftBehind(reinterpret_cast<void*>(engine().attachRes), none, 6));
}

TEST(EngineEntries, RefusalsChangeNothing) {
    ToolWindow t = createToolWindow(40, 40, true);
    ASSERT_NE(nullptr, t.window);
    pumpMessages();
    LONG_PTR proc = GetWindowLongPtrA(t.window, GWLP_WNDPROC);
    LONG_PTR editProc = GetWindowLongPtrA(t.filePathEdit, GWLP_WNDPROC);
    expectAllRefused();
    EXPECT_EQ(0, engine().setAero(2));
    // Nothing was subclassed, and a window made now is not adopted either.
    EXPECT_EQ(proc, GetWindowLongPtrA(t.window, GWLP_WNDPROC));
    EXPECT_EQ(editProc, GetWindowLongPtrA(t.filePathEdit, GWLP_WNDPROC));
    ToolWindow later = createToolWindow(60, 60, true);
    EXPECT_EQ(proc, GetWindowLongPtrA(later.window, GWLP_WNDPROC));
    refresh(t.window);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), clientPixel(t.window, 2, 28));
    DestroyWindow(later.window);
    DestroyWindow(t.window);
}

TEST(EngineEntries, ClaimedBytesPastMappedMemoryAreRefused) {
    // A valid header whose count runs past the end of the caller's memory: refused, no fault.
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    auto* page = static_cast<unsigned char*>(VirtualAlloc(nullptr, si.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, page);
    const ByteBlock& s8 = builtIn(8);
    unsigned char* at = page + si.dwPageSize - 64;
    std::memcpy(at, s8.data(), 64);
    EXPECT_EQ(0, engine().attachRes(at, static_cast<int>(s8.length), "", 0, 0, 0));
    VirtualFree(page, 0, MEM_RELEASE);
}

// ---- a skinned window -----------------------------------------------------------------------

DWORD WINAPI attachFromThread(LPVOID result) {
    *static_cast<int*>(result) = attach(builtIn(1));
    return 0;
}

class SkinnedWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ToolWindow before = createToolWindow(30, 30, true);
        existing = before.window;
        ASSERT_TRUE(engine().setAero && engine().attachRes);
        ASSERT_EQ(1, engine().setAero(1));
        ASSERT_EQ(1, attach(builtIn(8)));
        pumpMessages();
    }
    static void TearDownTestSuite() {
        if (IsWindow(existing)) DestroyWindow(existing);
    }
    void SetUp() override {
        t = createToolWindow(100, 200, true);
        ASSERT_NE(nullptr, t.window);
        refresh(t.window);
    }
    void TearDown() override {
        if (IsWindow(t.window)) DestroyWindow(t.window);
        pumpMessages();
    }

    // Checks the frame, caption and client of `window` against skin `number`.
    static void expectSkin(HWND window, int number, bool aero) {
        skin::SkinData s = parsed(number);
        refresh(window);
        EXPECT_EQ(ref(s.colours[aero ? skin::glow : skin::frameOuter]), windowPixel(window, 0, 0));
        EXPECT_EQ(ref(s.colours[skin::clientBackground]), clientPixel(window, 2, 28));
        // The caption's last row, left of the minimise button: the gradient's end colour except
        // where the pattern crosses it.
        CaptionScan scan = scanCaption(window);
        ASSERT_GT(scan.minLeft, 0);
        RECT wr;
        GetWindowRect(window, &wr);
        int y = GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) - 2;
        int plain = 0;
        for (int x = scan.minLeft - wr.left - 8; x < scan.minLeft - wr.left - 2; ++x)
            plain += windowPixel(window, x, y) == ref(s.colours[skin::captionBottom]);
        EXPECT_GE(plain, 4) << "skin " << number;
    }

    static HWND existing;
    ToolWindow t{};
};
HWND SkinnedWindow::existing;

TEST_F(SkinnedWindow, ExistingAndLaterWindowsWearTheSkin) {
    expectSkin(existing, 8, true);
    expectSkin(t.window, 8, true);
}

TEST_F(SkinnedWindow, ControlFacesKeepTheirOwnTextColours) {
    skin::SkinData s = parsed(8);
    RECT label;
    GetWindowRect(t.promptLabel, &label);
    MapWindowPoints(nullptr, t.window, reinterpret_cast<POINT*>(&label), 2);
    EXPECT_EQ(ref(s.colours[skin::labelBackground]), clientPixel(t.window, label.left + 1, label.top + 1));
    EXPECT_TRUE(anyPixel(t.window, label, blueText)) << "the label's text stays blue";

    HDC dc = GetWindowDC(t.filePathEdit);
    EXPECT_EQ(ref(s.colours[skin::editBorder]), GetPixel(dc, 0, 0));
    ReleaseDC(t.filePathEdit, dc);
    EXPECT_EQ(ref(s.colours[skin::editBackground]), clientPixel(t.filePathEdit, 150, 8));

    RECT button;
    GetWindowRect(t.extractButton, &button);
    MapWindowPoints(nullptr, t.window, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(ref(s.colours[skin::controlFace]), clientPixel(t.window, button.left + 3, button.top + 3));
    EXPECT_TRUE(anyPixel(t.window, button, blueText)) << "the flat button's caption stays blue";
}

TEST_F(SkinnedWindow, CaptionButtonsAreHitTestedWhereDrawn) {
    CaptionScan scan = scanCaption(t.window);
    ASSERT_GT(scan.closeLeft, 0);
    ASSERT_GT(scan.minLeft, 0);
    EXPECT_LT(scan.minRight, scan.closeLeft);
    EXPECT_FALSE(scan.maxSeen) << "the window has no maximise box";
    EXPECT_GT(scan.captionX, 0);
    RECT wr;
    GetWindowRect(t.window, &wr);
    // Under the mouse the close button takes the skin's close colour, and loses it on leaving.
    skin::SkinData s = parsed(8);
    RECT close{scan.closeLeft - wr.left, scan.y - wr.top - 3, scan.closeRight - wr.left, scan.y - wr.top + 3};
    auto closeColoured = [&] {
        for (int x = close.left; x < close.right; ++x)
            for (int y = close.top; y < close.bottom; ++y)
                if (windowPixel(t.window, x, y) == ref(s.colours[skin::closeHot])) return true;
        return false;
    };
    EXPECT_FALSE(closeColoured());
    int cx = (scan.closeLeft + scan.closeRight) / 2;
    SendMessageA(t.window, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(cx, scan.y));
    EXPECT_TRUE(closeColoured());
    SendMessageA(t.window, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(scan.captionX, scan.y));
    EXPECT_FALSE(closeColoured());
    // The client area is still the window's own.
    POINT inside{5, 50};
    ClientToScreen(t.window, &inside);
    EXPECT_EQ(HTCLIENT, SendMessageA(t.window, WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)));
}

TEST_F(SkinnedWindow, MinimiseAndCloseButtonsWork) {
    CaptionScan scan = scanCaption(t.window);
    ASSERT_GT(scan.minLeft, 0);
    POINT min{(scan.minLeft + scan.minRight) / 2, scan.y};
    POINT close{(scan.closeLeft + scan.closeRight) / 2, scan.y};
    POINT caption{scan.captionX, scan.y};

    click(t.window, HTMINBUTTON, min, min);
    EXPECT_TRUE(IsIconic(t.window));
    ShowWindow(t.window, SW_RESTORE);
    pumpMessages();
    ASSERT_FALSE(IsIconic(t.window));

    // Pressed, then released elsewhere: nothing happens, as with the system's buttons.
    click(t.window, HTCLOSE, close, caption);
    EXPECT_TRUE(IsWindow(t.window));
    EXPECT_EQ(nullptr, GetCapture());

    click(t.window, HTCLOSE, close, close);
    EXPECT_FALSE(IsWindow(t.window));
}

TEST_F(SkinnedWindow, MovesByTheCaption) {
    CaptionScan scan = scanCaption(t.window);
    ASSERT_GT(scan.captionX, 0);
    RECT before;
    GetWindowRect(t.window, &before);
    SetForegroundWindow(t.window);
    SetCursorPos(scan.captionX, scan.y);
    pumpMessages(50);
    INPUT in[4]{};
    for (INPUT& i : in) i.type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_MOVE;
    in[1].mi.dx = 20;
    in[1].mi.dy = 15;
    in[2].mi.dwFlags = MOUSEEVENTF_MOVE;
    in[2].mi.dx = 20;
    in[2].mi.dy = 15;
    in[3].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(4, in, sizeof(INPUT));
    pumpMessages(300);
    RECT after;
    GetWindowRect(t.window, &after);
    EXPECT_NE(before.left, after.left);
    EXPECT_NE(before.top, after.top);
    expectSkin(t.window, 8, true);
}

TEST_F(SkinnedWindow, RefusalsKeepTheSkinAndAnotherSkinReplacesIt) {
    expectAllRefused();
    EXPECT_EQ(0, engine().setAero(7));
    expectSkin(t.window, 8, true);

    ASSERT_EQ(1, attach(builtIn(3)));
    ASSERT_EQ(1, engine().setAero(0));
    expectSkin(t.window, 3, false);
    // Control added after the change: skinned as well.
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 200, 60, 100, 20, t.window,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    refresh(t.window);
    EXPECT_EQ(ref(parsed(3).colours[skin::editBackground]), clientPixel(edit, 50, 8));

    ASSERT_EQ(1, attach(builtIn(8)));
    ASSERT_EQ(1, engine().setAero(1));
    expectSkin(t.window, 8, true);
}

TEST_F(SkinnedWindow, OtherThreadsAreRefused) {
    int result = -1;
    HANDLE thread = CreateThread(nullptr, 0, attachFromThread, &result, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    EXPECT_EQ(0, result);
    expectSkin(t.window, 8, true);
}

TEST_F(SkinnedWindow, UnloadingTheLibraryLeavesWindowsWorking) {
    // The runtime frees the library at its clean-up; skinned windows must not call into freed code.
    FreeLibrary(engine().module);
    SendMessageA(t.window, WM_NCACTIVATE, FALSE, 0);
    refresh(t.window);
    expectSkin(t.window, 8, true);
}

}  // namespace
