// The runtime's windows in process: properties by number, MainWindow's stored settings and
// what the creation handler writes, and how labels and flat buttons draw themselves.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "main_window.h"
#include "runtime.h"

namespace {

std::string take(TextValue text) {
    std::string s = text ? text : "";
    freeValue(text);
    return s;
}

enum { label = 1, edit, button, dialog, drop };
const PropertyValue labelText[] = {{controlText, 0, "标签"}};
const PropertyValue buttonText[] = {{controlText, 0, "提取"}};
const ControlLayout testControls[] = {
    {"l", label, ControlKind::label, 0, 0, 80, 24, RGB(0, 0, 255), false, labelText, 1, nullptr, nullptr},
    {"e", edit, ControlKind::editBox, 0, 30, 100, 20, 0, true, nullptr, 0, nullptr, nullptr},
    {"b", button, ControlKind::flatButton, 0, 60, 60, 20, RGB(0, 0, 255), true, buttonText, 1, nullptr, nullptr},
    {"d", dialog, ControlKind::openDialog, 0, 0, 26, 26, 0, false, nullptr, 0, nullptr, nullptr},
    {"t", drop, ControlKind::dropTarget, 0, 0, 26, 26, 0, false, nullptr, 0, nullptr, nullptr},
};
const WindowLayout testWindow = {"runtime test", 300, 150, nullptr, testControls, 5, nullptr};

class Window : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadWindow(&testWindow)); }
    static void TearDownTestSuite() { DestroyWindow(reinterpret_cast<HWND>(windowHandle(testWindow))); }
    HWND control(int id) { return GetDlgItem(reinterpret_cast<HWND>(windowHandle(testWindow)), id); }
};

TEST_F(Window, TextPropertiesCopyAndNullIsEmpty) {
    for (int id : {edit, dialog}) {
        const int number = id == edit ? int(controlText) : int(fileName);
        writeTextProperty(testWindow, id, number, nullptr);
        EXPECT_EQ(readTextProperty(testWindow, id, number), nullptr) << id;
        char source[] = "C:\\Tools";
        writeTextProperty(testWindow, id, number, source);
        source[0] = 'X';  // the control keeps its own copy
        TextValue first = readTextProperty(testWindow, id, number);
        TextValue second = readTextProperty(testWindow, id, number);
        EXPECT_NE(first, second);  // every read is a new text
        EXPECT_STREQ(first, "C:\\Tools");
        freeValue(first);
        freeValue(second);
        writeTextProperty(testWindow, id, number, "");
        EXPECT_EQ(readTextProperty(testWindow, id, number), nullptr) << id;
    }
    EXPECT_EQ(take(readTextProperty(testWindow, label, controlText)), "标签");
    EXPECT_EQ(readTextProperty(testWindow, 999, controlText), nullptr);
    EXPECT_EQ(readTextProperty(testWindow, edit, 9), nullptr);
}

TEST_F(Window, ComponentChoicesAreClamped) {
    struct Case { int number; std::int32_t written; std::int32_t stored; };
    const Case cases[] = {
        {dialogType, 7, 3}, {dialogType, -2, 0}, {dialogType, 1, 1},
        {initialFilter, -5, 0}, {initialFilter, 4, 4},
    };
    for (const Case& c : cases) {
        writeIntegerProperty(testWindow, dialog, c.number, c.written);
        EXPECT_EQ(readIntegerProperty(testWindow, dialog, c.number), c.stored) << c.number << " " << c.written;
    }
    // The dialog's defaults, and text written to a logical switch is ignored.
    EXPECT_EQ(readIntegerProperty(testWindow, dialog, fileMustExist), 1);
    EXPECT_EQ(readIntegerProperty(testWindow, dialog, createPrompt), 0);
    writeTextProperty(testWindow, drop, acceptFiles, "1");
    EXPECT_EQ(readIntegerProperty(testWindow, drop, acceptFiles), 0);
}

TEST_F(Window, ComponentsHaveNoWindowAndControlsAreShown) {
    EXPECT_EQ(control(dialog), nullptr);
    EXPECT_EQ(control(drop), nullptr);
    for (int id : {label, edit, button}) EXPECT_TRUE(GetWindowLongA(control(id), GWL_STYLE) & WS_VISIBLE) << id;
}

// ---- drawing -------------------------------------------------------------------------------

struct Picture {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    int width, height;
    Picture(int w, int h) : width(w), height(h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
    }
    ~Picture() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    int count(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += GetPixel(dc, x, y) == colour;
        return n;
    }
    // Pixels whose colour is clearly of one hue: text is smoothed, so few are pure.
    int countHue(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                COLORREF p = GetPixel(dc, x, y);
                const int r = GetRValue(p), g = GetGValue(p), b = GetBValue(p);
                if (colour == RGB(0, 0, 255)) n += b > 150 && r < 110 && g < 110;
                if (colour == RGB(255, 0, 0)) n += r > 150 && g < 110 && b < 110;
            }
        return n;
    }
};

// Draws control `id` through its owner as the system would, into a picture of its size.
void drawItem(HWND owner, HWND item, int id, UINT type, UINT state, Picture& picture) {
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = type;
    dis.CtlID = static_cast<UINT>(id);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = item;
    dis.hDC = picture.dc;
    dis.rcItem = {0, 0, picture.width, picture.height};
    SendMessageA(owner, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&dis));
}

