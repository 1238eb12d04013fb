#pragma once
// The words the card writes onto the palm, with the control codes the text
// writer acts on: 10 starts a new line, 13 plus one digit pauses for
// digit x 100 frames, 7 clears the page, 0 starts the text over.

// Length of the tag in front of the text; the writer never shows it.
inline constexpr int greetingTagLength = 5;

// The writer copies 1024 bytes from behind the tag, so the constant is
// zero-padded to at least this many bytes.
inline constexpr int greetingTextBytes = 1029;

extern const char greetingText[];
