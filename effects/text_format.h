#pragma once
// The text format the writer reads, and the one place that defines it: a
// tag the writer never shows, then the text, in which
//   32 to 126   writes the glyph of that ASCII character
//   127         writes the snowflake
//   160 to 255  writes the glyph of that Latin-1 character
//   10          starts a new line
//   13 d        pauses d x 100 frames (d one ASCII digit)
//   16 dddd     pauses dddd frames (four ASCII digits)
//   7           clears the page
//   0           ends the text (the writer starts it over).
// Every other byte (the other codes below 32, and 128 to 159) is passed
// over without a glyph.
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

// The glyphs: ASCII 32 to 126 and the snowflake (127) fill the font sheet's
// first 96 cells in code order; Latin-1 160 to 255 the next 96. The 32 codes
// between them are control codes in Latin-1 and have no cell.
constexpr int32_t TEXT_FIRST_GLYPH = 32;
constexpr int32_t TEXT_GLYPH_END = 128;
constexpr int32_t TEXT_FIRST_LATIN1_GLYPH = 160;
constexpr int32_t TEXT_LATIN1_GLYPH_END = 256;
constexpr int32_t TEXT_GLYPH_CELLS =
    (TEXT_GLYPH_END - TEXT_FIRST_GLYPH) + (TEXT_LATIN1_GLYPH_END - TEXT_FIRST_LATIN1_GLYPH);

// The font sheet's cell of a byte of text, or -1 for a byte without a glyph.
constexpr int32_t textGlyphCell(uint8_t code) {
    if (code >= TEXT_FIRST_GLYPH && code < TEXT_GLYPH_END) return code - TEXT_FIRST_GLYPH;
    if (code >= TEXT_FIRST_LATIN1_GLYPH)
        return code - TEXT_FIRST_LATIN1_GLYPH + (TEXT_GLYPH_END - TEXT_FIRST_GLYPH);
    return -1;
}
