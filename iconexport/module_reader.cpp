#include <cstdlib>
#include <cstring>

#include "byte_reader.h"
#include "readers.h"

namespace {

// The module mapped as a data file for this read only; unmapped on every path.
class DataModule {
public:
    explicit DataModule(const char* path) : module_(LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataModule() {
        if (module_) FreeLibrary(module_);
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// The bytes of one resource, or an empty reader when it cannot be found, loaded or locked.
ByteReader lockedResource(HMODULE module, const char* name, const char* type) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found) return ByteReader(nullptr, 0);
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return ByteReader(nullptr, 0);
    const void* bytes = LockResource(loaded);
    if (!bytes) return ByteReader(nullptr, 0);
    return ByteReader(static_cast<const std::uint8_t*>(bytes), SizeofResource(module, found));
}

// Group directory layout: 6-byte header, then 14-byte entries whose image id is at byte 12.
constexpr std::size_t groupHeaderBytes = 6;
constexpr std::size_t groupEntryBytes = 14;
constexpr std::size_t groupEntryImageId = 12;

}  // namespace

IconGroup* readGroupFromModule(const char* modulePath, const char* groupName) {
    DataModule module(modulePath);
    if (!module.get() || !groupName) return nullptr;

    ByteReader directory = lockedResource(module.get(), groupName, RT_GROUP_ICON);
    std::uint16_t count = directory.u16(4);
    // A directory too short for the entries it announces is refused before anything is copied.
    if (directory.failed() || !directory.has(groupHeaderBytes, std::size_t{count} * groupEntryBytes)) return nullptr;

    IconGroup* group = allocateGroup(count);
    if (!group) return nullptr;
    group->imageCount = count;
    storeGroupPath(group->modulePath, modulePath);

    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t id = directory.u16(groupHeaderBytes + groupEntryBytes * i + groupEntryImageId);
        ByteReader resource = lockedResource(module.get(), MAKEINTRESOURCEA(id), RT_ICON);
        IconImage& image = group->images[i];
        const std::uint8_t* source = resource.bytes(0, resource.size());
        if (!source) {
            releaseGroup(group);
            return nullptr;
        }
        image.byteCount = static_cast<std::uint32_t>(resource.size());
        image.bytes = static_cast<std::uint8_t*>(std::malloc(image.byteCount ? image.byteCount : 1));
        if (!image.bytes) {
            releaseGroup(group);
            return nullptr;
        }
        std::memcpy(image.bytes, source, image.byteCount);
        measureImage(&image);
    }
    return group;
}