constexpr COLORREF blue = RGB(0, 0, 255), red = RGB(255, 0, 0);

TEST_F(Window, FlatButtonLooks) {
    HWND owner = reinterpret_cast<HWND>(windowHandle(testWindow));
    HWND b = control(button);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    struct Case { bool hot; UINT state; COLORREF caption; COLORREF topLeft; COLORREF bottomRight; const char* what; };
    const Case cases[] = {
        {false, 0, blue, face, face, "at rest: no frame"},
        {true, 0, blue, light, shadow, "under the mouse: raised"},
        {false, ODS_SELECTED, blue, shadow, light, "pressed: sunken"},
        {false, ODS_FOCUS, red, face, face, "focus alone: red caption"},
        {true, ODS_FOCUS, blue, light, shadow, "focus under the mouse: blue"},
        {false, ODS_FOCUS | ODS_SELECTED, blue, shadow, light, "focus pressed: blue"},
    };
    for (const Case& c : cases) {
        SendMessageA(b, c.hot ? WM_MOUSEMOVE : WM_MOUSELEAVE, 0, MAKELPARAM(5, 5));
        Picture picture(60, 20);
        drawItem(owner, b, button, ODT_BUTTON, c.state, picture);
        EXPECT_GT(picture.countHue(c.caption), 5) << c.what;
        EXPECT_EQ(picture.countHue(c.caption == blue ? red : blue), 0) << c.what;
        EXPECT_EQ(GetPixel(picture.dc, 0, 0), c.topLeft) << c.what;
        EXPECT_EQ(GetPixel(picture.dc, 59, 19), c.bottomRight) << c.what;
        EXPECT_EQ(GetPixel(picture.dc, 2, 10), face) << c.what;  // the face inside the frame
    }
    SendMessageA(b, WM_MOUSELEAVE, 0, 0);
    Picture disabled(60, 20);
    drawItem(owner, b, button, ODT_BUTTON, ODS_DISABLED, disabled);
    EXPECT_EQ(disabled.countHue(blue), 0);
    EXPECT_GT(disabled.count(shadow), 3);  // embossed in the system colours
}

TEST_F(Window, LabelIsColouredOnButtonFace) {
    HWND owner = reinterpret_cast<HWND>(windowHandle(testWindow));
    Picture picture(80, 24);
    drawItem(owner, control(label), label, ODT_STATIC, 0, picture);
    EXPECT_GT(picture.countHue(blue), 5);
    EXPECT_EQ(picture.countHue(red), 0);
    EXPECT_EQ(GetPixel(picture.dc, 79, 0), GetSysColor(COLOR_BTNFACE));
    // Vertically centred: nothing of the text in the top and bottom rows.
    for (int x = 0; x < 80; ++x) {
        EXPECT_EQ(GetPixel(picture.dc, x, 0), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(GetPixel(picture.dc, x, 23), GetSysColor(COLOR_BTNFACE));
    }
}

// ---- MainWindow ----------------------------------------------------------------------------

TEST(MainWindowInProcess, StoredSettingsAndCreationHandler) {
    ASSERT_TRUE(loadWindow(&MainWindow));
    HWND hwnd = reinterpret_cast<HWND>(windowHandle(MainWindow));
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    const std::string directory = take(runDirectory());
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), '\\');
    EXPECT_EQ(take(readTextProperty(MainWindow, savePathEdit, controlText)), directory);
    EXPECT_EQ(take(readTextProperty(MainWindow, openDialog, initialDirectory)), directory);
    EXPECT_EQ(take(readTextProperty(MainWindow, fileNameEdit, controlText)), "1");
    EXPECT_EQ(readTextProperty(MainWindow, filePathEdit, controlText), nullptr);

    const std::string filterText = take(readTextProperty(MainWindow, openDialog, filter));
    EXPECT_EQ(filterText, "(*.exe)|*.exe|(*.dll)|*.dll|(*.icl)|*.icl||(*.ico)*.ico");
    EXPECT_EQ(filterText.size(), 55u);
    struct Setting { int control; int number; std::int32_t value; };
    const Setting settings[] = {
        {openDialog, dialogType, 0},      {openDialog, initialFilter, 0},
        {openDialog, createPrompt, 0},    {openDialog, fileMustExist, 1},
        {openDialog, overwritePrompt, 1}, {openDialog, pathMustExist, 1},
        {openDialog, noChangeDirectory, 1},
        {dropTarget, acceptText, 0}, {dropTarget, acceptHtml, 0}, {dropTarget, acceptUrl, 0},
        {dropTarget, acceptFiles, 1},
    };
    for (const Setting& s : settings)
        EXPECT_EQ(readIntegerProperty(MainWindow, s.control, s.number), s.value) << s.control << "/" << s.number;
    for (int id : {title, fileName, defaultExtension})
        EXPECT_EQ(readTextProperty(MainWindow, openDialog, id), nullptr) << id;
    EXPECT_FALSE(registerWindow(MainWindow, dropTarget, windowHandle(MainWindow)));

    HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (int id : {promptLabel, filePathEdit, browseButton, savePathEdit, fileNameEdit, extractButton})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(hwnd, id), WM_GETFONT, 0, 0)), guiFont) << id;
    EXPECT_NE(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    DestroyWindow(hwnd);
    EXPECT_EQ(windowHandle(MainWindow), 0);
}

}  // namespace
