// The .ico reader and writer: the published layout, the directory computed afresh from each
// image, and a target that is only ever replaced by a complete file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "readers.h"
#include "test_support.h"
#include "writers.h"

namespace {

struct GroupDeleter {
    void operator()(IconGroup* group) const { releaseGroup(group); }
};
using GroupPtr = std::unique_ptr<IconGroup, GroupDeleter>;

GroupPtr groupOf(const std::vector<Bytes>& images) {
    GroupPtr group(allocateGroup(static_cast<std::uint32_t>(images.size())));
    group->imageCount = static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        IconImage& image = group->images[i];
        image.byteCount = static_cast<std::uint32_t>(images[i].size());
        image.bytes = static_cast<std::uint8_t*>(std::malloc(images[i].size() + 1));
        std::memcpy(image.bytes, images[i].data(), images[i].size());
        measureImage(&image);
    }
    return group;
}

Bytes imageBytes(const IconImage& image) { return Bytes(image.bytes, image.bytes + image.byteCount); }

Bytes withSizeImageCleared(Bytes image) {
    for (int i = 20; i < 24; ++i) image[i] = 0;
    return image;
}

}  // namespace

TEST(IcoWriter, FourBitImageGivesThePublishedLayout) {
    Bytes image = bitmapImage(32, 32, 4);
    ASSERT_EQ(image.size(), 744u);
    GroupPtr group = groupOf({image});
    std::string target = scratchPath("one.ico");
    ASSERT_TRUE(writeIcoFile(group.get(), target.c_str()));

    Bytes file = readBytes(target);
    ASSERT_EQ(file.size(), 766u);
    EXPECT_EQ(u16At(file, 0), 0);   // reserved
    EXPECT_EQ(u16At(file, 2), 1);   // type: icon
    EXPECT_EQ(u16At(file, 4), 1);   // count
    EXPECT_EQ(file[6], 32);         // width
    EXPECT_EQ(file[7], 32);         // height: half of biHeight
    EXPECT_EQ(file[8], 16);         // colours
    EXPECT_EQ(file[9], 0);          // reserved
    EXPECT_EQ(u16At(file, 10), 1);  // planes
    EXPECT_EQ(u16At(file, 12), 4);  // bits per pixel
    EXPECT_EQ(u32At(file, 14), 744u);
    EXPECT_EQ(u32At(file, 18), 22u);
    EXPECT_EQ(Bytes(file.begin() + 22, file.end()), withSizeImageCleared(image));
    // The group in memory is as it was: biSizeImage is put back.
    EXPECT_EQ(imageBytes(group->images[0]), image);
}

TEST(IcoWriter, OffsetsFollowOneAnotherWithoutGaps) {
    Bytes a = bitmapImage(8, 8, 4), b = bitmapImage(16, 16, 8), c = pngImage(256, 256);
    GroupPtr group = groupOf({a, b, c});
    EXPECT_EQ(imageOffset(*group, 0), 54u);
    EXPECT_EQ(imageOffset(*group, 1), 54u + a.size());
    EXPECT_EQ(imageOffset(*group, 2), 54u + a.size() + b.size());

    std::string target = scratchPath("three.ico");
    ASSERT_TRUE(writeIcoFile(group.get(), target.c_str()));
    Bytes file = readBytes(target);
    EXPECT_EQ(file.size(), 54u + a.size() + b.size() + c.size());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(u32At(file, 6 + 16 * i + 12), imageOffset(*group, i)) << i;
}

