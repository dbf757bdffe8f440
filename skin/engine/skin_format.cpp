#include "skin_format.h"

#include <cstring>

#include "byte_reader.h"

namespace skin {
namespace {

enum Tag : std::uint16_t { tagName = 1, tagColours = 2, tagShape = 3, tagPattern = 4 };
constexpr std::uint32_t maxColourEntries = 256;

bool parseName(ByteReader& r, std::size_t at, std::uint32_t length, SkinData& out) {
    if (length < 1 || length > maxNameLength) return false;
    const std::uint8_t* text = r.bytes(at, length);
    if (!text || std::memchr(text, 0, length)) return false;
    std::memcpy(out.name, text, length);
    out.name[length] = 0;
    return true;
}

bool parseColours(ByteReader& r, std::size_t at, std::uint32_t length, SkinData& out) {
    if (length < 4) return false;
    std::uint32_t entries = r.u32(at);
    if (entries < colourSlotCount || entries > maxColourEntries) return false;
    if ((length - 4) / 4 != entries || (length - 4) % 4 != 0) return false;
    for (int i = 0; i < colourSlotCount; ++i) {
        const std::uint8_t* e = r.bytes(at + 4 + 4 * static_cast<std::size_t>(i), 4);
        if (!e) return false;
        out.colours[i] = Rgb{e[0], e[1], e[2]};
    }
    return true;
}

bool parseShape(ByteReader& r, std::size_t at, std::uint32_t length, SkinData& out) {
    if (length != 8) return false;
    const std::uint8_t* s = r.bytes(at, 8);
    if (!s) return false;
    if (s[0] > 3 || s[1] > 3 || s[2] > 2 || s[3] > 1 || (s[4] & ~3u) || s[6] || s[7]) return false;
    out.captionStyle = static_cast<CaptionStyle>(s[0]);
    out.buttonShape = static_cast<ButtonShape>(s[1]);
    out.frameStyle = static_cast<FrameStyle>(s[2]);
    out.centredText = s[3] == 1;
    out.boldText = (s[4] & 1) != 0;
    out.textShadow = (s[4] & 2) != 0;
    out.patternStrength = s[5];
    return true;
}

bool parsePattern(ByteReader& r, std::size_t at, std::uint32_t length, SkinData& out) {
    if (length < 4) return false;
    std::uint32_t w = r.u16(at), h = r.u16(at + 2);
    if (w < 1 || h < 1 || w > maxPatternSide || h > maxPatternSide) return false;
    if (length - 4 != w * h) return false;
    const std::uint8_t* alpha = r.bytes(at + 4, w * h);
    if (!alpha) return false;
    std::memcpy(out.patternAlpha, alpha, w * h);
    out.patternWidth = static_cast<int>(w);
    out.patternHeight = static_cast<int>(h);
    return true;
}

}  // namespace

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

bool parseSkin(const std::uint8_t* bytes, std::size_t count, SkinData& out) {
    if (!bytes || count < headerSize || count > maxSkinSize) return false;
    ByteReader r(bytes, count);
    static const char magic[4] = {'H', 'S', 'K', 'N'};
    if (!r.matches(0, magic, 4)) return false;
    std::uint16_t version = r.u16(4);
    std::uint16_t records = r.u16(6);
    std::uint32_t bodyLength = r.u32(8);
    std::uint32_t bodyCrc = r.u32(12);
    if (r.failed() || version != 1 || records < 1 || records > maxRecords) return false;
    // The count must be exactly the skin's own length: no trailing bytes, nothing missing.
    if (bodyLength != count - headerSize) return false;
    if (crc32(bytes + headerSize, bodyLength) != bodyCrc) return false;

    std::memset(&out, 0, sizeof out);
    unsigned seen = 0;
    std::size_t at = headerSize;
    for (int i = 0; i < records; ++i) {
        std::uint16_t tag = r.u16(at);
        std::uint16_t flags = r.u16(at + 2);
        std::uint32_t length = r.u32(at + 4);
        if (r.failed() || flags != 0) return false;
        std::size_t payload = at + 8;
        if (!r.has(payload, length)) return false;
        if (tag >= tagName && tag <= tagPattern) {
            unsigned bit = 1u << tag;
            if (seen & bit) return false;
            seen |= bit;
            bool ok = tag == tagName      ? parseName(r, payload, length, out)
                      : tag == tagColours ? parseColours(r, payload, length, out)
                      : tag == tagShape   ? parseShape(r, payload, length, out)
                                          : parsePattern(r, payload, length, out);
            if (!ok) return false;
        }
        at = payload + length;
    }
    if (at != count || r.failed()) return false;
    return (seen & (1u << tagColours)) && (seen & (1u << tagShape));
}

}  // namespace skin
