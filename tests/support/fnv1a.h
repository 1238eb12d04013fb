#pragma once
// FNV-1a, 64 bits: the checksum the golden pins of pictures and sound are
// taken with. Small, fixed and the same on every platform.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace testsupport {

constexpr uint64_t FNV1A_BASIS = 0xcbf29ce484222325ull;

inline uint64_t fnv1a(const void* data, size_t size, uint64_t hash = FNV1A_BASIS) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        hash ^= p[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// As the pins are written: 16 hexadecimal digits.
inline std::string hex64(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

}  // namespace testsupport
