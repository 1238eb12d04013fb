// Lays out arbitrary bytes as a greeting file. A refusal must be one line
// naming the file; an accepted greeting must keep the palm's bounds and
// encode into writer text that the writer reads without surprises.
//
//   fuzz_greeting -max_total_time=60 -dict=fuzz/greeting.dict corpus-dir fuzz/greeting_seeds
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "greeting/greeting_encoding.h"
#include "greeting/greeting_layout.h"

namespace {

constexpr std::string_view NAME = "greeting.txt";

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

bool glyph(uint8_t g) {
    return (g >= 32 && g <= 127) || g >= 160;
}

void checkRefusal(const std::string& error) {
    if (error.compare(0, NAME.size(), NAME) != 0) fault("error does not name the file", error);
    for (const char ch : error)
        if (static_cast<uint8_t>(ch) < 32 || ch == 127) fault("control byte in the error", error);
}

void checkGreeting(const Greeting& greeting) {
    if (greeting.pages.empty()) fault("accepted with no page", "");
    int32_t characters = 0;
    for (const GreetingPage& page : greeting.pages) {
        if (page.lines.empty() || page.lines.size() > GREETING_PAGE_LINES) fault("page size", "");
        if (page.pauseFrames < 0 || page.pauseFrames > TEXT_MAX_PAUSE_EXACT_FRAMES) fault("pause", "");
        for (const std::string& line : page.lines) {
            if (line.empty() || line.size() > GREETING_LINE_LETTERS || line.back() == ' ')
                fault("line", line);
            for (const char ch : line)
                if (!glyph(static_cast<uint8_t>(ch)) || static_cast<uint8_t>(ch) == 0xAD)
                    fault("glyph", line);
            characters += static_cast<int32_t>(line.size());
        }
    }
    if (characters > GREETING_MAX_CHARACTERS) fault("too many characters", std::to_string(characters));

    // The writer text: glyphs, line ends and page breaks, each page closed
    // by exactly one well-formed pause, and no 0 before its end.
    const std::string text = writerTextFromGreeting(greeting);
    size_t pages = 1;
    bool paused = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (glyph(c) || c == TEXT_LINE_FEED) {
            if (paused) fault("text after a pause", "");
        } else if (c == TEXT_PAGE_BREAK) {
            if (!paused) fault("page without a pause", "");
            paused = false;
            ++pages;
        } else if (c == TEXT_PAUSE || c == TEXT_PAUSE_EXACT) {
            const size_t digits = c == TEXT_PAUSE ? 1 : TEXT_PAUSE_EXACT_DIGITS;
            if (paused) fault("two pauses on a page", "");
            for (size_t d = 1; d <= digits; ++d)
                if (i + d >= text.size() || text[i + d] < '0' || text[i + d] > '9') fault("pause digits", "");
            i += digits;
            paused = true;
        } else {
            fault("byte the writer would ignore", std::to_string(c));
        }
    }
    if (!paused || pages != greeting.pages.size()) fault("pages in the writer text", "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const GreetingResult result =
        layOutGreeting(std::string_view(reinterpret_cast<const char*>(data), size), NAME);
    if (result.ok())
        checkGreeting(result.greeting);
    else
        checkRefusal(result.error);
    return 0;
}
