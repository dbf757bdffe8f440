// Reading icon groups out of real modules, and the export command over modules and .ico files.
#include <gtest/gtest.h>

#include <memory>

#include "export_command.h"
#include "readers.h"
#include "test_support.h"
#include "writers.h"

namespace {

struct GroupDeleter {
    void operator()(IconGroup* group) const { releaseGroup(group); }
};
using GroupPtr = std::unique_ptr<IconGroup, GroupDeleter>;

Bytes imageBytes(const IconImage& image) { return Bytes(image.bytes, image.bytes + image.byteCount); }

// The images of one .ico file, by entry.
std::vector<Bytes> icoImages(const Bytes& file) {
    std::vector<Bytes> images;
    for (std::uint16_t i = 0; i < u16At(file, 4); ++i) {
        std::uint32_t size = u32At(file, 6 + 16 * i + 8), offset = u32At(file, 6 + 16 * i + 12);
        images.emplace_back(file.begin() + offset, file.begin() + offset + size);
    }
    return images;
}

Bytes cleared(Bytes image) {
    if (image.size() >= 40 && image[0] == 40)
        for (int i = 20; i < 24; ++i) image[i] = 0;
    return image;
}

std::int32_t exportToFile(const std::string& source, const std::string& target, std::int32_t group = 0) {
    return ExportFileIcon(textArgument(source.c_str()), integerArgument(0), textArgument(target.c_str()),
                          group ? integerArgument(group) : omittedArgument());
}

// The images that the fixture's .ico files put into each group of three_groups.
std::vector<Bytes> sourceIcoImages(const char* ico) { return icoImages(readBytes(fixture(ico))); }

}  // namespace

class ThreeGroups : public testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, ThreeGroups, testing::Values("three_groups32.dll", "three_groups64.dll"));

// Every group is exported whole, in enumeration order: the text-named one first, then by id.
TEST_P(ThreeGroups, ExportsEachGroupWithAllItsImagesInOrder) {
    const char* sources[] = {"alpha.ico", "beta.ico", "gamma.ico"};
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        std::string target = scratchPath("g" + std::to_string(n) + ".ico");
        EXPECT_EQ(exportToFile(fixture(GetParam()), target, n), 3);
        EXPECT_EQ(lastExportReport().outcome, ExportOutcome::written);
        std::vector<Bytes> expected = sourceIcoImages(sources[n - 1]);
        std::vector<Bytes> written = icoImages(readBytes(target));
        ASSERT_EQ(written.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(written[i], cleared(expected[i])) << i;
    }
    EXPECT_EQ(exportToFile(fixture(GetParam()), scratchPath("g4.ico"), 4), 0);
    EXPECT_EQ(lastExportReport().outcome, ExportOutcome::groupOutOfRange);
    EXPECT_EQ(lastExportReport().groupsInSource, 3);
    EXPECT_FALSE(fileExists(scratchPath("g4.ico")));
}

TEST_P(ThreeGroups, FindsGroupsByTextAndById) {
    GroupPtr named(readGroupFromModule(fixture(GetParam()).c_str(), "ALPHA"));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->imageCount, 3u);
    EXPECT_STREQ(named->modulePath, fixture(GetParam()).c_str());
    EXPECT_STREQ(named->icoPath, "");
    EXPECT_EQ(named->images[2].format, ImageFormat::png);
    EXPECT_EQ(named->images[2].width, 256);

    GroupPtr byId(readGroupFromModule(fixture(GetParam()).c_str(), MAKEINTRESOURCEA(7)));
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->imageCount, 2u);
    EXPECT_EQ(byId->images[0].width, 48);
    EXPECT_EQ(byId->images[0].bitsPerPixel, 1u);

    EXPECT_EQ(readGroupFromModule(fixture(GetParam()).c_str(), MAKEINTRESOURCEA(3)), nullptr);
    EXPECT_EQ(readGroupFromModule(fixture(GetParam()).c_str(), nullptr), nullptr);
    EXPECT_EQ(readGroupFromModule(fixture("missing.dll").c_str(), "ALPHA"), nullptr);
}

