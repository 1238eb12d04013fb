#pragma once
// The words the writer puts on the palm, as plain text for those who do not
// see the card (the page's screen-reader text) and for previews: lines as
// lines, a blank line between pages, no pauses, UTF-8.
#include <string>
#include <string_view>

// `writerText` in the writer's format (greeting/greeting_encoding.h), without
// the tag; it ends at its first 0 byte or its end. Bytes the writer passes
// over are left out here too.
std::string readableGreeting(std::string_view writerText);
