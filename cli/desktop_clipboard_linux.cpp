// On Linux the engine's clipboard lives in this process only, so its CF_DIB block is handed to
// the desktop clipboard as a BMP through xclip (X11) or wl-copy (Wayland).
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "byte_reader.h"
#include "desktop_clipboard.h"
#include "win32api.h"

namespace {

// The CF_DIB block as a BMP file: a BITMAPFILEHEADER in front of the header, table and rows.
std::vector<std::uint8_t> dibAsBmp(const std::uint8_t* dib, std::size_t size) {
    ByteReader in(dib, size);
    std::uint32_t headerSize = in.u32(0);
    std::uint32_t clrUsed = in.u32(32);
    std::uint16_t bitCount = in.u16(14);
    std::uint32_t entries = clrUsed ? clrUsed : (bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0);
    std::uint64_t bitsOffset = 14ull + headerSize + 4ull * entries;
    std::vector<std::uint8_t> bmp(14 + size);
    bmp[0] = 'B';
    bmp[1] = 'M';
    storeU32(bmp.data() + 2, static_cast<std::uint32_t>(bmp.size()));
    storeU32(bmp.data() + 10, static_cast<std::uint32_t>(bitsOffset));
    std::memcpy(bmp.data() + 14, dib, size);
    return bmp;
}

bool pipeTo(const char* command, const std::vector<std::uint8_t>& bytes) {
    FILE* pipe = popen(command, "w");
    if (!pipe) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), pipe) == bytes.size();
    int status = pclose(pipe);
    return written && status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool publishClipboard(std::string& problem) {
    if (!OpenClipboard(nullptr)) {
        problem = "the clipboard is not available";
        return false;
    }
    std::vector<std::uint8_t> bmp;
    if (HANDLE block = GetClipboardData(CF_DIB)) {
        if (const void* dib = GlobalLock(block)) {
            bmp = dibAsBmp(static_cast<const std::uint8_t*>(dib), GlobalSize(block));
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    if (bmp.empty()) {
        problem = "the clipboard holds no image";
        return false;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    if (wayland && *wayland && pipeTo("wl-copy --type image/bmp 2>/dev/null", bmp)) return true;
    if (x11 && *x11 && pipeTo("xclip -selection clipboard -target image/bmp -in 2>/dev/null", bmp)) return true;
    problem = "no desktop clipboard to put the image on (needs a display and xclip or wl-copy)";
    return false;
}