// Groups written by hand: empty, a missing member, a size that disagrees, a shared image.
TEST(OddGroups, ReadsWhatIsThereAndRefusesWhatIsNot) {
    std::string module = fixture("odd_groups32.dll");
    GroupPtr empty(readGroupFromModule(module.c_str(), MAKEINTRESOURCEA(1)));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->imageCount, 0u);

    EXPECT_EQ(readGroupFromModule(module.c_str(), MAKEINTRESOURCEA(2)), nullptr);

    GroupPtr ownSize(readGroupFromModule(module.c_str(), MAKEINTRESOURCEA(3)));
    ASSERT_TRUE(ownSize);
    EXPECT_EQ(ownSize->images[0].byteCount, 744u);  // the entry claims 9999

    GroupPtr four(readGroupFromModule(module.c_str(), MAKEINTRESOURCEA(4)));
    GroupPtr five(readGroupFromModule(module.c_str(), MAKEINTRESOURCEA(5)));
    ASSERT_TRUE(four && five);
    ASSERT_EQ(five->imageCount, 2u);
    EXPECT_EQ(imageBytes(four->images[0]), imageBytes(five->images[0]));

    GroupPtr tiny(readGroupFromModule(module.c_str(), MAKEINTRESOURCEA(6)));
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->images[0].byteCount, 8u);
    EXPECT_EQ(tiny->images[0].format, ImageFormat::other);
}

