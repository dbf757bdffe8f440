// A bounds-checked little-endian reader over bytes that came from outside: a file, a resource,
// a clipboard block. Every read checks its range by subtraction (no untrusted sum can wrap, also
// where size_t is 32 bits) and a failed read sets a flag that stays set, so a caller can read a
// whole record and test once. A failed read gives 0 and never touches memory outside the span.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}

    std::size_t size() const { return size_; }
    bool failed() const { return failed_; }
    // True when `count` bytes starting at `offset` lie inside the span.
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }

    std::uint8_t u8(std::size_t offset) {
        if (!has(offset, 1)) return fail();
        return data_[offset];
    }
    std::uint16_t u16(std::size_t offset) {
        if (!has(offset, 2)) return fail();
        return static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
    }
    std::uint32_t u32(std::size_t offset) {
        if (!has(offset, 4)) return fail();
        return static_cast<std::uint32_t>(data_[offset]) | static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
               static_cast<std::uint32_t>(data_[offset + 2]) << 16 |
               static_cast<std::uint32_t>(data_[offset + 3]) << 24;
    }
    std::int32_t i32(std::size_t offset) { return static_cast<std::int32_t>(u32(offset)); }
    std::uint32_t u32be(std::size_t offset) {
        if (!has(offset, 4)) return fail();
        return static_cast<std::uint32_t>(data_[offset]) << 24 | static_cast<std::uint32_t>(data_[offset + 1]) << 16 |
               static_cast<std::uint32_t>(data_[offset + 2]) << 8 | static_cast<std::uint32_t>(data_[offset + 3]);
    }
    // A pointer to `count` bytes at `offset`, or null (and the flag set) when they are not all there.
    const std::uint8_t* bytes(std::size_t offset, std::size_t count) {
        if (!has(offset, count)) {
            fail();
            return nullptr;
        }
        return data_ + offset;
    }
    bool matches(std::size_t offset, const void* expected, std::size_t count) {
        const std::uint8_t* at = bytes(offset, count);
        return at && std::memcmp(at, expected, count) == 0;
    }

private:
    std::uint8_t fail() {
        failed_ = true;
        return 0;
    }
    const std::uint8_t* data_;
    std::size_t size_;
    bool failed_ = false;
};

// Little-endian stores into a buffer the caller has sized; used to fill fixed records.
inline void storeU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void storeU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
