#include <cstdlib>
#include <cstring>

#include "byte_reader.h"
#include "readers.h"

namespace {

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const char* path)
        : handle_(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~ReadOnlyFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// One read that must deliver exactly `count` bytes.
bool readExactly(HANDLE file, void* buffer, DWORD count) {
    DWORD got = 0;
    return ReadFile(file, buffer, count, &got, nullptr) && got == count;
}

struct FreeOnExit {
    void* block;
    ~FreeOnExit() { std::free(block); }
};

// A directory entry is 16 bytes: the image's byte count at 8 and its file offset at 12.
constexpr std::size_t icoEntryBytes = 16;

}  // namespace

std::int32_t readIcoHeader(HANDLE file) {
    std::uint8_t word[2];
    std::uint16_t values[3];
    for (std::uint16_t& value : values) {
        if (!readExactly(file, word, 2)) return -1;
        value = static_cast<std::uint16_t>(word[0] | word[1] << 8);
    }
    if (values[0] != 0 || values[1] != 1) return -1;
    return values[2];
}

IconGroup* readIcoFile(const char* path) {
    ReadOnlyFile file(path);
    if (file.get() == INVALID_HANDLE_VALUE) return nullptr;
    std::int32_t count = readIcoHeader(file.get());
    if (count < 0) return nullptr;

    // The file's length bounds every entry, so a damaged directory is refused before any image
    // memory is asked for.
    DWORD sizeHigh = 0;
    DWORD fileSize = GetFileSize(file.get(), &sizeHigh);
    if (fileSize == INVALID_FILE_SIZE || sizeHigh != 0) return nullptr;

    std::size_t directoryBytes = icoEntryBytes * static_cast<std::size_t>(count);
    FreeOnExit directoryBlock{std::malloc(directoryBytes ? directoryBytes : 1)};
    if (!directoryBlock.block) return nullptr;
    if (directoryBytes && !readExactly(file.get(), directoryBlock.block, static_cast<DWORD>(directoryBytes)))
        return nullptr;
    ByteReader directory(static_cast<const std::uint8_t*>(directoryBlock.block), directoryBytes);

    IconGroup* group = allocateGroup(static_cast<std::uint32_t>(count));
    if (!group) return nullptr;
    group->imageCount = static_cast<std::uint32_t>(count);
    storeGroupPath(group->icoPath, path);

    for (std::uint32_t i = 0; i < group->imageCount; ++i) {
        std::uint32_t byteCount = directory.u32(icoEntryBytes * i + 8);
        std::uint32_t offset = directory.u32(icoEntryBytes * i + 12);
        IconImage& image = group->images[i];
        bool inFile = offset <= fileSize && byteCount <= fileSize - offset;
        if (inFile) image.bytes = static_cast<std::uint8_t*>(std::malloc(byteCount ? byteCount : 1));
        image.byteCount = byteCount;
        bool ok = inFile && image.bytes && offset <= static_cast<std::uint32_t>(INT32_MAX) &&
                  SetFilePointer(file.get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                  (byteCount == 0 || readExactly(file.get(), image.bytes, byteCount));
        if (!ok) {
            releaseGroup(group);
            return nullptr;
        }
        measureImage(&image);
    }
    return group;
}
