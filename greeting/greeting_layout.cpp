#include "greeting/greeting_layout.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "base/utf8.h"
#include "effects/text_format.h"

namespace {

constexpr char32_t BYTE_ORDER_MARK = 0xFEFF;
constexpr char32_t SNOWFLAKE = 0x2744;
// Phones send "❄" with a selector asking for its emoji picture; the card has
// one picture of it, so the selector is dropped.
constexpr char32_t TEXT_PRESENTATION = 0xFE0E;
constexpr char32_t EMOJI_PRESENTATION = 0xFE0F;
constexpr char32_t SOFT_HYPHEN = 0xAD;
constexpr char32_t DELETE = 0x7F;
constexpr int32_t TAB_STOP = 4;

// What the card writes, for the error about a character it does not.
constexpr const char* CARD_SCRIPTS = "the card writes Latin, Greek and Cyrillic letters";

// Characters with a glyph; 127, the writer's own code for the snowflake, is
// a control character in a file.
bool inFont(char32_t c) {
    return c >= 0x20 && c != DELETE && textGlyphCell(c) >= 0;
}

// Letters among the characters in the font, for the hyphen that may break
// a word only between two letters. Beyond Latin-1 every character in the
// font up to U+04FF is a letter, but for the Greek signs.
bool isLetter(char32_t c) {
    if (c < 0x100)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    const bool greekSign = c == 0x037E || c == 0x0384 || c == 0x0385 || c == 0x0387;
    return c < 0x0500 && !greekSign;
}

std::string codePointName(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

// One source line as the characters written, tabs expanded, trailing
// spaces dropped.
struct SourceLine {
    int32_t number = 0;
    std::u32string glyphs;
};

class GreetingParser {
  public:
    explicit GreetingParser(std::string_view name) : name_(name) {}

    GreetingResult run(std::string_view bytes);

  private:
    bool fail(int32_t line, int32_t column, const std::string& reason);
    bool decodeLine(std::string_view bytes, size_t& at, SourceLine& line);
    bool takeLine(const SourceLine& line);
    bool readPauseMarker(const SourceLine& line, std::u32string_view text);
    bool wrapLine(const SourceLine& line);
    bool placeWord(const SourceLine& line, std::u32string_view word, int32_t gap);
    bool emit(const SourceLine& line);
    bool endPage();

    std::string name_;
    std::string error_;
    Greeting greeting_;
    int32_t characters_ = 0;
    // The page being read: its palm lines, its own pause if it has one.
    std::vector<std::u32string> pageLines_;
    std::optional<int32_t> pagePause_;
    int32_t pauseLine_ = 0;
    // The palm line being filled by the wrap.
    std::u32string current_;
    bool currentHasWord_ = false;
};

bool GreetingParser::fail(int32_t line, int32_t column, const std::string& reason) {
    error_ = name_;
    if (line > 0) error_ += ":" + std::to_string(line);
    if (column > 0) error_ += ":" + std::to_string(column);
    error_ += ": " + reason;
    return false;
}

// Reads up to the end of the line (LF, CRLF or CR) and past it.
bool GreetingParser::decodeLine(std::string_view bytes, size_t& at, SourceLine& line) {
    line.glyphs.clear();
    int32_t column = 0;
    char32_t previous = 0;
    while (at < bytes.size()) {
        const char first = bytes[at];
        if (first == '\n' || first == '\r') {
            at += first == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n' ? 2 : 1;
            break;
        }
        ++column;
        if (first == '\0') return fail(line.number, column, "NUL byte; a greeting is plain text");
        char32_t c = 0;
        size_t length = 1;
        switch (decodeUtf8(bytes, at, c, length)) {
            case Utf8::Valid:
                break;
            case Utf8::CutShort:
                return fail(line.number, column, "the text ends inside a UTF-8 character");
            case Utf8::Invalid: {
                char reason[96];
                std::snprintf(reason, sizeof reason, "byte 0x%02X is not UTF-8; save the greeting as UTF-8",
                              static_cast<unsigned>(static_cast<uint8_t>(first)));
                return fail(line.number, column, reason);
            }
        }
        at += length;
        const bool fileStart = line.number == 1 && column == 1;
        const char32_t before = previous;
        previous = c;
        if (inFont(c)) {
            line.glyphs += c;
        } else if (c == '\t') {
            line.glyphs.append(TAB_STOP - line.glyphs.size() % TAB_STOP, ' ');
        } else if ((c == EMOJI_PRESENTATION || c == TEXT_PRESENTATION) && before == SNOWFLAKE) {
            --column;  // part of the snowflake
        } else if (c == BYTE_ORDER_MARK && fileStart) {
            column = 0;  // not part of the text
        } else {
            return fail(line.number, column,
                        codePointName(c) + " is not in the card's font; " + CARD_SCRIPTS);
        }
    }
    while (!line.glyphs.empty() && line.glyphs.back() == ' ') line.glyphs.pop_back();
    return true;
}

// "[pause 4]", "[Pause 2.5]", "[pause 2,5]": seconds in tenths.
bool GreetingParser::readPauseMarker(const SourceLine& line, std::u32string_view text) {
    const std::string usage = "a pause is written [pause SECONDS], 0 to " +
                              std::to_string(GREETING_MAX_PAUSE_SECONDS) + " in tenths, e.g. [pause 2.5]";
    if (pagePause_)
        return fail(
            line.number, 0,
            "a second pause on the same page (the first is on line " + std::to_string(pauseLine_) + ")");
    std::u32string_view rest = text.substr(6);  // behind "[pause"
    if (rest.empty() || rest.back() != ']' || rest.front() != ' ') return fail(line.number, 0, usage);
    rest = rest.substr(0, rest.size() - 1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
    int32_t tenths = 0;
    size_t digits = 0, decimals = 0;
    bool point = false;
    for (const char32_t ch : rest) {
        if ((ch == '.' || ch == ',') && !point && digits > 0) {
            point = true;
        } else if (ch >= '0' && ch <= '9' && (point ? decimals < 1 : digits < 3)) {
            tenths = tenths * 10 + static_cast<int32_t>(ch - '0');
            ++(point ? decimals : digits);
        } else {
            return fail(line.number, 0, usage);
        }
    }
    if (digits == 0 || (point && decimals == 0)) return fail(line.number, 0, usage);
    if (!point) tenths *= 10;
    if (tenths > GREETING_MAX_PAUSE_SECONDS * 10) return fail(line.number, 0, usage);
    // Rounded to the nearest frame: 2.1 s is exactly the built-in 100 frames.
    pagePause_ = (tenths * 100 * 2 + FRAME_PERIOD_MS) / (2 * FRAME_PERIOD_MS);
    pauseLine_ = line.number;
    return true;
}

bool GreetingParser::emit(const SourceLine& line) {
    characters_ += static_cast<int32_t>(current_.size());
    if (characters_ > GREETING_MAX_CHARACTERS)
        return fail(line.number, 0,
                    "the greeting is longer than the card can hold (at most " +
                        std::to_string(GREETING_MAX_CHARACTERS) + " characters)");
    pageLines_.push_back(std::move(current_));
    current_.clear();
    currentHasWord_ = false;
    return true;
}

// The letters of `word` that are written (soft hyphens are not), counted
// only as far as `cap`: a word is measured against a line, never further.
size_t shownLength(std::u32string_view word, size_t cap) {
    size_t n = 0;
    for (const char32_t ch : word) {
        if (ch != SOFT_HYPHEN && ++n >= cap) break;
    }
    return n;
}

std::u32string withoutSoftHyphens(std::u32string_view word) {
    std::u32string out(word);
    std::erase(out, SOFT_HYPHEN);
    return out;
}

// The word as an error quotes it: long enough to find it in the file.
std::string quoted(std::u32string_view word) {
    constexpr size_t QUOTED_LETTERS = 40;
    std::u32string shown = withoutSoftHyphens(word);
    const bool cut = shown.size() > QUOTED_LETTERS;
    if (cut) shown.resize(QUOTED_LETTERS);
    return "\"" + utf8FromCodePoints(shown) + (cut ? "...\"" : "\"");
}

// Puts one word (glyphs without spaces, soft hyphens still in) on the palm
// line, behind `gap` spaces, breaking it where it may break when it does not
// fit.
bool GreetingParser::placeWord(const SourceLine& line, std::u32string_view word, int32_t gap) {
    for (;;) {
        const size_t length = shownLength(word, GREETING_LINE_LETTERS + 1);
        if (length == 0) return true;  // soft hyphens alone show nothing
        const size_t separator = currentHasWord_ ? static_cast<size_t>(gap) : 0;
        if (current_.size() + separator + length <= GREETING_LINE_LETTERS) {
            current_.append(separator, ' ');
            current_ += withoutSoftHyphens(word);
            currentHasWord_ = true;
            return true;
        }
        // The longest head of the word that fits: up to a hyphen between two
        // letters (kept), or a soft hyphen (shown as "-").
        const size_t room =
            GREETING_LINE_LETTERS - std::min<size_t>(GREETING_LINE_LETTERS, current_.size() + separator);
        size_t cut = 0, skip = 0, head = 0;
        for (size_t i = 0; i < word.size(); ++i) {
            const char32_t g = word[i];
            if (g == SOFT_HYPHEN) {
                if (head > 0 && head + 1 <= room) cut = i, skip = 1;
                continue;
            }
            if (++head > room) break;
            const bool hyphen =
                g == '-' && i > 0 && i + 1 < word.size() && isLetter(word[i - 1]) && isLetter(word[i + 1]);
            if (hyphen) cut = i + 1, skip = 0;
        }
        if (cut > 0) {
            current_.append(separator, ' ');
            current_ += withoutSoftHyphens(word.substr(0, cut));
            if (skip) current_ += '-';
            if (!emit(line)) return false;
            word.remove_prefix(cut + skip);
            continue;
        }
        if (currentHasWord_) {
            if (!emit(line)) return false;
        } else if (!current_.empty()) {
            current_.clear();  // an indent the word cannot stand behind
        } else {
            return fail(line.number, 0,
                        quoted(word) + " is longer than a line of the card (" +
                            std::to_string(GREETING_LINE_LETTERS) + " letters)");
        }
    }
}

bool GreetingParser::wrapLine(const SourceLine& line) {
    const std::u32string& g = line.glyphs;
    size_t i = g.find_first_not_of(' ');
    current_.assign(std::min<size_t>(i, GREETING_LINE_LETTERS), ' ');  // the indent
    currentHasWord_ = false;
    int32_t gap = 0;
    while (i < g.size()) {
        const size_t end = std::min(g.find(' ', i), g.size());
        if (!placeWord(line, std::u32string_view(g).substr(i, end - i), gap)) return false;
        i = std::min(g.find_first_not_of(' ', end), g.size());
        gap = static_cast<int32_t>(i - end);
    }
    return currentHasWord_ ? emit(line) : true;
}

bool GreetingParser::takeLine(const SourceLine& line) {
    const std::u32string& g = line.glyphs;
    const size_t start = g.find_first_not_of(' ');
    if (start == std::u32string::npos) return endPage();
    const std::u32string_view text = std::u32string_view(g).substr(start);
    if (text.size() >= 6 && text[0] == '[') {
        std::u32string head(text.substr(1, 5));
        for (char32_t& ch : head)
            if (ch >= 'A' && ch <= 'Z') ch = ch - 'A' + 'a';
        // "[paused]" and the like are words, not a mistyped pause.
        const bool word =
            text.size() > 6 && ((text[6] >= 'a' && text[6] <= 'z') || (text[6] >= 'A' && text[6] <= 'Z'));
        if (head == U"pause" && !word) return readPauseMarker(line, text);
    }
    return wrapLine(line);
}

bool GreetingParser::endPage() {
    if (pageLines_.empty()) {
        if (pagePause_)
            return fail(pauseLine_, 0, "a pause needs the words of its page with it, not a page of its own");
        return true;
    }
    // A page longer than the palm goes on over as many pages as it needs;
    // its own pause, if any, comes after the last of them.
    for (size_t first = 0; first < pageLines_.size(); first += GREETING_PAGE_LINES) {
        GreetingPage page;
        const size_t end = std::min(pageLines_.size(), first + GREETING_PAGE_LINES);
        page.lines.assign(pageLines_.begin() + static_cast<ptrdiff_t>(first),
                          pageLines_.begin() + static_cast<ptrdiff_t>(end));
        int32_t characters = 0;
        for (const std::u32string& l : page.lines) characters += static_cast<int32_t>(l.size());
        page.pauseFrames =
            end == pageLines_.size() && pagePause_ ? *pagePause_ : pauseFramesForLength(characters);
        greeting_.pages.push_back(std::move(page));
    }
    pageLines_.clear();
    pagePause_.reset();
    return true;
}

GreetingResult GreetingParser::run(std::string_view bytes) {
    GreetingResult result;
    size_t at = 0;
    SourceLine line;
    bool ok = true;
    while (ok && at < bytes.size()) {
        ++line.number;
        ok = decodeLine(bytes, at, line) && takeLine(line);
    }
    if (ok) ok = endPage();
    if (ok && greeting_.pages.empty()) ok = fail(0, 0, "no greeting in the file (it is empty or blank)");
    if (ok)
        result.greeting = std::move(greeting_);
    else
        result.error = std::move(error_);
    return result;
}

}  // namespace

int32_t pauseFramesForLength(int32_t characters) {
    return std::clamp(characters * GREETING_PAUSE_FRAMES_PER_CHARACTER, GREETING_MIN_PAUSE_FRAMES,
                      GREETING_MAX_PAUSE_FRAMES);
}

GreetingResult layOutGreeting(std::string_view bytes, std::string_view name) {
    return GreetingParser(name).run(bytes);
}
