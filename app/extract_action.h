// The Extract action: the first icon group of the source, written as <save folder>\<base name>.ico.
#pragma once
#include "values.h"

// The save folder, one backslash, the base name and ".ico", joined as they are (nothing trimmed,
// no backslash dropped). A new text that the caller frees.
TextValue buildTargetPath(const char* saveFolder, const char* baseName);

// Click handler of extractButton.
void onExtractClicked();
