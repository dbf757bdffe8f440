// Loads the SkinH_EL.dll that lies beside the test program and gives its two entries.
#pragma once
#include <windows.h>

#include <cstdint>

using SetAeroEntry = int(__stdcall*)(int);
using AttachResEntry = int(__stdcall*)(const unsigned char*, int, const char*, int, int, int);

struct SkinEngine {
    HMODULE module = nullptr;
    SetAeroEntry setAero = nullptr;
    AttachResEntry attachRes = nullptr;
};

inline SkinEngine loadSkinEngine() {
    SkinEngine e;
    e.module = LoadLibraryA("SkinH_EL.dll");
    if (!e.module) return e;
    e.setAero = reinterpret_cast<SetAeroEntry>(reinterpret_cast<void*>(GetProcAddress(e.module, "SkinH_SetAero")));
    e.attachRes =
        reinterpret_cast<AttachResEntry>(reinterpret_cast<void*>(GetProcAddress(e.module, "SkinH_AttachRes")));
    return e;
}
