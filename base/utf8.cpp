#include "base/utf8.h"

#include <cstdint>

Utf8 decodeUtf8(std::string_view bytes, size_t at, char32_t& codePoint, size_t& length) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[at + i]); };
    const uint8_t lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        length = 1;
        return Utf8::Valid;
    }
    // Allowed range of the second byte for each lead; later bytes are 80..BF.
    uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return Utf8::Invalid;
    }
    for (size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size()) return Utf8::CutShort;
        const uint8_t b = byte(i);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return Utf8::Invalid;
        codePoint = codePoint << 6 | (b & 0x3F);
    }
    return Utf8::Valid;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    const auto put = [&](uint32_t bits) { out += static_cast<char>(bits); };
    const auto c = static_cast<uint32_t>(codePoint);
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | c >> 6);
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | c >> 12);
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | c >> 18);
        put(0x80 | (c >> 12 & 0x3F));
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

std::string utf8FromCodePoints(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text) appendUtf8(out, c);
    return out;
}
