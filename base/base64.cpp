#include "base/base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int8_t NOT_A_DIGIT = -1;
constexpr int8_t WHITE_SPACE = -2;
constexpr int8_t PADDING = -3;

constexpr std::array<int8_t, 256> digitValues() {
    std::array<int8_t, 256> values{};
    for (auto& v : values) v = NOT_A_DIGIT;
    for (int i = 0; i < 64; ++i) values[static_cast<uint8_t>(ALPHABET[i])] = static_cast<int8_t>(i);
    for (const char c : {' ', '\t', '\n', '\r', '\f'}) values[static_cast<uint8_t>(c)] = WHITE_SPACE;
    values['='] = PADDING;
    return values;
}
constexpr std::array<int8_t, 256> DIGITS = digitValues();

}  // namespace

std::string encodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve(base64Length(bytes.size()));
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16 |
                               static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8 |
                               static_cast<uint8_t>(bytes[i + 2]);
        out += ALPHABET[group >> 18 & 63];
        out += ALPHABET[group >> 12 & 63];
        out += ALPHABET[group >> 6 & 63];
        out += ALPHABET[group & 63];
    }
    const size_t left = bytes.size() - i;
    if (left > 0) {
        uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16;
        if (left == 2) group |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8;
        out += ALPHABET[group >> 18 & 63];
        out += ALPHABET[group >> 12 & 63];
        out += left == 2 ? ALPHABET[group >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

Base64Result decodeBase64(std::string_view text, std::string& bytes) {
    bytes.clear();
    bytes.reserve(text.size() / 4 * 3 + 2);
    uint32_t bits = 0;
    int32_t digits = 0;  // in the group being read
    size_t padding = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const int8_t digit = DIGITS[static_cast<uint8_t>(text[i])];
        if (digit == WHITE_SPACE) continue;
        // Nothing but padding and white space may follow the first "=".
        if (digit == PADDING) {
            if (digits < 2 || digits + padding >= 4) {
                bytes.clear();
                return {Base64::BadCharacter, i};
            }
            ++padding;
            continue;
        }
        if (digit == NOT_A_DIGIT || padding > 0) {
            bytes.clear();
            return {Base64::BadCharacter, i};
        }
        bits = bits << 6 | static_cast<uint32_t>(digit);
        if (++digits == 4) {
            bytes += static_cast<char>(bits >> 16 & 0xFF);
            bytes += static_cast<char>(bits >> 8 & 0xFF);
            bytes += static_cast<char>(bits & 0xFF);
            bits = 0;
            digits = 0;
        }
    }
    // A last group of two or three digits holds one or two bytes; one digit
    // holds none, and padding that does not complete the group is a cut.
    if (digits == 1 || (padding > 0 && digits + padding != 4)) {
        bytes.clear();
        return {Base64::CutShort, text.size()};
    }
    if (digits >= 2) {
        bits <<= 6 * (4 - digits);
        bytes += static_cast<char>(bits >> 16 & 0xFF);
        if (digits == 3) bytes += static_cast<char>(bits >> 8 & 0xFF);
    }
    return {};
}
