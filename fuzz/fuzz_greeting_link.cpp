// Reads arbitrary bytes as a web card link's fragment. A refusal must be one
// printable line with nothing decoded, and the same in parts; an accepted
// greeting must stay within the limit, come back from its own link unchanged
// with its language, and lay out (or be refused) like any greeting file. The
// language is a language tag or nothing.
//
//   fuzz_greeting_link -max_total_time=60 -dict=fuzz/link.dict corpus-dir fuzz/link_seeds
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "greeting/greeting_layout.h"
#include "greeting/greeting_link.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view fragment(reinterpret_cast<const char*>(data), size);
    const GreetingLink link = greetingFromFragment(fragment);
    if (!link.language.empty() && !isLanguageTag(link.language)) fault("not a language tag", link.language);
    for (const char ch : link.language)
        if (ch >= 'A' && ch <= 'Z') fault("the language is not lower case", link.language);
    if (!link.present) {
        if (!link.ok() || !link.bytes.empty()) fault("no greeting, yet something read", link.error);
        return 0;
    }
    if (!link.ok()) {
        if (!link.bytes.empty()) fault("refused, yet bytes kept", link.error);
        for (const char ch : link.error)
            if (static_cast<uint8_t>(ch) < 32 || ch == 127) fault("control byte in the error", link.error);
        if (link.errorParts.ok() || englishReason(link.errorParts) != link.error)
            fault("the refusal's parts do not make its line", link.error);
        return 0;
    }
    if (link.bytes.size() > GREETING_LINK_MAX_BYTES)
        fault("over the limit", std::to_string(link.bytes.size()));
    const GreetingLink again = greetingFromFragment(fragmentFromGreeting(link.bytes, link.language));
    if (!again.ok() || again.bytes != link.bytes || again.language != link.language)
        fault("does not come back from its own link", again.error + again.language);
    const GreetingResult laid = layOutGreeting(link.bytes, "the link");
    if (!laid.ok() && laid.error.compare(0, 8, "the link") != 0)
        fault("error does not name the link", laid.error);
    return 0;
}
