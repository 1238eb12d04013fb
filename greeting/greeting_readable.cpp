#include "greeting/greeting_readable.h"

#include "greeting/greeting_encoding.h"
#include "greeting/greeting_layout.h"

namespace {

bool isGlyph(unsigned char c) {
    return (c >= 32 && c <= 127) || c >= 160;
}

}  // namespace

std::string readableGreeting(std::string_view writerText) {
    std::string out;
    std::string line;  // glyph codes of the line being read
    const auto endLine = [&] {
        out += utf8FromGlyphs(line);
        line.clear();
    };
    for (size_t i = 0; i < writerText.size() && writerText[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(writerText[i]);
        if (isGlyph(c)) {
            line += static_cast<char>(c);
        } else if (c == TEXT_LINE_FEED) {
            endLine();
            out += '\n';
        } else if (c == TEXT_PAGE_BREAK) {
            endLine();
            out += "\n\n";
        } else if (c == TEXT_PAUSE) {
            ++i;  // its digit
        } else if (c == TEXT_PAUSE_EXACT) {
            i += TEXT_PAUSE_EXACT_DIGITS;
        }
    }
    endLine();
    // A page ends with its pause, so the text may end in line breaks.
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}
