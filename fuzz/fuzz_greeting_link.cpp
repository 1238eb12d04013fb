// Reads arbitrary bytes as a web card link's fragment. A refusal must be one
// printable line with nothing decoded; an accepted greeting must stay within
// the limit, come back from its own link unchanged, and lay out (or be
// refused) like any greeting file.
//
//   fuzz_greeting_link -max_total_time=60 corpus-dir fuzz/link_seeds
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
    if (!link.present) {
        if (!link.ok() || !link.bytes.empty()) fault("no greeting, yet something read", link.error);
        return 0;
    }
    if (!link.ok()) {
        if (!link.bytes.empty()) fault("refused, yet bytes kept", link.error);
        for (const char ch : link.error)
            if (static_cast<uint8_t>(ch) < 32 || ch == 127) fault("control byte in the error", link.error);
        return 0;
    }
    if (link.bytes.size() > GREETING_LINK_MAX_BYTES)
        fault("over the limit", std::to_string(link.bytes.size()));
    const GreetingLink again = greetingFromFragment(fragmentFromGreeting(link.bytes));
    if (!again.ok() || again.bytes != link.bytes) fault("does not come back from its own link", again.error);
    const GreetingResult laid = layOutGreeting(link.bytes, "the link");
    if (!laid.ok() && laid.error.compare(0, 8, "the link") != 0)
        fault("error does not name the link", laid.error);
    return 0;
}
