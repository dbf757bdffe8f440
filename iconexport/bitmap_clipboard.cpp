#include <cstring>

#include "byte_reader.h"
#include "replacing_file.h"
#include "writers.h"

namespace {

constexpr std::uint32_t fileHeaderBytes = 14;  // BITMAPFILEHEADER

// Restores biHeight when the bitmap writer leaves, on every path.
class HeightPatch {
public:
    HeightPatch(std::uint8_t* header, std::int32_t height) : field_(header + bih::height) {
        std::memcpy(saved_, field_, 4);
        storeU32(field_, static_cast<std::uint32_t>(height));
    }
    ~HeightPatch() { std::memcpy(field_, saved_, 4); }
    HeightPatch(const HeightPatch&) = delete;
    HeightPatch& operator=(const HeightPatch&) = delete;

private:
    std::uint8_t* field_;
    std::uint8_t saved_[4];
};

}  // namespace

bool writeImageAsBitmap(const char* targetPath, IconImage* image) {
    if (!image || !hasCompleteColourBitmap(*image)) return false;
    const std::uint32_t tableBytes = colourTableBytes(*image);
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(rowBytes(*image)) * static_cast<std::uint32_t>(image->height);
    const std::uint32_t infoBytes = bih::headerBytes + tableBytes + pixelBytes;

    std::uint8_t fileHeader[fileHeaderBytes] = {'B', 'M'};
    storeU32(fileHeader + 2, fileHeaderBytes + infoBytes);
    storeU32(fileHeader + 10, fileHeaderBytes + bih::headerBytes + tableBytes);

    ReplacingFile out(targetPath);
    if (!out.isOpen() || !writeWhole(out.handle(), fileHeader, sizeof fileHeader)) return false;
    {
        HeightPatch halved(image->bytes, image->height);
        if (!writeWhole(out.handle(), image->bytes, infoBytes)) return false;
    }
    return out.commit();
}

bool copyImageToClipboard(const IconImage& image) {
    // The block is made and checked before the clipboard is touched, so a refused image or a
    // lack of memory never costs the user what the clipboard held.
    if (image.byteCount == 0 || !hasCompleteColourBitmap(image)) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, image.byteCount);
    if (!block) return false;
    auto* copy = static_cast<std::uint8_t*>(GlobalLock(block));
    if (!copy) {
        GlobalFree(block);
        return false;
    }
    std::memcpy(copy, image.bytes, image.byteCount);
    storeU32(copy + bih::height, static_cast<std::uint32_t>(image.height));
    GlobalUnlock(block);

    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    bool handedOver = EmptyClipboard() && SetClipboardData(CF_DIB, block) != nullptr;
    if (!handedOver) GlobalFree(block);  // the clipboard did not take the block over
    CloseClipboard();
    return handedOver;
}
