// A stand-in for SkinH_EL.dll that records each call, one line per call, in skin_calls.log beside
// itself, for the skin set-up tests. Built in variants (see CMakeLists.txt) that lack an entry or
// give SkinH_SetAero the wrong calling convention, to provoke the runtime's fatal errors.
//   SkinH_SetAero value=<int>
//   SkinH_AttachRes bytes=<null|set> count=<int> fnv1a=<8 hex digits of the bytes> text=<null|hex> ints=<a>,<b>,<c>
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

void appendLine(const char* line) {
    char path[MAX_PATH];
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&appendLine), &self);
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    char* slash = path;
    for (char* p = path; *p; ++p)
        if (*p == '\\') slash = p + 1;
    const char logName[] = "skin_calls.log";
    if (static_cast<std::size_t>(slash - path) + sizeof logName > MAX_PATH) return;
    for (std::size_t i = 0; i < sizeof logName; ++i) slash[i] = logName[i];
    if (FILE* f = std::fopen(path, "ab")) {
        std::fputs(line, f);
        std::fputs("\n", f);
        std::fclose(f);
    }
}

}  // namespace

#ifndef RECORD_NO_SETAERO
#ifdef RECORD_CDECL_SETAERO
extern "C" __declspec(dllexport) int __cdecl SkinH_SetAero(int value) {
#else
extern "C" __declspec(dllexport) int __stdcall SkinH_SetAero(int value) {
#endif
    char line[64];
    std::snprintf(line, sizeof line, "SkinH_SetAero value=%d", value);
    appendLine(line);
    return 1;
}
#endif

#ifndef RECORD_NO_ATTACHRES
extern "C" __declspec(dllexport) int __stdcall SkinH_AttachRes(const unsigned char* bytes, int count,
                                                               const char* text, int a, int b, int c) {
    std::uint32_t hash = 2166136261u;
    if (bytes && count > 0)
        for (int i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    char hex[2 * 64 + 1] = "";
    if (text) {
        int i = 0;
        for (; text[i] && i < 64; ++i) std::snprintf(hex + 2 * i, 3, "%02x", static_cast<unsigned char>(text[i]));
        hex[2 * i] = 0;
    }
    char line[256];
    std::snprintf(line, sizeof line, "SkinH_AttachRes bytes=%s count=%d fnv1a=%08lx text=%s ints=%d,%d,%d",
                  bytes ? "set" : "null", count, static_cast<unsigned long>(hash), text ? hex : "null", a, b, c);
    appendLine(line);
    return 1;
}
#endif
