// Helpers for tests that drive the real iconextractor.exe from outside, as a user would: start
// it in a folder of its own, find its windows, read their texts. Windows (and Wine) only.
#pragma once
#include <windows.h>

#include <string>

namespace driver {

extern const char mainCaption[];  // the caption of MainWindow

// Control identifiers of MainWindow.
enum { promptLabel = 1001, filePathEdit, browseButton, dropTarget, openDialog, saveDirLabel,
       savePathEdit, saveNameLabel, fileNameEdit, extractButton };

std::string windowText(HWND hwnd);
std::string className(HWND hwnd);
// A new empty folder under the temporary folder, named after this process and a counter.
std::string freshFolder(const char* stem = "iconx_tool");
std::string readFile(const std::string& path);

// A started program; ended at the end of the scope if it still runs.
struct Program {
    PROCESS_INFORMATION info = {};
    bool started = false;
    explicit Program(const std::string& exe, const std::string& arguments = "");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Waits for the process to end; gives its exit code, or 0xDEAD when it does not end in time.
    DWORD exitCode(DWORD milliseconds = 5000);
};

// A copy of the tool in `folder`, started there with its main window shown (window is null when
// it did not appear). Closed as a user closes it at the end of the scope, ended if it will not go.
struct RunningTool {
    std::string folder;
    Program program;
    HWND window = nullptr;
    RunningTool(const std::string& toolExe, const std::string& folder);
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;
    HWND control(int id) const { return GetDlgItem(window, id); }
};

// The folder that holds this test program.
std::string programFolder();

// The first visible top-level window of process `pid` with class `wanted` (any when null) and
// caption `title` (any when null); null when none appears within `milliseconds` (0: look once).
HWND findTopLevel(DWORD pid, const char* wanted, const char* title, DWORD milliseconds = 10000);

}  // namespace driver
