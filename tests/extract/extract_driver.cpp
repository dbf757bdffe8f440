// Drives the real iconextractor.exe from outside as a user would: paths and names typed into the
// boxes, Extract pressed, the status line, the base name and the files on disk read back.
// Arguments: the folder that holds iconextractor.exe and the folder of the fixture modules, as
// Windows paths. Optional --hold-ms=N keeps the window open N ms after the first extraction, for
// taking its picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "export_command.h"
#include "tool_driver.h"

namespace {

std::string appFolder;      // holds iconextractor.exe
std::string fixtureFolder;  // three_groups32.dll, no_icons32.dll
DWORD holdMilliseconds = 0;

const char succeeded[] = "图标提取成功！";
const char failed[] = "图标提取失败！";

using driver::freshFolder;
using driver::className;
using driver::windowText;
using driver::filePathEdit;
using driver::savePathEdit;
using driver::fileNameEdit;
using driver::extractButton;

std::string windowsPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void setText(HWND hwnd, const std::string& text) {
    SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The whole file, or "<missing>".
std::string readAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool writeAll(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
    CloseHandle(file);
    return ok;
}

// Gives a file an old last-write time, so that any rewrite shows.
bool makeOld(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    SYSTEMTIME st = {2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    const bool ok = SetFileTime(file, nullptr, nullptr, &ft) != 0;
    CloseHandle(file);
    return ok;
}

ULONGLONG lastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

std::vector<std::string> filesIn(const std::string& folder, const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// What the engine writes for group `group` of a fixture module, written in this process.
std::string referenceIcon(const std::string& module, int group) {
    const std::string folder = freshFolder();
    const std::string target = folder + "\\reference.ico";
    const std::string source = fixtureFolder + "\\" + module;
    ExportFileIcon(textArgument(source.c_str()), integerArgument(0), textArgument(target.c_str()),
                   integerArgument(group));
    EXPECT_EQ(lastExportReport().outcome, ExportOutcome::written) << module << " group " << group;
    return readAll(target);
}

// A copy of the tool in a fresh folder with the fixture modules beside it, started and showing
// its window. Closed, or ended, at the end of the scope.
struct Tool : driver::RunningTool {
    Tool() : RunningTool(appFolder + "\\iconextractor.exe", freshFolder("iconx_extract")) {
        for (const char* module : {"three_groups32.dll", "no_icons32.dll"})
            EXPECT_TRUE(CopyFileA((fixtureFolder + "\\" + module).c_str(), (folder + "\\" + module).c_str(), FALSE))
                << module;
    }

    HWND box(int id) const { return GetDlgItem(window, id); }
    std::string text(int id) const { return windowText(box(id)); }
    void type(int id, const std::string& text) const { setText(box(id), text); }
    std::string path(const std::string& name) const { return folder + "\\" + name; }

    // Presses Extract as the mouse would (posted) and waits for the status line to change. The
    // tool's thread answers WM_GETTEXT only between messages, so a changed text means the
    // handler has returned.
    bool press() const {
        const std::string before = text(filePathEdit);
        PostMessageA(box(extractButton), BM_CLICK, 0, 0);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 5000) {
            if (text(filePathEdit) != before) return true;
            Sleep(10);
        }
        return false;
    }

    // The first visible top-level window of the tool with class `wanted`, or its main window.
    HWND topLevel(const char* wanted) const {
        return driver::findTopLevel(program.info.dwProcessId, wanted, wanted ? nullptr : driver::mainCaption, 0);
    }
};

TEST(Extract, WritesTheFirstGroupAndAdvancesTheNameThenFailsOnItsOwnStatusText) {
    const std::string expected = referenceIcon("three_groups32.dll", 1);
    ASSERT_GT(expected.size(), 6u);
    ASSERT_NE(expected, referenceIcon("three_groups32.dll", 2));  // the comparison tells groups apart

    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    ASSERT_EQ(tool.text(savePathEdit), tool.folder);
    ASSERT_EQ(tool.text(fileNameEdit), "1");
    tool.type(filePathEdit, tool.path("three_groups32.dll"));
    ASSERT_TRUE(tool.press());
    EXPECT_EQ(tool.text(filePathEdit), succeeded);
    EXPECT_EQ(tool.text(fileNameEdit), "2");
    EXPECT_TRUE(readAll(tool.path("1.ico")) == expected) << "1.ico differs from the engine's group 1";
    EXPECT_EQ(filesIn(tool.folder, "*.ico"), std::vector<std::string>{"1.ico"});
    if (holdMilliseconds) Sleep(holdMilliseconds);

    // Pressed again, the status text is the source: nothing can be read, nothing is written.
    ASSERT_TRUE(tool.press());
    EXPECT_EQ(tool.text(filePathEdit), failed);
    EXPECT_EQ(tool.text(fileNameEdit), "2");
    EXPECT_EQ(filesIn(tool.folder, "*.ico"), std::vector<std::string>{"1.ico"});
    EXPECT_TRUE(readAll(tool.path("1.ico")) == expected);
}

// Every press below writes nothing, so it must report failure, keep the name, and leave any file
// at the target exactly as it was, even when one is there to be opened.
TEST(Extract, FailuresLeaveTheNameAndAnyFileAtTheTargetAlone) {
    enum Target { none, stale, staleReadOnly };
    struct Case { const char* what; const char* source; const char* saveFolder; Target target; };
    const Case cases[] = {
        {"module without icons, target left from an earlier run", "no_icons32.dll", nullptr, stale},
        {"read-only target", "three_groups32.dll", nullptr, staleReadOnly},
        {"status text as source, target left from an earlier run", succeeded, nullptr, stale},
        {"missing source", "missing.dll", nullptr, none},
        {"blanks only", "   ", nullptr, none},
        {"unsupported source kind", "iconextractor.exe.txt", nullptr, none},
        {"missing save folder", "three_groups32.dll", "no such folder", none},
    };
    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    ASSERT_TRUE(writeAll(tool.path("iconextractor.exe.txt"), "not a module"));
    const std::string staleBytes = "an icon of an earlier run";
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = "n";
        name += std::to_string(++row);
        const std::string saveFolder = c.saveFolder ? tool.path(c.saveFolder) : tool.folder;
        const std::string target = saveFolder + "\\" + name + ".ico";
        ULONGLONG time = 0;
        if (c.target != none) {
            ASSERT_TRUE(writeAll(target, staleBytes));
            ASSERT_TRUE(makeOld(target));
            if (c.target == staleReadOnly) {
                ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
            }
            time = lastWriteTime(target);
        }
        const std::string source = c.source[0] == ' ' || c.source == std::string(succeeded)
                                       ? c.source : tool.path(c.source);
        tool.type(savePathEdit, saveFolder);
        tool.type(fileNameEdit, name);
        tool.type(filePathEdit, source);
        ASSERT_TRUE(tool.press());
        EXPECT_EQ(tool.text(filePathEdit), failed);
        EXPECT_EQ(tool.text(fileNameEdit), name);
        if (c.target == none) {
            EXPECT_FALSE(exists(target));
        } else {
            EXPECT_EQ(readAll(target), staleBytes);
            EXPECT_EQ(lastWriteTime(target), time);
            if (c.target == staleReadOnly) {
                EXPECT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY);
                SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            }
        }
        // No temporary file of the engine is left beside the target either.
        EXPECT_TRUE(filesIn(tool.folder, "*.~*").empty());
    }
    EXPECT_FALSE(exists(tool.path("no such folder")));
}

TEST(Extract, EmptyPathShowsTheMessageBoxAndChangesNothing) {
    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    ASSERT_EQ(tool.text(filePathEdit), "");
    tool.type(fileNameEdit, "5");
    PostMessageA(tool.box(extractButton), BM_CLICK, 0, 0);

    HWND box = nullptr;
    for (DWORD start = GetTickCount(); !box && GetTickCount() - start < 5000; Sleep(50)) box = tool.topLevel("#32770");
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(windowText(box), "提示");
    EXPECT_EQ(windowText(GetDlgItem(box, 0xFFFF)), "请拖动EXE文件到本窗口!");
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    // One OK button, an icon, and task-modal: the tool's window is disabled while the box shows.
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    for (int id : {IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE}) {
        HWND button = GetDlgItem(box, id);
        EXPECT_TRUE(!button || !IsWindowVisible(button)) << "button " << id;
    }
    bool icon = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (className(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0))
            icon = true;
    EXPECT_TRUE(icon) << "the box shows no icon";
    EXPECT_FALSE(IsWindowEnabled(tool.window));

    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < 5000;) Sleep(20);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_TRUE(IsWindowEnabled(tool.window));
    EXPECT_EQ(tool.text(filePathEdit), "");
    EXPECT_EQ(tool.text(fileNameEdit), "5");
    EXPECT_EQ(tool.text(savePathEdit), tool.folder);
    EXPECT_TRUE(filesIn(tool.folder, "*.ico").empty());
    EXPECT_EQ(tool.topLevel("#32770"), nullptr);  // nothing else came up
}

