#include "app/greeting_encoding.h"

#include <algorithm>

namespace {

void appendPause(std::string& text, int32_t frames) {
    frames = std::clamp(frames, 0, WRITER_MAX_PAUSE_FRAMES);
    if (frames % 100 == 0 && frames <= 900) {
        text += WRITER_PAUSE_HUNDREDS;
        text += static_cast<char>('0' + frames / 100);
        return;
    }
    text += WRITER_PAUSE_FRAMES;
    const std::string digits = std::to_string(frames);
    text.append(WRITER_PAUSE_FRAMES_DIGITS - digits.size(), '0');
    text += digits;
}

}  // namespace

std::string writerTextFromGreeting(const Greeting& greeting) {
    std::string text;
    for (size_t p = 0; p < greeting.pages.size(); ++p) {
        if (p > 0) text += WRITER_PAGE_BREAK;
        const GreetingPage& page = greeting.pages[p];
        for (size_t l = 0; l < page.lines.size(); ++l) {
            if (l > 0) text += WRITER_NEW_LINE;
            text += page.lines[l];
        }
        appendPause(text, page.pauseFrames);
    }
    return text;
}
