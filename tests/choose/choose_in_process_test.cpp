// Choosing the source file, in process: MainWindow loaded through the runtime, its drop target
// fed by a data object of our own, and the dialog layer with the system call replaced so that
// the request can be read field by field.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "internal.h"
#include "main_window.h"
#include "runtime.h"
#include "test_data_object.h"

namespace {

std::string take(TextValue text) {
    std::string s = text ? text : "";
    freeValue(text);
    return s;
}

std::string filePathText() { return take(readTextProperty(MainWindow, filePathEdit, controlText)); }

// ---- the filter ------------------------------------------------------------------------------

// The bytes of a literal, its own terminating NUL left out.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

TEST(FilterPreparation, BarsBecomeNulsAndTheListEndsTwice) {
    using std::string;
    struct Case { const char* filter; string prepared; const char* what; };
    const Case cases[] = {
        {"(*.exe)|*.exe|(*.dll)|*.dll|(*.icl)|*.icl||(*.ico)*.ico",
         bytes("(*.exe)\0*.exe\0(*.dll)\0*.dll\0(*.icl)\0*.icl\0\0(*.ico)*.ico\0\0\0"), "the stored filter"},
        {"A|*.a", bytes("A\0*.a\0\0\0"), "bars appended"},
        {"A|*.a||", bytes("A\0*.a\0\0\0"), "already ends in two bars"},
        {"A|*.a|", bytes("A\0*.a\0\0\0\0"), "one bar is not two"},
        {"A|*.a|| \t\r\n", bytes("A\0*.a\0\0\0"), "trailing blanks go"},
        {"  A|*.a  ", bytes("  A\0*.a\0\0\0"), "leading blanks stay"},
        // The byte after a GBK lead byte belongs to its character, even when it reads as a bar
        // or a blank on its own.
        {"\x81\x7C|*.a", bytes("\x81\x7C\0*.a\0\0\0"), "bar as a trail byte"},
        {"A|\x81\x7C", bytes("A\0\x81\x7C\0\0\0"), "a trail-byte bar does not end the list"},
        {"A|*.a\xB1\x20 ", bytes("A\0*.a\xB1\x20\0\0\0"), "blank after a lead byte"},
    };
    for (const Case& c : cases) {
        const std::vector<char> prepared = runtime_internal::prepareFilter(c.filter);
        EXPECT_EQ(string(prepared.begin(), prepared.end()), c.prepared) << c.what;
    }
    for (const char* empty : {static_cast<const char*>(nullptr), "", "  \t\r\n"})
        EXPECT_TRUE(runtime_internal::prepareFilter(empty).empty()) << (empty ? empty : "null");
}

// ---- the dialog layer, with the system call recorded ----------------------------------------

struct Recorded {
    int calls = 0;
    bool save = false;
    OPENFILENAMEA request = {};
    std::string filter;  // up to and including the first empty string
    std::string file;    // the whole buffer as handed over
    std::string initialDir;
    bool ownerEnabled = true;
    BOOL answer = FALSE;
    const char* chosen = nullptr;  // written into the buffer when answering TRUE
} recorded;

BOOL record(LPOPENFILENAMEA request) {
    ++recorded.calls;
    recorded.request = *request;
    recorded.filter.clear();
    if (const char* f = request->lpstrFilter)
        for (; f[0] || f[1]; ++f) recorded.filter += *f;
    recorded.file.assign(request->lpstrFile, request->nMaxFile);
    recorded.initialDir = request->lpstrInitialDir ? request->lpstrInitialDir : "(null)";
    recorded.ownerEnabled = IsWindowEnabled(request->hwndOwner) != 0;
    if (recorded.answer && recorded.chosen) lstrcpynA(request->lpstrFile, recorded.chosen, request->nMaxFile);
    return recorded.answer;
}
BOOL WINAPI recordOpen(LPOPENFILENAMEA request) { recorded.save = false; return record(request); }
BOOL WINAPI recordSave(LPOPENFILENAMEA request) { recorded.save = true; return record(request); }

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(windowHandle(MainWindow), 0);
        ASSERT_TRUE(loadWindow(&MainWindow));
    }
    static HWND window() { return reinterpret_cast<HWND>(windowHandle(MainWindow)); }
    void SetUp() override {
        runtime_internal::getOpenFileName = recordOpen;
        runtime_internal::getSaveFileName = recordSave;
        recorded = Recorded{};
    }
    void TearDown() override {
        runtime_internal::getOpenFileName = GetOpenFileNameA;
        runtime_internal::getSaveFileName = GetSaveFileNameA;
    }
};

