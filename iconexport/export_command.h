// The icon export engine's one command and the procedure behind it.
#pragma once
#include <cstdint>

#include "values.h"
#include "win32api.h"

// Exports icon group `groupIndex` (1-based; left out or below 1 means 1) of `sourceFile` (.exe,
// .dll, .icl or .ico, chosen by its last three characters) to `targetFile` (.ico or .bmp, by its
// last three characters) when `destination` is 0, or its first image to the clipboard when
// `destination` is 1 (left out, or any other value). Gives the number of icon groups in the
// source (1 for an .ico file) when the group exists, otherwise 0. Whether the output was written
// does not change the result; lastExportReport() tells.
std::int32_t ExportFileIcon(const CommandArgument& sourceFile, const CommandArgument& destination,
                            const CommandArgument& targetFile, const CommandArgument& groupIndex);

// The export procedure: `targetPath` null means the clipboard.
std::int32_t runIconExport(const char* sourcePath, std::int32_t groupNumber, const char* targetPath);

// Enumeration callback: counts icon groups and captures the name of the wanted one.
BOOL CALLBACK countIconGroup(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param);

// How the last export ended, for callers that need more than the group count.
enum class ExportOutcome : std::uint8_t {
    written,               // the output was written whole (file in place, or clipboard set)
    noTarget,              // a file was asked for without a target path: nothing was tried
    sourceNotFound,        // the source file does not exist
    notAModule,            // an .exe, .dll or .icl source that cannot be mapped as a module
    icoFileDamaged,        // an .ico source that cannot be read: short, not an icon file, damaged
    unsupportedSource,     // the source is not .exe, .dll, .icl or .ico
    noIconGroup,           // a module without icon groups
    groupOutOfRange,       // the group number is greater than the number of groups
    groupUnreadable,       // the group, or one of its images, could not be read from the module
    unsupportedTarget,     // the target is neither .ico nor .bmp
    emptyGroup,            // bitmap or clipboard output of a group without images
    imageNotBitmap,        // bitmap or clipboard output of an image that is not a complete bitmap
    writeFailed,           // the target file could not be written; nothing was left behind
    clipboardUnavailable,  // the clipboard could not be opened or did not take the image
};

struct ExportReport {
    ExportOutcome outcome;
    std::int32_t groupsInSource;  // icon groups counted in the source (also when the command gave 0)
    std::uint32_t imageCount;  // images in the group that was read, 0 when none was read
};
ExportReport lastExportReport();
const char* describeOutcome(ExportOutcome outcome);  // a short English phrase for messages
