// The two ways of naming the source file: the open-file dialog behind Browse, and dropping files
// on the window. Both end in filePathEdit; neither checks the path.
#include "main_window.h"
#include "runtime.h"

void onBrowseClicked() {
    // Whatever the outcome, the box shows the dialog's file name: after Cancel that is the last
    // confirmed choice of this run, or nothing.
    openDialogOpen(MainWindow, openDialog);
    TextValue chosen = readTextProperty(MainWindow, openDialog, fileName);
    writeTextProperty(MainWindow, filePathEdit, controlText, chosen);
    freeValue(chosen);
}

// The component owns `text` and frees it when this returns.
void onFilesDropped(const char* text) {
    writeTextProperty(MainWindow, filePathEdit, controlText, text);
}
