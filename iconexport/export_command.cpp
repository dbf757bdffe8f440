#include "export_command.h"

#include <cstdlib>
#include <cstring>

#include "readers.h"
#include "writers.h"

namespace {

// The export state, shared by runIconExport and the enumeration callback. The engine is not
// reentrant: it is only ever run on the user-interface thread (or the command line's one thread).
std::int32_t requestedIndex = 0;
std::int32_t groupCount = 0;
LPSTR capturedGroupName = nullptr;  // none, an integer id, or an owned copy of a name text
ExportReport lastReport = {ExportOutcome::noTarget, 0, 0};

enum class SourceKind { ico, module, other };

// The last three characters of a path (all of it when shorter), with A-Z lower-cased; bytes of
// double-byte characters are left as they are.
void lastThreeLowered(const char* path, char (&kind)[4]) {
    std::size_t length = path ? std::strlen(path) : 0;
    const char* tail = length > 3 ? path + length - 3 : (path ? path : "");
    std::size_t i = 0;
    for (; tail[i] && i < 3; ++i) {
        char c = tail[i];
        kind[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    kind[i] = '\0';
}

SourceKind sourceKindOf(const char* path) {
    char kind[4];
    lastThreeLowered(path, kind);
    if (std::strcmp(kind, "ico") == 0) return SourceKind::ico;
    if (std::strcmp(kind, "exe") == 0 || std::strcmp(kind, "dll") == 0 || std::strcmp(kind, "icl") == 0)
        return SourceKind::module;
    return SourceKind::other;
}

void releaseCapturedName() {
    if (capturedGroupName && !IS_INTRESOURCE(capturedGroupName)) std::free(capturedGroupName);
    capturedGroupName = nullptr;
}

// Why a source could not be read at all.
ExportOutcome unreadableSource(const char* path, ExportOutcome otherwise) {
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? ExportOutcome::sourceNotFound : otherwise;
}

// Writes the group to the target (or the clipboard when there is none) and says how it went.
ExportOutcome writeOutput(IconGroup* group, const char* targetPath) {
    if (!targetPath) {
        if (group->imageCount == 0) return ExportOutcome::emptyGroup;
        if (!hasCompleteColourBitmap(group->images[0])) return ExportOutcome::imageNotBitmap;
        return copyImageToClipboard(group->images[0]) ? ExportOutcome::written : ExportOutcome::clipboardUnavailable;
    }
    char kind[4];
    lastThreeLowered(targetPath, kind);
    if (std::strcmp(kind, "ico") == 0)
        return writeIcoFile(group, targetPath) ? ExportOutcome::written : ExportOutcome::writeFailed;
    if (std::strcmp(kind, "bmp") == 0) {
        if (group->imageCount == 0) return ExportOutcome::emptyGroup;
        if (!hasCompleteColourBitmap(group->images[0])) return ExportOutcome::imageNotBitmap;
        return writeImageAsBitmap(targetPath, &group->images[0]) ? ExportOutcome::written : ExportOutcome::writeFailed;
    }
    return ExportOutcome::unsupportedTarget;
}

std::int32_t argumentInteger(const CommandArgument& argument, bool& given) {
    given = true;
    switch (argument.type) {
        case ArgumentType::integer: return argument.integer;
        case ArgumentType::logical: return argument.integer != 0;
        case ArgumentType::number:
            if (argument.number >= -2147483648.0 && argument.number < 2147483648.0)
                return static_cast<std::int32_t>(argument.number);
            return argument.number < 0 ? INT32_MIN : INT32_MAX;
        default: given = false; return 0;
    }
}

const char* argumentText(const CommandArgument& argument) {
    return argument.type == ArgumentType::text && argument.text ? argument.text : "";
}

}  // namespace

BOOL CALLBACK countIconGroup(HMODULE, LPCSTR, LPSTR name, LONG_PTR) {
    ++groupCount;
    if (groupCount == requestedIndex) {
        releaseCapturedName();
        if (IS_INTRESOURCE(name)) {
            capturedGroupName = name;
        } else {
            // The name text lives only during this callback: keep a copy. Without memory the
            // name stays none and the read that follows finds nothing.
            std::size_t length = std::strlen(name);
            capturedGroupName = static_cast<LPSTR>(std::malloc(length + 1));
            if (capturedGroupName) std::memcpy(capturedGroupName, name, length + 1);
        }
    }
    return TRUE;
}

std::int32_t runIconExport(const char* sourcePath, std::int32_t groupNumber, const char* targetPath) {
    requestedIndex = groupNumber;
    groupCount = 0;
    releaseCapturedName();
    lastReport = {ExportOutcome::unsupportedSource, 0, 0};

    IconGroup* group = nullptr;
    HMODULE module = nullptr;
    const SourceKind kind = sourceKindOf(sourcePath);
    ExportOutcome outcome = ExportOutcome::unsupportedSource;

    if (kind == SourceKind::ico) {
        group = readIcoFile(sourcePath);
        groupCount = 1;
        if (!group) outcome = unreadableSource(sourcePath, ExportOutcome::icoFileDamaged);
    } else if (kind == SourceKind::module) {
        module = LoadLibraryExA(sourcePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!module) {
            outcome = unreadableSource(sourcePath, ExportOutcome::notAModule);
        } else if (!EnumResourceNamesA(module, RT_GROUP_ICON, countIconGroup, 0)) {
            groupCount = 0;
            outcome = ExportOutcome::noIconGroup;
        } else if (groupCount == 0) {
            outcome = ExportOutcome::noIconGroup;
        }
    }

    std::int32_t result = groupCount;
    if (groupCount == 0 || groupNumber > groupCount) {
        // A missing or damaged .ico file still counts as one group: its own reason stands.
        if (groupCount != 0 && (kind != SourceKind::ico || group)) outcome = ExportOutcome::groupOutOfRange;
        result = 0;
    } else {
        if (kind == SourceKind::module) {
            group = readGroupFromModule(sourcePath, capturedGroupName);
            if (!group) outcome = ExportOutcome::groupUnreadable;
        }
        if (group) {
            outcome = writeOutput(group, targetPath);
            lastReport.imageCount = group->imageCount;
        }
    }

    releaseGroup(group);
    releaseCapturedName();
    if (module) FreeLibrary(module);
    lastReport.outcome = outcome;
    lastReport.groupsInSource = groupCount;
    return result;
}

std::int32_t ExportFileIcon(const CommandArgument& sourceFile, const CommandArgument& destination,
                            const CommandArgument& targetFile, const CommandArgument& groupIndex) {
    bool given = false;
    std::int32_t destinationValue = argumentInteger(destination, given);
    if (!given || destinationValue != 0) destinationValue = 1;
    std::int32_t groupValue = argumentInteger(groupIndex, given);
    if (!given || groupValue < 1) groupValue = 1;
    const char* source = argumentText(sourceFile);
    const char* target = argumentText(targetFile);

    if (destinationValue == 0) {
        if (target[0] == '\0') {
            lastReport = {ExportOutcome::noTarget, 0, 0};
            return 0;
        }
        return runIconExport(source, groupValue, target);
    }
    return runIconExport(source, groupValue, nullptr);
}

ExportReport lastExportReport() { return lastReport; }

const char* describeOutcome(ExportOutcome outcome) {
    switch (outcome) {
        case ExportOutcome::written: return "written";
        case ExportOutcome::noTarget: return "no target file was given";
        case ExportOutcome::sourceNotFound: return "no such file";
        case ExportOutcome::notAModule: return "not a module (or a damaged one)";
        case ExportOutcome::icoFileDamaged: return "not an icon file, or a damaged one";
        case ExportOutcome::unsupportedSource: return "not an .exe, .dll, .icl or .ico file";
        case ExportOutcome::noIconGroup: return "the file has no icon group";
        case ExportOutcome::groupOutOfRange: return "no such icon group";
        case ExportOutcome::groupUnreadable: return "damaged icon group: an image is missing or unreadable";
        case ExportOutcome::unsupportedTarget: return "the target must end in .ico or .bmp";
        case ExportOutcome::emptyGroup: return "the icon group has no images";
        case ExportOutcome::imageNotBitmap: return "damaged or non-bitmap image: the first image cannot be written as a bitmap";
        case ExportOutcome::writeFailed: return "cannot write the target";
        case ExportOutcome::clipboardUnavailable: return "the clipboard is not available";
    }
    return "unknown outcome";
}
