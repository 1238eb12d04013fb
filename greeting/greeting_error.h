#pragma once
// What is wrong with a greeting, in parts: which problem, where, and the
// values its message names. The desktop prints one English line made from
// the parts ("wishes.txt:3:14: U+05D0 is not in the card's font; ..."); the
// web pages get the same parts and word them in the page's language, from
// templates keyed by the problem's name with the values' names as
// placeholders ("{codePoint} is not in the card's font; ...").
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class GreetingProblem : uint8_t {
    None,
    // The greeting file's parser.
    NulByte,
    CutUtf8,
    NotUtf8,            // {byte}
    NotInFont,          // {codePoint}
    PauseForm,          // {most}
    SecondPause,        // {firstLine}
    TooManyCharacters,  // {most}
    WordTooLong,        // {word}, {letters}
    PauseAlone,
    Empty,
    // The link that carries a greeting.
    LinkEmpty,
    LinkTooLong,  // {kb}
    LinkCutShort,
    LinkStray,  // {place}
    // A greeting the compose page is asked to put in a link.
    TooLongForLink,  // {kb}
};

struct GreetingErrorValue {
    std::string_view name;  // the placeholder's name, e.g. "codePoint"
    std::string text;       // e.g. "U+05D0"
};

struct GreetingError {
    GreetingProblem problem = GreetingProblem::None;
    int32_t line = 0;    // 1-based; 0 when the problem is not on one line
    int32_t column = 0;  // 1-based; 0 when it is the line as a whole
    std::vector<GreetingErrorValue> values;

    bool ok() const { return problem == GreetingProblem::None; }
};

// The problem's name, as the page's word tables key its message
// ("not-in-font"); "" for None.
std::string_view greetingProblemKey(GreetingProblem problem);

// The English reason with the values filled in, without the place:
// "U+05D0 is not in the card's font; the card writes Latin, Greek and Cyrillic letters".
std::string englishReason(const GreetingError& error);

// The one English line the desktop programs print: "name:line[:column]: reason".
std::string englishErrorLine(std::string_view name, const GreetingError& error);

// The parts as a JSON object for the web pages:
// {"problem":"not-in-font","line":2,"column":14,"values":{"codePoint":"U+1F384"},"english":"..."}
// "" for None.
std::string greetingErrorJson(const GreetingError& error);

// The same form for a problem the card names only in English (a card file's
// slot cut short, say): `problem` as the key, no place, no values. The pages
// say `english` for a key their tables do not word.
std::string englishProblemJson(std::string_view problem, std::string_view english);
