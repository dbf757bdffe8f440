// Global memory blocks and the process-local clipboard.
#include <gtest/gtest.h>

#include <cstring>

#include "standin_testing.h"
#include "temp_folder.h"
#include "win32api.h"

namespace {

class Clipboard : public ::testing::Test {
protected:
    // Each test starts with an empty clipboard that nobody holds.
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        standin::setClipboardHeldElsewhere(false);
        CloseClipboard();
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
    }
    // A movable block holding `bytes`, unlocked again.
    static HGLOBAL block(const std::vector<std::uint8_t>& bytes) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size());
        if (!memory) return nullptr;
        void* at = GlobalLock(memory);
        if (!at) return nullptr;
        std::memcpy(at, bytes.data(), bytes.size());
        GlobalUnlock(memory);
        return memory;
    }
};

TEST_F(Clipboard, TakesOverABlockAndGivesItsBytesBack) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    HGLOBAL memory = block(bytesOf("DIB bytes"));
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(SetClipboardData(CF_DIB, memory), memory);
    EXPECT_EQ(GetClipboardData(CF_DIB), memory);
    EXPECT_TRUE(CloseClipboard());

    EXPECT_EQ(standin::clipboardBytes(CF_DIB), bytesOf("DIB bytes"));
    EXPECT_EQ(standin::clipboardFormatCount(), 1u);
    // The block is the clipboard's now: the program cannot free it from under it.
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GlobalFree(memory), memory);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // Setting the same format again replaces the old block; emptying frees everything.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_NE(SetClipboardData(CF_DIB, block(bytesOf("second"))), nullptr);
    EXPECT_EQ(standin::clipboardFormatCount(), 1u);
    EXPECT_EQ(standin::clipboardBytes(CF_DIB), bytesOf("second"));
    EXPECT_EQ(GlobalSize(memory), 0u);  // the first block is gone
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(standin::clipboardFormatCount(), 0u);
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, HeldElsewhereRefusesToOpenAndKeepsTheContents) {
    standin::putClipboardBytesAsOtherProgram(CF_DIB, bytesOf("theirs"));
    standin::setClipboardHeldElsewhere(true);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(standin::clipboardBytes(CF_DIB), bytesOf("theirs"));
    standin::setClipboardHeldElsewhere(false);
    EXPECT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, CallsThatNeedItOpenFailWhenItIsNot) {
    HGLOBAL memory = block(bytesOf("x"));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    EXPECT_EQ(SetClipboardData(CF_DIB, memory), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    // Not taken over: still the program's to free.
    EXPECT_EQ(GlobalFree(memory), nullptr);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));  // already open
    EXPECT_EQ(SetClipboardData(CF_DIB, memory), nullptr);  // a freed block
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(CloseClipboard());
}

TEST(GlobalMemory, LocksCountAndFlagsAreChecked) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 32);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(GlobalSize(memory), 32u);
    auto* first = static_cast<std::uint8_t*>(GlobalLock(memory));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(first, first + 32), std::vector<std::uint8_t>(32, 0));
    EXPECT_EQ(GlobalLock(memory), first);
    EXPECT_TRUE(GlobalUnlock(memory));  // still locked once
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GlobalUnlock(memory));  // now unlocked
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_FALSE(GlobalUnlock(memory));
    EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
    EXPECT_EQ(GlobalFree(memory), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GlobalLock(memory), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    EXPECT_EQ(GlobalAlloc(0x8000 /* GMEM_DISCARDABLE, not offered */, 4), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(-1)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    // A zero-byte movable block exists but is discarded: nothing to lock.
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DISCARDED);
    EXPECT_EQ(GlobalFree(empty), nullptr);
}

}  // namespace
