// The in-memory icon: one group with its images exactly as stored in their source, and the
// measures of an image's bytes that the readers and writers share.
#pragma once
#include <cstdint>

#include "win32api.h"

// What an image block turned out to be when it was measured.
enum class ImageFormat : std::uint8_t {
    bitmap,  // starts with a BITMAPINFOHEADER (biSize 40 or more) and holds at least that header
    png,     // a PNG stream with a readable IHDR chunk, as large icons are stored
    other,   // anything else: too short for a header, or unknown; copied but never interpreted
};

struct IconImage {
    std::int32_t width;          // biWidth, or the PNG's width
    std::int32_t height;         // biHeight / 2 (colour bitmap and mask are stacked), or the PNG's height
    std::uint32_t bitsPerPixel;  // biPlanes * biBitCount, or from the PNG's colour type and depth
    std::uint8_t* bytes;         // owned: the image exactly as stored in its source
    std::uint32_t byteCount;
    // Views into `bytes`, set by measureImage only. xorBits and andBits are null when the header
    // places them outside `bytes` (a damaged image) or the image is not a bitmap.
    std::uint8_t* header;
    std::uint8_t* xorBits;
    std::uint8_t* andBits;
    ImageFormat format;
};

constexpr std::size_t iconPathBufferSize = 260;  // at most 259 bytes and the terminating zero

struct IconGroup {
    char icoPath[iconPathBufferSize];     // the .ico file it was read from, or empty
    char modulePath[iconPathBufferSize];  // the module it was read from, or empty
    std::uint32_t imageCount;
    IconImage* images;                    // imageCount records, in the source's directory order
};

// Layout of the BITMAPINFOHEADER fields used here (published bitmap format, little-endian).
namespace bih {
constexpr std::uint32_t size = 0, width = 4, height = 8, planes = 12, bitCount = 14, sizeImage = 20,
                        clrUsed = 32;
constexpr std::uint32_t headerBytes = 40;
}  // namespace bih

// Measures of a bitmap image computed from its header. Each is only meaningful for
// ImageFormat::bitmap; for any other image they are 0.
std::uint16_t colourTableEntries(const IconImage& image);
std::uint16_t colourTableBytes(const IconImage& image);
std::int32_t rowBytes(const IconImage& image);

// Sets the measures and views of an image whose `bytes` and `byteCount` are set. Never reads
// past `byteCount`. Gives FALSE only when no image is given.
BOOL measureImage(IconImage* image);

// True when the header, the colour table and the whole XOR bitmap that the header describes lie
// inside the image's bytes (biSize exactly 40, positive width and height): what the bitmap and
// clipboard outputs need.
bool hasCompleteColourBitmap(const IconImage& image);

// A new group with room for `imageCount` zeroed image records, or null when memory is short.
IconGroup* allocateGroup(std::uint32_t imageCount);
// Frees every image's bytes, the image records and the group. Null is fine.
void releaseGroup(IconGroup* group);
// Copies a path into one of the group's path buffers, cut to 259 bytes.
void storeGroupPath(char (&buffer)[iconPathBufferSize], const char* path);