// Each press writes the file named by the base name in force, then advances it by one.
TEST(Extract, NumberingOfSuccessivePresses) {
    const std::string expected = referenceIcon("three_groups32.dll", 1);
    struct Case { const char* name; const char* next; };
    const Case cases[] = {
        {"9", "10"},
        {"10", "11"},
        {"007", "8"},
        {"", "1"},                    // writes ".ico"
        {"１２", "13"},               // full-width digits
        {"3.5", "4.5"},
        {"-1", "0"},
        {"12abc", "13"},
        {"abc", "1"},
        {"1e3", "1001"},
        {"2d2", "201"},
        {"9999999999999", "1e+013"},
        {"1e+013", "1e+013"},
    };
    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tool.type(fileNameEdit, c.name);
        tool.type(filePathEdit, tool.path("three_groups32.dll"));
        ASSERT_TRUE(tool.press());
        EXPECT_EQ(tool.text(filePathEdit), succeeded);
        EXPECT_EQ(tool.text(fileNameEdit), c.next);
        EXPECT_TRUE(readAll(tool.path(std::string(c.name) + ".ico")) == expected);
    }
    // One file per distinct name, nothing else.
    EXPECT_EQ(filesIn(tool.folder, "*.ico").size(), sizeof cases / sizeof cases[0]);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--hold-ms=", 0) == 0)
            holdMilliseconds = static_cast<DWORD>(std::stoul(a.substr(10)));
        else
            folders.push_back(windowsPath(a));
    }
    if (folders.size() != 2) {
        std::fprintf(stderr, "usage: extract_driver APP_FOLDER FIXTURE_FOLDER [--hold-ms=N]\n");
        return 2;
    }
    appFolder = folders[0];
    fixtureFolder = folders[1];
    return RUN_ALL_TESTS();
}
