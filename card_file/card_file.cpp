#include "card_file/card_file.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

#include "base/base64.h"
#include "card_file/page_languages.h"
#include "greeting/greeting_file.h"
#include "greeting/greeting_layout.h"
#include "greeting/greeting_link.h"
#include "music/loader.h"

namespace {

// Where `slot` stands in `page`, when it stands there exactly once.
bool findOnce(std::string_view page, std::string_view slot, size_t& at) {
    at = page.find(slot);
    return at != std::string_view::npos && page.find(slot, at + 1) == std::string_view::npos;
}

// The slot as filled: its element with the byte count, the base64 inside.
std::string filledSlot(std::string_view slot, std::string_view bytes) {
    const size_t close = slot.find('>');
    std::string out(slot.substr(0, close));
    out += " data-bytes=\"" + std::to_string(bytes.size()) + "\">";
    out += encodeBase64(bytes);
    out += slot.substr(close + 1);
    return out;
}

bool allWhiteSpace(std::string_view text) {
    return text.find_first_not_of(" \t\n\r\f") == std::string_view::npos;
}

CardData refused(std::string reason) {
    CardData data;
    data.present = true;
    data.error = std::move(reason);
    return data;
}

}  // namespace

bool packCard(const CardFileParts& parts, std::string& card, std::string& error) {
    const auto tooLarge = [&](std::string_view name, const char* noun, size_t max) {
        error =
            std::string(name) + ": too large for " + noun + " (more than " + std::to_string(max) + " bytes)";
        return false;
    };
    if (parts.greeting.size() > GREETING_FILE_MAX_BYTES)
        return tooLarge(parts.greetingName, "a greeting", GREETING_FILE_MAX_BYTES);
    if (const GreetingResult laid = layOutGreeting(parts.greeting, parts.greetingName); !laid.ok()) {
        error = laid.error;
        return false;
    }
    const std::string_view music = parts.music.value_or(std::string_view{});
    if (music.size() > CARD_FILE_MUSIC_MAX_BYTES)
        return tooLarge(parts.musicName, "a module sent in a card", CARD_FILE_MUSIC_MAX_BYTES);
    if (!parts.language.empty() && !isPageLanguage(parts.language)) {
        error = "language: \"" + std::string(parts.language) + "\" is not one the card speaks (" +
                pageLanguageList() + ")";
        return false;
    }
    if (parts.music) {
        Song* song = createSongFromMemory(music.data(), music.size());
        if (song == nullptr) {
            error = std::string(parts.musicName) + ": " + lastLoadError().message;
            return false;
        }
        freeSong(song);
    }
    std::string filled;
    if (!fillCardPage(parts, filled, error)) {
        error = std::string(parts.pageName) + ": " + error;
        return false;
    }
    card = std::move(filled);
    return true;
}

bool fillCardPage(const CardFileParts& parts, std::string& out, std::string& error) {
    const std::string_view page = parts.page;
    const std::string_view music = parts.music.value_or(std::string_view{});
    // A slot, where it stands, and what takes its place: its bytes, or the
    // slot as it was when there are none (the greeting is always filled).
    struct Slot {
        std::string_view empty;
        std::string_view bytes;
        bool fill;
        size_t at = 0;
        std::string filled = {};
    };
    std::vector<Slot> slots = {{CARD_GREETING_SLOT, parts.greeting, true},
                               {CARD_MUSIC_SLOT, music, !music.empty()}};
    size_t programAt = 0;
    bool whole = findOnce(page, CARD_PROGRAM_MARK, programAt);
    for (Slot& slot : slots) whole = whole && findOnce(page, slot.empty, slot.at);
    if (!whole) {
        error = "not the card's empty one-file page (make web writes it as yulecard.html)";
        return false;
    }
    // A page made before the language slot still takes a card without a language.
    Slot language{CARD_LANGUAGE_SLOT, parts.language, !parts.language.empty()};
    if (findOnce(page, CARD_LANGUAGE_SLOT, language.at)) {
        slots.push_back(language);
    } else if (page.find(CARD_LANGUAGE_SLOT) != std::string_view::npos) {
        error = "not the card's empty one-file page (make web writes it as yulecard.html)";
        return false;
    } else if (!parts.language.empty()) {
        error = "the empty card has no place for a language (make web writes one that has)";
        return false;
    }
    std::sort(slots.begin(), slots.end(), [](const Slot& a, const Slot& b) { return a.at < b.at; });

    // The page's own text around the slots, each slot filled or as it was.
    size_t size = page.size();
    for (Slot& slot : slots) {
        slot.filled = slot.fill ? filledSlot(slot.empty, slot.bytes) : std::string(slot.empty);
        size += slot.filled.size();
    }
    out.clear();
    out.reserve(size);
    size_t from = 0;
    for (const Slot& slot : slots) {
        out.append(page.substr(from, slot.at - from));
        out += slot.filled;
        from = slot.at + slot.empty.size();
    }
    out.append(page.substr(from));
    return true;
}

CardData readCardData(std::string_view text, std::string_view declaredBytes, size_t maxBytes,
                      std::string_view what) {
    const std::string name(what);
    const std::string tooLarge =
        "the " + name + " is larger than a card carries (" + std::to_string(maxBytes) + " bytes)";
    if (declaredBytes.empty()) {
        if (allWhiteSpace(text)) return CardData{};
        return refused("the " + name + "'s length is missing");
    }
    size_t declared = 0;
    const char* const last = declaredBytes.data() + declaredBytes.size();
    const auto [end, ec] = std::from_chars(declaredBytes.data(), last, declared);
    if (ec == std::errc::result_out_of_range || (ec == std::errc{} && end == last && declared > maxBytes))
        return refused(tooLarge);
    if (ec != std::errc{} || end != last) return refused("the " + name + "'s length is not a number");
    // A text far longer than the card carries is not decoded at all (white
    // space, as a text wrapped on its way has, is allowed for).
    if (text.size() / 4 * 3 > maxBytes + maxBytes / 8 + 16) return refused(tooLarge);

    CardData data;
    data.present = true;
    const Base64Result decoded = decodeBase64(text, data.bytes);
    if (decoded.status == Base64::BadCharacter)
        return refused("the " + name + " has a character that does not belong at place " +
                       std::to_string(decoded.at + 1));
    if (decoded.status == Base64::CutShort || data.bytes.size() < declared)
        return refused("the " + name + " is cut short");
    if (data.bytes.size() > declared) return refused("the " + name + " is longer than its length says");
    return data;
}

CardData readCardLanguage(std::string_view text, std::string_view declaredBytes) {
    CardData data = readCardData(text, declaredBytes, CARD_FILE_LANGUAGE_MAX_BYTES, "language");
    if (!data.present || !data.ok() || isPageLanguage(data.bytes)) return data;
    // Only a well-formed tag is repeated: the slot may hold anything at all.
    return refused(isLanguageTag(data.bytes)
                       ? "the language \"" + data.bytes + "\" is not one the card speaks"
                       : std::string("the language is not a language tag"));
}
