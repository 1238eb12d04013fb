// What the page calls for the card as one file: the card a recipient opens
// reads its greeting and music from the page's own slots; the compose page
// checks a module the sender picks, hands it to its preview and fills the
// one-file page into the card to download. The same code fills it as
// yulecard-pack does (card_file/), so both make the same bytes.
#include <emscripten.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/card_content.h"
#include "card_file/card_file.h"
#include "greeting/greeting_error.h"
#include "greeting/greeting_file.h"
#include "greeting/greeting_layout.h"
#include "music/loader.h"

namespace {

// What errors call the parts of a card file.
constexpr std::string_view GREETING_NAME = "greeting";
constexpr std::string_view MUSIC_NAME = "music";
constexpr std::string_view PAGE_NAME = "the card's page";

std::string_view textOf(const char* text) {
    return text != nullptr ? std::string_view(text) : std::string_view();
}

std::string_view bytesOf(const uint8_t* bytes, size_t size) {
    return bytes != nullptr ? std::string_view(reinterpret_cast<const char*>(bytes), size)
                            : std::string_view();
}

// The card filled in by yulePackCard, until the page has taken it.
std::string packed;
// The language yuleReadFileLanguage read from the page's slot.
std::string fileLanguage;

}  // namespace

extern "C" {

// The greeting in the page's greeting slot: its text and its data-bytes
// attribute. Returns "" when it is taken (the next opening writes it), or
// the reason the card writes its own instead, in parts as JSON for the page
// to word (greeting/greeting_error.h): the parser's problem, or a slot
// damaged on its way ("card-file", said in English: "the greeting is cut
// short"). The music stays as it is.
EMSCRIPTEN_KEEPALIVE const char* yuleUseFileGreeting(const char* text, const char* declaredBytes) {
    static std::string error;
    LoadedCardContent content = usedCardContent();
    content.useOurGreeting();
    const CardData data =
        readCardData(textOf(text), textOf(declaredBytes), GREETING_FILE_MAX_BYTES, GREETING_NAME);
    error = data.ok() ? std::string() : englishProblemJson("card-file", data.error);
    if (data.present && data.ok()) {
        const GreetingResult laid = layOutGreeting(data.bytes, GREETING_NAME);
        if (laid.ok())
            content.setGreeting(laid.greeting);
        else
            error = greetingErrorJson(laid.errorParts);
    }
    useCardContent(content);
    return error.c_str();
}

// The module in the page's music slot, as yuleUseFileGreeting: "" when it
// is taken, else the reason ("music: instrument 5 has 20 samples; at most
// 16") and the card plays its own.
EMSCRIPTEN_KEEPALIVE const char* yuleUseFileMusic(const char* text, const char* declaredBytes) {
    static std::string error;
    LoadedCardContent content = usedCardContent();
    content.useOurMusic();
    CardData data = readCardData(textOf(text), textOf(declaredBytes), CARD_FILE_MUSIC_MAX_BYTES, MUSIC_NAME);
    error = data.error;
    if (data.present && data.ok()) content.setMusic(std::move(data.bytes), MUSIC_NAME, error);
    useCardContent(content);
    return error.c_str();
}

// The language in the page's language slot, read as the other slots are:
// "" when it is taken (yuleFileLanguage then names it, "" for an empty
// slot), else the one-line reason ("the language \"xx\" is not one the card
// speaks") and the page speaks its reader's language.
EMSCRIPTEN_KEEPALIVE const char* yuleReadFileLanguage(const char* text, const char* declaredBytes) {
    static std::string error;
    CardData data = readCardLanguage(textOf(text), textOf(declaredBytes));
    error = data.error;
    fileLanguage = data.ok() ? std::move(data.bytes) : std::string();
    return error.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* yuleFileLanguage() {
    return fileLanguage.c_str();
}

// For the compose page: "" when the card's loader takes the module in
// `bytes` and a card file can carry it, else the one-line reason.
EMSCRIPTEN_KEEPALIVE const char* yuleCheckMusic(const uint8_t* bytes, size_t size) {
    static std::string error;
    error.clear();
    if (size > CARD_FILE_MUSIC_MAX_BYTES) {
        error = std::string(MUSIC_NAME) + ": too large for a card (more than " +
                std::to_string(CARD_FILE_MUSIC_MAX_BYTES >> 20) + " MiB)";
        return error.c_str();
    }
    Song* song = createSongFromMemory(bytes, size);
    if (song == nullptr) {
        error = std::string(MUSIC_NAME) + ": " + lastLoadError().message;
        return error.c_str();
    }
    freeSong(song);
    return "";
}

// For the preview: plays the module in `bytes` from the next opening
// (null: the card's own again). "" or the reason it is refused.
EMSCRIPTEN_KEEPALIVE const char* yuleUseMusic(const uint8_t* bytes, size_t size) {
    static std::string error;
    error.clear();
    LoadedCardContent content = usedCardContent();
    content.useOurMusic();
    if (bytes != nullptr) content.setMusic(std::string(bytesOf(bytes, size)), MUSIC_NAME, error);
    useCardContent(content);
    return error.c_str();
}

// Fills the empty one-file page (its bytes, as served) with the greeting
// file `greeting`, the page's language `language` ("": none) and, when
// `music` is not null, the module there. Returns "" and keeps the card for
// yulePackedCard, or the one-line reason.
EMSCRIPTEN_KEEPALIVE const char* yulePackCard(const uint8_t* page, size_t pageSize, const char* greeting,
                                              const char* language, const uint8_t* music, size_t musicSize) {
    static std::string error;
    error.clear();
    packed.clear();
    CardFileParts parts;
    parts.page = bytesOf(page, pageSize);
    parts.pageName = PAGE_NAME;
    parts.greeting = textOf(greeting);
    parts.greetingName = GREETING_NAME;
    if (music != nullptr) parts.music = bytesOf(music, musicSize);
    parts.musicName = MUSIC_NAME;
    parts.language = textOf(language);
    std::string card;
    if (packCard(parts, card, error)) packed = std::move(card);
    return error.c_str();
}

// The card yulePackCard made, and its length; yuleDropPackedCard lets it go.
EMSCRIPTEN_KEEPALIVE const char* yulePackedCard() {
    return packed.data();
}
EMSCRIPTEN_KEEPALIVE double yulePackedCardBytes() {
    return static_cast<double>(packed.size());
}
EMSCRIPTEN_KEEPALIVE void yuleDropPackedCard() {
    std::string().swap(packed);
}

}  // extern "C"
