// MainWindow: its layout, the identifiers of its controls and its handlers.
#pragma once
#include "window.h"

enum MainWindowControl {
    promptLabel = 1001,
    filePathEdit,
    browseButton,
    dropTarget,
    openDialog,
    saveDirLabel,
    savePathEdit,
    saveNameLabel,
    fileNameEdit,
    extractButton,
};

extern const WindowLayout MainWindow;

void onMainWindowCreated();
void onBrowseClicked();
void onFilesDropped(const char* text);  // the dropped paths, owned by the drop target
