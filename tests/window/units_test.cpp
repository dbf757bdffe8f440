// The runtime's operations and the tool's text routines that need no display.
#include <windows.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "number_text.h"
#include "runtime.h"
#include "text_routines.h"

namespace {

std::string take(TextValue text) {
    std::string s = text ? text : "";
    freeValue(text);
    return s;
}

// ---- text routines -------------------------------------------------------------------------

TEST(TextRoutines, ConcatJoinsInOrderAndNeverGivesNull) {
    struct Case { std::vector<const char*> parts; const char* joined; };
    const Case cases[] = {
        {{"C:\\out", "\\", "7", ".ico"}, "C:\\out\\7.ico"},
        {{nullptr, nullptr, nullptr, nullptr}, ""},
        {{"", "a", nullptr, "b"}, "ab"},
        {{"C:\\out\\", "\\", "5", ".ico"}, "C:\\out\\\\5.ico"},  // nothing trimmed
        {{" x ", "图标"}, " x 图标"},
        {{nullptr}, ""},
    };
    for (const Case& c : cases) {
        TextValue joined;
        switch (c.parts.size()) {
        case 1: joined = concatTexts({c.parts[0]}); break;
        case 2: joined = concatTexts({c.parts[0], c.parts[1]}); break;
        default: joined = concatTexts({c.parts[0], c.parts[1], c.parts[2], c.parts[3]}); break;
        }
        ASSERT_NE(joined, nullptr) << c.joined;
        EXPECT_STREQ(joined, c.joined);
        freeValue(joined);
    }
}

TEST(TextRoutines, CompareIsUnsignedBytewiseWithNullAsEmpty) {
    struct Case { const char* a; const char* b; int expected; };
    const Case cases[] = {
        {nullptr, "", 0},
        {"", nullptr, 0},
        {nullptr, nullptr, 0},
        {"abc", "abcd", -1},        // a text against a longer one that begins with it
        {"abcd", "abc", 1},
        {"\xE9", "z", 1},           // 0xE9 is above 'z' when bytes are unsigned
        {"z", "\xE9", -1},
        {"ABC", "abc", -1},         // no case folding
        {nullptr, "a", -1},
        {"图标", "图标", 0},
        {" ", "", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compareTexts(c.a, c.b), c.expected)
            << (c.a ? c.a : "(null)") << " vs " << (c.b ? c.b : "(null)");
}

TEST(TextRoutines, LengthCountsBytes) {
    EXPECT_EQ(textLength(nullptr), 0u);
    EXPECT_EQ(textLength(""), 0u);
    EXPECT_EQ(textLength("图标提取成功！"), 14u);  // GBK: two bytes a character
    static_assert(sizeof("中文") == 5, "GBK execution character set");
}

// ---- numbers -------------------------------------------------------------------------------

TEST(NumberText, ParseReadsTheLongestDecimalPrefix) {
    struct Case { const char* text; double value; };
    const Case cases[] = {
        {"１２", 12},            // full-width digits
        {"2d2", 200},            // d is an exponent letter
        {"2D2", 200},
        {"1e3", 1000},
        {"1E+3", 1000},
        {"12,5", 12},            // the comma is never a separator
        {" 12 ", 12},
        {"\t\n\v\f\r 7", 7},
        {"　12", 12},            // the ideographic space counts as a space
        {"", 0},
        {nullptr, 0},
        {"abc", 0},
        {"12abc", 12},
        {"007", 7},
        {"3.5", 3.5},
        {"-1", -1},
        {"+4", 4},
        {"－３．５", -3.5},      // full-width sign and point
        {".5", 0.5},
        {"5.", 5},
        {".", 0},
        {"-", 0},
        {"1e", 1},               // an exponent needs a digit
        {"1e+", 1},
        {"1e-2", 0.01},
        {"0x10", 0},             // no hexadecimal form
        {"inf", 0},
        {"nan", 0},
        {"1\xA3", 1},            // a lead byte cut off by the end ends the text
        {"\xA3", 0},
        {"1e-999", 0},
        {"9999999999999", 9999999999999.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseNumberText(c.text), c.value) << (c.text ? c.text : "(null)");
}

TEST(NumberText, ValuesBeyondTheRangeOfADoubleStayFinite) {
    EXPECT_EQ(parseNumberText("1e999"), DBL_MAX);
    EXPECT_EQ(parseNumberText("-1e999"), -DBL_MAX);
    EXPECT_TRUE(std::isfinite(parseNumberText("99999e99999999999999999")));
}

TEST(NumberText, FormatIsPercentThirteenGWithAThreeDigitExponent) {
    struct Case { double value; const char* text; };
    const Case cases[] = {
        {0, "0"},
        {10, "10"},
        {4.5, "4.5"},
        {-2.5, "-2.5"},
        {1e13, "1e+013"},
        {1e-5, "1e-005"},
        {0.0001, "0.0001"},
        {1234567890123.0, "1234567890123"},
        {1.5e300, "1.5e+300"},
        {1.0 / 3, "0.3333333333333"},
        {DBL_MAX, "1.797693134862e+308"},
    };
    for (const Case& c : cases) {
        char out[numberTextCapacity];
        std::size_t n = formatNumberText(c.value, out);
        EXPECT_STREQ(out, c.text);
        EXPECT_EQ(n, std::strlen(c.text));
    }
}

// The base name advances by reading it as a number, adding one and writing it back.
TEST(NumberText, BaseNameAdvances) {
    struct Case { const char* before; const char* after; };
    const Case cases[] = {
        {"1", "2"},       {"9", "10"},     {"007", "8"},      {"3.5", "4.5"},
        {"-1", "0"},      {"12abc", "13"}, {"12,5", "13"},    {" 12 ", "13"},
        {"abc", "1"},     {"", "1"},       {"１２", "13"},    {"1e3", "1001"},
        {"2d2", "201"},   {"9999999999999", "1e+013"},        {"1e+013", "1e+013"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(take(numberToText(textToNumber(c.before) + 1.0)), c.after) << c.before;
    // Beyond the range of a double: nothing fails and the text reads back as a finite number.
    std::string huge = take(numberToText(textToNumber("1e999") + 1.0));
    EXPECT_TRUE(std::isfinite(textToNumber(huge.c_str()))) << huge;
}

// ---- memory, files -------------------------------------------------------------------------

TEST(Memory, NewTextCopiesAndEmptyIsNull) {
    EXPECT_EQ(newText("abc", 0), nullptr);
    char source[] = "abc";
    TextValue copy = newText(source, 3);
    source[0] = 'x';
    EXPECT_STREQ(copy, "abc");
    freeValue(copy);
    freeValue(nullptr);
}

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "iconx_units_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& f : created_) {
            SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(f.c_str());
        }
        RemoveDirectoryA(folder_.c_str());
    }
    std::string file(const char* name) {
        created_.push_back(folder_ + "\\" + name);
        return created_.back();
    }
    std::string folder_;
    std::vector<std::string> created_;
};

TEST_F(Files, WriteReplacesTheWholeFile) {
    const std::string path = file("out.bin");
    const std::uint8_t first[] = {1, 2, 3, 4, 5};
    const std::uint8_t second[] = {9, 8};
    ASSERT_TRUE(writeFile(path.c_str(), first, sizeof first));
    ASSERT_TRUE(writeFile(path.c_str(), second, sizeof second));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::uint8_t back[8] = {};
    DWORD read = 0;
    ReadFile(h, back, sizeof back, &read, nullptr);
    CloseHandle(h);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(back[0], 9);
    EXPECT_EQ(back[1], 8);
}

TEST_F(Files, WriteFailures) {
    const std::uint8_t byte = 1;
    EXPECT_FALSE(writeFile("", &byte, 1));
    EXPECT_FALSE(writeFile(nullptr, &byte, 1));
    EXPECT_FALSE(writeFile((folder_ + "\\missing\\x.bin").c_str(), &byte, 1));
    // A file held open without sharing cannot be created anew.
    const std::string path = file("held.bin");
    ASSERT_TRUE(writeFile(path.c_str(), &byte, 1));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(writeFile(path.c_str(), &byte, 1));
    CloseHandle(held);
}

TEST_F(Files, ExistsFindsFilesAndFolders) {
    const std::string path = file("here.bin");
    const std::uint8_t byte = 1;
    ASSERT_TRUE(writeFile(path.c_str(), &byte, 1));
    EXPECT_TRUE(fileExists(path.c_str()));
    EXPECT_TRUE(fileExists(folder_.c_str()));
    EXPECT_FALSE(fileExists((folder_ + "\\nothing.bin").c_str()));
    EXPECT_FALSE(fileExists(""));
    EXPECT_FALSE(fileExists(nullptr));
}

TEST_F(Files, AttributesAreMaskedAndReplaced) {
    const std::string path = file("attr.bin");
    const std::uint8_t byte = 1;
    ASSERT_TRUE(writeFile(path.c_str(), &byte, 1));
    ASSERT_TRUE(setFileAttributes(path.c_str(), 0x1 | 0x2));
    ASSERT_TRUE(setFileAttributes(path.c_str(), 0x2 | 0x10 | 0x80));  // folder and normal bits drop
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(setFileAttributes((folder_ + "\\none.bin").c_str(), 2));
}

TEST_F(Files, OpenNeedsAnExistingWritableFileAndNeverCreates) {
    const std::string missing = file("missing.ico");
    EXPECT_EQ(openFile(missing.c_str()), 0);
    EXPECT_FALSE(fileExists(missing.c_str()));

    const std::string path = file("there.ico");
    const std::uint8_t byte = 1;
    ASSERT_TRUE(writeFile(path.c_str(), &byte, 1));
    // Another program holding it open for reading and writing with sharing does not matter.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    std::intptr_t file = openFile(path.c_str());
    EXPECT_NE(file, 0);
    closeFile(file);
    CloseHandle(other);

    // Held open by another program that shares nothing: not opened. (A read-only file is not
    // checked here: under Wine run as root, the system lets it open for writing.)
    HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(openFile(path.c_str()), 0);
    CloseHandle(exclusive);
    closeFile(0);
}

TEST(Values, ByteBlockLength) {
    struct { ByteBlock header; std::uint8_t bytes[3]; } block = {{1, 3}, {7, 8, 9}};
    EXPECT_EQ(byteBlockLength(&block.header), 3u);
    EXPECT_EQ(byteBlockLength(nullptr), 0u);
    EXPECT_EQ(block.header.data()[2], 9);
}

// ---- commands and library entries ----------------------------------------------------------

CommandArgument seen[4];
std::int32_t recordArguments(const CommandArgument& a, const CommandArgument& b,
                             const CommandArgument& c, const CommandArgument& d) {
    seen[0] = a, seen[1] = b, seen[2] = c, seen[3] = d;
    return 3;
}

TEST(Commands, ArgumentsLeftOutArriveAsOmitted) {
    EXPECT_EQ(callCommand(recordArguments, {textArgument("C:\\a.exe"), integerArgument(0), textArgument("C:\\1.ico")}), 3);
    EXPECT_EQ(seen[0].type, ArgumentType::text);
    EXPECT_STREQ(seen[0].text, "C:\\a.exe");
    EXPECT_EQ(seen[1].type, ArgumentType::integer);
    EXPECT_EQ(seen[1].integer, 0);
    EXPECT_STREQ(seen[2].text, "C:\\1.ico");
    EXPECT_EQ(seen[3].type, ArgumentType::omitted);
}

TEST(LibraryEntries, LoadedAtTheFirstCallKeptAndFreedAtCleanUp) {
    ASSERT_EQ(GetModuleHandleA("iconx_testlib.dll"), nullptr);
    LibraryEntry add = {"iconx_testlib.dll", "AddTwo", nullptr};
    LibraryEntry answer = {"iconx_testlib.dll", "Answer", nullptr};
    const std::int32_t arguments[] = {40, 2};
    EXPECT_EQ(callLibraryEntry(add, arguments, 2), 42);
    EXPECT_NE(add.address, nullptr);
    void* first = add.address;
    const std::int32_t negative[] = {-5, 3};
    EXPECT_EQ(callLibraryEntry(add, negative, 2), -2);
    EXPECT_EQ(add.address, first);
    EXPECT_EQ(callLibraryEntry(answer, nullptr, 0), 42);
    EXPECT_NE(GetModuleHandleA("iconx_testlib.dll"), nullptr);
    cleanUpRuntime();
    EXPECT_EQ(GetModuleHandleA("iconx_testlib.dll"), nullptr);
}

}  // namespace
