// The layout of MainWindow and its creation handler.
#include "main_window.h"

#include <windows.h>

#include "extract_action.h"
#include "runtime.h"
#include "skin_setup.h"

namespace {

constexpr std::uint32_t blue = RGB(0, 0, 255);
constexpr std::uint32_t red = RGB(255, 0, 0);

const PropertyValue promptLabelText[] = {{controlText, 0, "选择需要提取EXE程序"}};
const PropertyValue browseButtonText[] = {{controlText, 0, "浏览"}};
const PropertyValue saveDirLabelText[] = {{controlText, 0, "保存位置"}};
const PropertyValue saveNameLabelText[] = {{controlText, 0, "保存文件名"}};
const PropertyValue fileNameEditText[] = {{controlText, 0, "1"}};
const PropertyValue extractButtonText[] = {{controlText, 0, "提取"}};
// The double bar ends the list of types, so the last segment is never offered.
const PropertyValue openDialogSettings[] = {
    {dialogType, 0, nullptr},
    {filter, 0, "(*.exe)|*.exe|(*.dll)|*.dll|(*.icl)|*.icl||(*.ico)*.ico"},
    {initialFilter, 0, nullptr},
    {createPrompt, 0, nullptr},
    {fileMustExist, 1, nullptr},
    {overwritePrompt, 1, nullptr},
    {pathMustExist, 1, nullptr},
    {noChangeDirectory, 1, nullptr},
};
const PropertyValue dropTargetSettings[] = {
    {acceptText, 0, nullptr},
    {acceptHtml, 0, nullptr},
    {acceptUrl, 0, nullptr},
    {acceptFiles, 1, nullptr},
};

#define SETTINGS(list) list, static_cast<int>(sizeof list / sizeof list[0])

// Form name, identifier, kind, left, top, width, height, text colour, Tab, stored settings,
// click handler, text-event handler.
const ControlLayout mainWindowControls[] = {
    {"标签1", promptLabel, ControlKind::label, 6, 4, 120, 24, blue, false, SETTINGS(promptLabelText), nullptr, nullptr},
    {"文件路径", filePathEdit, ControlKind::editBox, 128, 5, 200, 20, 0, true, nullptr, 0, nullptr, nullptr},
    {"浏览", browseButton, ControlKind::flatButton, 331, 5, 40, 20, blue, true, SETTINGS(browseButtonText), onBrowseClicked, nullptr},
    {"拖放对象1", dropTarget, ControlKind::dropTarget, 16, 8, 26, 26, 0, false, SETTINGS(dropTargetSettings), nullptr, onFilesDropped},
    {"通用对话框1", openDialog, ControlKind::openDialog, 184, 16, 26, 26, 0, false, SETTINGS(openDialogSettings), nullptr, nullptr},
    {"标签2", saveDirLabel, ControlKind::label, 6, 31, 56, 24, blue, false, SETTINGS(saveDirLabelText), nullptr, nullptr},
    {"保存路径", savePathEdit, ControlKind::editBox, 61, 32, 183, 20, 0, true, nullptr, 0, nullptr, nullptr},
    {"标签3", saveNameLabel, ControlKind::label, 250, 31, 62, 24, red, false, SETTINGS(saveNameLabelText), nullptr, nullptr},
    {"文件名", fileNameEdit, ControlKind::editBox, 314, 32, 56, 20, 0, true, SETTINGS(fileNameEditText), nullptr, nullptr},
    {"提取", extractButton, ControlKind::flatButton, 6, 56, 364, 20, blue, true, SETTINGS(extractButtonText), onExtractClicked, nullptr},
};

#undef SETTINGS

}  // namespace

const WindowLayout MainWindow = {
    "Morvane Quab图标提取  BY:Tolvan",
    384,
    112,
    "DEFAULT_ICON",
    mainWindowControls,
    static_cast<int>(sizeof mainWindowControls / sizeof mainWindowControls[0]),
    onMainWindowCreated,
};

void onMainWindowCreated() {
    SkinSetup();

    registerWindow(MainWindow, dropTarget, windowHandle(MainWindow));

    TextValue directory = runDirectory();
    writeTextProperty(MainWindow, openDialog, initialDirectory, directory);
    freeValue(directory);

    directory = runDirectory();
    writeTextProperty(MainWindow, savePathEdit, controlText, directory);
    freeValue(directory);
}