TEST_F(MainWindowTest, BrowseAsksForTheStoredSettingsAndKeepsTheLastConfirmedPath) {
    const std::string directory = take(runDirectory());
    writeTextProperty(MainWindow, filePathEdit, controlText, "dropped earlier");
    recorded.answer = FALSE;
    onBrowseClicked();
    ASSERT_EQ(recorded.calls, 1);
    const OPENFILENAMEA& r = recorded.request;
    EXPECT_FALSE(recorded.save);
    EXPECT_EQ(r.lStructSize, 76u);
    EXPECT_EQ(r.Flags, 0x0088182Eu);
    EXPECT_EQ(r.hwndOwner, window());
    EXPECT_FALSE(recorded.ownerEnabled);  // disabled while the dialog runs
    EXPECT_EQ(r.hInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(recorded.filter, bytes("(*.exe)\0*.exe\0(*.dll)\0*.dll\0(*.icl)\0*.icl"));
    EXPECT_EQ(r.nFilterIndex, 1u);
    EXPECT_EQ(r.nMaxFile, 260u);
    EXPECT_EQ(recorded.file, std::string(260, '\0'));
    EXPECT_NE(r.lpstrFileTitle, nullptr);
    EXPECT_EQ(r.nMaxFileTitle, 64u);
    EXPECT_EQ(recorded.initialDir, directory);
    EXPECT_EQ(r.lpstrTitle, nullptr);
    EXPECT_EQ(r.lpstrDefExt, nullptr);
    EXPECT_NE(r.lpfnHook, nullptr);
    EXPECT_EQ(r.lpstrCustomFilter, nullptr);
    EXPECT_EQ(r.Flags & OFN_ENABLETEMPLATE, 0u);
    EXPECT_TRUE(IsWindowEnabled(window()));
    // Cancel before any confirmed choice empties the box, whatever it held.
    EXPECT_EQ(filePathText(), "");

    const std::string chosen = directory + "\\chosen.exe";
    recorded.answer = TRUE;
    recorded.chosen = chosen.c_str();
    onBrowseClicked();
    EXPECT_EQ(filePathText(), chosen);
    EXPECT_EQ(take(readTextProperty(MainWindow, openDialog, fileName)), chosen);

    writeTextProperty(MainWindow, filePathEdit, controlText, "图标提取成功！");
    recorded.answer = FALSE;
    onBrowseClicked();
    EXPECT_EQ(filePathText(), chosen);
    // The next opening is pre-filled with the confirmed path.
    EXPECT_EQ(recorded.file.substr(0, chosen.size() + 1), chosen + '\0');
    EXPECT_EQ(recorded.initialDir, directory);  // the folder the user ended in is not kept
    writeTextProperty(MainWindow, openDialog, fileName, nullptr);
}

TEST_F(MainWindowTest, DialogSettingsChangeTheRequest) {
    struct Case {
        int number; std::int32_t value; const char* text;
        DWORD flags; bool save; DWORD filterIndex; const char* what;
    };
    // Each row is applied on top of MainWindow's stored settings and undone afterwards.
    const Case cases[] = {
        {createPrompt, 1, nullptr, 0x0088382E, false, 1, "create prompt replaces hide-read-only alone"},
        {fileMustExist, 2, nullptr, 0x0088082E, false, 1, "a logical of 2 is not true"},
        {overwritePrompt, 0, nullptr, 0x0088182C, false, 1, "no overwrite prompt"},
        {pathMustExist, -1, nullptr, 0x0088102E, false, 1, "a logical of -1 is not true"},
        {noChangeDirectory, 0, nullptr, 0x00881826, false, 1, "may change the folder"},
        {dialogType, 1, nullptr, 0x0088182E, true, 1, "save dialog"},
        {initialFilter, 2, nullptr, 0x0088182E, false, 3, "third type selected"},
        {filter, 0, " \t ", 0x0088182E, false, 0, "blank filter: none at all"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextValue oldText = c.text ? readTextProperty(MainWindow, openDialog, c.number) : nullptr;
        const std::int32_t oldValue = readIntegerProperty(MainWindow, openDialog, c.number);
        if (c.text)
            writeTextProperty(MainWindow, openDialog, c.number, c.text);
        else
            writeIntegerProperty(MainWindow, openDialog, c.number, c.value);
        recorded = Recorded{};
        EXPECT_FALSE(openDialogOpen(MainWindow, openDialog));
        EXPECT_EQ(recorded.request.Flags, c.flags);
        EXPECT_EQ(recorded.save, c.save);
        EXPECT_EQ(recorded.request.nFilterIndex, c.filterIndex);
        if (c.text) {
            EXPECT_EQ(recorded.request.lpstrFilter, nullptr);
            writeTextProperty(MainWindow, openDialog, c.number, oldText);
            freeValue(oldText);
        } else {
            writeIntegerProperty(MainWindow, openDialog, c.number, oldValue);
        }
    }
    // Kinds of dialog other than open and save are not shown.
    writeIntegerProperty(MainWindow, openDialog, dialogType, 2);
    recorded = Recorded{};
    EXPECT_FALSE(openDialogOpen(MainWindow, openDialog));
    EXPECT_EQ(recorded.calls, 0);
    writeIntegerProperty(MainWindow, openDialog, dialogType, 0);

    // Title, default extension and a file name longer than the buffer.
    const std::string longName(300, 'n');
    writeTextProperty(MainWindow, openDialog, title, "选择");
    writeTextProperty(MainWindow, openDialog, defaultExtension, "exe");
    writeTextProperty(MainWindow, openDialog, fileName, longName.c_str());
    recorded = Recorded{};
    openDialogOpen(MainWindow, openDialog);
    EXPECT_STREQ(recorded.request.lpstrTitle, "选择");
    EXPECT_STREQ(recorded.request.lpstrDefExt, "exe");
    EXPECT_EQ(recorded.file, std::string(259, 'n') + '\0');
    EXPECT_EQ(take(readTextProperty(MainWindow, openDialog, fileName)), longName);  // not confirmed
    writeTextProperty(MainWindow, openDialog, title, nullptr);
    writeTextProperty(MainWindow, openDialog, defaultExtension, nullptr);
    writeTextProperty(MainWindow, openDialog, fileName, nullptr);
}

TEST_F(MainWindowTest, FocusReturnsAfterTheDialog) {
    HWND fileNameBox = GetDlgItem(window(), fileNameEdit);
    SetForegroundWindow(window());
    SetFocus(fileNameBox);
    ASSERT_EQ(GetFocus(), fileNameBox);
    openDialogOpen(MainWindow, openDialog);
    EXPECT_EQ(GetFocus(), fileNameBox);
}

// ---- the drop target ---------------------------------------------------------------------------

constexpr DWORD copyMoveLink = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// One drag from entry to drop, as OLE would call the target.
struct DragResult { DWORD enterEffect; DWORD overEffect; DWORD dropEffect; HRESULT drop; };
DragResult drag(IDropTarget* target, IDataObject* data, DWORD keys, DWORD allowed) {
    DragResult r = {};
    POINTL point = {10, 10};
    r.enterEffect = allowed;
    EXPECT_EQ(target->DragEnter(data, keys, point, &r.enterEffect), S_OK);
    r.overEffect = allowed;
    EXPECT_EQ(target->DragOver(keys, point, &r.overEffect), S_OK);
    r.dropEffect = allowed;
    r.drop = target->Drop(data, keys, point, &r.dropEffect);
    return r;
}

ULONG referenceCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

TEST_F(MainWindowTest, DroppedFileListsFillTheBox) {
    IDropTarget* target = runtime_internal::dropTargetObject(MainWindow, dropTarget);
    ASSERT_NE(target, nullptr);
    const ULONG before = referenceCount(target);

    const std::string longPath = "C:\\" + std::string(150, 'a') + "\\" + std::string(150, 'b') + "\\长名字.exe";
    struct Case { std::vector<std::string> paths; bool wide; std::string text; const char* what; };
    const Case cases[] = {
        {{"C:\\Apps\\Demo.exe"}, false, "C:\\Apps\\Demo.exe", "one file: no line break"},
        {{"C:\\a.exe", "C:\\Folder", "D:\\图标\\c.dll"}, false, "C:\\a.exe\r\nC:\\Folder\r\nD:\\图标\\c.dll\r\n",
         "three entries: each ends in CR LF"},
        {{longPath}, false, longPath, "a path longer than 260 bytes arrives whole"},
        {{"C:\\图标\\演示.exe", "C:\\b.exe"}, true, "C:\\图标\\演示.exe\r\nC:\\b.exe\r\n", "wide names"},
        {{}, false, "", "an empty list gives the empty text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeTextProperty(MainWindow, filePathEdit, controlText, "before");
        TestDataObject data;
        data.offer(CF_HDROP, c.wide ? wideFileListBytes(c.paths) : fileListBytes(c.paths));
        const DragResult r = drag(target, &data, 0, copyMoveLink);
        EXPECT_EQ(r.enterEffect, static_cast<DWORD>(DROPEFFECT_COPY));
        EXPECT_EQ(r.overEffect, static_cast<DWORD>(DROPEFFECT_COPY));
        EXPECT_EQ(r.drop, E_FAIL);  // also after a delivery
        EXPECT_EQ(filePathText(), c.text);
        EXPECT_EQ(data.references(), 1);
    }
    EXPECT_EQ(referenceCount(target), before);
}

TEST_F(MainWindowTest, RefusedDragsChangeNothing) {
    IDropTarget* target = runtime_internal::dropTargetObject(MainWindow, dropTarget);
    ASSERT_NE(target, nullptr);
    const ULONG before = referenceCount(target);
    const auto html = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format"));
    const auto url = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
    const std::vector<char> text = {'C', ':', '\\', 'x', '.', 'e', 'x', 'e', '\0'};

    struct Case { bool offerFiles; DWORD keys; DWORD allowed; DWORD effect; const char* what; };
    const Case cases[] = {
        {false, 0, copyMoveLink, DROPEFFECT_NONE, "text, HTML and a URL but no file list"},
        {true, MK_CONTROL | MK_SHIFT, copyMoveLink, DROPEFFECT_NONE, "Ctrl and Shift"},
        {true, MK_CONTROL, DROPEFFECT_MOVE, DROPEFFECT_NONE, "Ctrl from a source that only moves"},
        {true, MK_SHIFT, DROPEFFECT_COPY | DROPEFFECT_LINK, DROPEFFECT_NONE, "Shift from a source that cannot move"},
        {true, 0, 0, DROPEFFECT_NONE, "a source that allows nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeTextProperty(MainWindow, filePathEdit, controlText, "unchanged");
        TestDataObject data;
        data.offer(CF_TEXT, text);
        data.offer(html, text);
        data.offer(url, text);
        if (c.offerFiles) data.offer(CF_HDROP, fileListBytes({"C:\\x.exe"}));
        const DragResult r = drag(target, &data, c.keys, c.allowed);
        EXPECT_EQ(r.enterEffect, c.effect);
        EXPECT_EQ(r.overEffect, c.effect);
        EXPECT_EQ(r.dropEffect, c.effect);
        EXPECT_EQ(r.drop, E_FAIL);
        EXPECT_EQ(data.getDataCalls, 0);
        EXPECT_EQ(filePathText(), "unchanged");
        EXPECT_EQ(data.references(), 1);
    }

    // Acceptance is decided on entry and forgotten on leaving: a drop without an entry of its
    // own after DragLeave takes nothing.
    TestDataObject files;
    files.offer(CF_HDROP, fileListBytes({"C:\\x.exe"}));
    POINTL point = {0, 0};
    DWORD effect = copyMoveLink;
    target->DragEnter(&files, 0, point, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    target->DragLeave();
    effect = copyMoveLink;
    EXPECT_EQ(target->Drop(&files, 0, point, &effect), E_FAIL);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(filePathText(), "unchanged");
    EXPECT_EQ(referenceCount(target), before);
}

TEST_F(MainWindowTest, ShiftMovesCtrlCopiesAndTheDropStillFails) {
    IDropTarget* target = runtime_internal::dropTargetObject(MainWindow, dropTarget);
    ASSERT_NE(target, nullptr);
    struct Case { DWORD keys; DWORD allowed; DWORD effect; };
    const Case cases[] = {
        {MK_SHIFT, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_MOVE},
        {MK_CONTROL, copyMoveLink, DROPEFFECT_COPY},
        {MK_LBUTTON, DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_MOVE},
        {0, DROPEFFECT_LINK, DROPEFFECT_LINK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        writeTextProperty(MainWindow, filePathEdit, controlText, nullptr);
        TestDataObject data;
        data.offer(CF_HDROP, fileListBytes({"C:\\moved.exe"}));
        const DragResult r = drag(target, &data, c.keys, c.allowed);
        EXPECT_EQ(r.enterEffect, c.effect);
        EXPECT_EQ(r.dropEffect, c.effect);
        EXPECT_EQ(r.drop, E_FAIL);
        EXPECT_EQ(filePathText(), "C:\\moved.exe");
    }
}

TEST_F(MainWindowTest, OleObjectAndRegistration) {
    IDropTarget* target = runtime_internal::dropTargetObject(MainWindow, dropTarget);
    ASSERT_NE(target, nullptr);
    const ULONG before = referenceCount(target);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(target->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(target));
    EXPECT_EQ(referenceCount(target), before + 1);
    unknown->Release();
    IDropTarget* again = nullptr;
    ASSERT_EQ(target->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&again)), S_OK);
    again->Release();
    IDataObject* wrong = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(target->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&wrong)), E_NOINTERFACE);
    EXPECT_EQ(wrong, nullptr);
    EXPECT_EQ(referenceCount(target), before);

    // The creation handler registered the window; a second registration changes nothing, not
    // even with another window.
    EXPECT_FALSE(registerWindow(MainWindow, dropTarget, windowHandle(MainWindow)));
    HWND other = CreateWindowExA(0, "Static", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(registerWindow(MainWindow, dropTarget, reinterpret_cast<std::intptr_t>(other)));
    EXPECT_EQ(RevokeDragDrop(other), DRAGDROP_E_NOTREGISTERED);
    DestroyWindow(other);
    EXPECT_FALSE(registerWindow(MainWindow, openDialog, windowHandle(MainWindow)));
    EXPECT_EQ(referenceCount(target), before);
    // The window is registered: a registration of our own is refused.
    EXPECT_EQ(RegisterDragDrop(window(), target), DRAGDROP_E_ALREADYREGISTERED);
}

// Runs last (tests run in the order written): closing the window ends the registration, while a reference held elsewhere (as OLE
// holds one during a drag) keeps the object alive and inert.
TEST_F(MainWindowTest, DestroyingTheWindowRevokesAndDetaches) {
    IDropTarget* target = runtime_internal::dropTargetObject(MainWindow, dropTarget);
    ASSERT_NE(target, nullptr);
    target->AddRef();
    HWND hwnd = window();
    DestroyWindow(hwnd);
    EXPECT_EQ(windowHandle(MainWindow), 0);
    TestDataObject data;
    data.offer(CF_HDROP, fileListBytes({"C:\\late.exe"}));
    const DragResult r = drag(target, &data, 0, copyMoveLink);
    EXPECT_EQ(r.enterEffect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(r.drop, E_FAIL);
    EXPECT_EQ(data.getDataCalls, 0);
    EXPECT_EQ(target->Release(), 0u);  // ours was the last reference: the registration is gone
}

}  // namespace

int main(int argc, char** argv) {
    // runProgram does this for the tool; the drop target relies on it.
    OleInitialize(nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
