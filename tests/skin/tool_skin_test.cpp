// The skin set-up as the real tool does it at start-up, seen from outside: the library it leaves
// beside itself, what it leaves alone on later runs, and the skin its window is drawn in.
// Arguments: the tool's executable, the engine library the build produced, and optionally
// --folder=PATH, an empty folder to run the first start-up in (watched by the test's wrapper).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "skin_data.h"
#include "skin_format.h"
#include "tool_driver.h"

namespace {

std::string toolExe;
std::string builtLibrary;
std::string firstRunFolder;

std::string folderWithTool(const std::string& given = "") {
    std::string folder = given.empty() ? driver::freshFolder("iconx_skin") : given;
    EXPECT_TRUE(CopyFileA(toolExe.c_str(), (folder + "\\iconextractor.exe").c_str(), FALSE)) << folder;
    return folder;
}

// Starts the tool in `folder`, lets it show its window, runs `look` on it and closes it.
template <typename Look>
void runTool(const std::string& folder, Look look) {
    driver::Program tool(folder + "\\iconextractor.exe");
    ASSERT_TRUE(tool.started);
    HWND window = driver::findTopLevel(tool.info.dwProcessId, nullptr, driver::mainCaption);
    ASSERT_NE(window, nullptr) << "the window did not appear";
    look(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tool.exitCode(), 0u);
}

COLORREF screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

COLORREF rgb(skin::Rgb c) { return RGB(c.r, c.g, c.b); }

FILETIME lastWrite(const std::string& path) {
    FILETIME written = {};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) written = data.ftLastWriteTime;
    return written;
}

}  // namespace

TEST(ToolSkin, FirstRunDeploysTheBuiltLibraryHiddenAndWearsSkinEight) {
    const std::string folder = folderWithTool(firstRunFolder);
    const std::string library = folder + "\\SkinH_EL.dll";
    ASSERT_EQ(GetFileAttributesA(library.c_str()), INVALID_FILE_ATTRIBUTES);

    skin::SkinData eight{};
    ASSERT_TRUE(skin::parseSkin(BuiltInSkins[7]->data(), BuiltInSkins[7]->length, eight));
    runTool(folder, [&](HWND window) {
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(300);
        RECT frame;
        GetWindowRect(window, &frame);
        // The frame's corner glows (the aero effect is on) and the client is skin 8's background.
        EXPECT_EQ(screenPixel(frame.left, frame.top), rgb(eight.colours[skin::glow]));
        POINT client = {2, 28};
        ClientToScreen(window, &client);
        EXPECT_EQ(screenPixel(client.x, client.y), rgb(eight.colours[skin::clientBackground]));
        // The caption's last row is mostly the end colour of skin 8's caption gradient.
        int row = frame.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) - 2;
        int matching = 0;
        for (int x = frame.left + 40; x < frame.left + 240; x += 4)
            matching += screenPixel(x, row) == rgb(eight.colours[skin::captionBottom]);
        EXPECT_GE(matching, 25) << "of 50 caption pixels";
    });

    EXPECT_EQ(driver::readFile(library), driver::readFile(builtLibrary)) << "the build's own library, byte for byte";
    DWORD attributes = GetFileAttributesA(library.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY));
}

TEST(ToolSkin, LaterRunsLeaveTheLibraryAsTheyFindIt) {
    const std::string folder = folderWithTool();
    const std::string library = folder + "\\SkinH_EL.dll";
    runTool(folder, [](HWND) {});
    // The user makes the file visible; the next start-ups neither rewrite it nor hide it again.
    ASSERT_TRUE(SetFileAttributesA(library.c_str(), FILE_ATTRIBUTE_NORMAL));
    const std::string bytes = driver::readFile(library);
    const FILETIME written = lastWrite(library);
    Sleep(1100);  // so that a rewrite would show in the time stamp
    runTool(folder, [](HWND) {});
    runTool(folder, [](HWND) {});
    EXPECT_FALSE(GetFileAttributesA(library.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    const FILETIME now = lastWrite(library);
    EXPECT_EQ(CompareFileTime(&written, &now), 0);
    EXPECT_EQ(driver::readFile(library), bytes);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--folder=", 9) == 0) firstRunFolder = argv[i] + 9;
        else if (toolExe.empty()) toolExe = argv[i];
        else builtLibrary = argv[i];
    }
    return RUN_ALL_TESTS();
}
