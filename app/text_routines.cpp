#include "text_routines.h"

#include <cstring>

#include "runtime.h"

std::size_t textLength(const char* text) {
    return text ? std::strlen(text) : 0;
}

TextValue concatTexts(std::initializer_list<const char*> texts) {
    std::size_t total = 0;
    for (const char* t : texts) total += textLength(t);
    auto* joined = static_cast<char*>(runtimeAllocate(total + 1));
    std::size_t at = 0;
    for (const char* t : texts) {
        std::size_t n = textLength(t);
        if (n) std::memcpy(joined + at, t, n);
        at += n;
    }
    joined[at] = '\0';
    return joined;
}

int compareTexts(const char* first, const char* second) {
    const auto* a = reinterpret_cast<const unsigned char*>(first ? first : "");
    const auto* b = reinterpret_cast<const unsigned char*>(second ? second : "");
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a < *b ? -1 : *a > *b ? 1 : 0;
}
