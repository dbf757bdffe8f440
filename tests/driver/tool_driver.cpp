#include "tool_driver.h"

#include <fstream>
#include <iterator>

namespace driver {

const char mainCaption[] = "Morvane Quab图标提取  BY:Tolvan";

std::string windowText(HWND hwnd) {
    char text[1024] = {};
    SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string className(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string freshFolder(const char* stem) {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + stem + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                         std::to_string(++counter);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Program::Program(const std::string& exe, const std::string& arguments) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::string folder = exe.substr(0, exe.rfind('\\'));
    if (folder.size() == 2) folder += '\\';
    started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                             &si, &info) != 0;
}

Program::~Program() {
    if (!started) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

DWORD Program::exitCode(DWORD milliseconds) {
    if (WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0) return 0xDEAD;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

namespace {

std::string copiedTool(const std::string& toolExe, const std::string& folder) {
    const std::string exe = folder + "\\iconextractor.exe";
    CopyFileA(toolExe.c_str(), exe.c_str(), FALSE);
    return exe;
}

}  // namespace

RunningTool::RunningTool(const std::string& toolExe, const std::string& folder)
    : folder(folder), program(copiedTool(toolExe, folder)) {
    if (program.started) window = findTopLevel(program.info.dwProcessId, nullptr, mainCaption);
}

RunningTool::~RunningTool() {
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    program.exitCode(5000);
}

std::string programFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.resize(folder.rfind('\\'));
    return folder;
}

namespace {

struct Search {
    DWORD pid;
    const char* wanted;
    const char* title;
    HWND found;
};

BOOL CALLBACK matchTopLevel(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (s->wanted && className(hwnd) != s->wanted) return TRUE;
    if (s->title && windowText(hwnd) != s->title) return TRUE;
    s->found = hwnd;
    return FALSE;
}

}  // namespace

HWND findTopLevel(DWORD pid, const char* wanted, const char* title, DWORD milliseconds) {
    Search search = {pid, wanted, title, nullptr};
    const DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount() - start >= milliseconds) return search.found;
        Sleep(50);
    }
}

}  // namespace driver
