// The tool's entry: its whole start-up is loading MainWindow.
#include <windows.h>

#include "main_window.h"
#include "runtime.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return runProgram(&MainWindow);
}
