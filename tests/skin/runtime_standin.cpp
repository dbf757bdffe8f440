// A throwaway stand-in for the few window runtime operations the skin set-up calls, used only
// while the build has no `runtime` library (tests/skin/CMakeLists.txt), so that the set-up tests
// can run. It follows runtime.h; the real runtime replaces it as soon as it is in the build.
#include <windows.h>

#include <cstring>

#include "runtime.h"

void* runtimeAllocate(std::size_t bytes) {
    void* p = HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
    if (!p) {
        char message[64];
        wsprintfA(message, "分配 %d 字节内存失败!", static_cast<int>(bytes));
        fatalError(message, noErrorCode, -1);
    }
    return p;
}

void freeValue(void* value) {
    if (value) HeapFree(GetProcessHeap(), 0, value);
}

TextValue newText(const char* bytes, std::size_t length) {
    if (length == 0) return nullptr;
    auto* t = static_cast<char*>(runtimeAllocate(length + 1));
    std::memcpy(t, bytes, length);
    t[length] = 0;
    return t;
}

void fatalError(const char* message, int errorCode, int exitCode) {
    char text[1024];
    if (errorCode != noErrorCode)
        wsprintfA(text, "运行时出错!\r\n\r\n错误代码：%d\r\n\r\n错误信息：%s\r\n", errorCode, message);
    else
        wsprintfA(text, "运行时出错!\r\n\r\n错误信息：%s\r\n", message);
    MessageBoxA(nullptr, text, "错误", MB_OK | MB_ICONSTOP);
    ExitProcess(static_cast<UINT>(exitCode));
}

TextValue runDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\') --n;
    return newText(path, n > 0 ? n - 1 : 0);
}

bool fileExists(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(path ? path : "", &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

bool writeFile(const char* path, const std::uint8_t* bytes, std::uint32_t count) {
    if (!path || !*path) return false;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes, count, &written, nullptr) && written == count;
    CloseHandle(h);
    return ok;
}

bool setFileAttributes(const char* path, std::uint32_t attributes) {
    return SetFileAttributesA(path, attributes & 0x27) != FALSE;
}

std::uint32_t byteBlockLength(const ByteBlock* block) { return block ? block->length : 0; }

std::int32_t callLibraryEntry(LibraryEntry& entry, const std::int32_t* arguments, int argumentCount) {
    if (!entry.address) {
        TextValue dir = runDirectory();
        char path[MAX_PATH * 2];
        wsprintfA(path, "%s\\%s", dir ? dir : "", entry.libraryName);
        freeValue(dir);
        HMODULE library = LoadLibraryA(path);
        if (!library) library = LoadLibraryA(entry.libraryName);
        void* address = library ? reinterpret_cast<void*>(GetProcAddress(library, entry.entryName)) : nullptr;
        if (!address) {
            if (library) FreeLibrary(library);
            char message[512];
            wsprintfA(message, "无法找到指定DLL库文件“%s”中的输出命令“%s”", entry.libraryName, entry.entryName);
            fatalError(message, noErrorCode, -1);
        }
        entry.address = address;
    }
    std::int32_t result;
    int left;
    __asm__ volatile(
        "movl %%esp, %%edi\n\t"
        "movl %[count], %%ecx\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%[args],%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%[entry]\n\t"
        "movl %%edi, %%edx\n\t"
        "subl %%esp, %%edx\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(result), "=d"(left)
        : [entry] "b"(entry.address), [args] "S"(arguments), [count] "r"(argumentCount)
        : "ecx", "edi", "memory", "cc");
    if (left != 0) fatalError("调用DLL命令后发现堆栈错误", 6, -1);
    return result;
}
