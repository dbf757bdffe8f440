// The Extract action and the numbering of its output files.
#include "extract_action.h"

#include <windows.h>

#include "export_command.h"
#include "main_window.h"
#include "runtime.h"
#include "text_routines.h"

TextValue buildTargetPath(const char* saveFolder, const char* baseName) {
    return concatTexts({saveFolder, "\\", baseName, ".ico"});
}

void onExtractClicked() {
    TextValue path = readTextProperty(MainWindow, filePathEdit, controlText);
    const bool noPath = compareTexts(path, "") == 0;
    freeValue(path);
    if (noPath) {
        messageBox("请拖动EXE文件到本窗口!", "提示", MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    TextValue folder = readTextProperty(MainWindow, savePathEdit, controlText);
    TextValue name = readTextProperty(MainWindow, fileNameEdit, controlText);
    TextValue target = buildTargetPath(folder, name);
    freeValue(folder);
    freeValue(name);

    // The box may hold a status text by now; it goes to the engine unchanged, which then fails.
    TextValue source = readTextProperty(MainWindow, filePathEdit, controlText);
    callCommand(ExportFileIcon, {textArgument(source), integerArgument(0), textArgument(target)});
    // Only a complete file written by this very press counts: a file found at the target may be
    // left from an earlier run, and the engine never leaves a partial one behind.
    const bool written = lastExportReport().outcome == ExportOutcome::written;
    freeValue(source);
    freeValue(target);

    if (!written) {
        writeTextProperty(MainWindow, filePathEdit, controlText, "图标提取失败！");
        return;
    }
    writeTextProperty(MainWindow, filePathEdit, controlText, "图标提取成功！");
    name = readTextProperty(MainWindow, fileNameEdit, controlText);
    const double number = textToNumber(name);
    freeValue(name);
    TextValue next = numberToText(number + 1.0);
    writeTextProperty(MainWindow, fileNameEdit, controlText, next);
    freeValue(next);
}
