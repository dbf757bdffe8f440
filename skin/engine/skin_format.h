// The engine's skin format, HSKN version 1 (skin/FORMAT.md). Parsing is portable and touches only
// the bytes it is given; everything a skin needs is copied into a SkinData.
#pragma once
#include <cstddef>
#include <cstdint>

namespace skin {

// Colour slots of the COLOURS record, in stored order.
enum ColourSlot : int {
    frameOuter,
    frameInner,
    captionTop,
    captionBottom,
    captionText,
    captionTextShadow,
    buttonRest,
    buttonHot,
    buttonPressed,
    buttonGlyph,
    closeHot,
    clientBackground,
    labelBackground,
    editBackground,
    editText,
    editBorder,
    editBorderFocus,
    controlFace,
    controlLight,
    controlShadow,
    pattern,
    inactiveCaptionTop,
    inactiveCaptionBottom,
    inactiveCaptionText,
    glow,
    colourSlotCount
};

enum class CaptionStyle : std::uint8_t { flat, vertical, horizontal, glossy };
enum class ButtonShape : std::uint8_t { square, rounded, circle, ghost };
enum class FrameStyle : std::uint8_t { single, bevel, twin };

constexpr std::size_t headerSize = 16;
constexpr std::size_t maxSkinSize = 1u << 20;
constexpr int maxRecords = 64;
constexpr int maxPatternSide = 64;
constexpr int maxNameLength = 64;

struct Rgb {
    std::uint8_t r, g, b;
};

struct SkinData {
    Rgb colours[colourSlotCount];
    CaptionStyle captionStyle;
    ButtonShape buttonShape;
    FrameStyle frameStyle;
    bool centredText;
    bool boldText;
    bool textShadow;
    std::uint8_t patternStrength;
    int patternWidth;   // 0 when the skin has no pattern
    int patternHeight;
    std::uint8_t patternAlpha[maxPatternSide * maxPatternSide];
    char name[maxNameLength + 1];  // UTF-8, zero-terminated, may be empty
};

// Parses `count` bytes at `bytes` into `out`. Gives false, with `out` in an unspecified state,
// for anything that breaks a rule of the format, including a count that differs from the
// skin's own length.
bool parseSkin(const std::uint8_t* bytes, std::size_t count, SkinData& out);

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count);

}  // namespace skin