// The export command's outcomes, by source, target and arguments.
TEST(ExportFileIcon, ResultsAndOutputsFollowTheSourceAndTargetKinds) {
    const std::string dir = scratchDir();
    const std::string three = dir + "/copy.dll";
    writeBytes(three, readBytes(fixture("three_groups32.dll")));
    for (const char* alias : {"TOOL.EXE", "lib.icl", "myexe", "ctl.ocx", "saver.scr"})
        writeBytes(dir + "/" + alias, readBytes(fixture("three_groups32.dll")));
    const std::string ico = dir + "/in.ico";
    writeBytes(dir + "/bad.ico", Bytes{0, 0, 2, 0, 1, 0});
    writeBytes(ico, icoFileOf({bitmapImage(32, 32, 4)}));

    struct Case {
        const char* what;
        std::string source;
        const char* target;  // relative to the scratch folder
        std::int32_t group;
        std::int32_t result;
        ExportOutcome outcome;
    };
    const Case cases[] = {
        {"upper-case extensions", dir + "/TOOL.EXE", "A.ICO", 1, 3, ExportOutcome::written},
        {"icon library", dir + "/lib.icl", "b.ico", 2, 3, ExportOutcome::written},
        {"only the last three characters count", dir + "/myexe", "c.ico", 1, 3, ExportOutcome::written},
        {".ocx is not read", dir + "/ctl.ocx", "d.ico", 1, 0, ExportOutcome::unsupportedSource},
        {".scr is not read", dir + "/saver.scr", "e.ico", 1, 0, ExportOutcome::unsupportedSource},
        {"group 0 means the first", three, "f.ico", 0, 3, ExportOutcome::written},
        {"group -5 means the first", three, "g.ico", -5, 3, ExportOutcome::written},
        {"group past the end", three, "h.ico", 4, 0, ExportOutcome::groupOutOfRange},
        {"a .png target writes nothing", three, "i.png", 1, 3, ExportOutcome::unsupportedTarget},
        {"bitmap target", three, "j.bmp", 2, 3, ExportOutcome::written},
        {".ico source", ico, "k.ico", 1, 1, ExportOutcome::written},
        {".ico source, group 2", ico, "l.ico", 2, 0, ExportOutcome::groupOutOfRange},
        {"missing .ico, group 1, still counts one", dir + "/none.ico", "m.ico", 1, 1, ExportOutcome::sourceNotFound},
        {"missing .ico, group 2", dir + "/none.ico", "n.ico", 2, 0, ExportOutcome::sourceNotFound},
        {"missing module", dir + "/none.exe", "o.ico", 1, 0, ExportOutcome::sourceNotFound},
        {"damaged .ico still counts one group", dir + "/bad.ico", "p.ico", 1, 1, ExportOutcome::icoFileDamaged},
        {"module without icons", fixture("no_icons32.dll"), "q.ico", 1, 0, ExportOutcome::noIconGroup},
        {"group with a missing image", fixture("odd_groups32.dll"), "r.ico", 2, 7, ExportOutcome::groupUnreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string target = dir + "/" + c.target;
        EXPECT_EQ(exportToFile(c.source, target, c.group), c.result);
        EXPECT_EQ(lastExportReport().outcome, c.outcome);
        EXPECT_EQ(fileExists(target), c.outcome == ExportOutcome::written);
    }

    // A text file named .dll is not a module.
    writeBytes(dir + "/text.dll", Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(exportToFile(dir + "/text.dll", dir + "/s.ico"), 0);
    EXPECT_EQ(lastExportReport().outcome, ExportOutcome::notAModule);
}

// The same .ico file may be both source and target: it is closed before it is replaced.
TEST(ExportFileIcon, IcoSourceCanBeItsOwnTarget) {
    std::string path = scratchPath("self.ico");
    Bytes image = bitmapImage(16, 16, 8);
    writeBytes(path, icoFileOf({image}));
    EXPECT_EQ(exportToFile(path, path), 1);
    EXPECT_EQ(lastExportReport().outcome, ExportOutcome::written);
    EXPECT_EQ(icoImages(readBytes(path)), std::vector<Bytes>{cleared(image)});
}

TEST(ExportFileIcon, FileDestinationWithoutTargetDoesNothing) {
    std::string dir = scratchDir();
    EXPECT_EQ(ExportFileIcon(textArgument(fixture("three_groups32.dll").c_str()), integerArgument(0),
                             omittedArgument(), omittedArgument()),
              0);
    EXPECT_EQ(lastExportReport().outcome, ExportOutcome::noTarget);
    EXPECT_EQ(ExportFileIcon(textArgument(fixture("three_groups32.dll").c_str()), integerArgument(0),
                             textArgument(""), omittedArgument()),
              0);
    EXPECT_EQ(ExportFileIcon(textArgument(nullptr), integerArgument(0), textArgument((dir + "/x.ico").c_str()),
                             omittedArgument()),
              0);
    EXPECT_TRUE(folderEntries(dir).empty());
}

// A module's bitmap output refuses images that are not whole bitmaps, and writes nothing.
TEST(ExportFileIcon, BitmapOutputRefusesDamagedImages) {
    std::string dir = scratchDir();
    struct Case {
        std::int32_t group;
        ExportOutcome outcome;
    };
    // Groups of odd_groups: 1 empty, 6 shorter than a header, 7 cut short.
    for (Case c : {Case{1, ExportOutcome::emptyGroup}, Case{6, ExportOutcome::imageNotBitmap},
                   Case{7, ExportOutcome::imageNotBitmap}}) {
        SCOPED_TRACE(c.group);
        EXPECT_EQ(exportToFile(fixture("odd_groups32.dll"), dir + "/x.bmp", c.group), 7);
        EXPECT_EQ(lastExportReport().outcome, c.outcome);
    }
    // The alpha group's first image is a bitmap; the whole group still goes into an .ico.
    EXPECT_EQ(exportToFile(fixture("odd_groups32.dll"), dir + "/seven.ico", 7), 7);
    EXPECT_EQ(lastExportReport().outcome, ExportOutcome::written);
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"seven.ico"});
}
