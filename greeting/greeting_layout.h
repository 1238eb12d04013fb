#pragma once
// A greeting of the sender's own: UTF-8 text laid out for the palm, or one
// precise error. Device-free, so the card, the tools and the browser share it.
//
// The greeting file, as the sender writes it:
// - Pages are separated by blank lines (several in a row count as one).
// - Within a page, words are wrapped to the palm's line of 21 letters; a
//   line break in the file starts a new line on the palm. Leading spaces
//   indent a line; trailing spaces are dropped; a tab moves to the next
//   multiple of 4 letters. A word may break after a hyphen between two
//   letters, or at a soft hyphen (U+00AD, shown as "-" only where it breaks).
//   A no-break space (U+00A0) joins two words.
// - A page longer than the palm holds (8 lines) continues on the next page.
// - After each page the card waits 2 frames per character written on it, at
//   least 100 and at most 300 frames (2.1 to 6.3 seconds, the built-in
//   greeting's range). A line "[pause SECONDS]" anywhere in a page, on its
//   own, chooses that page's wait instead: 0 to 60 seconds in tenths
//   ("[pause 4]", "[pause 2.5]", "[Pause 2,5]").
// - Letters: those of the font sheet (effects/text_format.h): printable
//   ASCII, Latin-1 and Latin Extended-A (every European language written in
//   Latin letters, and Turkish), Ș ș Ț ț, modern Greek, Cyrillic with Ґ ґ,
//   the quotes „ “ ” ‚ ‘ ’, the dashes – —, • … and €. "❄" (U+2744) writes
//   the card's snowflake.
// - Line ends LF, CRLF or CR; a byte-order mark at the start is skipped.
//
// Errors, each one line naming the file as the caller gave it:
//   wishes.txt:2:14: U+1F384 is not in the card's font; the card writes Latin, Greek and Cyrillic letters
//   wishes.txt:3: "Weihnachtsbaumschmucks" is longer than a line of the card (21 letters)
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "effects/frame_period.h"

// 21 glyphs at the writer's 16-pixel advance from x 138 end at x 474, the
// palm's right edge; the built-in greeting's longest lines have 21 letters.
constexpr int32_t GREETING_LINE_LETTERS = 21;
// Lines 32 pixels apart from y 100: the eighth (y 324) still ends on the
// palm as well as the first does; the ninth would run off its right edge.
constexpr int32_t GREETING_PAGE_LINES = 8;
// Characters written on the palm (spaces included) in the whole greeting:
// about twelve minutes of writing before the card starts over.
constexpr int32_t GREETING_MAX_CHARACTERS = 8192;
// The wait after a page, in writer frames (21 ms), chosen by its length.
constexpr int32_t GREETING_PAUSE_FRAMES_PER_CHARACTER = 2;
constexpr int32_t GREETING_MIN_PAUSE_FRAMES = 100;
constexpr int32_t GREETING_MAX_PAUSE_FRAMES = 300;
// A page's own "[pause SECONDS]": longer waits look like a hung card.
constexpr int32_t GREETING_MAX_PAUSE_SECONDS = 60;

struct GreetingPage {
    // The characters written, each one with a glyph on the font sheet (the
    // snowflake as U+2744): 1 to GREETING_PAGE_LINES lines of at most
    // GREETING_LINE_LETTERS characters, none ending in a space.
    std::vector<std::u32string> lines;
    int32_t pauseFrames = GREETING_MIN_PAUSE_FRAMES;
};

struct Greeting {
    std::vector<GreetingPage> pages;  // at least one
};

struct GreetingResult {
    Greeting greeting;  // meaningful only when error is empty
    std::string error;  // "name:line[:column]: reason"

    bool ok() const { return error.empty(); }
};

// Lays out the bytes of a greeting file; `name` is what errors call it.
GreetingResult layOutGreeting(std::string_view bytes, std::string_view name);

// The wait chosen for a page of `characters` characters when it names none.
int32_t pauseFramesForLength(int32_t characters);
