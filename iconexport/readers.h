// The two readers: each gives a complete new IconGroup, owned by the caller and released with
// releaseGroup, or null. No partial group is ever given and nothing is left allocated or open.
#pragma once
#include <cstdint>

#include "icon_model.h"

// One icon group of an executable, library or icon library, named by its resource name (an
// integer id in the platform's integer form, or a text). A null name gives null.
IconGroup* readGroupFromModule(const char* modulePath, const char* groupName);

// A whole .ico file.
IconGroup* readIcoFile(const char* path);
// Reads the 6-byte header of an open .ico file positioned at its start: the image count, or -1
// when the header is short, its reserved word is not 0 or its type is not 1 (icon).
std::int32_t readIcoHeader(HANDLE file);
