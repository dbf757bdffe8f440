// Drives the real iconextractor.exe from outside: the open-file dialog behind Browse (its file
// types, its starting folder, confirm and Cancel), and one real drag from this process.
// Argument: the folder that holds the built iconextractor.exe.
// With --show-dialog it only starts the tool in a fresh folder, opens the dialog and leaves both
// open for eight seconds (for a picture taken from outside).
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export_command.h"
#include "test_data_object.h"
#include "tool_driver.h"

namespace {

std::string buildFolder;

std::string fixtureFolder;  // the fixture modules built from .rc files

using namespace driver;
const char* const caption = mainCaption;
// Controls of the system's explorer-style file dialog. The file name is typed into a combo box,
// or into a plain edit box when the program hooks the dialog (as the tool does, under Wine).
enum { fileTypeCombo = 0x470, folderCombo = 0x471, dialogNameCombo = 0x47C, dialogNameEdit = 0x480 };

HWND fileNameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, dialogNameCombo);
    return box ? box : GetDlgItem(dialog, dialogNameEdit);
}

std::string toAnsi(const std::wstring& wide) {
    if (wide.empty()) return {};
    std::string text(wide.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
    return text;
}

// A combo box of another process, read with the W messages (the A ones give one character
// under Wine).
std::vector<std::string> comboItems(HWND combo) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring item(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(wcslen(item.c_str()));
        items.push_back(toAnsi(item));
    }
    return items;
}

std::string selectedItem(HWND combo) {
    const LRESULT at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (at < 0) return "(none)";
    return comboItems(combo)[static_cast<std::size_t>(at)];
}

void writeSmallFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, "MZ", 2, &written, nullptr);
    CloseHandle(h);
}

// The tool, copied into a fresh folder and started there; ended at the end of the scope.
struct Tool : RunningTool {
    Tool() : RunningTool(buildFolder + "\\iconextractor.exe", freshFolder("iconx_choose")) {}
    std::string filePath() const { return windowText(control(filePathEdit)); }
    HWND findTopLevel(const char* wanted, const char* title, DWORD milliseconds = 10000) const {
        return driver::findTopLevel(program.info.dwProcessId, wanted, title, milliseconds);
    }

    bool waitGone(HWND hwnd, DWORD milliseconds = 5000) const {
        const DWORD start = GetTickCount();
        while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
            if (GetTickCount() - start > milliseconds) return false;
            Sleep(20);
        }
        Sleep(100);  // the handler writes the box after the dialog has closed
        return true;
    }
    // Presses Browse (posted: the dialog's loop would block a sent click) and gives the dialog.
    HWND browse() const {
        PostMessageA(control(browseButton), BM_CLICK, 0, 0);
        HWND dialog = findTopLevel("#32770", nullptr);
        if (dialog) Sleep(200);  // let it fill its lists
        return dialog;
    }
    void confirm(HWND dialog, const std::string& name) const {
        SendMessageA(fileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    }
};

