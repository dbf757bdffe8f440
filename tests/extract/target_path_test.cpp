// The target path of the Extract action: save folder, backslash, base name, ".ico", unchanged.
#include <gtest/gtest.h>

#include <string>

#include "extract_action.h"
#include "runtime.h"

TEST(TargetPath, JoinsTheFourPartsWithoutTrimming) {
    struct Case { const char* folder; const char* name; const char* path; };
    const Case cases[] = {
        {"C:\\out", "7", "C:\\out\\7.ico"},
        {"C:\\out\\", "5", "C:\\out\\\\5.ico"},        // a trailing backslash gives two in a row
        {"C:\\out", "x.ico", "C:\\out\\x.ico.ico"},     // the extension is added again
        {"", "1", "\\1.ico"},                           // the root of the current drive
        {nullptr, nullptr, "\\.ico"},                   // null texts count as empty
        {"D:", "", "D:\\.ico"},
        {" C:\\a b ", " 12 ", " C:\\a b \\ 12 .ico"},   // blanks stay where they are
        {"C:\\输出", "图标", "C:\\输出\\图标.ico"},
    };
    for (const Case& c : cases) {
        TextValue path = buildTargetPath(c.folder, c.name);
        ASSERT_NE(path, nullptr);
        EXPECT_EQ(std::string(path), c.path);
        freeValue(path);
    }
}
