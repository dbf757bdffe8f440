// Helpers shared by the engine tests on both builds: fixture paths, scratch folders, files, and
// small icon images built field by field.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Full path of a module built from the .rc fixtures, in the form the engine's file functions take.
std::string fixture(const std::string& name);
// A fresh, empty folder for the running test (named after it); paths inside it end in `name`.
std::string scratchPath(const std::string& name);
std::string scratchDir();

Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, const Bytes& bytes);
bool fileExists(const std::string& path);
// Names of the entries of a folder, sorted.
std::vector<std::string> folderEntries(const std::string& folder);
void makeReadOnly(const std::string& path);

std::uint16_t u16At(const Bytes& bytes, std::size_t offset);
std::uint32_t u32At(const Bytes& bytes, std::size_t offset);

// An icon image: BITMAPINFOHEADER (biHeight = 2 * height, biSizeImage non-zero), colour table,
// XOR rows and AND rows, filled with a pattern that depends on `seed`.
Bytes bitmapImage(int width, int height, int bitsPerPixel, std::uint32_t clrUsed = 0, std::uint8_t seed = 1);
// The start of a PNG stream: signature and IHDR (what the engine reads of a PNG).
Bytes pngImage(std::uint32_t width, std::uint32_t height, std::uint8_t depth = 8, std::uint8_t colourType = 6);

struct IcoEntry {
    std::uint32_t byteCount;
    std::uint32_t offset;
    std::uint8_t width = 0, height = 0, colours = 0;  // what the directory claims; never trusted
};
// An .ico file: header (reserved, type, count), the given entries, then `body` bytes placed at
// the offset that follows the directory.
Bytes icoFile(const std::vector<IcoEntry>& entries, const Bytes& body, std::uint16_t type = 1);
// An .ico file laid out in the usual way: directory, then the images one after the other.
Bytes icoFileOf(const std::vector<Bytes>& images);