TEST(Browse, OffersThreeTypesStartsInTheRunDirectoryAndFillsTheBox) {
    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    const std::string source = tool.folder + "\\source.exe";
    const std::string other = tool.folder + "\\图标.ico";
    writeSmallFile(source);
    writeSmallFile(other);

    HWND dialog = tool.browse();
    ASSERT_NE(dialog, nullptr) << "no dialog after Browse";
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), tool.window);
    EXPECT_FALSE(IsWindowEnabled(tool.window));
    HWND types = GetDlgItem(dialog, fileTypeCombo);
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(comboItems(types), (std::vector<std::string>{"(*.exe)", "(*.dll)", "(*.icl)"}));
    EXPECT_EQ(selectedItem(types), "(*.exe)");
    // The folder list shows the run directory, the tool's fresh folder.
    const std::string folderName = tool.folder.substr(tool.folder.rfind('\\') + 1);
    EXPECT_EQ(windowText(GetDlgItem(dialog, folderCombo)), folderName);
    // Centred over the tool's window.
    RECT box, owner;
    GetWindowRect(dialog, &box);
    GetWindowRect(tool.window, &owner);
    EXPECT_NEAR((box.left + box.right) / 2, (owner.left + owner.right) / 2, 2);
    EXPECT_NEAR((box.top + box.bottom) / 2, (owner.top + owner.bottom) / 2, 2);

    // A bare name resolves in the starting folder; a file of another type is taken as well.
    tool.confirm(dialog, "图标.ico");
    ASSERT_TRUE(tool.waitGone(dialog));
    EXPECT_EQ(tool.filePath(), other);
    EXPECT_TRUE(IsWindowEnabled(tool.window));

    // A full path confirmed, then Cancel leaves that path even over something written since.
    dialog = tool.browse();
    ASSERT_NE(dialog, nullptr);
    // Pre-filled with the confirmed path, of which the dialog shows the name.
    EXPECT_EQ(windowText(fileNameBox(dialog)), "图标.ico");
    tool.confirm(dialog, source);
    ASSERT_TRUE(tool.waitGone(dialog));
    EXPECT_EQ(tool.filePath(), source);

    SendMessageA(tool.control(filePathEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\dropped.exe"));
    dialog = tool.browse();
    ASSERT_NE(dialog, nullptr);
    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(tool.waitGone(dialog));
    EXPECT_EQ(tool.filePath(), source);
    EXPECT_TRUE(IsWindowEnabled(tool.window));
}

TEST(Browse, CancelBeforeAnyChoiceEmptiesTheBox) {
    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    SendMessageA(tool.control(filePathEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\dropped.exe"));
    HWND dialog = tool.browse();
    ASSERT_NE(dialog, nullptr);
    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(tool.waitGone(dialog));
    EXPECT_EQ(tool.filePath(), "");
}

// ---- one real drag from this process -----------------------------------------------------

class DropAfterAFewCalls final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return ++calls_ >= 5 ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
private:
    int calls_ = 0;
};

// Drags a file list from this process onto the middle of `target` and drops it there, as a
// user would with the mouse. Gives what DoDragDrop answered.
HRESULT dragFilesOnto(HWND target, const std::vector<std::string>& paths) {
    RECT rc;
    GetWindowRect(target, &rc);
    SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    TestDataObject data;
    data.offer(CF_HDROP, fileListBytes(paths));
    DropAfterAFewCalls source;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    Sleep(100);
    return result;
}

TEST(Drop, ARealDragFromAnotherProcessFillsTheBox) {
    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    const std::string dropped = tool.folder + "\\拖放.exe";
    writeSmallFile(dropped);
    const HRESULT result = dragFilesOnto(tool.control(filePathEdit), {dropped});
    EXPECT_EQ(tool.filePath(), dropped);
    // The target answers every drop with a failure, so the source never deletes a "moved" file.
    EXPECT_NE(result, DRAGDROP_S_DROP);
    EXPECT_NE(GetFileAttributesA(dropped.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The whole road of one extraction: a module dropped on the window, then Extract.
TEST(Drop, ThenExtractWritesTheDroppedModulesIcon) {
    Tool tool;
    ASSERT_NE(tool.window, nullptr);
    const std::string module = tool.folder + "\\演示.dll";
    ASSERT_TRUE(CopyFileA((fixtureFolder + "\\three_groups32.dll").c_str(), module.c_str(), FALSE));
    dragFilesOnto(tool.window, {module});
    ASSERT_EQ(tool.filePath(), module);

    PostMessageA(tool.control(extractButton), BM_CLICK, 0, 0);
    for (DWORD start = GetTickCount(); tool.filePath() == module && GetTickCount() - start < 5000;) Sleep(20);
    EXPECT_EQ(tool.filePath(), "图标提取成功！");
    EXPECT_EQ(windowText(tool.control(fileNameEdit)), "2");

    // 1.ico holds what the engine writes for the module's first group.
    const std::string reference = tool.folder + "\\reference.ico";
    ExportFileIcon(textArgument(module.c_str()), integerArgument(0), textArgument(reference.c_str()),
                   omittedArgument());
    ASSERT_EQ(lastExportReport().outcome, ExportOutcome::written);
    const std::string written = readFile(tool.folder + "\\1.ico");
    EXPECT_GT(written.size(), 6u);
    EXPECT_TRUE(written == readFile(reference)) << "1.ico differs from the module's first group";
}

int showDialog() {
    Tool tool;
    if (!tool.window) return 1;
    HWND dialog = tool.browse();
    if (!dialog) return 2;
    Sleep(8000);
    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    tool.waitGone(dialog);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    bool show = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--show-dialog")
            show = true;
        else if (a.rfind("--fixtures=", 0) == 0)
            fixtureFolder = a.substr(11);
        else
            buildFolder = a;
    }
    if (buildFolder.empty()) buildFolder = programFolder();
    const int result = show ? showDialog() : RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
