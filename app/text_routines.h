// The tool's three text routines over runtime texts (null is the empty text).
#pragma once
#include <cstddef>
#include <initializer_list>

#include "values.h"

std::size_t textLength(const char* text);  // bytes before the zero; null gives 0
// A new text (never null) holding the texts one after another; the caller frees it.
TextValue concatTexts(std::initializer_list<const char*> texts);
// -1, 0 or 1 by unsigned byte-wise comparison; null equals the empty text.
int compareTexts(const char* first, const char* second);
