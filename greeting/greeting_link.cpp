#include "greeting/greeting_link.h"

#include <array>
#include <cstdint>

namespace {

constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr int8_t NOT_BASE64 = -1;

constexpr std::array<int8_t, 256> digitValues() {
    std::array<int8_t, 256> values{};
    for (auto& v : values) v = NOT_BASE64;
    for (int i = 0; i < 64; ++i) values[static_cast<uint8_t>(ALPHABET[i])] = static_cast<int8_t>(i);
    // The standard alphabet's two, as links rewritten on the way may carry.
    values['+'] = 62;
    values['/'] = 63;
    return values;
}
constexpr std::array<int8_t, 256> DIGITS = digitValues();

GreetingLink refused(std::string reason) {
    GreetingLink link;
    link.present = true;
    link.error = std::move(reason);
    return link;
}

}  // namespace

GreetingLink greetingFromFragment(std::string_view fragment) {
    if (!fragment.empty() && fragment.front() == '#') fragment.remove_prefix(1);
    if (fragment.substr(0, GREETING_LINK_KEY.size()) != GREETING_LINK_KEY) return GreetingLink{};
    std::string_view value = fragment.substr(GREETING_LINK_KEY.size());
    // Padding is optional (the length says where the bytes end): up to two
    // "=" at the end are passed over, however many there should be.
    size_t padding = 0;
    while (!value.empty() && value.back() == '=' && padding < 2) {
        value.remove_suffix(1);
        ++padding;
    }
    if (value.empty()) return refused("the link's greeting is empty");
    if (value.size() * 3 / 4 > GREETING_LINK_MAX_BYTES)
        return refused("the link's greeting is longer than a card holds (" +
                       std::to_string(GREETING_LINK_MAX_BYTES / 1024) + " KB)");
    // Four digits make three bytes; a last group of one digit holds no whole byte.
    if (value.size() % 4 == 1) return refused("the link's greeting is cut short; copy the whole link");

    GreetingLink link;
    link.present = true;
    link.bytes.reserve(value.size() / 4 * 3 + 2);
    uint32_t bits = 0;
    int32_t held = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        const int8_t digit = DIGITS[static_cast<uint8_t>(value[i])];
        if (digit == NOT_BASE64)
            return refused("the link's greeting has a character that does not belong at place " +
                           std::to_string(i + 1) + "; copy the whole link");
        bits = bits << 6 | static_cast<uint32_t>(digit);
        held += 6;
        if (held >= 8) {
            held -= 8;
            link.bytes += static_cast<char>(bits >> held & 0xFF);
        }
    }
    // The last digit's unused low bits are zero in any link we made.
    if ((bits & ((1u << held) - 1)) != 0)
        return refused("the link's greeting is cut short; copy the whole link");
    return link;
}

std::string fragmentFromGreeting(std::string_view greetingFile) {
    std::string out(GREETING_LINK_KEY);
    out.reserve(out.size() + (greetingFile.size() + 2) / 3 * 4);
    uint32_t bits = 0;
    int32_t held = 0;
    for (const char c : greetingFile) {
        bits = (bits << 8 | static_cast<uint8_t>(c)) & 0xFFFF;
        held += 8;
        while (held >= 6) {
            held -= 6;
            out += ALPHABET[bits >> held & 63];
        }
    }
    if (held > 0) out += ALPHABET[(bits << (6 - held)) & 63];
    return out;
}
