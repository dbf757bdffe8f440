// The skin set-up as the tool runs it: each case copies this program into a fresh folder, puts
// there what the case needs (nothing, a recording stand-in of the engine, a variant of it, a
// folder), and runs the copy as a child that performs one set-up step. The child's run directory
// is that folder, so the files it writes and the libraries it loads are the case's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "skin_data.h"
#include "skin_setup.h"

namespace {

std::string nativePath(const char* unixPath) { return std::string("Z:") + unixPath; }

std::string selfPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// A fresh folder beside this program, holding a copy of it.
std::string caseFolder(const char* name) {
    std::string self = selfPath();
    std::string dir = self.substr(0, self.rfind('\\')) + "\\setup_" + name;
    std::string cmd = "cmd /c rmdir /s /q \"" + dir + "\" >nul 2>nul";
    std::system(cmd.c_str());
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA(self.c_str(), (dir + "\\skin_setup_test.exe").c_str(), FALSE);
    return dir;
}

void putLibrary(const std::string& dir, const char* variantDir) {
    std::string from = nativePath(variantDir);
    for (char& c : from)
        if (c == '/') c = '\\';
    ASSERT_TRUE(CopyFileA((from + "\\SkinH_EL.dll").c_str(), (dir + "\\SkinH_EL.dll").c_str(), FALSE)) << from;
}

std::string readFile(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
        std::fclose(f);
    }
    return out;
}

struct ChildRun {
    DWORD exitCode = 0;
    std::string boxText;  // the text of a message box the child showed, GBK; empty for none
};

struct BoxSearch {
    DWORD process;
    HWND box;
};

BOOL CALLBACK findBox(HWND window, LPARAM p) {
    auto* s = reinterpret_cast<BoxSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16];
    if (pid == s->process && GetClassNameA(window, cls, sizeof cls) && std::strcmp(cls, "#32770") == 0) {
        s->box = window;
        return FALSE;
    }
    return TRUE;
}

// Runs the copy in `dir` with `arguments`; reads and dismisses a message box if one appears.
ChildRun runChild(const std::string& dir, const std::string& arguments) {
    ChildRun run;
    std::string command = "\"" + dir + "\\skin_setup_test.exe\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
        ADD_FAILURE() << "cannot start " << command;
        return run;
    }
    for (int i = 0; i < 200 && WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT; ++i) {
        BoxSearch search{pi.dwProcessId, nullptr};
        EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
        if (!search.box) continue;
        wchar_t text[1024] = L"";
        SendMessageW(GetDlgItem(search.box, 0xFFFF), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
        if (!text[0] || !IsWindowVisible(search.box)) continue;  // still being built: look again
        char gbk[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, text, -1, gbk, sizeof gbk, nullptr, nullptr);
        run.boxText = gbk;
        PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        ADD_FAILURE() << "child did not end: " << command;
        TerminateProcess(pi.hProcess, 99);
    }
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return run;
}

std::string fnv1a(const ByteBlock& block) {
    std::uint32_t hash = 2166136261u;
    for (std::uint32_t i = 0; i < block.length; ++i) hash = (hash ^ block.data()[i]) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(hash));
    return text;
}

std::string imageOf(const ByteBlock& block) {
    return std::string(reinterpret_cast<const char*>(block.data()), block.length);
}

const std::string missingEntry = "无法找到指定DLL库文件“SkinH_EL.dll”中的输出命令“";

