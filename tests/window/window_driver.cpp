// Drives the real iconextractor.exe and the fatal-error probe from outside, as a user would:
// the main window's settings, its keys, the run directory (also in the root of a drive), the
// end of the run, and the fatal-error box read from the box itself.
// Arguments: the folder that holds the built programs, and optionally --drive=X: naming a drive
// whose root is an empty folder this test may use.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "tool_driver.h"

#include <algorithm>

#include <string>
#include <vector>

namespace {

std::string buildFolder;  // holds iconextractor.exe, fatal_probe.exe, iconx_testlib.dll
std::string spareDrive;   // "X:" or empty

using namespace driver;
const char* const caption = mainCaption;

BOOL CALLBACK countChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

HWND focusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Posts a key to the focused control as the keyboard would, and gives the tool time to act.
void pressKey(HWND window, UINT key) {
    HWND target = focusOf(window);
    if (!target) target = window;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    Sleep(150);
}

std::string copyTool(const std::string& folder) {
    std::string exe = folder + "\\iconextractor.exe";
    EXPECT_TRUE(CopyFileA((buildFolder + "\\iconextractor.exe").c_str(), exe.c_str(), FALSE)) << exe;
    return exe;
}


TEST(MainWindow, SettingsControlsAndTheEndOfTheRun) {
    const std::string folder = freshFolder();
    Program tool(copyTool(folder));
    ASSERT_TRUE(tool.started);
    HWND window = findTopLevel(tool.info.dwProcessId, nullptr, caption);
    ASSERT_NE(window, nullptr) << "no window captioned as expected";
    EXPECT_EQ(FindWindowA(nullptr, caption), window);

    RECT rc;
    GetWindowRect(window, &rc);
    EXPECT_EQ(rc.right - rc.left, 384);
    EXPECT_EQ(rc.bottom - rc.top, 112);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 384) / 2);
    EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 112) / 2);

    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(exStyle & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(exStyle & WS_EX_TOPMOST);
    // The icons are checked in process: WM_GETICON from another process gives 0 under Wine.

    struct Expected { int id; const char* cls; int x, y, w, h; const char* text; bool tab; };
    const Expected controls[] = {
        {promptLabel, "Static", 6, 4, 120, 24, "选择需要提取EXE程序", false},
        {filePathEdit, "Edit", 128, 5, 200, 20, "", true},
        {browseButton, "Button", 331, 5, 40, 20, "浏览", true},
        {saveDirLabel, "Static", 6, 31, 56, 24, "保存位置", false},
        {savePathEdit, "Edit", 61, 32, 183, 20, folder.c_str(), true},
        {saveNameLabel, "Static", 250, 31, 62, 24, "保存文件名", false},
        {fileNameEdit, "Edit", 314, 32, 56, 20, "1", true},
        {extractButton, "Button", 6, 56, 364, 20, "提取", true},
    };
    for (const Expected& e : controls) {
        HWND c = GetDlgItem(window, e.id);
        ASSERT_NE(c, nullptr) << e.id;
        EXPECT_EQ(lstrcmpiA(className(c).c_str(), e.cls), 0) << e.id << " " << className(c);
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, e.x) << e.id;
        EXPECT_EQ(r.top, e.y) << e.id;
        EXPECT_EQ(r.right - r.left, e.w) << e.id;
        EXPECT_EQ(r.bottom - r.top, e.h) << e.id;
        EXPECT_EQ(windowText(c), e.text) << e.id;
        const LONG s = GetWindowLongA(c, GWL_STYLE);
        EXPECT_EQ((s & WS_TABSTOP) != 0, e.tab) << e.id;
        EXPECT_TRUE(IsWindowVisible(c) && IsWindowEnabled(c)) << e.id;
        if (e.cls == std::string("Edit")) {
            EXPECT_TRUE(GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) << e.id;
            EXPECT_TRUE(s & ES_AUTOHSCROLL) << e.id;
            EXPECT_FALSE(s & (ES_READONLY | ES_PASSWORD | ES_MULTILINE | ES_UPPERCASE | ES_LOWERCASE | ES_NOHIDESEL | ES_NUMBER)) << e.id;
        }
        if (e.cls == std::string("Button")) {
            EXPECT_EQ(s & BS_TYPEMASK, BS_OWNERDRAW) << e.id;
        }
    }
    // The two components have no window of their own.
    int children = 0;
    EnumChildWindows(window, countChild, reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children, 8);
    EXPECT_EQ(GetDlgItem(window, dropTarget), nullptr);
    EXPECT_EQ(GetDlgItem(window, openDialog), nullptr);

    // Esc and Enter change nothing and leave the window open.
    pressKey(window, VK_ESCAPE);
    pressKey(window, VK_RETURN);
    pressKey(window, VK_F1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(windowText(GetDlgItem(window, fileNameEdit)), "1");

    // Closing ends the process with code 0.
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tool.exitCode(), 0u);
}

