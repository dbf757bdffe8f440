// Measures of an image's bytes: colour table, row length, the views into the bytes.
#include <gtest/gtest.h>

#include "icon_model.h"
#include "test_support.h"

namespace {

IconImage measured(Bytes& bytes) {
    IconImage image{};
    image.bytes = bytes.data();
    image.byteCount = static_cast<std::uint32_t>(bytes.size());
    EXPECT_TRUE(measureImage(&image));
    return image;
}

}  // namespace

TEST(MeasureImage, BitmapMeasures) {
    struct Case {
        int width, height, bits;
        std::uint32_t clrUsed;
        std::uint16_t entries, tableBytes;
        std::int32_t row;
    };
    const Case cases[] = {
        {32, 32, 1, 0, 2, 8, 4},        {32, 32, 4, 0, 16, 64, 16},  {32, 32, 8, 0, 256, 1024, 32},
        {32, 32, 8, 20, 20, 80, 32},    {16, 16, 24, 0, 0, 0, 48},   {24, 24, 24, 0, 0, 0, 72},
        {32, 32, 32, 0, 0, 0, 128},     {3, 3, 1, 0, 2, 8, 4},       {33, 8, 4, 0, 16, 64, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits << " clrUsed " << c.clrUsed);
        Bytes bytes = bitmapImage(c.width, c.height, c.bits, c.clrUsed);
        IconImage image = measured(bytes);
        EXPECT_EQ(image.format, ImageFormat::bitmap);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.bitsPerPixel, static_cast<std::uint32_t>(c.bits));
        EXPECT_EQ(colourTableEntries(image), c.entries);
        EXPECT_EQ(colourTableBytes(image), c.tableBytes);
        EXPECT_EQ(rowBytes(image), c.row);
        EXPECT_EQ(image.header, bytes.data());
        EXPECT_EQ(image.xorBits, bytes.data() + 40 + c.tableBytes);
        EXPECT_EQ(image.andBits, image.xorBits + c.row * c.height);
        EXPECT_TRUE(hasCompleteColourBitmap(image));
    }
}

TEST(MeasureImage, PngTakesItsMeasuresFromIhdr) {
    Bytes bytes = pngImage(256, 256, 8, 6);
    IconImage image = measured(bytes);
    EXPECT_EQ(image.format, ImageFormat::png);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 256);
    EXPECT_EQ(image.bitsPerPixel, 32u);
    EXPECT_EQ(image.xorBits, nullptr);
    EXPECT_FALSE(hasCompleteColourBitmap(image));
}

// Damaged images are measured without reading or pointing past their end.
TEST(MeasureImage, DamagedImagesStayInsideTheirBytes) {
    Bytes empty;
    IconImage none = measured(empty);
    EXPECT_EQ(none.format, ImageFormat::other);
    EXPECT_EQ(none.header, nullptr);

    Bytes tiny = {40, 0, 0, 0, 32, 0, 0, 0};
    EXPECT_EQ(measured(tiny).format, ImageFormat::other);

    Bytes truncated = bitmapImage(32, 32, 4);
    truncated.resize(100);
    IconImage cut = measured(truncated);
    EXPECT_EQ(cut.format, ImageFormat::bitmap);
    EXPECT_EQ(cut.width, 32);
    EXPECT_EQ(cut.xorBits, nullptr);  // 40 + 64 lies past the 100 bytes
    EXPECT_EQ(cut.andBits, nullptr);
    EXPECT_FALSE(hasCompleteColourBitmap(cut));

    Bytes hostile = bitmapImage(16, 16, 4);
    hostile[0] = 0xFF;  // biSize far beyond the bytes
    hostile[3] = 0x7F;
    hostile[4] = 0xFF;  // a huge width
    hostile[7] = 0x7F;
    IconImage wild = measured(hostile);
    EXPECT_EQ(wild.xorBits, nullptr);
    EXPECT_EQ(wild.andBits, nullptr);
    EXPECT_FALSE(hasCompleteColourBitmap(wild));

    EXPECT_FALSE(measureImage(nullptr));
}
