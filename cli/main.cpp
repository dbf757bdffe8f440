// iconextract: the icon export engine on the command line.
//   iconextract SOURCE TARGET [--group N]       writes group N of SOURCE as TARGET (.ico or .bmp)
//   iconextract SOURCE --clipboard [--group N]  puts the group's first image on the clipboard
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "desktop_clipboard.h"
#include "export_command.h"

namespace {

const char usage[] =
    "usage: iconextract SOURCE TARGET [--group N]\n"
    "       iconextract SOURCE --clipboard [--group N]\n"
    "\n"
    "Takes one icon group out of SOURCE, an .exe, .dll or .icl module (its icon resources) or an\n"
    ".ico file, and writes it as TARGET: the whole group with every image when TARGET ends in .ico,\n"
    "or the group's first image as a bitmap when it ends in .bmp. With --clipboard the first image\n"
    "goes to the clipboard instead. N counts the icon groups from 1 (the default) in the order the\n"
    "module stores them. Prints the number of icon groups in SOURCE and what was written.\n"
    "\n"
    "Exit status: 0 when the output was written; 1 when it was not (the reason goes to stderr);\n"
    "2 for a usage error. A target is replaced only by a complete file.\n"
    "\n"
    "options:\n"
    "  --group N, -g N   icon group to export (default 1)\n"
    "  --clipboard, -c   put the first image on the clipboard instead of writing a file\n"
    "  --help, -h        show this help\n";

int usageError(const char* message) {
    std::fprintf(stderr, "iconextract: %s\n(try 'iconextract --help')\n", message);
    return 2;
}

bool parseGroup(const char* text, std::int32_t& group) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > INT32_MAX) return false;
    group = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* source = nullptr;
    const char* target = nullptr;
    bool clipboard = false;
    std::int32_t group = 1;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(usage, stdout);
            return 0;
        } else if (!optionsEnded && (arg == "--clipboard" || arg == "-c")) {
            clipboard = true;
        } else if (!optionsEnded && (arg == "--group" || arg == "-g")) {
            if (++i >= argc || !parseGroup(argv[i], group)) return usageError("--group needs a number of 1 or more");
        } else if (!optionsEnded && arg.rfind("--group=", 0) == 0) {
            if (!parseGroup(argv[i] + 8, group)) return usageError("--group needs a number of 1 or more");
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError(("unknown option " + arg).c_str());
        } else if (!source) {
            source = argv[i];
        } else if (!target) {
            target = argv[i];
        } else {
            return usageError("too many arguments");
        }
    }
    if (!source) return usageError("no SOURCE given");
    if (clipboard == (target != nullptr)) return usageError("give either a TARGET or --clipboard");

    ExportFileIcon(textArgument(source), integerArgument(clipboard ? 1 : 0),
                                         clipboard ? omittedArgument() : textArgument(target),
                                         integerArgument(group));
    ExportReport report = lastExportReport();

    if (report.groupsInSource > 0)
        std::printf("%s: %d icon group%s\n", source, report.groupsInSource, report.groupsInSource == 1 ? "" : "s");

    switch (report.outcome) {
        case ExportOutcome::written:
            break;
        case ExportOutcome::groupOutOfRange:
            std::fprintf(stderr, "iconextract: %s: group %d of %d does not exist\n", source, group,
                         report.groupsInSource);
            return 1;
        case ExportOutcome::writeFailed:
            std::fprintf(stderr, "iconextract: %s: cannot write the target\n", target);
            return 1;
        default:
            std::fprintf(stderr, "iconextract: %s: %s\n", source, describeOutcome(report.outcome));
            return 1;
    }

    if (clipboard) {
        std::string problem;
        if (!publishClipboard(problem)) {
            std::fprintf(stderr, "iconextract: %s\n", problem.c_str());
            return 1;
        }
        std::printf("copied the first image of group %d to the clipboard\n", group);
    } else {
        std::printf("wrote group %d (%u image%s) to %s\n", group, report.imageCount,
                    report.imageCount == 1 ? "" : "s", target);
    }
    return 0;
}
