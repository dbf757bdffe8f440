// Modules and resources, over real PE32 and PE32+ modules built from resources.rc, and over
// copies of them with single fields patched to show each kind of damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "win32api.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t get16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8); }
std::uint32_t get32(const Bytes& b, std::size_t at) { return get16(b, at) | static_cast<std::uint32_t>(get16(b, at + 2)) << 16; }
void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// Where things are in a fixture, found independently of the code under test so that patches
// land on the intended field.
struct Layout {
    std::size_t coff = 0;           // IMAGE_FILE_HEADER
    std::size_t optional = 0;       // optional header
    std::size_t directories = 0;    // data directory array
    std::size_t sectionTable = 0;
    std::size_t sectionCount = 0;
    std::size_t rawEnd = 0;         // end of the last section's raw data
    std::size_t resources = 0;      // file offset of the root resource table
    std::size_t resourceSection = 0;  // section header of the section holding it

    explicit Layout(const Bytes& b) {
        coff = get32(b, 0x3C) + 4;
        sectionCount = get16(b, coff + 2);
        optional = coff + 20;
        directories = optional + (get16(b, optional) == 0x20b ? 112 : 96);
        sectionTable = optional + get16(b, coff + 16);
        std::uint32_t resourceRva = get32(b, directories + 16);
        for (std::size_t i = 0; i < sectionCount; ++i) {
            std::size_t s = sectionTable + 40 * i;
            std::uint32_t va = get32(b, s + 12), raw = get32(b, s + 16), ptr = get32(b, s + 20);
            rawEnd = std::max<std::size_t>(rawEnd, ptr + raw);
            if (resourceRva >= va && resourceRva - va < raw) {
                resources = ptr + (resourceRva - va);
                resourceSection = s;
            }
        }
    }
    // File offset of entry `i` of the table at `table` (an offset in the resource section).
    std::size_t entry(std::size_t table, std::size_t i) const { return resources + table + 16 + 8 * i; }
    // File offset of the entry named by `id` in the table at `table`.
    std::size_t idEntry(const Bytes& b, std::size_t table, std::uint32_t id) const {
        std::size_t count = get16(b, resources + table + 12) + get16(b, resources + table + 14);
        for (std::size_t i = 0; i < count; ++i)
            if (get32(b, entry(table, i)) == id) return entry(table, i);
        ADD_FAILURE() << "no entry " << id;
        return entry(table, 0);
    }
    // Offset in the resource section of the table below the entry at file offset `at`.
    std::size_t below(const Bytes& b, std::size_t at) const { return get32(b, at + 4) & 0x7FFFFFFF; }
    // File offsets of the entries for type `type`, name `id`, and its first language.
    std::size_t typeEntry(const Bytes& b, std::uint32_t type) const { return idEntry(b, 0, type); }
    std::size_t nameEntry(const Bytes& b, std::uint32_t type, std::uint32_t id) const {
        return idEntry(b, below(b, typeEntry(b, type)), id);
    }
    std::size_t languageEntry(const Bytes& b, std::uint32_t type, std::uint32_t id) const {
        return entry(below(b, nameEntry(b, type, id)), 0);
    }
    std::size_t dataEntry(const Bytes& b, std::uint32_t type, std::uint32_t id) const {
        return resources + get32(b, languageEntry(b, type, id) + 4);
    }
};

std::string fixturePath(const std::string& name) { return std::string(STANDIN_FIXTURE_DIR) + "/" + name; }

// Names handed to the enumeration callback: texts as given, ids as "#n".
BOOL CALLBACK collectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    auto* names = reinterpret_cast<std::vector<std::string>*>(param);
    names->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name);
    return TRUE;
}

BOOL CALLBACK stopAtFirst(HMODULE, LPCSTR, LPSTR, LONG_PTR param) {
    ++*reinterpret_cast<int*>(param);
    return FALSE;
}

