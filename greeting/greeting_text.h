#pragma once
// The words the card writes onto the palm, in the writer's text format
// (effects/text_format.h): a 5-byte tag, then pages of lines, each page
// ending with a pause.
#include "effects/text_format.h"

// Length of the tag in front of the text; the writer never shows it.
inline constexpr int greetingTagLength = TEXT_WRITER_TAG_LENGTH;

// The writer copies TEXT_WRITER_TEXT_BYTES from behind the tag, so the
// constant is zero-padded to at least this many bytes.
inline constexpr int greetingTextBytes = TEXT_WRITER_TAG_LENGTH + TEXT_WRITER_TEXT_BYTES;

extern const char greetingText[];