TEST(MainWindow, TabVisitsTheFiveFocusableControlsOnly) {
    const std::string folder = freshFolder();
    Program tool(copyTool(folder));
    ASSERT_TRUE(tool.started);
    HWND window = findTopLevel(tool.info.dwProcessId, nullptr, caption);
    ASSERT_NE(window, nullptr);

    // Put the focus on fileNameEdit through the tool's own input state.
    const DWORD toolThread = GetWindowThreadProcessId(window, nullptr);
    AttachThreadInput(GetCurrentThreadId(), toolThread, TRUE);
    SetFocus(GetDlgItem(window, fileNameEdit));
    AttachThreadInput(GetCurrentThreadId(), toolThread, FALSE);
    Sleep(100);
    ASSERT_EQ(GetDlgCtrlID(focusOf(window)), fileNameEdit);

    std::vector<int> visited;
    for (int i = 0; i < 10; ++i) {
        pressKey(window, VK_TAB);
        visited.push_back(GetDlgCtrlID(focusOf(window)));
    }
    const std::vector<int> focusable = {filePathEdit, browseButton, savePathEdit, fileNameEdit, extractButton};
    for (int id : visited)
        EXPECT_NE(std::find(focusable.begin(), focusable.end(), id), focusable.end()) << "Tab landed on " << id;
    for (int id : focusable)
        EXPECT_NE(std::find(visited.begin(), visited.end(), id), visited.end()) << id << " never reached";
    EXPECT_EQ(visited[0], extractButton);  // the order of the layout, wrapping at the end
    EXPECT_EQ(visited[1], filePathEdit);
    EXPECT_TRUE(IsWindow(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tool.exitCode(), 0u);
}

TEST(MainWindow, RunDirectoryInTheRootOfADrive) {
    if (spareDrive.empty()) GTEST_SKIP() << "no spare drive named (--drive=X:)";
    Program tool(copyTool(spareDrive));
    ASSERT_TRUE(tool.started);
    HWND window = findTopLevel(tool.info.dwProcessId, nullptr, caption);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(window, savePathEdit)), spareDrive);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tool.exitCode(), 0u);
    DeleteFileA((spareDrive + "\\iconextractor.exe").c_str());
}

bool moduleLoaded(DWORD pid, const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Module32First(snapshot, &entry); more && !found; more = Module32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szModule, name) == 0;
    CloseHandle(snapshot);
    return found;
}

TEST(FatalErrorBox, TextTitleAndExitCode) {
    struct Case { const char* mode; const char* text; };
    const Case cases[] = {
        {"missing-library", "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“iconx_no_such_library.dll”中的输出命令“SkinH_SetAero”\r\n"},
        {"missing-entry", "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“iconx_testlib.dll”中的输出命令“NoSuchEntry”\r\n"},
        {"stack", "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"},
        {"allocation", "运行时出错!\r\n\r\n错误信息：分配 2000000000 字节内存失败!\r\n"},
        {"no-layout", "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Program probe(buildFolder + "\\fatal_probe.exe", c.mode);
        ASSERT_TRUE(probe.started);
        HWND box = findTopLevel(probe.info.dwProcessId, "#32770", nullptr);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(windowText(box), "错误");
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        EXPECT_EQ(windowText(GetDlgItem(box, 0xFFFF)), c.text);
        EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
        // A library that lacks the entry is let go before the box shows.
        if (std::string(c.mode) == "missing-entry") {
            EXPECT_FALSE(moduleLoaded(probe.info.dwProcessId, "iconx_testlib.dll"));
        }
        if (std::string(c.mode) == "stack") {
            EXPECT_TRUE(moduleLoaded(probe.info.dwProcessId, "iconx_testlib.dll"));
        }
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(probe.exitCode(), 0xFFFFFFFFu);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--drive=", 0) == 0)
            spareDrive = a.substr(8);
        else
            buildFolder = a;
    }
    if (buildFolder.empty()) buildFolder = programFolder();
    return RUN_ALL_TESTS();
}
