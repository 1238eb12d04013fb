#include "greeting/greeting_error.h"

#include <array>
#include <cstdio>

namespace {

struct ProblemWords {
    GreetingProblem problem;
    std::string_view key;
    std::string_view english;  // "{name}" stands for the value of that name
};

// The English here is also the page's English (web/site/words/en.js): a test
// keeps the two the same.
constexpr std::array<ProblemWords, 15> PROBLEMS{{
    {GreetingProblem::NulByte, "nul-byte", "NUL byte; a greeting is plain text"},
    {GreetingProblem::CutUtf8, "cut-utf8", "the text ends inside a UTF-8 character"},
    {GreetingProblem::NotUtf8, "not-utf8", "byte {byte} is not UTF-8; save the greeting as UTF-8"},
    {GreetingProblem::NotInFont, "not-in-font",
     "{codePoint} is not in the card's font; the card writes Latin, Greek and Cyrillic letters"},
    {GreetingProblem::PauseForm, "pause-form",
     "a pause is written [pause SECONDS], 0 to {most} in tenths, e.g. [pause 2.5]"},
    {GreetingProblem::SecondPause, "second-pause",
     "a second pause on the same page (the first is on line {firstLine})"},
    {GreetingProblem::TooManyCharacters, "too-many-characters",
     "the greeting is longer than the card can hold (at most {most} characters)"},
    {GreetingProblem::WordTooLong, "word-too-long",
     "\"{word}\" is longer than a line of the card ({letters} letters)"},
    {GreetingProblem::PauseAlone, "pause-alone",
     "a pause needs the words of its page with it, not a page of its own"},
    {GreetingProblem::Empty, "empty", "no greeting in the file (it is empty or blank)"},
    {GreetingProblem::LinkEmpty, "link-empty", "the link's greeting is empty"},
    {GreetingProblem::LinkTooLong, "link-too-long",
     "the link's greeting is longer than a card holds ({kb} KB)"},
    {GreetingProblem::LinkCutShort, "link-cut-short",
     "the link's greeting is cut short; copy the whole link"},
    {GreetingProblem::LinkStray, "link-stray",
     "the link's greeting has a character that does not belong at place {place}; copy the whole link"},
    {GreetingProblem::TooLongForLink, "too-long-for-link",
     "longer than a link to the card carries ({kb} KB)"},
}};

const ProblemWords* wordsFor(GreetingProblem problem) {
    for (const ProblemWords& p : PROBLEMS)
        if (p.problem == problem) return &p;
    return nullptr;
}

std::string_view valueOf(const GreetingError& error, std::string_view name) {
    for (const GreetingErrorValue& v : error.values)
        if (v.name == name) return v.text;
    return {};
}

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += ch;  // UTF-8 passes as it is
        }
    }
    out += '"';
}

}  // namespace

std::string_view greetingProblemKey(GreetingProblem problem) {
    const ProblemWords* words = wordsFor(problem);
    return words != nullptr ? words->key : std::string_view{};
}

std::string englishReason(const GreetingError& error) {
    const ProblemWords* words = wordsFor(error.problem);
    if (words == nullptr) return {};
    std::string out;
    const std::string_view text = words->english;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find('{', at);
        const size_t close = open == std::string_view::npos ? open : text.find('}', open);
        if (close == std::string_view::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        out += valueOf(error, text.substr(open + 1, close - open - 1));
        at = close + 1;
    }
    return out;
}

std::string englishErrorLine(std::string_view name, const GreetingError& error) {
    std::string out(name);
    if (error.line > 0) out += ":" + std::to_string(error.line);
    if (error.column > 0) out += ":" + std::to_string(error.column);
    return out + ": " + englishReason(error);
}

std::string greetingErrorJson(const GreetingError& error) {
    if (error.ok()) return {};
    std::string out = "{\"problem\":";
    appendJsonString(out, greetingProblemKey(error.problem));
    out += ",\"line\":" + std::to_string(error.line);
    out += ",\"column\":" + std::to_string(error.column);
    out += ",\"values\":{";
    for (size_t i = 0; i < error.values.size(); ++i) {
        if (i > 0) out += ',';
        appendJsonString(out, error.values[i].name);
        out += ':';
        appendJsonString(out, error.values[i].text);
    }
    out += "},\"english\":";
    appendJsonString(out, englishReason(error));
    return out + "}";
}

std::string englishProblemJson(std::string_view problem, std::string_view english) {
    std::string out = "{\"problem\":";
    appendJsonString(out, problem);
    out += ",\"line\":0,\"column\":0,\"values\":{},\"english\":";
    appendJsonString(out, english);
    return out + "}";
}
