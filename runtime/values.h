// The window runtime's values, shared by the runtime, the tool's handlers and the commands it
// calls (the icon export engine among them). Portable: the native build uses them too.
#pragma once
#include <cstdint>

// A text of the runtime: zero-terminated 8-bit text (GBK on Windows) on the runtime heap.
// A null pointer is the empty text. Whoever is handed a new TextValue frees it.
using TextValue = char*;

// A byte string of the runtime as laid out in memory and in constant data: a 32-bit word
// holding 1, a 32-bit length, then `length` bytes.
struct ByteBlock {
    std::uint32_t marker;  // always 1
    std::uint32_t length;
    // `length` bytes follow.
    const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(this + 1); }
};
static_assert(sizeof(ByteBlock) == 8, "ByteBlock header is two 32-bit words");

// The type tag of one argument handed to a command. `omitted` (0) means the caller left it out.
enum class ArgumentType : std::uint32_t {
    omitted = 0,
    integer = 1,
    number = 2,   // a double
    logical = 3,
    text = 4,     // a TextValue, owned by the caller
};

struct CommandArgument {
    ArgumentType type = ArgumentType::omitted;
    std::int32_t integer = 0;
    double number = 0.0;
    const char* text = nullptr;
};

inline CommandArgument omittedArgument() { return {}; }
inline CommandArgument integerArgument(std::int32_t value) {
    CommandArgument a;
    a.type = ArgumentType::integer;
    a.integer = value;
    return a;
}
inline CommandArgument textArgument(const char* value) {
    CommandArgument a;
    a.type = ArgumentType::text;
    a.text = value;
    return a;
}