// Directory entries come from each image's own header, whatever the source's directory said.
TEST(IcoWriter, DirectoryEntriesComeFromTheImages) {
    struct Case {
        const char* what;
        Bytes image;
        std::uint8_t width, height, colours;
        std::uint16_t planes, bits;
    };
    const Case cases[] = {
        {"1 bit", bitmapImage(32, 32, 1), 32, 32, 2, 1, 1},
        {"4 bits", bitmapImage(16, 16, 4), 16, 16, 16, 1, 4},
        {"8 bits", bitmapImage(48, 48, 8), 48, 48, 0, 1, 8},
        {"32 bits", bitmapImage(24, 24, 32), 24, 24, 0, 1, 32},
        {"256 x 256 bitmap", bitmapImage(256, 256, 32), 0, 0, 0, 1, 32},
        {"256 x 256 PNG", pngImage(256, 256, 8, 6), 0, 0, 0, 1, 32},
        {"48 x 48 PNG, RGB", pngImage(48, 48, 8, 2), 48, 48, 0, 1, 24},
        {"palette PNG of 4 bits", pngImage(20, 20, 4, 3), 20, 20, 16, 1, 4},
        {"block too short for a header", Bytes{40, 0, 0, 0, 1, 2, 3}, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GroupPtr group = groupOf({c.image});
        std::string target = scratchPath("entry.ico");
        ASSERT_TRUE(writeIcoFile(group.get(), target.c_str()));
        Bytes file = readBytes(target);
        EXPECT_EQ(file[6], c.width);
        EXPECT_EQ(file[7], c.height);
        EXPECT_EQ(file[8], c.colours);
        EXPECT_EQ(u16At(file, 10), c.planes);
        EXPECT_EQ(u16At(file, 12), c.bits);
        EXPECT_EQ(u32At(file, 14), c.image.size());
    }
}

// Only a bitmap holding a whole header has its biSizeImage cleared: PNG streams and short blocks
// are copied byte for byte.
TEST(IcoWriter, NonBitmapImagesAreCopiedUnchanged) {
    Bytes png = pngImage(256, 256);
    png.resize(64, 0x5A);
    Bytes tiny = {0x28, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};  // 22 bytes
    GroupPtr group = groupOf({png, tiny});
    std::string target = scratchPath("raw.ico");
    ASSERT_TRUE(writeIcoFile(group.get(), target.c_str()));
    Bytes file = readBytes(target);
    std::size_t first = 6 + 32;
    EXPECT_EQ(Bytes(file.begin() + first, file.begin() + first + png.size()), png);
    EXPECT_EQ(Bytes(file.begin() + first + png.size(), file.end()), tiny);
}

TEST(IcoWriter, EmptyGroupGivesSixBytes) {
    GroupPtr group = groupOf({});
    std::string target = scratchPath("empty.ico");
    ASSERT_TRUE(writeIcoFile(group.get(), target.c_str()));
    EXPECT_EQ(readBytes(target), (Bytes{0, 0, 1, 0, 0, 0}));
}

TEST(IcoWriter, ReplacesAnExistingFileWhole) {
    std::string target = scratchPath("old.ico");
    writeBytes(target, Bytes(5000, 0xEE));
    GroupPtr group = groupOf({bitmapImage(16, 16, 4)});
    ASSERT_TRUE(writeIcoFile(group.get(), target.c_str()));
    EXPECT_EQ(readBytes(target).size(), 6u + 16u + group->images[0].byteCount);
    EXPECT_EQ(folderEntries(scratchDir()), std::vector<std::string>{"old.ico"});
}

TEST(IcoWriter, MissingFolderCreatesNothing) {
    GroupPtr group = groupOf({bitmapImage(16, 16, 4)});
    std::string target = scratchPath("no-such-folder/x.ico");
    EXPECT_FALSE(writeIcoFile(group.get(), target.c_str()));
    EXPECT_TRUE(folderEntries(scratchDir()).empty());
}

// A target that cannot be replaced (read-only) keeps its old content and no temporary file is
// left beside it.
TEST(IcoWriter, FailedReplacementLeavesTheOldFileAndNoLeftovers) {
    std::string target = scratchPath("locked.ico");
    Bytes old(100, 0x11);
    writeBytes(target, old);
    makeReadOnly(target);
    GroupPtr group = groupOf({bitmapImage(16, 16, 4)});
    EXPECT_FALSE(writeIcoFile(group.get(), target.c_str()));
    EXPECT_EQ(readBytes(target), old);
    EXPECT_EQ(folderEntries(scratchDir()), std::vector<std::string>{"locked.ico"});
}

// ---- reading ------------------------------------------------------------------------------

TEST(IcoReader, ReadsEachImageAtItsOwnOffset) {
    Bytes a = bitmapImage(16, 16, 4, 0, 1), b = bitmapImage(32, 32, 8, 0, 2);
    // Directory, 7 bytes of padding, b, 3 bytes of gap, a, then trailing bytes; the second
    // entry repeats the first.
    std::uint32_t base = 6 + 16 * 3;
    Bytes body(7, 0xAB);
    std::uint32_t bAt = base + 7;
    body.insert(body.end(), b.begin(), b.end());
    body.insert(body.end(), 3, 0xCD);
    std::uint32_t aAt = bAt + static_cast<std::uint32_t>(b.size()) + 3;
    body.insert(body.end(), a.begin(), a.end());
    body.insert(body.end(), 9, 0xEF);
    Bytes file = icoFile({{static_cast<std::uint32_t>(a.size()), aAt, 99, 1, 200},
                          {static_cast<std::uint32_t>(a.size()), aAt},
                          {static_cast<std::uint32_t>(b.size()), bAt}},
                         body);
    std::string path = scratchPath("scattered.ico");
    writeBytes(path, file);

    GroupPtr group(readIcoFile(path.c_str()));
    ASSERT_TRUE(group);
    ASSERT_EQ(group->imageCount, 3u);
    EXPECT_STREQ(group->icoPath, path.c_str());
    EXPECT_STREQ(group->modulePath, "");
    EXPECT_EQ(imageBytes(group->images[0]), a);
    EXPECT_EQ(imageBytes(group->images[1]), a);
    EXPECT_EQ(imageBytes(group->images[2]), b);
    // Measures come from the image's header, not from the directory's claims.
    EXPECT_EQ(group->images[0].width, 16);
    EXPECT_EQ(group->images[0].height, 16);
    EXPECT_EQ(group->images[0].bitsPerPixel, 4u);
    EXPECT_EQ(group->images[2].bitsPerPixel, 8u);
}

TEST(IcoReader, ZeroImagesGiveAnEmptyGroup) {
    std::string path = scratchPath("none.ico");
    writeBytes(path, Bytes{0, 0, 1, 0, 0, 0});
    GroupPtr group(readIcoFile(path.c_str()));
    ASSERT_TRUE(group);
    EXPECT_EQ(group->imageCount, 0u);
}

TEST(IcoReader, RefusesDamagedFiles) {
    Bytes image = bitmapImage(16, 16, 4);
    Bytes good = icoFileOf({image});
    struct Case {
        const char* what;
        Bytes file;
    };
    Bytes cursor = good;
    cursor[2] = 2;
    Bytes reserved = good;
    reserved[0] = 1;
    Bytes shortLast = good;
    shortLast.pop_back();
    Bytes farOffset = good;
    farOffset[6 + 12] = 0xFF;  // offset beyond the end of the file
    farOffset[6 + 15] = 0x7F;
    Bytes hugeCount = good;
    hugeCount[6 + 8] = 0xFF;  // byte count of 4 GB
    hugeCount[6 + 9] = 0xFF;
    hugeCount[6 + 10] = 0xFF;
    hugeCount[6 + 11] = 0xFF;
    Bytes manyImages = {0, 0, 1, 0, 0xFF, 0xFF};  // 65535 images announced, no directory
    const Case cases[] = {
        {"empty file", {}},
        {"header cut short", {0, 0, 1, 0, 1}},
        {"cursor file (type 2)", cursor},
        {"reserved word not 0", reserved},
        {"last image one byte short", shortLast},
        {"offset past the end", farOffset},
        {"byte count past the end", hugeCount},
        {"directory shorter than announced", manyImages},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = scratchPath("bad.ico");
        writeBytes(path, c.file);
        EXPECT_EQ(readIcoFile(path.c_str()), nullptr);
    }
    EXPECT_EQ(readIcoFile(scratchPath("missing.ico").c_str()), nullptr);
}

// Read, write, read back: the same images in the same order; only biSizeImage is cleared.
TEST(IcoRoundTrip, WrittenFileReadsBackToTheSameImages) {
    std::vector<Bytes> images = {bitmapImage(16, 16, 1), bitmapImage(32, 32, 4, 0, 3), bitmapImage(48, 48, 8, 20),
                                 bitmapImage(64, 64, 32), pngImage(256, 256)};
    std::string source = scratchPath("source.ico");
    writeBytes(source, icoFileOf(images));
    GroupPtr first(readIcoFile(source.c_str()));
    ASSERT_TRUE(first);
    std::string copy = scratchPath("copy.ico");
    ASSERT_TRUE(writeIcoFile(first.get(), copy.c_str()));
    GroupPtr second(readIcoFile(copy.c_str()));
    ASSERT_TRUE(second);
    ASSERT_EQ(second->imageCount, images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        Bytes expected = images[i].size() >= 40 && images[i][0] == 40 ? withSizeImageCleared(images[i]) : images[i];
        EXPECT_EQ(imageBytes(second->images[i]), expected) << i;
        EXPECT_EQ(second->images[i].width, first->images[i].width);
        EXPECT_EQ(second->images[i].bitsPerPixel, first->images[i].bitsPerPixel);
    }
    // A written file is stable: writing it again gives the same bytes.
    std::string again = scratchPath("again.ico");
    ASSERT_TRUE(writeIcoFile(second.get(), again.c_str()));
    EXPECT_EQ(readBytes(again), readBytes(copy));
}

#ifndef _WIN32
#include "standin_testing.h"

// A disk that fills up part of the way: at every cut-off point, the earlier target survives
// whole and nothing else is left in the folder.
TEST(IcoWriter, WriteThatBreaksOffLeavesTheOldFileWhole) {
    GroupPtr group = groupOf({bitmapImage(16, 16, 4), bitmapImage(32, 32, 8)});
    std::string target = scratchPath("kept.ico");
    Bytes old(300, 0x22);
    std::uint32_t total = imageOffset(*group, 2);
    for (std::uint32_t budget : {0u, 1u, 5u, 6u, 21u, 38u, 39u, total - 1}) {
        SCOPED_TRACE(budget);
        writeBytes(target, old);
        standin::failWritesAfter(budget);
        EXPECT_FALSE(writeIcoFile(group.get(), target.c_str()));
        standin::failWritesAfter(-1);
        EXPECT_EQ(readBytes(target), old);
        EXPECT_EQ(folderEntries(scratchDir()), std::vector<std::string>{"kept.ico"});
        // The group is whole again: biSizeImage was put back after the failed write.
        EXPECT_NE(u32At(Bytes(group->images[0].bytes, group->images[0].bytes + 40), 20), 0u);
    }
    standin::failWritesAfter(total);
    EXPECT_TRUE(writeIcoFile(group.get(), target.c_str()));
    standin::failWritesAfter(-1);
    EXPECT_EQ(readBytes(target).size(), total);
}

TEST(BitmapWriter, WriteThatBreaksOffLeavesNothing) {
    GroupPtr group = groupOf({bitmapImage(32, 32, 4)});
    std::string target = scratchPath("x.bmp");
    for (long long budget : {0LL, 13LL, 14LL, 629LL}) {
        standin::failWritesAfter(budget);
        EXPECT_FALSE(writeImageAsBitmap(target.c_str(), &group->images[0]));
        standin::failWritesAfter(-1);
        EXPECT_TRUE(folderEntries(scratchDir()).empty()) << budget;
        EXPECT_EQ(group->images[0].bytes[8], 64) << budget;  // biHeight put back
    }
}
#endif
