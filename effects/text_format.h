#pragma once
// The text format the writer reads, and the one place that defines it: a
// tag the writer never shows, then UTF-8 text, in which
//   10          starts a new line
//   13 d        pauses d x 100 frames (d one ASCII digit)
//   16 dddd     pauses dddd frames (four ASCII digits)
//   7           clears the page
//   0           ends the text (the writer starts it over),
// and every character with a cell on the font sheet (textGlyphCell, below)
// writes its glyph; 127 writes the snowflake, as U+2744 does. The writer
// reads one character at a time, whatever its length in bytes. Any other
// character, and any byte that begins no well-formed UTF-8 character, is
// passed over without a glyph.
#include <cstdint>

// Length of the tag in front of the text.
constexpr int32_t TEXT_WRITER_TAG_LENGTH = 5;
// Bytes the card's greeting gives the writer behind the tag: the writer reads
// no further, so a text in this format is zero-padded to at least this.
constexpr int32_t TEXT_WRITER_TEXT_BYTES = 1024;

constexpr char TEXT_LINE_FEED = 10;
constexpr char TEXT_PAUSE = 13;
constexpr char TEXT_PAGE_BREAK = 7;
constexpr char TEXT_END = 0;
constexpr int32_t TEXT_PAUSE_FRAMES_PER_DIGIT = 100;
// A pause of any length, for greetings whose pages choose their own: four
// digits reach 9999 frames (3.5 minutes), far beyond any sensible wait.
constexpr char TEXT_PAUSE_EXACT = 16;
constexpr int32_t TEXT_PAUSE_EXACT_DIGITS = 4;
constexpr int32_t TEXT_MAX_PAUSE_EXACT_FRAMES = 9999;

// The font sheet: 16 cells a row. Each block of characters starts a row of
// its own and runs in code order, so a cell is found from its code point at
// a glance; new rows go below the old, so no cell ever moves.
//   rows 0-5    U+0020-007F  ASCII, with the snowflake in 127's cell
//   rows 6-11   U+00A0-00FF  Latin-1
//   rows 12-19  U+0100-017F  Latin Extended-A
//   rows 20-24  U+0380-03CF  Greek (cells of no modern letter stay blank)
//   rows 25-30  U+0400-045F  Cyrillic
//   rows 31-32  the rest, in code order: Ș ș Ț ț Ґ ґ – — ‘ ’ ‚ “ ” „ • … €
// tools/art/make_art.py draws the sheet in this order.
constexpr int32_t TEXT_FONT_COLUMNS = 16;
constexpr int32_t TEXT_FONT_ROWS = 33;
constexpr int32_t TEXT_GLYPH_CELLS = TEXT_FONT_COLUMNS * TEXT_FONT_ROWS;

// A run of consecutive code points drawn from consecutive cells.
struct TextGlyphRange {
    char32_t first;
    char32_t last;
    int32_t cell;  // of `first`
};

constexpr int32_t TEXT_GREEK_FIRST_CELL = 20 * TEXT_FONT_COLUMNS;
constexpr int32_t TEXT_EXTRAS_FIRST_CELL = 31 * TEXT_FONT_COLUMNS;

// In code order, so a lookup stops at the first range past the code point.
inline constexpr TextGlyphRange TEXT_GLYPH_RANGES[] = {
    {0x0020, 0x007F, 0},                             // ASCII; 127 the snowflake
    {0x00A0, 0x00FF, 6 * TEXT_FONT_COLUMNS},         // Latin-1
    {0x0100, 0x017F, 12 * TEXT_FONT_COLUMNS},        // Latin Extended-A
    {0x0218, 0x021B, TEXT_EXTRAS_FIRST_CELL},        // Ș ș Ț ț: Romanian comma below
    {0x037E, 0x037E, ';' - 0x20},                    // the Greek question mark is a semicolon
    {0x0384, 0x038A, TEXT_GREEK_FIRST_CELL + 0x04},  // ΄ ΅ Ά · Έ Ή Ί
    {0x038C, 0x038C, TEXT_GREEK_FIRST_CELL + 0x0C},  // Ό
    {0x038E, 0x03A1, TEXT_GREEK_FIRST_CELL + 0x0E},  // Ύ Ώ ΐ Α ... Ρ
    {0x03A3, 0x03CE, TEXT_GREEK_FIRST_CELL + 0x23},  // Σ ... ώ, final ς among them
    {0x0400, 0x045F, 25 * TEXT_FONT_COLUMNS},        // Cyrillic
    {0x0490, 0x0491, TEXT_EXTRAS_FIRST_CELL + 4},    // Ґ ґ
    {0x2013, 0x2014, TEXT_EXTRAS_FIRST_CELL + 6},    // – —
    {0x2018, 0x201A, TEXT_EXTRAS_FIRST_CELL + 8},    // ‘ ’ ‚
    {0x201C, 0x201E, TEXT_EXTRAS_FIRST_CELL + 11},   // “ ” „
    {0x2022, 0x2022, TEXT_EXTRAS_FIRST_CELL + 14},   // •
    {0x2026, 0x2026, TEXT_EXTRAS_FIRST_CELL + 15},   // …
    {0x20AC, 0x20AC, TEXT_EXTRAS_FIRST_CELL + 16},   // €
    {0x2744, 0x2744, 0x7F - 0x20},                   // ❄ the snowflake
};

// The font sheet's cell of a character, or -1 for one without a glyph.
constexpr int32_t textGlyphCell(char32_t codePoint) {
    for (const TextGlyphRange& range : TEXT_GLYPH_RANGES) {
        if (codePoint < range.first) break;
        if (codePoint <= range.last) return range.cell + static_cast<int32_t>(codePoint - range.first);
    }
    return -1;
}

// Ranges in code order, each within the sheet.
constexpr bool textGlyphRangesFitTheSheet() {
    char32_t next = 0;
    for (const TextGlyphRange& range : TEXT_GLYPH_RANGES) {
        if (range.first < next || range.last < range.first || range.cell < 0 ||
            range.cell + static_cast<int32_t>(range.last - range.first) >= TEXT_GLYPH_CELLS)
            return false;
        next = range.last + 1;
    }
    return true;
}
static_assert(textGlyphRangesFitTheSheet());
static_assert(textGlyphCell(U'€') == TEXT_GLYPH_CELLS - TEXT_FONT_COLUMNS,
              "the last glyph opens the last row");
