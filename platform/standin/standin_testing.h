// Hooks of the Linux stand-in that only tests use: they let a test see what the engine left on
// the clipboard, pretend another program holds it, and make file writes fail part of the way.
#pragma once
#include <cstdint>
#include <vector>

namespace standin {

// The bytes of the block last handed to SetClipboardData in `format`, or empty when none.
std::vector<std::uint8_t> clipboardBytes(unsigned format);
// How many blocks the clipboard currently owns (0 after EmptyClipboard).
unsigned clipboardFormatCount();
// While true, OpenClipboard fails as if another program had the clipboard open.
void setClipboardHeldElsewhere(bool held);
// Puts a block of `bytes` in `format` on the clipboard as another program would.
void putClipboardBytesAsOtherProgram(unsigned format, const std::vector<std::uint8_t>& bytes);

// After `bytes` more bytes have been written through WriteFile, every write fails (or is cut
// short at that point) with ERROR_DISK_FULL. A negative value switches the fault off.
void failWritesAfter(long long bytes);

}  // namespace standin
