#include "icon_model.h"

#include <cstdlib>
#include <cstring>

#include "byte_reader.h"

namespace {

const std::uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Bits per pixel of a PNG from its IHDR colour type and bit depth.
std::uint32_t pngBitsPerPixel(std::uint8_t colourType, std::uint8_t depth) {
    switch (colourType) {
        case 0: return depth;      // grey
        case 2: return 3u * depth;  // RGB
        case 3: return depth;      // palette
        case 4: return 2u * depth;  // grey and alpha
        case 6: return 4u * depth;  // RGBA
        default: return 0;
    }
}

bool measurePng(IconImage& image) {
    ByteReader in(image.bytes, image.byteCount);
    if (!in.matches(0, pngSignature, sizeof pngSignature) || !in.matches(12, "IHDR", 4)) return false;
    std::uint32_t width = in.u32be(16);
    std::uint32_t height = in.u32be(20);
    std::uint8_t depth = in.u8(24);
    std::uint8_t colourType = in.u8(25);
    if (in.failed()) return false;
    image.format = ImageFormat::png;
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    image.bitsPerPixel = pngBitsPerPixel(colourType, depth);
    return true;
}

}  // namespace

std::uint16_t colourTableEntries(const IconImage& image) {
    if (image.format != ImageFormat::bitmap) return 0;
    ByteReader in(image.bytes, image.byteCount);
    std::uint32_t clrUsed = in.u32(bih::clrUsed);
    if (clrUsed != 0) return static_cast<std::uint16_t>(clrUsed);
    switch (in.u16(bih::bitCount)) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

std::uint16_t colourTableBytes(const IconImage& image) {
    return static_cast<std::uint16_t>(colourTableEntries(image) * 4u);
}

std::int32_t rowBytes(const IconImage& image) {
    if (image.format != ImageFormat::bitmap) return 0;
    ByteReader in(image.bytes, image.byteCount);
    // Computed wide so that a hostile header cannot overflow; the row of a sane image fits.
    std::int64_t bits = static_cast<std::int64_t>(in.u16(bih::bitCount)) * in.u16(bih::planes) * in.i32(bih::width);
    std::int64_t bytes = ((bits + 31) >> 3) & ~static_cast<std::int64_t>(3);
    if (bytes > INT32_MAX || bytes < INT32_MIN) return 0;
    return static_cast<std::int32_t>(bytes);
}

BOOL measureImage(IconImage* image) {
    if (!image) return FALSE;
    image->header = image->byteCount ? image->bytes : nullptr;
    image->xorBits = nullptr;
    image->andBits = nullptr;
    image->width = 0;
    image->height = 0;
    image->bitsPerPixel = 0;
    image->format = ImageFormat::other;
    if (measurePng(*image)) return TRUE;

    ByteReader in(image->bytes, image->byteCount);
    std::uint32_t headerSize = in.u32(bih::size);
    if (in.failed() || headerSize < bih::headerBytes || !in.has(0, bih::headerBytes)) return TRUE;
    image->format = ImageFormat::bitmap;
    image->width = in.i32(bih::width);
    image->height = in.i32(bih::height) / 2;
    image->bitsPerPixel = static_cast<std::uint32_t>(in.u16(bih::planes)) * in.u16(bih::bitCount);

    // The views are set only where they fall inside the bytes: a pointer is never formed outside.
    std::int64_t xorOffset = static_cast<std::int64_t>(headerSize) + colourTableBytes(*image);
    std::int64_t andOffset = xorOffset + static_cast<std::int64_t>(rowBytes(*image)) * image->height;
    if (xorOffset <= image->byteCount) image->xorBits = image->bytes + xorOffset;
    if (andOffset >= xorOffset && andOffset <= image->byteCount) image->andBits = image->bytes + andOffset;
    return TRUE;
}

bool hasCompleteColourBitmap(const IconImage& image) {
    if (image.format != ImageFormat::bitmap || image.width <= 0 || image.height <= 0) return false;
    ByteReader in(image.bytes, image.byteCount);
    if (in.u32(bih::size) != bih::headerBytes) return false;
    std::int64_t row = rowBytes(image);
    if (row <= 0) return false;
    std::int64_t needed = bih::headerBytes + static_cast<std::int64_t>(colourTableBytes(image)) + row * image.height;
    return needed <= image.byteCount;
}

IconGroup* allocateGroup(std::uint32_t imageCount) {
    auto* group = static_cast<IconGroup*>(std::calloc(1, sizeof(IconGroup)));
    if (!group) return nullptr;
    if (imageCount) {
        group->images = static_cast<IconImage*>(std::calloc(imageCount, sizeof(IconImage)));
        if (!group->images) {
            std::free(group);
            return nullptr;
        }
    }
    return group;
}

void releaseGroup(IconGroup* group) {
    if (!group) return;
    if (group->images) {
        for (std::uint32_t i = 0; i < group->imageCount; ++i) std::free(group->images[i].bytes);
    }
    std::free(group->images);
    std::free(group);
}

void storeGroupPath(char (&buffer)[iconPathBufferSize], const char* path) {
    std::size_t length = path ? std::strlen(path) : 0;
    if (length > iconPathBufferSize - 1) length = iconPathBufferSize - 1;
    if (length) std::memcpy(buffer, path, length);
    buffer[length] = '\0';
}
