// A window built like the tool's main window (caption, frame, the ten controls' visible kinds and
// colours), for the skin engine tests and the skin preview. Windows only.
#pragma once
#include <windows.h>

struct ToolWindow {
    HWND window;
    HWND promptLabel, filePathEdit, browseButton, saveDirLabel, savePathEdit, saveNameLabel, fileNameEdit,
        extractButton;
};

// The tool's caption, in the ANSI code page (GBK).
extern const char toolCaption[];

// Creates the window (hidden unless `show`) at `x`, `y`. Gives a window of null on failure.
ToolWindow createToolWindow(int x, int y, bool show);
// Dispatches queued messages until none is left (and at least `milliseconds` have passed).
void pumpMessages(DWORD milliseconds = 0);
