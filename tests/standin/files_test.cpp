// Files: creation modes, reading, writing, seeking, the read-only rules Windows applies, moves,
// and the injected full disk. Also the per-thread last error.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

#include "standin_testing.h"
#include "temp_folder.h"
#include "win32api.h"

namespace {

class Files : public ::testing::Test {
protected:
    void TearDown() override { standin::failWritesAfter(-1); }

    HANDLE open(const std::string& path, DWORD access, DWORD creation) {
        return CreateFileA(path.c_str(), access, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    // Creates `name` holding `text` and gives its path.
    std::string make(const std::string& name, const std::string& text) {
        std::string path = folder / name;
        writeWholeFile(path, bytesOf(text));
        return path;
    }
    static void makeReadOnly(const std::string& path) { ::chmod(path.c_str(), 0444); }

    TempFolder folder;
};

TEST_F(Files, WritesReadsAndSeeks) {
    std::string path = folder / "a.bin";
    HANDLE file = open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 10u);
    EXPECT_TRUE(FlushFileBuffers(file));

    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    char buffer[16] = {};
    ASSERT_TRUE(ReadFile(file, buffer, 3, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "456");
    EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 8u);
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 7u);
    // A read that reaches the end gives what is there and succeeds; at the end it gives 0.
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "789");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 0u);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    LONG high = 1;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(file, 5, &high, FILE_BEGIN), 5u);  // 4 GiB + 5: a sparse position
    EXPECT_EQ(high, 1);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);  // beyond 32 bits
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(readWholeFile(path), bytesOf("0123456789"));
}

