// Lays out arbitrary bytes as a greeting file. A refusal must be one line
// naming the file; an accepted greeting must keep the palm's bounds and
// encode into writer text that the writer reads without surprises and that
// reads back as the same words.
//
//   fuzz_greeting -max_total_time=60 -dict=fuzz/greeting.dict corpus-dir fuzz/greeting_seeds
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "greeting/greeting_encoding.h"
#include "greeting/greeting_layout.h"
#include "greeting/greeting_readable.h"

namespace {

constexpr std::string_view NAME = "greeting.txt";

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

bool glyph(char32_t c) {
    return textGlyphCell(c) >= 0;
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
        for (const std::u32string& line : page.lines) {
            if (line.empty() || line.size() > GREETING_LINE_LETTERS || line.back() == ' ')
                fault("line", utf8FromCodePoints(line));
            for (const char32_t c : line)
                if (!glyph(c) || c == 0x7F || c == 0xAD) fault("glyph", utf8FromCodePoints(line));
            characters += static_cast<int32_t>(line.size());
        }
    }
    if (characters > GREETING_MAX_CHARACTERS) fault("too many characters", std::to_string(characters));

    // The writer text: well-formed UTF-8 of glyphs, line ends and page
    // breaks, each page closed by exactly one well-formed pause, and no 0
    // before its end.
    const std::string text = writerTextFromGreeting(greeting);
    size_t pages = 1;
    bool paused = false;
    for (size_t i = 0, length = 1; i < text.size(); i += length) {
        char32_t c = 0;
        if (decodeUtf8(text, i, c, length) != Utf8::Valid) fault("not UTF-8", std::to_string(i));
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
            fault("character the writer would ignore", std::to_string(c));
        }
    }
    if (!paused || pages != greeting.pages.size()) fault("pages in the writer text", "");

    // Read back for screen readers, it is the laid-out text.
    std::string expected;
    for (const GreetingPage& page : greeting.pages) {
        if (!expected.empty()) expected += "\n\n";
        for (size_t l = 0; l < page.lines.size(); ++l)
            expected += (l ? "\n" : "") + utf8FromCodePoints(page.lines[l]);
    }
    if (readableGreeting(text) != expected) fault("readable text", readableGreeting(text));
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
