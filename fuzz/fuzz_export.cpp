// Fuzz entry points for the engine's readers and writers, through the export command as the tool
// uses it. The bytes become a source file (an .ico file for fuzz_ico_file, a module for
// fuzz_module_export); every group is exported to .ico, .bmp and the clipboard, and what was
// written is read back. Any input may be refused; none may crash, leak or read out of bounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "export_command.h"
#include "readers.h"

#ifndef ICONX_FUZZ_SOURCE_SUFFIX
#error "ICONX_FUZZ_SOURCE_SUFFIX names the source kind: .ico or .dll"
#endif

namespace {

struct Scratch {
    std::string folder, source, ico, bmp;
};

const Scratch* scratch() {
    static Scratch paths;
    static const bool made = [] {
        char pattern[] = "/tmp/fuzz_export-XXXXXX";
        if (!::mkdtemp(pattern)) return false;
        paths.folder = pattern;
        paths.source = paths.folder + "/source" ICONX_FUZZ_SOURCE_SUFFIX;
        paths.ico = paths.folder + "/out.ico";
        paths.bmp = paths.folder + "/out.bmp";
        std::atexit([] {
            for (const std::string* p : {&paths.source, &paths.ico, &paths.bmp}) ::unlink(p->c_str());
            ::rmdir(paths.folder.c_str());
        });
        return true;
    }();
    return made ? &paths : nullptr;
}

std::int32_t exportTo(const char* source, const char* target, std::int32_t group) {
    return ExportFileIcon(textArgument(source), integerArgument(target ? 0 : 1), textArgument(target),
                          integerArgument(group));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Scratch* paths = scratch();
    if (!paths) return 0;
    FILE* file = std::fopen(paths->source.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::int32_t groups = exportTo(paths->source.c_str(), paths->ico.c_str(), 1);
    // A few groups are enough to reach every path; a module may announce thousands.
    for (std::int32_t n = 1; n <= groups && n <= 4; ++n) {
        exportTo(paths->source.c_str(), paths->ico.c_str(), n);
        if (lastExportReport().outcome == ExportOutcome::written) {
            IconGroup* again = readIcoFile(paths->ico.c_str());
            if (!again) std::abort();  // whatever we write, we must be able to read back
            releaseGroup(again);
        }
        exportTo(paths->source.c_str(), paths->bmp.c_str(), n);
        exportTo(paths->source.c_str(), nullptr, n);
    }
    return 0;
}