TEST_F(Files, CreationModesAndTheirErrors) {
    std::string existing = make("old.txt", "old contents");
    struct Case {
        std::string path;
        DWORD access;
        DWORD creation;
        DWORD error;  // the last error after the call; ERROR_SUCCESS or ERROR_ALREADY_EXISTS on success
        bool opens;
    };
    const Case cases[] = {
        {existing, GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS, false},
        {folder / "missing.txt", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND, false},
        {folder / "no/such.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND, false},
        {"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND, false},
        {existing, GENERIC_READ, 4 /* OPEN_ALWAYS, not offered */, ERROR_INVALID_PARAMETER, false},
        {folder / "", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED, false},  // a folder
        {existing, GENERIC_READ, OPEN_EXISTING, ERROR_SUCCESS, true},
        {folder / "new.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_SUCCESS, true},
        {existing, GENERIC_WRITE, CREATE_ALWAYS, ERROR_ALREADY_EXISTS, true},
    };
    for (const Case& c : cases) {
        SetLastError(0xdeadbeef);
        HANDLE file = open(c.path, c.access, c.creation);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    // CREATE_ALWAYS replaced the old file with an empty one.
    EXPECT_TRUE(readWholeFile(existing).empty());
}

TEST_F(Files, HandlesOnlyDoWhatTheyWereOpenedFor) {
    std::string path = make("a.txt", "abc");
    HANDLE reader = open(path, GENERIC_READ, OPEN_EXISTING);
    HANDLE writer = open(path, GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD done = 7;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(ReadFile(writer, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_TRUE(CloseHandle(writer));

    // A closed or made-up handle is refused, not used.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CloseHandle(reader));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetFilePointer(reader, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
}

// The tests run as root, where the kernel ignores missing write bits; Windows' read-only rules
// must hold anyway.
TEST_F(Files, ReadOnlyFilesAreNeitherWrittenReplacedNorDeleted) {
    std::string path = make("locked.txt", "keep me");
    makeReadOnly(path);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_READONLY);
    for (DWORD creation : {OPEN_EXISTING, CREATE_ALWAYS}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(open(path, GENERIC_WRITE, creation), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE reader = open(path, GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    EXPECT_EQ(readWholeFile(path), bytesOf("keep me"));
}

TEST_F(Files, MovesReplaceOnlyWhatWindowsWouldReplace) {
    std::string source = make("new.tmp", "new");
    std::string plain = make("plain.txt", "plain");
    std::string locked = make("locked.txt", "locked");
    makeReadOnly(locked);
    std::string directory = folder / "dir";
    std::filesystem::create_directory(directory);

    struct Case {
        std::string from, to;
        DWORD flags;
        DWORD error;
    };
    const Case refused[] = {
        {source, plain, 0, ERROR_ALREADY_EXISTS},
        {source, locked, MOVEFILE_REPLACE_EXISTING, ERROR_ACCESS_DENIED},
        {source, directory, MOVEFILE_REPLACE_EXISTING, ERROR_ACCESS_DENIED},
        {folder / "missing", plain, MOVEFILE_REPLACE_EXISTING, ERROR_FILE_NOT_FOUND},
        {source, folder / "no/target", MOVEFILE_REPLACE_EXISTING, ERROR_PATH_NOT_FOUND},
        {source, plain, 0x4 /* MOVEFILE_COPY_ALLOWED, not offered */, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : refused) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(MoveFileExA(c.from.c_str(), c.to.c_str(), c.flags)) << c.to;
        EXPECT_EQ(GetLastError(), c.error) << c.to;
    }
    EXPECT_EQ(readWholeFile(source), bytesOf("new"));
    EXPECT_EQ(readWholeFile(plain), bytesOf("plain"));
    EXPECT_EQ(readWholeFile(locked), bytesOf("locked"));

    EXPECT_TRUE(MoveFileExA(source.c_str(), plain.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(readWholeFile(plain), bytesOf("new"));
    EXPECT_EQ(GetFileAttributesA(source.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string renamed = folder / "renamed.txt";
    EXPECT_TRUE(MoveFileExA(plain.c_str(), renamed.c_str(), 0));
    EXPECT_EQ(readWholeFile(renamed), bytesOf("new"));
}

TEST_F(Files, DeleteAndAttributes) {
    std::string path = make("a.txt", "a");
    std::string directory = folder / "dir";
    std::filesystem::create_directory(directory);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesA(directory.c_str()), FILE_ATTRIBUTE_DIRECTORY);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileA(directory.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA((folder / "no/a.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

// The write that crosses the limit stops at it and fails; every later write fails whole.
TEST_F(Files, InjectedFullDiskCutsTheCrossingWriteShort) {
    struct Case {
        long long limit;
        std::vector<DWORD> writes;
        std::vector<DWORD> written;
        std::vector<bool> succeeded;
        std::size_t fileSize;
    };
    const Case cases[] = {
        {10, {6, 6, 1}, {6, 4, 0}, {true, false, false}, 10},
        {12, {6, 6, 1}, {6, 6, 0}, {true, true, false}, 12},
        {0, {2}, {0}, {false}, 0},
        {-1, {6, 6}, {6, 6}, {true, true}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        std::string path = folder / "out.bin";
        HANDLE file = open(path, GENERIC_WRITE, CREATE_ALWAYS);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        standin::failWritesAfter(c.limit);
        for (std::size_t i = 0; i < c.writes.size(); ++i) {
            DWORD done = 99;
            SetLastError(0xdeadbeef);
            BOOL ok = WriteFile(file, "abcdefgh", c.writes[i], &done, nullptr);
            EXPECT_EQ(ok != FALSE, c.succeeded[i]) << i;
            EXPECT_EQ(done, c.written[i]) << i;
            if (!ok) {
                EXPECT_EQ(GetLastError(), ERROR_DISK_FULL) << i;
            }
        }
        standin::failWritesAfter(-1);
        CloseHandle(file);
        EXPECT_EQ(readWholeFile(path).size(), c.fileSize);
    }
}

TEST(LastError, BelongsToEachThread) {
    SetLastError(1234);
    DWORD seenElsewhere = 0xdeadbeef;
    std::thread other([&] {
        seenElsewhere = GetLastError();
        SetLastError(42);
    });
    other.join();
    EXPECT_EQ(seenElsewhere, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), 1234u);
}

}  // namespace
