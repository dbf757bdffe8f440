// PE modules mapped as data files, and their resources.
//
// The file is mapped read-only, never read whole. Loading checks the DOS header, the PE
// signature, the COFF header, a PE32 or PE32+ optional header and the section table, and refuses
// (ERROR_BAD_FORMAT) a module whose headers or section data reach past the end of the file, as
// a truncated file does. RVAs are turned into file offsets through the section table; only the
// file-backed part of a section (its SizeOfRawData) counts.
//
// The resource tree (published layout: IMAGE_RESOURCE_DIRECTORY, 16 bytes, then 8-byte
// entries; names as a 16-bit length and UTF-16 units; IMAGE_RESOURCE_DATA_ENTRY, 16 bytes) is
// walked as exactly three levels: type, name, language. Every table, entry and name is read
// through a ByteReader over the resource section; a table whose entry count cannot fit in what
// is left of the section is refused, and a table that points back to a table above it on the
// path is refused, so a looping tree neither hangs nor recurses.
//
// Errors: a module without a resource section, or whose tree cannot be read at the point
// needed (a table out of bounds, an impossible count, a loop, a data entry whose bytes are not
// wholly inside the file), gives ERROR_RESOURCE_DATA_NOT_FOUND; a well-formed tree that lacks
// the type, name or language gives ERROR_RESOURCE_TYPE_/NAME_/LANG_NOT_FOUND. A data entry
// whose bytes lie outside the file is refused by FindResourceA, so SizeofResource never reports
// bytes that cannot be read.
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "byte_reader.h"
#include "errors_internal.h"

namespace {

// Owns one read-only mapping of a whole file.
class Mapping {
public:
    Mapping() = default;
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    ~Mapping() {
        if (base_) ::munmap(base_, size_);
    }
    // Maps the open descriptor `fd` of `size` bytes (size above 0); false with errno on failure.
    bool map(int fd, std::size_t size) {
        void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (at == MAP_FAILED) return false;
        // Resources are looked up here and there, never read front to back: without this hint
        // the kernel's read-ahead would pull most of a large module in for a few small reads.
        ::madvise(at, size, MADV_RANDOM);
        base_ = at;
        size_ = size;
        return true;
    }
    const std::uint8_t* data() const { return static_cast<const std::uint8_t*>(base_); }
    std::size_t size() const { return size_; }

private:
    void* base_ = nullptr;
    std::size_t size_ = 0;
};

// Closes a descriptor on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
};

// What an HRSRC points at: the resource's bytes inside the mapping.
struct ResourceRecord {
    const std::uint8_t* data = nullptr;
    DWORD size = 0;
};

struct Module {
    Mapping mapping;
    std::vector<Section> sections;
    const std::uint8_t* resources = nullptr;  // the resource section from the root table on
    std::size_t resourcesSize = 0;
    std::mutex recordsMutex;
    // Keyed by the data entry's offset in the resource section, so finding the same resource
    // twice gives the same handle and the map cannot outgrow the tree.
    std::map<std::size_t, ResourceRecord> records;
};

std::mutex modulesMutex;
std::unordered_map<HMODULE, std::unique_ptr<Module>> modules;

