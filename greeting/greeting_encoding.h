#pragma once
// How a laid-out greeting becomes the text writer's input, in the writer's
// own format (effects/text_format.h): the characters in UTF-8, 10 between
// the lines of a page, the page's pause, 7 between pages. A pause of a whole
// number of hundreds up to 900 frames takes the built-in two-byte form
// (13 d), any other the exact one (16 dddd), so a file holding the built-in
// words gives the built-in text's very bytes.
#include <string>

#include "effects/text_format.h"
#include "greeting/greeting_layout.h"

// The writer's text for `greeting`, without the tag and without the final
// 0 (std::string::c_str supplies it). It holds no 0 byte. Pauses beyond
// TEXT_MAX_PAUSE_EXACT_FRAMES are cut to it.
std::string writerTextFromGreeting(const Greeting& greeting);
