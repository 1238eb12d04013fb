#pragma once
// The card as one file: the web card's page with its program, player and
// styles inside (yulecard.html, which `make web` writes), filled in with a
// sender's greeting and, if they like, a module of their own. yulecard-pack
// and the compose page both fill it here, so that the same inputs make the
// same bytes.
//
// The empty page holds three slots, each an element the page reads as text:
//   <div id="card-language" hidden></div>
//   <div id="card-greeting" hidden></div>
// Filled, a slot carries its bytes in base64 (never markup or script: the
// alphabet has no "<", "&" or quote) and their count, so that a file cut
// short on its way is told from a whole one:
//   <div id="card-greeting" hidden data-bytes="57">RGVhciBmcmllbmQs...</div>
// The language is the tag of the language the card's page speaks (one of
// PAGE_LANGUAGES); the greeting is a greeting file's bytes; the music an XM
// module's. An empty slot carries nothing: the page speaks its reader's
// language, writes the link's greeting or its own, plays its own carol.
// Pages made before the language slot have none, and read as if it were
// empty.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

constexpr std::string_view CARD_LANGUAGE_SLOT = R"(<div id="card-language" hidden></div>)";
constexpr std::string_view CARD_GREETING_SLOT = R"(<div id="card-greeting" hidden></div>)";
constexpr std::string_view CARD_MUSIC_SLOT = R"(<div id="card-music" hidden></div>)";
// Only the one-file page holds its program inline; the served page has none.
constexpr std::string_view CARD_PROGRAM_MARK = R"(<div id="card-program" hidden)";

// The largest module a card file carries: more than nearly any module made
// to be played, while the file stays one that can be sent, and a page opens
// it without running out of memory (base64 text, bytes and the loader's copy
// are all held at once).
constexpr size_t CARD_FILE_MUSIC_MAX_BYTES = size_t{32} << 20;
// The longest language slot read: as long as a language tag can be.
constexpr size_t CARD_FILE_LANGUAGE_MAX_BYTES = 35;

// What goes into a card, and what errors call each part.
struct CardFileParts {
    std::string_view page;  // the empty one-file page
    std::string_view pageName;
    std::string_view greeting;  // a greeting file's bytes
    std::string_view greetingName;
    std::optional<std::string_view> music;  // an XM module's bytes; none: the card's own carol
    std::string_view musicName;
    std::string_view language;  // one of PAGE_LANGUAGES; "": none chosen
};

// The card to send: checks the greeting as the card lays it out, the
// module as the card's loader takes it and the language against the pages'
// own, then fills the page. False, with one line in `error` naming the part
// ("wishes.txt:3: ...", "song.xm: instrument 5 has 20 samples; at most
// 16"), and `card` untouched.
bool packCard(const CardFileParts& parts, std::string& card, std::string& error);

// Fills the empty one-file page `parts.page` with the greeting, the music
// (none: the slot stays empty) and the language ("": likewise) into `out`,
// checking none of them. False, with one line in `error` (without the page's
// name), when the page is not the empty one-file page (the served page, or
// a card already filled in), or has no language slot for a language.
bool fillCardPage(const CardFileParts& parts, std::string& out, std::string& error);

// What a slot of a page carries, as the page reads it back.
struct CardData {
    bool present = false;  // the slot holds something (whole or not)
    std::string bytes;     // when error is empty
    std::string error;     // one line: "the greeting is cut short"

    bool ok() const { return error.empty(); }
};

// Reads a slot's text and its data-bytes attribute ("" when it has none).
// `what` names it in errors ("greeting"); more than `maxBytes` is refused
// before anything is decoded.
CardData readCardData(std::string_view text, std::string_view declaredBytes, size_t maxBytes,
                      std::string_view what);

// The language slot, read as readCardData reads a slot; a language the
// pages do not speak is refused as a damaged slot is ("the language \"xx\"
// is not one the card speaks").
CardData readCardLanguage(std::string_view text, std::string_view declaredBytes);
