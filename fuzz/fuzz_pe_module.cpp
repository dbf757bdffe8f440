// Fuzz entry point for PE modules mapped as data files: the bytes become a file, which is
// loaded and whose resources are enumerated, found, loaded and read to their last byte. Any
// input may be refused; none may crash or read outside the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "win32api.h"

namespace {

// One scratch file per process, rewritten for every input and removed at exit.
char scratch[64] = "/tmp/fuzz_pe_module-XXXXXX";

const char* scratchPath() {
    static const bool made = [] {
        int fd = ::mkstemp(scratch);
        if (fd < 0) return false;
        ::close(fd);
        std::atexit([] { ::unlink(scratch); });
        return true;
    }();
    return made ? scratch : nullptr;
}

bool writeScratch(const std::uint8_t* data, std::size_t size) {
    if (!scratchPath()) return false;
    HANDLE file = CreateFileA(scratchPath(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

// Reads every byte of a found resource, so that a range past the mapping would be caught.
unsigned touchResource(HMODULE module, HRSRC found) {
    if (!found) return 0;
    auto* at = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    DWORD size = SizeofResource(module, found);
    unsigned sum = 0;
    if (at)
        for (DWORD i = 0; i < size; ++i) sum += at[i];
    return sum;
}

struct Walk {
    std::vector<std::string> names;  // texts copied out, ids as "#n"
    unsigned sum = 0;
};

BOOL CALLBACK visitName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    auto* walk = reinterpret_cast<Walk*>(param);
    // Find it while the enumeration runs, and again afterwards by the copied name.
    walk->sum += touchResource(module, FindResourceA(module, name, type));
    walk->names.push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name);
    return TRUE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!writeScratch(data, size)) return 0;
    HMODULE module = LoadLibraryExA(scratchPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return 0;
    // Every standard id type, and text types in two spellings.
    std::vector<std::string> textTypes = {"BLOB", "blob", "#14", "#3", "#", "#99999"};
    std::vector<LPCSTR> types;
    for (int id = 0; id <= 24; ++id) types.push_back(MAKEINTRESOURCEA(id));
    for (const std::string& text : textTypes) types.push_back(text.c_str());
    volatile unsigned sink = 0;
    for (LPCSTR type : types) {
        Walk walk;
        EnumResourceNamesA(module, type, visitName, reinterpret_cast<LONG_PTR>(&walk));
        for (const std::string& name : walk.names) walk.sum += touchResource(module, FindResourceA(module, name.c_str(), type));
        for (int id = 0; id < 4; ++id) walk.sum += touchResource(module, FindResourceA(module, MAKEINTRESOURCEA(id), type));
        sink = sink + walk.sum;
    }
    FreeLibrary(module);
    return 0;
}
