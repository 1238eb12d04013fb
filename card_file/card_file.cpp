#include "card_file/card_file.h"

#include <charconv>
#include <utility>

#include "base/base64.h"
#include "greeting/greeting_file.h"
#include "greeting/greeting_layout.h"
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
    if (parts.music) {
        Song* song = createSongFromMemory(music.data(), music.size());
        if (song == nullptr) {
            error = std::string(parts.musicName) + ": " + lastLoadError().message;
            return false;
        }
        freeSong(song);
    }
    std::string filled;
    if (!fillCardPage(parts.page, parts.greeting, music, filled, error)) {
        error = std::string(parts.pageName) + ": " + error;
        return false;
    }
    card = std::move(filled);
    return true;
}

bool fillCardPage(std::string_view page, std::string_view greeting, std::string_view music, std::string& out,
                  std::string& error) {
    size_t greetingAt = 0, musicAt = 0, programAt = 0;
    if (!findOnce(page, CARD_PROGRAM_MARK, programAt) || !findOnce(page, CARD_GREETING_SLOT, greetingAt) ||
        !findOnce(page, CARD_MUSIC_SLOT, musicAt)) {
        error = "not the card's empty one-file page (make web writes it as yulecard.html)";
        return false;
    }
    const std::string greetingSlot = filledSlot(CARD_GREETING_SLOT, greeting);
    const std::string musicSlot =
        music.empty() ? std::string(CARD_MUSIC_SLOT) : filledSlot(CARD_MUSIC_SLOT, music);
    // The slots in the order they stand, the page's own text around them.
    struct Part {
        size_t at;
        size_t length;
        const std::string* text;
    };
    Part first{greetingAt, CARD_GREETING_SLOT.size(), &greetingSlot};
    Part second{musicAt, CARD_MUSIC_SLOT.size(), &musicSlot};
    if (second.at < first.at) std::swap(first, second);
    out.clear();
    out.reserve(page.size() + greetingSlot.size() + musicSlot.size());
    out.append(page.substr(0, first.at));
    out += *first.text;
    out.append(page.substr(first.at + first.length, second.at - first.at - first.length));
    out += *second.text;
    out.append(page.substr(second.at + second.length));
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
