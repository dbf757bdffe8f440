#include "skin_setup.h"

#include <cstring>

#include "runtime.h"
#include "skin_data.h"

namespace {

// Both entries live in the one library and are resolved by the runtime at their first call.
LibraryEntry setAeroEntry{"SkinH_EL.dll", "SkinH_SetAero", nullptr};
LibraryEntry attachResEntry{"SkinH_EL.dll", "SkinH_AttachRes", nullptr};

constexpr std::uint32_t hiddenAttribute = 2;
constexpr std::int32_t startUpSkin = 8;

// <run directory>\SkinH_EL.dll as a new text; the caller frees it.
TextValue libraryPath() {
    static const char name[] = "\\SkinH_EL.dll";
    TextValue directory = runDirectory();
    std::size_t length = directory ? std::strlen(directory) : 0;
    auto* path = static_cast<char*>(runtimeAllocate(length + sizeof name));
    if (length) std::memcpy(path, directory, length);
    std::memcpy(path + length, name, sizeof name);
    freeValue(directory);
    return path;
}

std::int32_t pointerArgument(const void* p) {
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(p));
}

}  // namespace

void DeploySkinLibrary() {
    // The path is built afresh for every file operation, from the run directory each time.
    TextValue path = libraryPath();
    bool present = fileExists(path);
    freeValue(path);
    if (present) return;  // whatever lies there is kept, attributes included

    path = libraryPath();
    writeFile(path, SkinLibraryImage.data(), byteBlockLength(&SkinLibraryImage));
    freeValue(path);

    // Runs even when the write failed; both results are ignored by design.
    path = libraryPath();
    setFileAttributes(path, hiddenAttribute);
    freeValue(path);
}

void AttachBuiltInSkin(std::int32_t number) {
    DeploySkinLibrary();

    const ByteBlock* chosen = number >= 1 && number <= builtInSkinCount ? BuiltInSkins[number - 1] : nullptr;
    std::uint8_t* copy = nullptr;
    std::uint32_t count = 0;
    if (chosen) {
        // The engine gets a buffer the tool owns; it takes what it needs before it returns.
        count = byteBlockLength(chosen);
        copy = static_cast<std::uint8_t*>(runtimeAllocate(std::size_t{count} + sizeof(ByteBlock)));
        std::memcpy(copy, chosen, std::size_t{count} + sizeof(ByteBlock));
    }
    static const char emptyText[] = "";
    const std::int32_t arguments[6] = {
        pointerArgument(copy ? copy + sizeof(ByteBlock) : nullptr),
        static_cast<std::int32_t>(count),
        pointerArgument(emptyText),
        0,
        0,
        0,
    };
    callLibraryEntry(attachResEntry, arguments, 6);
    freeValue(copy);
}

void SkinSetup() {
    DeploySkinLibrary();
    // The first call into the engine: the runtime loads the library here.
    const std::int32_t on = 1;
    callLibraryEntry(setAeroEntry, &on, 1);
    AttachBuiltInSkin(startUpSkin);
}
