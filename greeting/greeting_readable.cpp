#include "greeting/greeting_readable.h"

#include "base/utf8.h"
#include "greeting/greeting_encoding.h"

namespace {

constexpr char32_t SNOWFLAKE = 0x2744;

}  // namespace

std::string readableGreeting(std::string_view writerText) {
    writerText = writerText.substr(0, writerText.find('\0'));
    std::string out;
    for (size_t i = 0; i < writerText.size();) {
        char32_t c = 0;
        size_t length = 1;
        if (decodeUtf8(writerText, i, c, length) != Utf8::Valid) {
            ++i;  // the writer passes such a byte over
            continue;
        }
        i += length;
        if (textGlyphCell(c) >= 0) {
            appendUtf8(out, c == 0x7F ? SNOWFLAKE : c);
        } else if (c == TEXT_LINE_FEED) {
            out += '\n';
        } else if (c == TEXT_PAGE_BREAK) {
            out += "\n\n";
        } else if (c == TEXT_PAUSE) {
            ++i;  // its digit
        } else if (c == TEXT_PAUSE_EXACT) {
            // Its digits, as many as the writer takes.
            for (int32_t d = 0; d < TEXT_PAUSE_EXACT_DIGITS && i < writerText.size(); ++d, ++i)
                if (writerText[i] < '0' || writerText[i] > '9') break;
        }
    }
    // A page ends with its pause, so the text may end in line breaks.
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}
