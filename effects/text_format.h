#pragma once
// The text format the writer reads, and the one place that defines it: a
// tag the writer never shows, then the text, in which 10 starts a new line,
// 13 and one digit pause for digit x 100 frames, 7 clears the page and 0
// ends the text (the writer starts it over). Other codes below 32 and bytes
// above 127 are passed over without a glyph.
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
// The first byte that is a glyph, and one past the last.
constexpr int32_t TEXT_FIRST_GLYPH = 32;
constexpr int32_t TEXT_GLYPH_END = 128;
