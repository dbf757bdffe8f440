// Entries of external libraries: loaded at the first call, kept for the run, freed at clean-up.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "internal.h"
#include "runtime.h"

namespace {

struct LoadedLibrary {
    std::string name;  // as declared, compared without case
    HMODULE module;
};

std::vector<LoadedLibrary>& loadedLibraries() {
    static std::vector<LoadedLibrary> libraries;
    return libraries;
}

// A declared name without a drive colon is tried in the run directory first.
HMODULE loadLibrary(const char* name) {
    if (!std::strchr(name, ':')) {
        std::string local = runtime_internal::runDirectoryPath() + "\\" + name;
        if (HMODULE module = LoadLibraryA(local.c_str())) return module;
    }
    return LoadLibraryA(name);
}

[[noreturn]] void entryNotFound(const LibraryEntry& entry) {
    char message[600];
    std::snprintf(message, sizeof message, "无法找到指定DLL库文件“%.250s”中的输出命令“%.250s”",
                  entry.libraryName ? entry.libraryName : "", entry.entryName ? entry.entryName : "");
    fatalError(message, noErrorCode, -1);
}

void resolve(LibraryEntry& entry) {
    if (!entry.libraryName || !entry.entryName) entryNotFound(entry);
    auto& libraries = loadedLibraries();
    HMODULE module = nullptr;
    std::size_t index = libraries.size();
    for (std::size_t i = 0; i < libraries.size(); ++i) {
        if (lstrcmpiA(libraries[i].name.c_str(), entry.libraryName) == 0) {
            module = libraries[i].module;
            index = i;
            break;
        }
    }
    if (!module) {
        module = loadLibrary(entry.libraryName);
        if (!module) entryNotFound(entry);
        libraries.push_back({entry.libraryName, module});
    }
    FARPROC address = GetProcAddress(module, entry.entryName);
    if (!address) {
        // The library is of no use for this entry: let it go before the tool ends.
        FreeLibrary(module);
        libraries.erase(libraries.begin() + static_cast<std::ptrdiff_t>(index));
        entryNotFound(entry);
    }
    entry.address = reinterpret_cast<void*>(address);
}

}  // namespace

std::int32_t callLibraryEntry(LibraryEntry& entry, const std::int32_t* arguments, int argumentCount) {
    if (!entry.address) resolve(entry);
    if (argumentCount < 0) argumentCount = 0;
    void* address = entry.address;
    std::int32_t result;
    std::uint32_t before, after;
    // Push the arguments right to left and call; note the stack pointer before the pushes and
    // after the return, then put it back so that a wrong entry cannot unbalance our frame.
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
        "movl %%esp, %%edx\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(result), "=d"(after), "=&D"(before)
        : [args] "r"(arguments), [count] "r"(argumentCount), [entry] "r"(address)
        : "ecx", "memory", "cc");
    if (after != before) fatalError("调用DLL命令后发现堆栈错误", 6, -1);
    return result;
}

void runtime_internal::freeLoadedLibraries() {
    auto& libraries = loadedLibraries();
    for (auto it = libraries.rbegin(); it != libraries.rend(); ++it) FreeLibrary(it->module);
    libraries.clear();
}
