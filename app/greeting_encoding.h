#pragma once
// How a laid-out greeting becomes the text writer's input: the byte text of
// the built-in greeting (app/greeting_text.h), extended so that it carries
// Latin-1 letters and pauses of any length. The writer reads it a byte at a
// time:
//   32 to 126   writes the glyph of that ASCII character
//   127         writes the snowflake
//   160 to 255  writes the glyph of that Latin-1 character (the font sheet's
//               rows 7 to 12, in code order)
//   10          starts a new line
//   7           clears the page: the next page begins
//   13 d        pauses d x 100 frames (d one ASCII digit), as the built-in text
//   16 d d d d  pauses dddd frames (four ASCII digits, 0000 to 9999)
//   0           ends the text: the writer starts over from the first page
// Every other byte is read without effect. A page is its lines joined by 10,
// then its pause; pages are joined by 7. The built-in greeting is this
// format already, so the writer needs no second mode.
#include <cstdint>
#include <string>

#include "app/greeting_layout.h"

constexpr char WRITER_NEW_LINE = 10;
constexpr char WRITER_PAGE_BREAK = 7;
constexpr char WRITER_PAUSE_HUNDREDS = 13;
constexpr char WRITER_PAUSE_FRAMES = 16;
constexpr int32_t WRITER_PAUSE_FRAMES_DIGITS = 4;
constexpr int32_t WRITER_MAX_PAUSE_FRAMES = 9999;

// The writer's text for `greeting`, without the tag and without the final
// 0 (std::string::c_str supplies it). It holds no 0 byte. A pause of a whole
// number of hundreds up to 900 frames takes the built-in two-byte form.
std::string writerTextFromGreeting(const Greeting& greeting);
