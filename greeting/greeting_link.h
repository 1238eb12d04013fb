#pragma once
// A greeting carried in a link to the web card, in the part after "#" (the
// fragment), which browsers never send to the server:
//
//   https://example.org/card/#greeting=SGFwcHkgSG9saWRheXMh&lang=pl
//
// The fragment is fields "key=value" separated by "&", in any order; the
// first field of a key counts, fields of other keys are passed over.
//
// greeting: the greeting file's UTF-8 bytes in base64url (RFC 4648 §5:
// A-Z a-z 0-9 - _), without padding; padding "=" and the standard
// alphabet's "+" and "/" are read too, since links get copied through mail
// programs and chats that rewrite them. The decoded bytes are a greeting file
// like any other (greeting/greeting_layout.h); a greeting that cannot be
// decoded is refused with one line saying why, never half read.
//
// lang: the language the sender chose for the card's page, a language tag
// ("pl", "pt-BR"). The page shows its words in it and marks the greeting
// with it; it counts without a greeting too (the card's own greeting on a
// page in Polish). A value that is not a language tag is passed over as if
// absent: the language never costs the greeting.
//
// Fragments without a greeting field (none, "#top") carry no greeting.
#include <cstddef>
#include <string>
#include <string_view>

#include "greeting/greeting_error.h"

// The fragment's keys.
constexpr std::string_view GREETING_LINK_KEY = "greeting";
constexpr std::string_view LANGUAGE_LINK_KEY = "lang";
// The longest greeting a link carries, decoded: as large as a greeting file
// may be. Browsers take links of well over a megabyte.
constexpr size_t GREETING_LINK_MAX_BYTES = 65536;
// The longest language tag taken (the longest a tag of language, script and
// region can be, with room to spare).
constexpr size_t LANGUAGE_TAG_MAX_LENGTH = 35;

struct GreetingLink {
    bool present = false;      // the fragment carries a greeting (well formed or not)
    std::string bytes;         // the greeting file's bytes, when error is empty
    std::string error;         // one line, e.g. "the link's greeting is cut short; copy the whole link"
    GreetingError errorParts;  // the same in parts, for the page to word
    std::string language;      // the lang field, lower case; "" when absent or not a language tag

    bool ok() const { return error.empty(); }
};

// Reads the fragment, without its "#" (a leading "#" is skipped too).
GreetingLink greetingFromFragment(std::string_view fragment);

// The fragment that carries `greetingFile`, without "#": "greeting=...",
// followed by "&lang=..." when `language` is a language tag.
std::string fragmentFromGreeting(std::string_view greetingFile, std::string_view language = {});

// A language tag as the link takes it: a primary subtag of 2 or 3 letters,
// then subtags of 1 to 8 letters or digits, joined by "-"; at most
// LANGUAGE_TAG_MAX_LENGTH characters.
bool isLanguageTag(std::string_view tag);
