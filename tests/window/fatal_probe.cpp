// Provokes one fatal runtime error, named by the first argument, so that a driver can read the
// fatal-error box that the runtime shows and the exit code it ends with.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "runtime.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const char* mode = commandLine;
    if (std::strcmp(mode, "missing-library") == 0) {
        LibraryEntry entry = {"iconx_no_such_library.dll", "SkinH_SetAero", nullptr};
        std::int32_t one = 1;
        callLibraryEntry(entry, &one, 1);
    } else if (std::strcmp(mode, "missing-entry") == 0) {
        LibraryEntry entry = {"iconx_testlib.dll", "NoSuchEntry", nullptr};
        callLibraryEntry(entry, nullptr, 0);
    } else if (std::strcmp(mode, "stack") == 0) {
        LibraryEntry entry = {"iconx_testlib.dll", "CdeclTwo", nullptr};
        const std::int32_t arguments[] = {7, 2};
        callLibraryEntry(entry, arguments, 2);
    } else if (std::strcmp(mode, "allocation") == 0) {
        runtimeAllocate(2000000000u);
    } else if (std::strcmp(mode, "no-layout") == 0) {
        return runProgram(nullptr);
    }
    return 77;  // no fatal error happened
}
