// The runtime heap, texts and the fatal-error box.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "internal.h"
#include "runtime.h"

// The sources are UTF-8 and the texts must reach the system as GBK.
static_assert(sizeof("中文") == 5, "build with -fexec-charset=GBK");

void* runtimeAllocate(std::size_t bytes) {
    void* block = HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
    if (!block) {
        // %u rather than %d: a request above 2 GB would otherwise show as a negative count.
        char message[64];
        std::snprintf(message, sizeof message, "分配 %u 字节内存失败!", static_cast<unsigned>(bytes));
        fatalError(message, noErrorCode, -1);
    }
    return block;
}

void freeValue(void* value) {
    if (value) HeapFree(GetProcessHeap(), 0, value);
}

TextValue newText(const char* bytes, std::size_t length) {
    if (!bytes || length == 0) return nullptr;
    auto* text = static_cast<char*>(runtimeAllocate(length + 1));
    std::memcpy(text, bytes, length);
    text[length] = '\0';
    return text;
}

void fatalError(const char* message, int errorCode, int exitCode) {
    // Built in a std::string, not on the runtime heap: the heap may be what failed.
    std::string text = "运行时出错!\r\n\r\n";
    if (errorCode != noErrorCode) {
        text += "错误代码：";
        text += std::to_string(errorCode);
        text += "\r\n\r\n";
    }
    text += "错误信息：";
    text += message ? message : "";
    text += "\r\n";
    MessageBoxA(nullptr, text.c_str(), "错误", MB_ICONERROR | MB_OK);
    cleanUpRuntime();
    ExitProcess(static_cast<UINT>(exitCode));
}

int messageBox(const char* text, const char* title, std::uint32_t style) {
    return MessageBoxA(nullptr, text ? text : "", title ? title : "", style | MB_TASKMODAL);
}

void cleanUpRuntime() {
    runtime_internal::freeLoadedLibraries();
}
