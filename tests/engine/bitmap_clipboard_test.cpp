// The two single-image outputs: the .bmp file and the clipboard's CF_DIB block.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "export_command.h"
#include "test_support.h"
#include "writers.h"
#ifndef _WIN32
#include "standin_testing.h"
#endif

namespace {

struct OwnedImage {
    Bytes storage;
    IconImage image{};
    explicit OwnedImage(Bytes bytes) : storage(std::move(bytes)) {
        image.bytes = storage.data();
        image.byteCount = static_cast<std::uint32_t>(storage.size());
        measureImage(&image);
    }
};

Bytes clipboardDib() {
#ifdef _WIN32
    Bytes bytes;
    if (!OpenClipboard(nullptr)) return bytes;
    if (HANDLE block = GetClipboardData(CF_DIB)) {
        const auto* data = static_cast<const std::uint8_t*>(GlobalLock(block));
        if (data) bytes.assign(data, data + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
#else
    return standin::clipboardBytes(CF_DIB);
#endif
}

void putOnClipboard(const Bytes& bytes) {
#ifdef _WIN32
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    SetClipboardData(CF_DIB, block);
    CloseClipboard();
#else
    standin::putClipboardBytesAsOtherProgram(CF_DIB, bytes);
#endif
}

// Keeps the clipboard open, as another program would, for the holder's lifetime.
class ClipboardHeldElsewhere {
public:
#ifdef _WIN32
    ClipboardHeldElsewhere() {
        holder_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            // The other program's clipboard owner is a window of its own thread.
            HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            opened_ = OpenClipboard(owner) != FALSE;
            ready_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return release_; });
            if (opened_) CloseClipboard();
            DestroyWindow(owner);
        });
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return ready_; });
    }
    ~ClipboardHeldElsewhere() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            release_ = true;
        }
        changed_.notify_all();
        holder_.join();
    }
    bool holding() const { return opened_; }

private:
    std::thread holder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false, release_ = false, opened_ = false;
#else
    ClipboardHeldElsewhere() { standin::setClipboardHeldElsewhere(true); }
    ~ClipboardHeldElsewhere() { standin::setClipboardHeldElsewhere(false); }
    bool holding() const { return true; }
#endif
};

}  // namespace

TEST(BitmapOutput, FileSizesAndLayout) {
    struct Case {
        int width, height, bits;
        std::uint32_t clrUsed;
        std::uint32_t fileSize, bitsOffset;
    };
    const Case cases[] = {
        {32, 32, 4, 0, 630, 118},   // 16-entry table, 16-byte rows
        {32, 32, 32, 0, 4150, 54},  // no table
        {32, 32, 1, 0, 190, 62},    // 8-byte table, 4-byte rows
        {32, 32, 8, 20, 1158, 134}, // biClrUsed 20: a table of 80 bytes, not 1024
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, clrUsed " << c.clrUsed);
        OwnedImage icon(bitmapImage(c.width, c.height, c.bits, c.clrUsed));
        Bytes before = icon.storage;
        std::string target = scratchPath("x.bmp");
        ASSERT_TRUE(writeImageAsBitmap(target.c_str(), &icon.image));
        Bytes file = readBytes(target);
        ASSERT_EQ(file.size(), c.fileSize);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(u32At(file, 2), c.fileSize);
        EXPECT_EQ(u32At(file, 6), 0u);
        EXPECT_EQ(u32At(file, 10), c.bitsOffset);
        EXPECT_EQ(u32At(file, 14 + 8), static_cast<std::uint32_t>(c.height));  // biHeight halved
        EXPECT_EQ(u32At(file, 14 + 20), u32At(before, 20));  // biSizeImage as stored
        // Table and XOR rows are the image's own bytes.
        EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), before.begin() + 40));
        EXPECT_EQ(icon.storage, before);  // the image is given back unchanged
    }
}

TEST(BitmapOutput, RefusesWhatItCannotWriteWhole) {
    OwnedImage cut([] {
        Bytes b = bitmapImage(32, 32, 4);
        b.resize(300);
        return b;
    }());
    OwnedImage png(pngImage(256, 256));
    Bytes oddHeader = bitmapImage(16, 16, 4);
    oddHeader[0] = 108;  // a longer header than the bitmap file format here carries
    OwnedImage v4(oddHeader);
    for (OwnedImage* image : {&cut, &png, &v4}) {
        EXPECT_FALSE(writeImageAsBitmap(scratchPath("x.bmp").c_str(), &image->image));
        EXPECT_FALSE(copyImageToClipboard(image->image));
    }
    OwnedImage good(bitmapImage(16, 16, 4));
    EXPECT_FALSE(writeImageAsBitmap(scratchPath("no-folder/x.bmp").c_str(), &good.image));
    EXPECT_TRUE(folderEntries(scratchDir()).empty());
}

TEST(ClipboardOutput, PutsTheWholeImageAtTheIconsHeight) {
    OwnedImage icon(bitmapImage(32, 32, 4));
    ASSERT_TRUE(copyImageToClipboard(icon.image));
    Bytes dib = clipboardDib();
    ASSERT_GE(dib.size(), icon.storage.size());  // the system may round a block up
    dib.resize(icon.storage.size());
    Bytes expected = icon.storage;
    expected[8] = 32;  // biHeight halved: the mask stays behind the colour rows, unseen
    EXPECT_EQ(dib, expected);
    EXPECT_EQ(icon.storage[8], 64);  // the image itself is not changed
}

TEST(ClipboardOutput, ExportCommandUsesTheClipboardWhenNoFileIsAsked) {
    std::string dir = scratchDir();
    for (CommandArgument destination : {omittedArgument(), integerArgument(7), integerArgument(1)}) {
        putOnClipboard(Bytes(64, 0x33));
        EXPECT_EQ(ExportFileIcon(textArgument(fixture("three_groups32.dll").c_str()), destination,
                                 textArgument((dir + "/ignored.ico").c_str()), integerArgument(2)),
                  3);
        EXPECT_EQ(lastExportReport().outcome, ExportOutcome::written);
        Bytes dib = clipboardDib();
        ASSERT_GE(dib.size(), 40u);
        EXPECT_EQ(u32At(dib, 4), 32u);  // group 2 is one 32 x 32 image
        EXPECT_EQ(u32At(dib, 8), 32u);
    }
    EXPECT_TRUE(folderEntries(dir).empty());
}

// When the clipboard cannot be had, or the image is refused, what it held stays.
TEST(ClipboardOutput, KeepsFormerContentsWhenItCannotPutTheImage) {
    Bytes former(48, 0x44);
    putOnClipboard(former);
    OwnedImage icon(bitmapImage(16, 16, 8));
    {
        ClipboardHeldElsewhere other;
        ASSERT_TRUE(other.holding());
        EXPECT_FALSE(copyImageToClipboard(icon.image));
    }
    OwnedImage png(pngImage(256, 256));
    EXPECT_FALSE(copyImageToClipboard(png.image));
    Bytes now = clipboardDib();
    ASSERT_GE(now.size(), former.size());
    now.resize(former.size());
    EXPECT_EQ(now, former);
}
