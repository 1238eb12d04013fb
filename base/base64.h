#pragma once
// Base64 with the standard alphabet (RFC 4648 §4: A-Z a-z 0-9 + /, "="
// padding), as the card carries bytes inside a page's text: a greeting or a
// module in the one-file card. The reader is strict about what it decodes
// and plain about why it refuses, since the text may have been cut or
// edited on its way.
#include <cstddef>
#include <string>
#include <string_view>

// The text for `bytes`, padded to whole groups of four, no line breaks.
std::string encodeBase64(std::string_view bytes);

// The length of encodeBase64's text for `bytes` bytes.
constexpr size_t base64Length(size_t bytes) {
    return (bytes + 2) / 3 * 4;
}

enum class Base64 {
    Valid,
    CutShort,      // the text ends inside a group of four
    BadCharacter,  // a character outside the alphabet, or "=" before the end
};

struct Base64Result {
    Base64 status = Base64::Valid;
    size_t at = 0;  // for BadCharacter: the character's place in the text, from 0
};

// Decodes `text` into `bytes` (replacing what it held). ASCII white space
// is passed over wherever it stands (a text wrapped on its way); padding is
// optional at the very end. On a refusal `bytes` is left empty.
Base64Result decodeBase64(std::string_view text, std::string& bytes);
