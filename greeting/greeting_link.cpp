#include "greeting/greeting_link.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

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

GreetingLink refused(GreetingProblem problem, std::vector<GreetingErrorValue> values = {}) {
    GreetingLink link;
    link.present = true;
    link.errorParts = GreetingError{problem, 0, 0, std::move(values)};
    link.error = englishReason(link.errorParts);
    return link;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// The fragment's fields that the card reads; each the first of its key.
struct LinkFields {
    std::optional<std::string_view> greeting;
    std::optional<std::string_view> language;
};

LinkFields linkFields(std::string_view fragment) {
    LinkFields fields;
    while (!fragment.empty()) {
        const size_t end = std::min(fragment.find('&'), fragment.size());
        const std::string_view field = fragment.substr(0, end);
        fragment.remove_prefix(std::min(end + 1, fragment.size()));
        const size_t equals = field.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = field.substr(0, equals), value = field.substr(equals + 1);
        if (key == GREETING_LINK_KEY && !fields.greeting) fields.greeting = value;
        if (key == LANGUAGE_LINK_KEY && !fields.language) fields.language = value;
    }
    return fields;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Base64url (or standard) digits to bytes, or the refusal.
GreetingLink decodeGreeting(std::string_view value) {
    // Padding is optional (the length says where the bytes end): up to two
    // "=" at the end are passed over, however many there should be.
    size_t padding = 0;
    while (!value.empty() && value.back() == '=' && padding < 2) {
        value.remove_suffix(1);
        ++padding;
    }
    if (value.empty()) return refused(GreetingProblem::LinkEmpty);
    if (value.size() * 3 / 4 > GREETING_LINK_MAX_BYTES)
        return refused(GreetingProblem::LinkTooLong,
                       {{"kb", std::to_string(GREETING_LINK_MAX_BYTES / 1024)}});
    // Four digits make three bytes; a last group of one digit holds no whole byte.
    if (value.size() % 4 == 1) return refused(GreetingProblem::LinkCutShort);

    GreetingLink link;
    link.present = true;
    link.bytes.reserve(value.size() / 4 * 3 + 2);
    uint32_t bits = 0;
    int32_t held = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        const int8_t digit = DIGITS[static_cast<uint8_t>(value[i])];
        if (digit == NOT_BASE64)
            return refused(GreetingProblem::LinkStray, {{"place", std::to_string(i + 1)}});
        bits = bits << 6 | static_cast<uint32_t>(digit);
        held += 6;
        if (held >= 8) {
            held -= 8;
            link.bytes += static_cast<char>(bits >> held & 0xFF);
        }
    }
    // The last digit's unused low bits are zero in any link we made.
    if ((bits & ((1u << held) - 1)) != 0) return refused(GreetingProblem::LinkCutShort);
    return link;
}

}  // namespace

bool isLanguageTag(std::string_view tag) {
    if (tag.empty() || tag.size() > LANGUAGE_TAG_MAX_LENGTH) return false;
    size_t start = 0;
    bool primary = true;
    for (;;) {
        const size_t end = std::min(tag.find('-', start), tag.size());
        const std::string_view subtag = tag.substr(start, end - start);
        if (primary) {
            if (subtag.size() < 2 || subtag.size() > 3 ||
                !std::all_of(subtag.begin(), subtag.end(), isAsciiLetter))
                return false;
        } else if (subtag.empty() || subtag.size() > 8 ||
                   !std::all_of(subtag.begin(), subtag.end(),
                                [](char c) { return isAsciiLetter(c) || isAsciiDigit(c); })) {
            return false;
        }
        if (end == tag.size()) return true;
        start = end + 1;
        primary = false;
    }
}

GreetingLink greetingFromFragment(std::string_view fragment) {
    if (!fragment.empty() && fragment.front() == '#') fragment.remove_prefix(1);
    const LinkFields fields = linkFields(fragment);
    GreetingLink link = fields.greeting ? decodeGreeting(*fields.greeting) : GreetingLink{};
    if (fields.language && isLanguageTag(*fields.language)) link.language = lowerCase(*fields.language);
    return link;
}

std::string fragmentFromGreeting(std::string_view greetingFile, std::string_view language) {
    std::string out(GREETING_LINK_KEY);
    out += '=';
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
    if (isLanguageTag(language)) {
        out += '&';
        out += LANGUAGE_LINK_KEY;
        out += '=';
        out += lowerCase(language);
    }
    return out;
}
