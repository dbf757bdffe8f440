#include "byte_reader.h"
#include "replacing_file.h"
#include "writers.h"

namespace {

// The 16-byte directory entry of one image, computed afresh from the image itself.
void fillDirectoryEntry(const IconImage& image, std::uint32_t offset, std::uint8_t (&entry)[16]) {
    std::uint16_t planes = 0, bitCount = 0;
    if (image.format == ImageFormat::bitmap) {
        ByteReader in(image.bytes, image.byteCount);
        planes = in.u16(bih::planes);
        bitCount = in.u16(bih::bitCount);
    } else if (image.format == ImageFormat::png) {
        planes = 1;
        bitCount = static_cast<std::uint16_t>(image.bitsPerPixel);
    }
    std::uint32_t bits = static_cast<std::uint32_t>(planes) * bitCount;
    bool measured = image.format != ImageFormat::other;
    entry[0] = static_cast<std::uint8_t>(image.width);  // 256 comes out as 0
    entry[1] = static_cast<std::uint8_t>(image.height);
    entry[2] = measured && bits < 8 ? static_cast<std::uint8_t>(1u << bits) : 0;
    entry[3] = 0;
    storeU16(entry + 4, planes);
    storeU16(entry + 6, bitCount);
    storeU32(entry + 8, image.byteCount);
    storeU32(entry + 12, offset);
}

// Writes an image with biSizeImage written as 0, as icon files carry it. Only a bitmap that holds
// a whole header is patched, and the field is put back once the write has returned.
bool writeImage(HANDLE file, IconImage& image) {
    if (image.format != ImageFormat::bitmap) return writeWhole(file, image.bytes, image.byteCount);
    std::uint8_t* field = image.bytes + bih::sizeImage;
    std::uint8_t saved[4] = {field[0], field[1], field[2], field[3]};
    storeU32(field, 0);
    bool ok = writeWhole(file, image.bytes, image.byteCount);
    for (int i = 0; i < 4; ++i) field[i] = saved[i];
    return ok;
}

}  // namespace

std::uint32_t imageOffset(const IconGroup& group, std::uint32_t index) {
    std::uint32_t offset = 6 + 16 * group.imageCount;
    for (std::uint32_t i = 0; i < index && i < group.imageCount; ++i) offset += group.images[i].byteCount;
    return offset;
}

bool writeIcoHeader(HANDLE file, std::uint32_t imageCount) {
    const std::uint16_t values[3] = {0, 1, static_cast<std::uint16_t>(imageCount)};
    for (std::uint16_t value : values) {
        std::uint8_t word[2];
        storeU16(word, value);
        if (!writeWhole(file, word, 2)) return false;
    }
    return true;
}

bool writeIcoFile(IconGroup* group, const char* targetPath) {
    if (!group || group->imageCount > 0xFFFF) return false;
    // The whole file must stay addressable by the directory's 32-bit offsets.
    std::uint64_t total = 6 + 16ull * group->imageCount;
    for (std::uint32_t i = 0; i < group->imageCount; ++i) total += group->images[i].byteCount;
    if (total > 0xFFFFFFFFull) return false;

    ReplacingFile out(targetPath);
    if (!out.isOpen() || !writeIcoHeader(out.handle(), group->imageCount)) return false;
    std::uint32_t offset = imageOffset(*group, 0);  // advanced here, not recounted per image
    for (std::uint32_t i = 0; i < group->imageCount; ++i) {
        std::uint8_t entry[16];
        fillDirectoryEntry(group->images[i], offset, entry);
        if (!writeWhole(out.handle(), entry, sizeof entry)) return false;
        offset += group->images[i].byteCount;
    }
    for (std::uint32_t i = 0; i < group->imageCount; ++i) {
        if (!writeImage(out.handle(), group->images[i])) return false;
    }
    return out.commit();
}
