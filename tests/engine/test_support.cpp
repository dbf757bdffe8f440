#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

// The engine on Windows is handed drive paths; Wine shows the Linux root as drive Z:.
std::string enginePath(const std::string& hostPath) {
#ifdef _WIN32
    return "Z:" + hostPath;
#else
    return hostPath;
#endif
}

void put16(Bytes& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::string fixture(const std::string& name) { return enginePath(std::string(ICONX_FIXTURE_DIR) + "/" + name); }

std::string scratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    fs::path dir = fs::path(ICONX_TEST_OUTPUT_DIR) / name;
    static std::string prepared;
    if (prepared != dir.string()) {
        // Earlier runs may have left read-only files, which Windows will not delete as they are.
        std::error_code ignored;
        if (fs::exists(dir))
            for (const auto& entry : fs::recursive_directory_iterator(dir, ignored))
                fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        fs::remove_all(dir);
        fs::create_directories(dir);
        prepared = dir.string();
    }
    return enginePath(dir.string());
}

std::string scratchPath(const std::string& name) { return scratchDir() + "/" + name; }

static fs::path hostPath(const std::string& path) {
#ifdef _WIN32
    if (path.rfind("Z:", 0) == 0) return fs::path(path.substr(2));
#endif
    return fs::path(path);
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(hostPath(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(hostPath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) { return fs::exists(hostPath(path)); }

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(hostPath(folder))) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void makeReadOnly(const std::string& path) {
    fs::permissions(hostPath(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

std::uint16_t u16At(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}
std::uint32_t u32At(const Bytes& bytes, std::size_t offset) {
    return u16At(bytes, offset) | static_cast<std::uint32_t>(u16At(bytes, offset + 2)) << 16;
}

Bytes bitmapImage(int width, int height, int bitsPerPixel, std::uint32_t clrUsed, std::uint8_t seed) {
    std::uint32_t entries = clrUsed ? clrUsed : (bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0);
    std::uint32_t xorRow = ((width * bitsPerPixel + 31) >> 3) & ~3u;
    std::uint32_t andRow = ((width + 31) >> 3) & ~3u;
    std::uint32_t pixels = (xorRow + andRow) * height;
    Bytes out(40 + 4 * entries + pixels);
    put32(out, 0, 40);                       // biSize
    put32(out, 4, width);                    // biWidth
    put32(out, 8, 2 * height);               // biHeight: colour bitmap and mask
    put16(out, 12, 1);                       // biPlanes
    put16(out, 14, bitsPerPixel);            // biBitCount
    put32(out, 20, pixels);                  // biSizeImage, non-zero on purpose
    put32(out, 32, clrUsed);                 // biClrUsed
    for (std::size_t i = 40; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return out;
}

Bytes pngImage(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colourType) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
    for (std::uint8_t b : {depth, colourType, std::uint8_t(0), std::uint8_t(0), std::uint8_t(0)}) out.push_back(b);
    out.insert(out.end(), {0xAA, 0xBB, 0xCC, 0xDD});  // the chunk's CRC; not checked
    return out;
}

Bytes icoFile(const std::vector<IcoEntry>& entries, const Bytes& body, std::uint16_t type) {
    Bytes out(6 + 16 * entries.size());
    put16(out, 2, type);
    put16(out, 4, static_cast<std::uint16_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::size_t at = 6 + 16 * i;
        out[at] = entries[i].width;
        out[at + 1] = entries[i].height;
        out[at + 2] = entries[i].colours;
        put16(out, at + 4, 1);
        put32(out, at + 8, entries[i].byteCount);
        put32(out, at + 12, entries[i].offset);
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes icoFileOf(const std::vector<Bytes>& images) {
    std::vector<IcoEntry> entries;
    Bytes body;
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const Bytes& image : images) {
        entries.push_back({static_cast<std::uint32_t>(image.size()), offset});
        offset += static_cast<std::uint32_t>(image.size());
        body.insert(body.end(), image.begin(), image.end());
    }
    return icoFile(entries, body);
}