// Loads a module and frees it at the end of the scope.
struct LoadedModule {
    HMODULE handle;
    explicit LoadedModule(const std::string& path) : handle(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule() {
        if (handle) FreeLibrary(handle);
    }
};

// The names of `type`, or {"error N"} when the enumeration fails.
std::vector<std::string> namesOf(HMODULE module, LPCSTR type) {
    std::vector<std::string> names;
    SetLastError(0xdeadbeef);
    if (!EnumResourceNamesA(module, type, collectName, reinterpret_cast<LONG_PTR>(&names)))
        return {"error " + std::to_string(GetLastError())};
    return names;
}

// The bytes of a resource, or none with the error in `error`.
bool resourceBytes(HMODULE module, LPCSTR name, LPCSTR type, Bytes& bytes, DWORD& error) {
    SetLastError(0xdeadbeef);
    HRSRC found = FindResourceA(module, name, type);
    error = GetLastError();
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    auto* at = static_cast<const std::uint8_t*>(LockResource(loaded));
    DWORD size = SizeofResource(module, found);
    if (!at) return false;
    bytes.assign(at, at + size);
    return true;
}

class PeModule : public ::testing::TestWithParam<const char*> {
protected:
    std::string path() const { return fixturePath(GetParam()); }
    Bytes original() const { return readWholeFile(path()); }
    // Writes a patched copy of the fixture and gives its path.
    std::string patched(const std::function<void(Bytes&, const Layout&)>& patch) {
        Bytes bytes = original();
        Layout layout(bytes);
        patch(bytes, layout);
        std::string copy = folder / "patched.dll";
        writeWholeFile(copy, bytes);
        return copy;
    }
    TempFolder folder;
};

TEST_P(PeModule, EnumeratesNamedEntriesThenIdsInStoredOrder) {
    LoadedModule module(path());
    ASSERT_NE(module.handle, nullptr) << GetLastError();
    // Names are stored upper-cased (ASCII letters only) and sorted; ß is U+00DF in UTF-8.
    EXPECT_EQ(namesOf(module.handle, RT_GROUP_ICON),
              (std::vector<std::string>{"ALPHA", "STRA\xC3\x9F" "E", "ZETA", "#2", "#9"}));
    EXPECT_EQ(namesOf(module.handle, RT_ICON), (std::vector<std::string>{"#1", "#2", "#5"}));
    // A text type, looked up in any case; a name outside the 16-bit range comes out whole.
    EXPECT_EQ(namesOf(module.handle, "blob"), (std::vector<std::string>{"\xC3\x96\xF0\x9F\x98\x80"}));
    EXPECT_EQ(namesOf(module.handle, "#14").size(), 5u);
}

TEST_P(PeModule, FindsEveryEnumeratedNameWithItsSize) {
    LoadedModule module(path());
    ASSERT_NE(module.handle, nullptr);
    std::vector<std::string> names = namesOf(module.handle, RT_GROUP_ICON);
    // Sizes of the group data in resources.rc: one entry is 6 + 14 bytes, none is 6.
    const std::vector<DWORD> sizes = {6, 6, 20, 6, 20};
    ASSERT_EQ(names.size(), sizes.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        Bytes bytes;
        DWORD error = 0;
        ASSERT_TRUE(resourceBytes(module.handle, names[i].c_str(), RT_GROUP_ICON, bytes, error)) << names[i] << " " << error;
        EXPECT_EQ(bytes.size(), sizes[i]) << names[i];
        EXPECT_EQ(get16(bytes, 2), 1) << names[i];  // the group layout's type field
    }
}

TEST_P(PeModule, FindsByIdTextAndNumberText) {
    LoadedModule module(path());
    ASSERT_NE(module.handle, nullptr);
    struct Case {
        LPCSTR name;
        LPCSTR type;
        Bytes expected;
    };
    const Case cases[] = {
        {MAKEINTRESOURCEA(1), RT_ICON, bytesOf("abcd")},
        {MAKEINTRESOURCEA(2), RT_ICON, bytesOf("1234567")},
        {MAKEINTRESOURCEA(5), RT_ICON, Bytes(256, 0x5A)},
        {"#5", "#3", Bytes(256, 0x5A)},
        {"#00002", RT_ICON, bytesOf("1234567")},
        {"\xC3\x96\xF0\x9F\x98\x80", "BLOB", bytesOf("xyz")},
    };
    for (const Case& c : cases) {
        Bytes bytes;
        DWORD error = 0;
        ASSERT_TRUE(resourceBytes(module.handle, c.name, c.type, bytes, error)) << error;
        EXPECT_EQ(bytes, c.expected);
    }
    // ASCII letters compare without case; other bytes exactly.
    for (LPCSTR name : {"zeta", "Zeta", "ZETA", "stra\xC3\x9F" "e"})
        EXPECT_NE(FindResourceA(module.handle, name, RT_GROUP_ICON), nullptr) << name;
    EXPECT_EQ(FindResourceA(module.handle, "STRA\xC3\x9F" "X", RT_GROUP_ICON), nullptr);
    // The same resource found twice gives the same handle.
    EXPECT_EQ(FindResourceA(module.handle, "zeta", RT_GROUP_ICON), FindResourceA(module.handle, "ZETA", RT_GROUP_ICON));
}

TEST_P(PeModule, MissingTypesAndNamesSetTheirErrors) {
    LoadedModule module(path());
    ASSERT_NE(module.handle, nullptr);
    struct Case {
        LPCSTR name;
        LPCSTR type;
        DWORD error;
    };
    const Case cases[] = {
        {MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(4), ERROR_RESOURCE_TYPE_NOT_FOUND},
        {MAKEINTRESOURCEA(1), "NOSUCHTYPE", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {MAKEINTRESOURCEA(99), RT_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"ZETA", RT_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},  // a text name where only ids are
        {"#abc", RT_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"#65537", RT_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},  // not id 1 by wrapping
        {"#", RT_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"ZET", RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(FindResourceA(module.handle, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(namesOf(module.handle, MAKEINTRESOURCEA(4)),
              std::vector<std::string>{"error " + std::to_string(ERROR_RESOURCE_TYPE_NOT_FOUND)});
    EXPECT_EQ(SizeofResource(module.handle, nullptr), 0u);
}

TEST_P(PeModule, CallbackReturningFalseStopsTheEnumeration) {
    LoadedModule module(path());
    ASSERT_NE(module.handle, nullptr);
    int calls = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(EnumResourceNamesA(module.handle, RT_GROUP_ICON, stopAtFirst, reinterpret_cast<LONG_PTR>(&calls)));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_ENUM_USER_STOP);
    EXPECT_EQ(calls, 1);
}

TEST_P(PeModule, HandlesOfAFreedModuleAreRefused) {
    HMODULE module = LoadLibraryExA(path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), RT_ICON);
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(LoadResource(module, found), nullptr);
    EXPECT_EQ(namesOf(module, RT_ICON), std::vector<std::string>{"error " + std::to_string(ERROR_INVALID_HANDLE)});
}

// Damage to the headers: refused as not a module, or loaded without usable resources.
TEST_P(PeModule, DamagedHeadersAreRefusedOrLeaveNoResources) {
    struct Case {
        const char* what;
        std::function<void(Bytes&, const Layout&)> patch;
        bool loads;
    };
    const Case cases[] = {
        {"no MZ", [](Bytes& b, const Layout&) { b[0] = 'X'; }, false},
        {"e_lfanew past the end", [](Bytes& b, const Layout&) { put32(b, 0x3C, 0xFFFFFFF0); }, false},
        {"no PE signature", [](Bytes& b, const Layout& l) { b[l.coff - 4] = 'X'; }, false},
        {"unknown optional magic", [](Bytes& b, const Layout& l) { put16(b, l.optional, 0x107); }, false},
        {"optional header past the end", [](Bytes& b, const Layout& l) { put16(b, l.coff + 16, 0xFFFF); }, false},
        {"optional header too short for its directories",
         [](Bytes& b, const Layout& l) { put16(b, l.coff + 16, static_cast<std::uint16_t>(l.directories - l.optional + 8)); },
         false},
        {"section table past the end", [](Bytes& b, const Layout& l) { put16(b, l.coff + 2, 0xFFFF); }, false},
        {"section data past the end",
         [](Bytes& b, const Layout& l) { put32(b, l.resourceSection + 20, static_cast<std::uint32_t>(b.size())); }, false},
        {"section size wraps",
         [](Bytes& b, const Layout& l) { put32(b, l.resourceSection + 16, 0xFFFFFFFF); }, false},
        // NumberOfRvaAndSizes beyond 16 is clamped, as the loader does.
        {"huge directory count", [](Bytes& b, const Layout& l) { put32(b, l.directories - 4, 0xFFFFFFFF); }, true},
        {"no resource directory", [](Bytes& b, const Layout& l) { put32(b, l.directories + 16, 0); }, true},
        {"resource RVA outside every section",
         [](Bytes& b, const Layout& l) { put32(b, l.directories + 16, 0x7FFF0000); }, true},
        {"only two directories", [](Bytes& b, const Layout& l) { put32(b, l.directories - 4, 2); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string copy = patched(c.patch);
        SetLastError(0xdeadbeef);
        LoadedModule module(copy);
        if (!c.loads) {
            EXPECT_EQ(module.handle, nullptr);
            EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
            continue;
        }
        ASSERT_NE(module.handle, nullptr);
        if (std::string(c.what) == "huge directory count") {
            EXPECT_EQ(namesOf(module.handle, RT_ICON).size(), 3u);
            continue;
        }
        EXPECT_EQ(namesOf(module.handle, RT_ICON),
                  std::vector<std::string>{"error " + std::to_string(ERROR_RESOURCE_DATA_NOT_FOUND)});
        EXPECT_EQ(FindResourceA(module.handle, MAKEINTRESOURCEA(1), RT_ICON), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    }
}

TEST_P(PeModule, EveryTruncationIsRefused) {
    Bytes bytes = original();
    Layout layout(bytes);
    ASSERT_GT(layout.rawEnd, 64u);
    std::string copy = folder / "truncated.dll";
    for (std::size_t length = 0; length < layout.rawEnd; ++length) {
        writeWholeFile(copy, Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
        SetLastError(0xdeadbeef);
        LoadedModule module(copy);
        ASSERT_EQ(module.handle, nullptr) << length;
        ASSERT_EQ(GetLastError(), ERROR_BAD_FORMAT) << length;
    }
}

// Damage inside the resource tree: what it touches fails with ERROR_RESOURCE_DATA_NOT_FOUND,
// and the rest of the tree still works.
TEST_P(PeModule, DamagedTreesFailWhereDamagedOnly) {
    struct Case {
        const char* what;
        std::function<void(Bytes&, const Layout&)> patch;
        std::vector<std::string> icons;  // names of type 3 afterwards
        bool findIcon5;                  // FindResourceA(5, RT_ICON) succeeds afterwards
        bool groupsIntact;               // type 14 still lists its five names
    };
    const std::string dataError = "error " + std::to_string(ERROR_RESOURCE_DATA_NOT_FOUND);
    const std::vector<std::string> icons = {"#1", "#2", "#5"};
    const Case cases[] = {
        {"root entry count that cannot fit",
         [](Bytes& b, const Layout& l) { put16(b, l.resources + 12, 0xFFFF); put16(b, l.resources + 14, 0xFFFF); },
         {dataError}, false, false},
        {"name table count that cannot fit",
         [](Bytes& b, const Layout& l) { put16(b, l.resources + l.below(b, l.typeEntry(b, 3)) + 14, 0x2000); },
         {dataError}, false, true},
        {"type entry pointing back to the root table",
         [](Bytes& b, const Layout& l) { put32(b, l.typeEntry(b, 3) + 4, 0x80000000); }, {dataError}, false, true},
        {"name entry pointing back to its own table",
         [](Bytes& b, const Layout& l) {
             put32(b, l.nameEntry(b, 3, 5) + 4, 0x80000000 | static_cast<std::uint32_t>(l.below(b, l.typeEntry(b, 3))));
         },
         icons, false, true},
        {"language entry pointing back to its own table",
         [](Bytes& b, const Layout& l) {
             put32(b, l.languageEntry(b, 3, 5) + 4, 0x80000000 | static_cast<std::uint32_t>(l.below(b, l.nameEntry(b, 3, 5))));
         },
         icons, false, true},
        {"table offset past the section",
         [](Bytes& b, const Layout& l) { put32(b, l.nameEntry(b, 3, 5) + 4, 0xFFFFFFF0); }, icons, false, true},
        {"data entry offset past the section",
         [](Bytes& b, const Layout& l) { put32(b, l.languageEntry(b, 3, 5) + 4, 0x7FFFFFF8); }, icons, false, true},
        {"data RVA past the end of the file",
         [](Bytes& b, const Layout& l) { put32(b, l.dataEntry(b, 3, 5), 0xFFFFFF00); }, icons, false, true},
        {"data size past the end of its section",
         [](Bytes& b, const Layout& l) { put32(b, l.dataEntry(b, 3, 5) + 4, 0x10000); }, icons, false, true},
        {"data size that would wrap",
         [](Bytes& b, const Layout& l) { put32(b, l.dataEntry(b, 3, 5) + 4, 0xFFFFFFFF); }, icons, false, true},
        {"name text longer than the section",
         [](Bytes& b, const Layout& l) {
             std::size_t names = l.below(b, l.typeEntry(b, 14));
             put16(b, l.resources + (get32(b, l.entry(names, 2)) & 0x7FFFFFFF), 0xFFFF);  // ZETA
         },
         icons, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedModule module(patched(c.patch));
        ASSERT_NE(module.handle, nullptr);
        EXPECT_EQ(namesOf(module.handle, RT_ICON), c.icons);
        SetLastError(0xdeadbeef);
        HRSRC found = FindResourceA(module.handle, MAKEINTRESOURCEA(5), RT_ICON);
        EXPECT_EQ(found != nullptr, c.findIcon5);
        if (!found) {
            EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
        }
        EXPECT_EQ(namesOf(module.handle, RT_GROUP_ICON).size() == 5, c.groupsIntact);
        if (c.icons == icons) {
            Bytes bytes;
            DWORD error = 0;
            EXPECT_TRUE(resourceBytes(module.handle, MAKEINTRESOURCEA(1), RT_ICON, bytes, error));
            EXPECT_EQ(bytes, bytesOf("abcd"));
        }
    }
}

TEST_P(PeModule, NameTooLongIsSkippedByTheEnumerationAndNotFound) {
    LoadedModule module(patched([](Bytes& b, const Layout& l) {
        std::size_t names = l.below(b, l.typeEntry(b, 14));
        put16(b, l.resources + (get32(b, l.entry(names, 2)) & 0x7FFFFFFF), 0xFFFF);
    }));
    ASSERT_NE(module.handle, nullptr);
    EXPECT_EQ(namesOf(module.handle, RT_GROUP_ICON),
              (std::vector<std::string>{"ALPHA", "STRA\xC3\x9F" "E", "#2", "#9"}));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(FindResourceA(module.handle, "ZETA", RT_GROUP_ICON), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST_P(PeModule, DataReachingExactlyToTheSectionEndIsAccepted) {
    Bytes bytes = original();
    Layout layout(bytes);
    std::size_t entry = layout.dataEntry(bytes, 3, 5);
    std::uint32_t rva = get32(bytes, entry);
    std::size_t s = layout.resourceSection;
    std::uint32_t toEnd = get32(bytes, s + 12) + get32(bytes, s + 16) - rva;
    for (std::uint32_t size : {toEnd, toEnd + 1}) {
        LoadedModule module(patched([&](Bytes& b, const Layout&) { put32(b, entry + 4, size); }));
        ASSERT_NE(module.handle, nullptr);
        HRSRC found = FindResourceA(module.handle, MAKEINTRESOURCEA(5), RT_ICON);
        EXPECT_EQ(found != nullptr, size == toEnd) << size;
        if (found) {
            EXPECT_EQ(SizeofResource(module.handle, found), toEnd);
        }
    }
}

// Every byte of the resource section set to 0xFF and to 0x00 in turn: whatever the lookups
// give, nothing may read outside the file (the sanitizers watch).
TEST_P(PeModule, NoSingleDamagedByteInTheTreeReadsOutsideTheFile) {
    Bytes bytes = original();
    Layout layout(bytes);
    std::string copy = folder / "swept.dll";
    const std::size_t end = layout.resources + get32(bytes, layout.directories + 20);
    for (std::size_t at = layout.resources; at < end && at < bytes.size(); ++at) {
        for (std::uint8_t value : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
            Bytes damaged = bytes;
            damaged[at] = value;
            writeWholeFile(copy, damaged);
            LoadedModule module(copy);
            ASSERT_NE(module.handle, nullptr);
            const LPCSTR types[] = {RT_ICON, RT_GROUP_ICON, "BLOB"};
            for (LPCSTR type : types) {
                std::vector<std::string> names = namesOf(module.handle, type);
                for (const std::string& name : names) {
                    Bytes found;
                    DWORD error = 0;
                    resourceBytes(module.handle, name.c_str(), type, found, error);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeModule, ::testing::Values("resources32.dll", "resources64.dll"));

TEST(LoadLibraryExA, RefusesWhatIsNotAModuleWithTheMatchingError) {
    TempFolder folder;
    writeWholeFile(folder / "text.dll", bytesOf(std::string(200, 'x')));
    writeWholeFile(folder / "empty.dll", {});
    Bytes mzOnly(64, 0);
    mzOnly[0] = 'M';
    mzOnly[1] = 'Z';
    writeWholeFile(folder / "mz.dll", mzOnly);  // e_lfanew 0: "MZ" where "PE" should be
    std::filesystem::create_directory(folder / "folder.dll");
    const std::string module = fixturePath("resources32.dll");
    struct Case {
        std::string path;
        HANDLE file;
        DWORD flags;
        DWORD error;
    };
    const Case cases[] = {
        {folder / "missing.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE, ERROR_FILE_NOT_FOUND},
        {folder / "no/missing.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE, ERROR_PATH_NOT_FOUND},
        {folder / "text.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_FORMAT},
        {folder / "empty.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_FORMAT},
        {folder / "mz.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_FORMAT},
        {folder / "folder.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE, ERROR_ACCESS_DENIED},
        {module, nullptr, 0, ERROR_INVALID_PARAMETER},
        {module, nullptr, LOAD_LIBRARY_AS_DATAFILE | 0x20, ERROR_INVALID_PARAMETER},
        {module, reinterpret_cast<HANDLE>(1), LOAD_LIBRARY_AS_DATAFILE, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(LoadLibraryExA(c.path.c_str(), c.file, c.flags), nullptr) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST(LoadLibraryExA, TwoMappingsOfOneFileAreIndependent) {
    const std::string module = fixturePath("resources64.dll");
    LoadedModule first(module);
    HMODULE second = LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(first.handle, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.handle, second);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(namesOf(first.handle, RT_ICON).size(), 3u);
}

}  // namespace