TEST(SkinSetup, FirstRunWritesTheLibraryHidden) {
    std::string dir = caseFolder("first");
    ChildRun run = runChild(dir, "--child-deploy");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(imageOf(SkinLibraryImage), readFile(dir + "\\SkinH_EL.dll"));
    DWORD attributes = GetFileAttributesA((dir + "\\SkinH_EL.dll").c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
}

TEST(SkinSetup, StartUpWithTheBuiltEngine) {
    // The real engine, deployed by the set-up itself, loads and accepts skin 8.
    std::string dir = caseFolder("real");
    ChildRun run = runChild(dir, "--child-setup");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("", run.boxText);
}

TEST(SkinSetup, PresentFileIsLoadedAndLeftAlone) {
    std::string dir = caseFolder("present");
    putLibrary(dir, RECORDING_SKIN_DIR);
    std::string before = readFile(dir + "\\SkinH_EL.dll");
    ChildRun run = runChild(dir, "--child-setup");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(before, readFile(dir + "\\SkinH_EL.dll"));
    EXPECT_FALSE(GetFileAttributesA((dir + "\\SkinH_EL.dll").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    const ByteBlock& s8 = *BuiltInSkins[7];
    EXPECT_EQ("SkinH_SetAero value=1\nSkinH_AttachRes bytes=set count=" + std::to_string(s8.length) +
                  " fnv1a=" + fnv1a(s8) + " text= ints=0,0,0\n",
              readFile(dir + "\\skin_calls.log"));
}

TEST(SkinSetup, NumbersOutsideOneToThirtyThreeAttachNoSkin) {
    std::string dir = caseFolder("numbers");
    putLibrary(dir, RECORDING_SKIN_DIR);
    for (const char* n : {"0", "34", "-1", "1", "33"}) runChild(dir, std::string("--child-attach ") + n);
    const ByteBlock& s1 = *BuiltInSkins[0];
    const ByteBlock& s33 = *BuiltInSkins[32];
    std::string none = "SkinH_AttachRes bytes=null count=0 fnv1a=811c9dc5 text= ints=0,0,0\n";
    EXPECT_EQ(none + none + none + "SkinH_AttachRes bytes=set count=" + std::to_string(s1.length) + " fnv1a=" +
                  fnv1a(s1) + " text= ints=0,0,0\n" + "SkinH_AttachRes bytes=set count=" +
                  std::to_string(s33.length) + " fnv1a=" + fnv1a(s33) + " text= ints=0,0,0\n",
              readFile(dir + "\\skin_calls.log"));
}

TEST(SkinSetup, BrokenLibrariesEndTheToolWithTheRuntimesBox) {
    struct Case {
        const char* name;
        const char* variant;  // null: a folder named SkinH_EL.dll; "": a text file of that name
        std::string expected;
        const char* log;
    } cases[] = {
        {"no_setaero", NO_SETAERO_DIR, missingEntry + "SkinH_SetAero”", ""},
        {"no_attachres", NO_ATTACHRES_DIR, missingEntry + "SkinH_AttachRes”", "SkinH_SetAero value=1\n"},
        {"cdecl", CDECL_SETAERO_DIR, "错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误", "SkinH_SetAero value=1\n"},
        {"folder", nullptr, missingEntry + "SkinH_SetAero”", ""},
        {"not a library", "", missingEntry + "SkinH_SetAero”", ""},
    };
    for (const Case& c : cases) {
        std::string dir = caseFolder(c.name);
        if (c.variant && *c.variant) {
            putLibrary(dir, c.variant);
        } else if (c.variant) {
            HANDLE text = CreateFileA((dir + "\\SkinH_EL.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD written = 0;
            WriteFile(text, "not a library\r\n", 15, &written, nullptr);
            CloseHandle(text);
        } else {
            CreateDirectoryA((dir + "\\SkinH_EL.dll").c_str(), nullptr);
        }
        ChildRun run = runChild(dir, "--child-setup");
        EXPECT_NE(std::string::npos, run.boxText.find("运行时出错!\r\n\r\n")) << c.name;
        EXPECT_NE(std::string::npos, run.boxText.find(c.expected)) << c.name << ": " << run.boxText;
        EXPECT_NE(0u, run.exitCode) << c.name;
        EXPECT_EQ(c.log, readFile(dir + "\\skin_calls.log")) << c.name;
        if (!c.variant) {
            DWORD attributes = GetFileAttributesA((dir + "\\SkinH_EL.dll").c_str());
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << c.name;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Child modes: one set-up step in the copy's own folder, then a normal exit.
    if (argc >= 2 && std::strcmp(argv[1], "--child-deploy") == 0) {
        DeploySkinLibrary();
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--child-setup") == 0) {
        SkinSetup();
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--child-attach") == 0) {
        AttachBuiltInSkin(std::atoi(argv[2]));
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
