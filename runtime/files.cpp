// The run directory and the file operations of the handlers.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "internal.h"
#include "number_text.h"
#include "runtime.h"

using runtime_internal::UniqueHandle;

const std::string& runtime_internal::runDirectoryPath() {
    static const std::string path = [] {
        // The module path can exceed MAX_PATH; grow until the system stops truncating.
        std::vector<char> buffer(MAX_PATH);
        for (;;) {
            DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (n == 0) return std::string();
            if (n < buffer.size()) {
                std::string full(buffer.data(), n);
                std::size_t cut = full.rfind('\\');
                return cut == std::string::npos ? std::string() : full.substr(0, cut);
            }
            buffer.resize(buffer.size() * 2);
        }
    }();
    return path;
}

TextValue runDirectory() {
    const std::string& path = runtime_internal::runDirectoryPath();
    return newText(path.data(), path.size());
}

bool fileExists(const char* path) {
    if (!path || !*path) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

bool writeFile(const char* path, const std::uint8_t* bytes, std::uint32_t count) {
    if (!path || !*path) return false;
    UniqueHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    // A single WriteFile may write less than asked; loop, and count a short write as failure.
    std::uint32_t done = 0;
    while (done < count) {
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes + done, count - done, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

bool setFileAttributes(const char* path, std::uint32_t attributes) {
    if (!path || !*path) return false;
    return SetFileAttributesA(path, attributes & 0x27) != 0;
}

std::uint32_t byteBlockLength(const ByteBlock* block) {
    return block ? block->length : 0;
}

std::intptr_t openFile(const char* path, std::uint32_t mode) {
    (void)mode;  // the default mode is the only one the tool uses
    if (!path || !*path) return 0;
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    return reinterpret_cast<std::intptr_t>(file);
}

void closeFile(std::intptr_t file) {
    if (file) CloseHandle(reinterpret_cast<HANDLE>(file));
}

double textToNumber(const char* text) {
    return parseNumberText(text);
}

TextValue numberToText(double value) {
    char buffer[numberTextCapacity];
    std::size_t n = formatNumberText(value, buffer);
    return newText(buffer, n);
}

std::int32_t callCommand(Command4 command, std::initializer_list<CommandArgument> arguments) {
    CommandArgument list[4];
    std::size_t i = 0;
    for (const CommandArgument& a : arguments) {
        if (i == 4) break;
        list[i++] = a;
    }
    return command(list[0], list[1], list[2], list[3]);
}
