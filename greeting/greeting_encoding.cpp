#include "greeting/greeting_encoding.h"

#include <algorithm>

#include "base/utf8.h"

namespace {

// Longest pause the two-byte form holds: one digit of hundreds.
constexpr int32_t HUNDREDS_FORM_MAX_FRAMES = 9 * TEXT_PAUSE_FRAMES_PER_DIGIT;

void appendPause(std::string& text, int32_t frames) {
    frames = std::clamp(frames, 0, TEXT_MAX_PAUSE_EXACT_FRAMES);
    if (frames % TEXT_PAUSE_FRAMES_PER_DIGIT == 0 && frames <= HUNDREDS_FORM_MAX_FRAMES) {
        text += TEXT_PAUSE;
        text += static_cast<char>('0' + frames / TEXT_PAUSE_FRAMES_PER_DIGIT);
        return;
    }
    text += TEXT_PAUSE_EXACT;
    const std::string digits = std::to_string(frames);
    text.append(TEXT_PAUSE_EXACT_DIGITS - digits.size(), '0');
    text += digits;
}

}  // namespace

std::string writerTextFromGreeting(const Greeting& greeting) {
    std::string text;
    for (size_t p = 0; p < greeting.pages.size(); ++p) {
        if (p > 0) text += TEXT_PAGE_BREAK;
        const GreetingPage& page = greeting.pages[p];
        for (size_t l = 0; l < page.lines.size(); ++l) {
            if (l > 0) text += TEXT_LINE_FEED;
            for (const char32_t c : page.lines[l]) appendUtf8(text, c);
        }
        appendPause(text, page.pauseFrames);
    }
    return text;
}
