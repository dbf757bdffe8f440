#include "number_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// GBK lead bytes are 0x81..0xFE; the byte after one belongs to the same character.
bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Turns full-width forms into ASCII, character by character.
std::string foldFullWidth(const char* text) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        unsigned char lead = *p;
        if (!isLeadByte(lead)) {
            out.push_back(static_cast<char>(lead));
            ++p;
            continue;
        }
        unsigned char trail = p[1];
        if (trail == 0) break;  // a lead byte cut off by the end: the text ends here
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out.push_back(static_cast<char>(trail - 0x80));
        } else if (lead == 0xA1 && trail == 0xA1) {
            out.push_back(' ');
        } else if (lead == 0xA1 && trail == 0xAB) {
            out.push_back('~');
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            out.push_back('*');
        } else {
            out.push_back(static_cast<char>(lead));
            out.push_back(static_cast<char>(trail));
        }
        p += 2;
    }
    return out;
}

}  // namespace

double parseNumberText(const char* text) {
    if (!text) return 0.0;
    const std::string folded = foldFullWidth(text);
    const char* p = folded.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;

    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');

    // Copy the longest valid prefix into the form from_chars reads: digits, '.', 'e'.
    std::string number;
    std::size_t mantissaDigits = 0;
    while (isDigit(*p)) { number.push_back(*p++); ++mantissaDigits; }
    if (*p == '.') {
        std::size_t fractionStart = number.size();
        number.push_back('.');
        ++p;
        while (isDigit(*p)) { number.push_back(*p++); ++mantissaDigits; }
        if (number.size() == fractionStart + 1 && mantissaDigits == 0) return 0.0;
    }
    if (mantissaDigits == 0) return 0.0;
    if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
        const char* q = p + 1;
        std::string exponent = "e";
        if (*q == '+' || *q == '-') exponent.push_back(*q++);
        if (isDigit(*q)) {
            while (isDigit(*q)) exponent.push_back(*q++);
            number += exponent;
        }
    }

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves `value` alone here; tell overflow from underflow by the exponent.
        const auto e = number.find('e');
        const bool overflow = e == std::string::npos || number[e + 1] != '-';
        value = overflow ? DBL_MAX : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    if (std::isinf(value)) value = DBL_MAX;
    return negative ? -value : value;
}

std::size_t formatNumberText(double value, char* out) {
    char raw[numberTextCapacity];
    std::snprintf(raw, sizeof raw, "%.13g", value);
    // C libraries differ in exponent width; the runtime always writes three digits.
    const char* e = std::strchr(raw, 'e');
    if (!e || !(e[1] == '+' || e[1] == '-')) {
        std::size_t n = std::strlen(raw);
        std::memcpy(out, raw, n + 1);
        return n;
    }
    const char* digits = e + 2;
    while (*digits == '0' && digits[1] != '\0') ++digits;
    std::size_t width = std::strlen(digits);
    std::size_t head = static_cast<std::size_t>(e - raw) + 2;
    std::size_t n = 0;
    std::memcpy(out, raw, head);
    n = head;
    for (std::size_t i = width; i < 3; ++i) out[n++] = '0';
    std::memcpy(out + n, digits, width + 1);
    return n + width;
}
