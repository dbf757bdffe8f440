// The three outputs of a group that was read. Files are written into a temporary file beside
// the target and moved over it only when every write succeeded: a failed write never leaves a
// truncated file and never destroys an earlier file at the target.
#pragma once
#include <cstdint>

#include "icon_model.h"

// The whole group as an .ico file. True when the complete file is in place at `targetPath`.
bool writeIcoFile(IconGroup* group, const char* targetPath);
// The 6-byte header: 0, 1, n, each by its own 2-byte write. True when all three were written whole.
bool writeIcoHeader(HANDLE file, std::uint32_t imageCount);
// Offset of image `index` from the start of the .ico file that writeIcoFile writes.
std::uint32_t imageOffset(const IconGroup& group, std::uint32_t index);

// The colour (XOR) bitmap of one image as a .bmp file. Refuses an image that is not a complete
// 40-byte-header bitmap. True when the complete file is in place.
bool writeImageAsBitmap(const char* targetPath, IconImage* image);
// One image on the clipboard as a CF_DIB block at the icon's height. Refuses what the bitmap
// output refuses; leaves the clipboard as it was when it cannot put the image there.
bool copyImageToClipboard(const IconImage& image);
