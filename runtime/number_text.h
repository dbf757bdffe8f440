// The runtime's conversions between texts and numbers. Portable: no Windows calls, so the
// native build can test them too.
#pragma once
#include <cstddef>

// Reads the number at the start of an 8-bit GBK text, as the tool's numbering wants it:
// full-width forms become ASCII first, leading white space is skipped, then the longest prefix
// of the form [sign] digits [. digits] [(e|E|d|D) [sign] digits] is read; '.' is always the
// separator. No such prefix (null and the empty text included) gives 0. Magnitudes beyond the
// range of a double give the largest finite double of that sign, so arithmetic on the result
// never meets an infinity.
double parseNumberText(const char* text);

// Writes `value` as C's "%.13g" does, but with an exponent of exactly three digits
// ("1e+013"). `out` must hold numberTextCapacity bytes; gives the length written.
constexpr std::size_t numberTextCapacity = 32;
std::size_t formatNumberText(double value, char* out);
