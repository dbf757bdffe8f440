// Global memory blocks and a process-local clipboard. An HGLOBAL is a pointer to a block record
// kept in a registry, so a stale handle fails with ERROR_INVALID_HANDLE. Once the clipboard has
// taken a block over, the block is the clipboard's: the program may still lock it to read it,
// but freeing it is refused, and the clipboard frees it when it is emptied or the format is
// replaced. One mutex guards the blocks and the clipboard together.
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

#include "errors_internal.h"
#include "standin_testing.h"

namespace {

struct GlobalBlock {
    std::unique_ptr<std::uint8_t[]> bytes;
    SIZE_T size = 0;
    unsigned lockCount = 0;
    bool ownedByClipboard = false;
};

// Larger requests fail as out of memory, as they would in a 32-bit process, rather than reach
// an allocator that may abort on them.
constexpr SIZE_T kLargestBlock = 0x7FFFFFFF;

std::mutex memoryMutex;
std::unordered_map<HGLOBAL, std::unique_ptr<GlobalBlock>> blocks;

struct Clipboard {
    bool open = false;
    bool heldElsewhere = false;
    std::map<UINT, HGLOBAL> formats;  // each block is owned by the clipboard
};
Clipboard clipboard;

GlobalBlock* findBlockLocked(HGLOBAL memory) {
    auto it = blocks.find(memory);
    return it == blocks.end() ? nullptr : it->second.get();
}

void destroyBlockLocked(HGLOBAL memory) { blocks.erase(memory); }

void emptyClipboardLocked() {
    for (auto& [format, memory] : clipboard.formats) destroyBlockLocked(memory);
    clipboard.formats.clear();
}

// Hands `memory` to the clipboard under `format`, freeing any block it held there before.
void setFormatLocked(UINT format, HGLOBAL memory, GlobalBlock* block) {
    auto it = clipboard.formats.find(format);
    if (it != clipboard.formats.end() && it->second != memory) destroyBlockLocked(it->second);
    clipboard.formats[format] = memory;
    block->ownedByClipboard = true;
}

HGLOBAL allocateLocked(UINT flags, SIZE_T bytes) {
    if (bytes > kLargestBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto block = std::make_unique<GlobalBlock>();
    block->size = bytes;
    if (bytes > 0) {
        block->bytes.reset((flags & GMEM_ZEROINIT) ? new (std::nothrow) std::uint8_t[bytes]()
                                                   : new (std::nothrow) std::uint8_t[bytes]);
        if (!block->bytes) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    HGLOBAL handle = block.get();
    blocks.emplace(handle, std::move(block));
    return handle;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    // Every block is movable here (the handle is never the memory itself), which a caller of
    // GMEM_FIXED memory that goes through GlobalLock cannot tell apart.
    if ((flags & ~(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(memoryMutex);
    return allocateLocked(flags, bytes);
}

LPVOID GlobalLock(HGLOBAL memory) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    GlobalBlock* block = findBlockLocked(memory);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A zero-byte movable block is a discarded one, which has no memory to lock.
    if (block->size == 0) {
        SetLastError(ERROR_DISCARDED);
        return nullptr;
    }
    ++block->lockCount;
    return block->bytes.get();
}

BOOL GlobalUnlock(HGLOBAL memory) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    GlobalBlock* block = findBlockLocked(memory);
    if (!block) return standin::fail(ERROR_INVALID_HANDLE);
    if (block->lockCount == 0) return standin::fail(ERROR_NOT_LOCKED);
    --block->lockCount;
    if (block->lockCount > 0) return TRUE;
    // FALSE with no error means "now unlocked", as documented.
    return standin::fail(ERROR_SUCCESS);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    GlobalBlock* block = findBlockLocked(memory);
    // A block the clipboard owns is no longer the program's to free.
    if (!block || block->ownedByClipboard) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    destroyBlockLocked(memory);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL memory) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    GlobalBlock* block = findBlockLocked(memory);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

BOOL OpenClipboard(HWND /*owner*/) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    if (clipboard.heldElsewhere || clipboard.open) return standin::fail(ERROR_ACCESS_DENIED);
    clipboard.open = true;
    return TRUE;
}

BOOL EmptyClipboard() {
    std::lock_guard<std::mutex> lock(memoryMutex);
    if (!clipboard.open) return standin::fail(ERROR_CLIPBOARD_NOT_OPEN);
    emptyClipboardLocked();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE memory) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    if (!clipboard.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    // Delayed rendering (a null block) needs an owner window, which this clipboard has not.
    if (!memory) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    GlobalBlock* block = findBlockLocked(memory);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    setFormatLocked(format, memory, block);
    return memory;
}

HANDLE GetClipboardData(UINT format) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    if (!clipboard.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    auto it = clipboard.formats.find(format);
    return it == clipboard.formats.end() ? nullptr : it->second;
}

BOOL CloseClipboard() {
    std::lock_guard<std::mutex> lock(memoryMutex);
    if (!clipboard.open) return standin::fail(ERROR_CLIPBOARD_NOT_OPEN);
    clipboard.open = false;
    return TRUE;
}

namespace standin {

std::vector<std::uint8_t> clipboardBytes(unsigned format) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    auto it = clipboard.formats.find(format);
    if (it == clipboard.formats.end()) return {};
    GlobalBlock* block = findBlockLocked(it->second);
    if (!block || block->size == 0) return {};
    return std::vector<std::uint8_t>(block->bytes.get(), block->bytes.get() + block->size);
}

unsigned clipboardFormatCount() {
    std::lock_guard<std::mutex> lock(memoryMutex);
    return static_cast<unsigned>(clipboard.formats.size());
}

void setClipboardHeldElsewhere(bool held) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    clipboard.heldElsewhere = held;
}

// Replaces the block of `format` only; the other formats stay, as when another program adds a
// format to what is there.
void putClipboardBytesAsOtherProgram(unsigned format, const std::vector<std::uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(memoryMutex);
    HGLOBAL memory = allocateLocked(GMEM_MOVEABLE, bytes.size());
    if (!memory) return;
    GlobalBlock* block = findBlockLocked(memory);
    if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), block->bytes.get());
    setFormatLocked(format, memory, block);
}

}  // namespace standin
