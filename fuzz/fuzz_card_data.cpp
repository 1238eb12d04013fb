// Reads arbitrary bytes as a card file's slot, the greeting's and the
// language's: a data-bytes attribute (up to the first newline) and the
// slot's text (the rest). A language is taken only as one the pages speak.
// A refusal must be one printable line with nothing decoded; what is taken
// must be exactly as long as the slot says, within the limit, and come back
// unchanged from a page filled with it.
//
//   fuzz_card_data -max_total_time=60 corpus-dir
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "card_file/card_file.h"
#include "card_file/page_languages.h"

namespace {

// Small, so the fuzzer reaches the limit too.
constexpr size_t LIMIT = 4096;

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

// A refusal must be one printable line with nothing decoded; true when refused.
bool refusedInOneLine(const CardData& read) {
    if (read.ok()) return false;
    if (!read.present || !read.bytes.empty()) fault("refused, yet bytes kept or nothing there", read.error);
    for (const char ch : read.error)
        if (static_cast<uint8_t>(ch) < 32 || ch == 127) fault("control byte in the error", read.error);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string_view declared =
        newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? input : input.substr(newline + 1);
    // The same input as the page's language: taken only as one the pages speak.
    const CardData language = readCardLanguage(text, declared);
    if (language.ok() && language.present && !isPageLanguage(language.bytes))
        fault("a language the pages do not speak was taken", language.bytes);
    refusedInOneLine(language);

    const CardData read = readCardData(text, declared, LIMIT, "greeting");
    if (refusedInOneLine(read)) return 0;
    if (!read.present) {
        if (!read.bytes.empty()) fault("nothing there, yet bytes read", "");
        return 0;
    }
    if (read.bytes.size() > LIMIT) fault("over the limit", std::to_string(read.bytes.size()));
    size_t said = 0;
    std::from_chars(declared.data(), declared.data() + declared.size(), said);
    if (said != read.bytes.size()) fault("not as long as the slot says", std::string(declared));

    // The same bytes in a page and back.
    const std::string page = std::string(CARD_PROGRAM_MARK) + "></div>" + std::string(CARD_GREETING_SLOT) +
                             std::string(CARD_MUSIC_SLOT);
    CardFileParts parts;
    parts.page = page;
    parts.greeting = read.bytes;
    std::string filled, error;
    if (!fillCardPage(parts, filled, error)) fault("the page was not filled", error);
    const size_t open = filled.find("data-bytes=\"", page.find(CARD_GREETING_SLOT.substr(0, 20)) + 1);
    const size_t quote = filled.find('"', open + 12);
    const size_t start = filled.find('>', quote) + 1;
    const CardData again = readCardData(filled.substr(start, filled.find("</div>", start) - start),
                                        filled.substr(open + 12, quote - open - 12), LIMIT, "greeting");
    if (!again.ok() || again.bytes != read.bytes) fault("does not come back from a filled page", again.error);
    return 0;
}
