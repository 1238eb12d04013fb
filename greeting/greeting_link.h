#pragma once
// A greeting carried in a link to the web card, in the part after "#" (the
// fragment), which browsers never send to the server:
//
//   https://example.org/card/#greeting=SGFwcHkgSG9saWRheXMh
//
// The value is the greeting file's UTF-8 bytes in base64url (RFC 4648 §5:
// A-Z a-z 0-9 - _), without padding; padding "=" and the standard
// alphabet's "+" and "/" are read too, since links get copied through mail
// programs and chats that rewrite them. Other fragments (none, "#top") carry
// no greeting. The decoded bytes are a greeting file like any other
// (greeting/greeting_layout.h); a link that cannot be decoded is refused with
// one line saying why, never half read.
#include <cstddef>
#include <string>
#include <string_view>

// The fragment's key for a greeting.
constexpr std::string_view GREETING_LINK_KEY = "greeting=";
// The longest greeting a link carries, decoded: as large as a greeting file
// may be. Browsers take links of well over a megabyte.
constexpr size_t GREETING_LINK_MAX_BYTES = 65536;

struct GreetingLink {
    bool present = false;  // the fragment carries a greeting (well formed or not)
    std::string bytes;     // the greeting file's bytes, when error is empty
    std::string error;     // one line, e.g. "the link's greeting is cut short"

    bool ok() const { return error.empty(); }
};

// Reads the fragment, without its "#" (a leading "#" is skipped too).
GreetingLink greetingFromFragment(std::string_view fragment);

// The fragment that carries `greetingFile`, without "#": "greeting=...".
std::string fragmentFromGreeting(std::string_view greetingFile);