// The module behind `handle`, or null with ERROR_INVALID_HANDLE. Valid until FreeLibrary.
Module* findModule(HMODULE handle) {
    std::lock_guard<std::mutex> lock(modulesMutex);
    auto it = modules.find(handle);
    if (it == modules.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

// File offset and the file-backed bytes from there to the end of the section holding `rva`.
bool rvaToFile(const Module& module, std::uint32_t rva, std::size_t& offset, std::size_t& available) {
    for (const Section& section : module.sections) {
        if (rva < section.virtualAddress) continue;
        std::uint32_t into = rva - section.virtualAddress;
        if (into >= section.rawSize) continue;
        offset = static_cast<std::size_t>(section.rawOffset) + into;
        available = section.rawSize - into;
        return true;
    }
    return false;
}

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kTableHeader = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;

// A type or name as a caller gives it: an integer id, or a text. "#123" stands for id 123.
struct ResourceKey {
    bool valid = true;
    bool isId = false;
    WORD id = 0;
    std::string text;
};

ResourceKey keyFrom(LPCSTR name) {
    ResourceKey key;
    if (IS_INTRESOURCE(name)) {
        key.isId = true;
        key.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
        return key;
    }
    if (name[0] != '#') {
        key.text = name;
        return key;
    }
    // Only a plain decimal number that fits a 16-bit id; anything else names nothing.
    key.isId = true;
    unsigned long value = 0;
    const char* digit = name + 1;
    if (*digit == '\0') key.valid = false;
    for (; *digit && key.valid; ++digit) {
        if (*digit < '0' || *digit > '9') key.valid = false;
        value = value * 10 + static_cast<unsigned long>(*digit - '0');
        if (value > 0xFFFF) key.valid = false;
    }
    key.id = static_cast<WORD>(value);
    return key;
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool equalIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// One table of the resource tree: where its entries start and how many there are.
struct Table {
    std::size_t entries = 0;
    std::size_t count = 0;
};

// Reads the resource section of one module. Offsets are from the start of the root table.
class ResourceTree {
public:
    explicit ResourceTree(const Module& module) : reader_(module.resources, module.resourcesSize) {}

    // The table at `offset`, or false when its header or its entries do not fit.
    bool table(std::size_t offset, Table& table) {
        if (!reader_.has(offset, kTableHeader)) return false;
        std::size_t count = static_cast<std::size_t>(reader_.u16(offset + 12)) + reader_.u16(offset + 14);
        if (count > (reader_.size() - offset - kTableHeader) / kEntrySize) return false;
        table.entries = offset + kTableHeader;
        table.count = count;
        return true;
    }
    std::uint32_t nameField(const Table& table, std::size_t i) { return reader_.u32(table.entries + i * kEntrySize); }
    std::uint32_t targetField(const Table& table, std::size_t i) {
        return reader_.u32(table.entries + i * kEntrySize + 4);
    }

    // The text name that `nameField` points at, as UTF-8; false when it does not fit.
    bool nameText(std::uint32_t nameField, std::string& out) {
        std::size_t offset = nameField & ~kHighBit;
        if (!reader_.has(offset, 2)) return false;
        std::size_t units = reader_.u16(offset);
        const std::uint8_t* at = reader_.bytes(offset + 2, units * 2);
        if (!at) return false;
        out.clear();
        ByteReader text(at, units * 2);
        for (std::size_t i = 0; i < units; ++i) {
            std::uint32_t unit = text.u16(i * 2);
            if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
                std::uint32_t low = text.u16((i + 1) * 2);
                if (low >= 0xDC00 && low < 0xE000) {
                    appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
            // A lone surrogate cannot be written as UTF-8.
            appendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
        }
        return true;
    }

    // The index of the first entry of `table` that matches `key`, or -1.
    long find(const Table& table, const ResourceKey& key) {
        std::string text;
        for (std::size_t i = 0; i < table.count; ++i) {
            std::uint32_t name = nameField(table, i);
            if (key.isId) {
                if (!(name & kHighBit) && name == key.id) return static_cast<long>(i);
            } else if ((name & kHighBit) && nameText(name, text) && equalIgnoringAsciiCase(text, key.text)) {
                return static_cast<long>(i);
            }
        }
        return -1;
    }

    // The table below entry `i` of `table`, refusing a data entry and any table already on the
    // path from the root (`above`, `aboveCount` offsets).
    bool child(const Table& table, std::size_t i, const std::size_t* above, std::size_t aboveCount, std::size_t& offset,
               Table& result) {
        std::uint32_t target = targetField(table, i);
        if (!(target & kHighBit)) return false;
        offset = target & ~kHighBit;
        for (std::size_t k = 0; k < aboveCount; ++k)
            if (above[k] == offset) return false;
        return this->table(offset, result);
    }

    bool dataEntry(std::size_t offset, std::uint32_t& rva, std::uint32_t& size) {
        if (!reader_.has(offset, kDataEntrySize)) return false;
        rva = reader_.u32(offset);
        size = reader_.u32(offset + 4);
        return true;
    }

private:
    ByteReader reader_;
};

// The name table of `type` in `module`: sets the last error and gives false when there is none.
bool findNameTable(const Module& module, ResourceTree& tree, LPCSTR type, std::size_t& offset, Table& names) {
    Table types;
    if (!module.resources || !tree.table(0, types)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    ResourceKey key = keyFrom(type);
    long at = key.valid ? tree.find(types, key) : -1;
    if (at < 0) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    const std::size_t root = 0;
    if (!tree.child(types, static_cast<std::size_t>(at), &root, 1, offset, names)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    return true;
}

}  // namespace

HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) {
    if (!fileName || file || flags != LOAD_LIBRARY_AS_DATAFILE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Descriptor fd(::open(fileName, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        standin::failFromErrno(fileName);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        standin::failFromErrno(fileName);
        return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // Smaller than a DOS header, or not a regular file: not a module.
    if (!S_ISREG(info.st_mode) || info.st_size < 64) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    auto module = std::make_unique<Module>();
    if (!module->mapping.map(fd.get(), static_cast<std::size_t>(info.st_size))) {
        standin::failFromErrno(fileName);
        return nullptr;
    }

    ByteReader file_(module->mapping.data(), module->mapping.size());
    auto notAModule = [] {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    };
    // IMAGE_DOS_HEADER: "MZ", and e_lfanew at 0x3C.
    if (file_.u16(0) != 0x5A4D) return notAModule();
    const std::size_t peOffset = file_.u32(0x3C);
    // "PE\0\0" and the 20-byte IMAGE_FILE_HEADER.
    if (!file_.has(peOffset, 24) || !file_.matches(peOffset, "PE\0\0", 4)) return notAModule();
    const std::size_t coff = peOffset + 4;
    const std::size_t sectionCount = file_.u16(coff + 2);
    const std::size_t optionalSize = file_.u16(coff + 16);
    const std::size_t optional = coff + 20;
    if (!file_.has(optional, optionalSize) || optionalSize < 2) return notAModule();

    // IMAGE_OPTIONAL_HEADER32 / 64: NumberOfRvaAndSizes and the data directories.
    std::size_t directories;
    switch (file_.u16(optional)) {
        case 0x10b:
            directories = 96;
            break;
        case 0x20b:
            directories = 112;
            break;
        default:
            return notAModule();
    }
    if (optionalSize < directories) return notAModule();
    std::size_t directoryCount = file_.u32(optional + directories - 4);
    if (directoryCount > 16) directoryCount = 16;  // the loader looks at no more than 16
    if (directoryCount > (optionalSize - directories) / 8) return notAModule();
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
    if (directoryCount > 2) {
        resourceRva = file_.u32(optional + directories + 2 * 8);
        resourceSize = file_.u32(optional + directories + 2 * 8 + 4);
    }

    // IMAGE_SECTION_HEADER, 40 bytes each, right after the optional header.
    const std::size_t sectionTable = optional + optionalSize;
    if (!file_.has(sectionTable, sectionCount * 40)) return notAModule();
    module->sections.reserve(sectionCount);
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = sectionTable + i * 40;
        Section section;
        section.virtualAddress = file_.u32(at + 12);
        section.rawSize = file_.u32(at + 16);
        section.rawOffset = file_.u32(at + 20);
        if (section.rawSize != 0 && !file_.has(section.rawOffset, section.rawSize)) return notAModule();
        module->sections.push_back(section);
    }
    if (file_.failed()) return notAModule();

    // A module without resources, or whose resource directory lies outside its sections, is
    // still a module; looking for resources in it then fails.
    if (resourceRva != 0 && resourceSize != 0) {
        std::size_t offset = 0;
        std::size_t available = 0;
        if (rvaToFile(*module, resourceRva, offset, available)) {
            module->resources = module->mapping.data() + offset;
            module->resourcesSize = available;
        }
    }

    HMODULE handle = reinterpret_cast<HMODULE>(module.get());
    std::lock_guard<std::mutex> lock(modulesMutex);
    modules.emplace(handle, std::move(module));
    return handle;
}

BOOL FreeLibrary(HMODULE handle) {
    std::unique_ptr<Module> module;
    {
        std::lock_guard<std::mutex> lock(modulesMutex);
        auto it = modules.find(handle);
        if (it == modules.end()) return standin::fail(ERROR_INVALID_HANDLE);
        module = std::move(it->second);
        modules.erase(it);
    }
    return TRUE;  // the mapping goes with the module
}

BOOL EnumResourceNamesA(HMODULE handle, LPCSTR type, ENUMRESNAMEPROCA callback, LONG_PTR param) {
    Module* module = findModule(handle);
    if (!module) return FALSE;
    if (!callback) return standin::fail(ERROR_INVALID_PARAMETER);
    ResourceTree tree(*module);
    std::size_t namesOffset = 0;
    Table names;
    if (!findNameTable(*module, tree, type, namesOffset, names)) return FALSE;
    if (names.count == 0) return standin::fail(ERROR_RESOURCE_TYPE_NOT_FOUND);

    // Entries in stored order: the named ones come first in a well-formed table. The text of
    // a name lives in `text` only until the next callback.
    std::string text;
    for (std::size_t i = 0; i < names.count; ++i) {
        std::uint32_t name = tree.nameField(names, i);
        LPSTR handed;
        if (name & kHighBit) {
            if (!tree.nameText(name, text)) continue;
            handed = text.data();
        } else {
            if (name > 0xFFFF) continue;  // not an id a caller could name
            handed = MAKEINTRESOURCEA(name);
        }
        if (!callback(handle, type, handed, param)) return standin::fail(ERROR_RESOURCE_ENUM_USER_STOP);
    }
    return TRUE;
}

HRSRC FindResourceA(HMODULE handle, LPCSTR name, LPCSTR type) {
    Module* module = findModule(handle);
    if (!module) return nullptr;
    ResourceTree tree(*module);
    std::size_t path[3] = {0, 0, 0};
    Table names;
    if (!findNameTable(*module, tree, type, path[1], names)) return nullptr;

    ResourceKey key = keyFrom(name);
    long at = key.valid ? tree.find(names, key) : -1;
    if (at < 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    Table languages;
    if (!tree.child(names, static_cast<std::size_t>(at), path, 2, path[2], languages)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    if (languages.count == 0) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    // The first language; its entry must be a data entry, not another table.
    std::uint32_t target = tree.targetField(languages, 0);
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
    std::size_t offset = 0;
    std::size_t available = 0;
    if ((target & kHighBit) || !tree.dataEntry(target, rva, size) || !rvaToFile(*module, rva, offset, available) ||
        size > available) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(module->recordsMutex);
    ResourceRecord& record = module->records[target];
    record.data = module->mapping.data() + offset;
    record.size = size;
    return reinterpret_cast<HRSRC>(&record);
}

namespace {
// The record behind `resource` if it belongs to `handle`; sets the last error otherwise.
const ResourceRecord* findRecord(HMODULE handle, HRSRC resource) {
    Module* module = findModule(handle);
    if (!module) return nullptr;
    std::lock_guard<std::mutex> lock(module->recordsMutex);
    for (const auto& [offset, record] : module->records)
        if (reinterpret_cast<HRSRC>(const_cast<ResourceRecord*>(&record)) == resource) return &record;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}
}  // namespace

HGLOBAL LoadResource(HMODULE handle, HRSRC resource) {
    const ResourceRecord* record = findRecord(handle, resource);
    if (!record) return nullptr;
    // The mapping is read-only: a caller that writes through this pointer faults, as it would
    // on a module mapped as a data file.
    return const_cast<std::uint8_t*>(record->data);
}

LPVOID LockResource(HGLOBAL resourceData) { return resourceData; }

DWORD SizeofResource(HMODULE handle, HRSRC resource) {
    if (!resource) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const ResourceRecord* record = findRecord(handle, resource);
    return record ? record->size : 0;
}
