#pragma once
// UTF-8 as the card reads and writes it: the greeting file, the writer's
// text and the readable greeting all use it, so one strict decoder serves
// them all.
#include <cstddef>
#include <string>
#include <string_view>

enum class Utf8 { Valid, Invalid, CutShort };

// Decodes the character starting at `at` (which must be inside `bytes`)
// into `codePoint` and its byte count `length`. Strict: no overlong forms,
// no surrogates, nothing above U+10FFFF (Invalid); CutShort when `bytes`
// ends inside the character.
Utf8 decodeUtf8(std::string_view bytes, size_t at, char32_t& codePoint, size_t& length);

// Appends `codePoint` (a valid one) as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

std::string utf8FromCodePoints(std::u32string_view text);
