// A greeting's errors in parts: every problem the parser and the link can
// name comes with its place and values, makes the same English line as ever,
// goes to the web pages as JSON they can parse, and has the same English in
// the pages' table as here.
#include "greeting/greeting_error.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "greeting/greeting_layout.h"
#include "greeting/greeting_link.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

Values valuesOf(const GreetingError& error) {
    Values out;
    for (const GreetingErrorValue& v : error.values) out.emplace_back(std::string(v.name), v.text);
    return out;
}

constexpr GreetingProblem LAST_PROBLEM = GreetingProblem::TooLongForLink;

std::vector<GreetingProblem> everyProblem() {
    std::vector<GreetingProblem> all;
    for (int p = 1; p <= static_cast<int>(LAST_PROBLEM); ++p) all.push_back(static_cast<GreetingProblem>(p));
    return all;
}

TEST(GreetingError, EveryParserProblemComesInPartsThatMakeItsEnglishLine) {
    std::string pages;
    for (int i = 0; i <= GREETING_MAX_CHARACTERS / 21; ++i) pages += std::string(21, 'x') + "\n";
    const struct {
        std::string text;
        GreetingProblem problem;
        int32_t line, column;
        Values values;
    } cases[] = {
        {std::string("ab\0c", 4), GreetingProblem::NulByte, 1, 3, {}},
        {"ok\nab\xC5", GreetingProblem::CutUtf8, 2, 3, {}},
        {"a\xFF", GreetingProblem::NotUtf8, 1, 2, {{"byte", "0xFF"}}},
        {"Ζωή חג", GreetingProblem::NotInFont, 1, 5, {{"codePoint", "U+05D7"}}},
        {"Hi\n[pause 61]", GreetingProblem::PauseForm, 2, 0, {{"most", "60"}}},
        {"Hi\n[pause 1]\n[pause 2]", GreetingProblem::SecondPause, 3, 0, {{"firstLine", "2"}}},
        {pages, GreetingProblem::TooManyCharacters, GREETING_MAX_CHARACTERS / 21 + 1, 0, {{"most", "8192"}}},
        {"Weihnachtsbaumschmucks!",
         GreetingProblem::WordTooLong,
         1,
         0,
         {{"word", "Weihnachtsbaumschmucks!"}, {"letters", "21"}}},
        {std::string(45, 'x'),
         GreetingProblem::WordTooLong,
         1,
         0,
         {{"word", std::string(40, 'x') + "..."}, {"letters", "21"}}},
        {"Hi\n\n[pause 2]\n\nHo", GreetingProblem::PauseAlone, 3, 0, {}},
        {" \n\n", GreetingProblem::Empty, 0, 0, {}},
    };
    std::set<GreetingProblem> seen;
    for (const auto& c : cases) {
        const GreetingResult r = layOutGreeting(c.text, "wishes.txt");
        const GreetingError& e = r.errorParts;
        EXPECT_EQ(e.problem, c.problem) << r.error;
        EXPECT_EQ(e.line, c.line) << r.error;
        EXPECT_EQ(e.column, c.column) << r.error;
        EXPECT_EQ(valuesOf(e), c.values) << r.error;
        EXPECT_EQ(r.error, englishErrorLine("wishes.txt", e));
        seen.insert(e.problem);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(GreetingProblem::Empty)) << "every problem of the parser";
    EXPECT_EQ(layOutGreeting(" \n\n", "wishes.txt").error,
              "wishes.txt: no greeting in the file (it is empty or blank)");
    EXPECT_EQ(layOutGreeting("Hi", "wishes.txt").errorParts.problem, GreetingProblem::None);
}

TEST(GreetingError, TheLinksRefusalsComeInPartsToo) {
    const struct {
        std::string fragment;
        GreetingProblem problem;
        Values values;
    } cases[] = {
        {"greeting=", GreetingProblem::LinkEmpty, {}},
        {"greeting=" + std::string(GREETING_LINK_MAX_BYTES / 3 * 4 + 8, 'A'),
         GreetingProblem::LinkTooLong,
         {{"kb", "64"}}},
        {"greeting=SGFwc", GreetingProblem::LinkCutShort, {}},
        {"greeting=SGF%20wcHk", GreetingProblem::LinkStray, {{"place", "4"}}},
    };
    for (const auto& c : cases) {
        const GreetingLink link = greetingFromFragment(c.fragment);
        EXPECT_EQ(link.errorParts.problem, c.problem) << link.error;
        EXPECT_EQ(valuesOf(link.errorParts), c.values) << link.error;
        EXPECT_EQ(link.error, englishReason(link.errorParts));
    }
}

TEST(GreetingError, JsonForThePagesEscapesWhatAWordMayHold) {
    EXPECT_EQ(greetingErrorJson(GreetingError{}), "");
    const GreetingError font{GreetingProblem::NotInFont, 2, 14, {{"codePoint", "U+1F384"}}};
    EXPECT_EQ(greetingErrorJson(font),
              "{\"problem\":\"not-in-font\",\"line\":2,\"column\":14,\"values\":{\"codePoint\":\"U+1F384\"},"
              "\"english\":\"U+1F384 is not in the card's font; the card writes Latin, Greek and Cyrillic "
              "letters\"}");
    // A word of quotes, backslashes and a control character, and UTF-8 as it is.
    const GreetingError word{
        GreetingProblem::WordTooLong, 1, 0, {{"word", "\"a\\b\x01ł"}, {"letters", "21"}}};
    EXPECT_EQ(
        greetingErrorJson(word),
        "{\"problem\":\"word-too-long\",\"line\":1,\"column\":0,\"values\":{\"word\":\"\\\"a\\\\b\\u0001ł\","
        "\"letters\":\"21\"},\"english\":\"\\\"\\\"a\\\\b\\u0001ł\\\" is longer than a line of the card "
        "(21 letters)\"}");
    // A problem named in English alone (a card file's slot) has the same form.
    EXPECT_EQ(englishProblemJson("card-file", "the greeting's \"length\" is missing"),
              "{\"problem\":\"card-file\",\"line\":0,\"column\":0,\"values\":{},"
              "\"english\":\"the greeting's \\\"length\\\" is missing\"}");
}

// The JavaScript string after `"key":` in `source`, its pieces joined by "+"
// as a table wraps long lines; "" when the key is not there.
std::string tableString(const std::string& source, const std::string& key) {
    size_t at = source.find("\"" + key + "\":");
    if (at == std::string::npos) return "";
    at += key.size() + 3;
    std::string out;
    for (;;) {
        at = source.find_first_not_of(" \n+", at);
        if (at == std::string::npos || source[at] != '"') return out;
        for (++at; at < source.size() && source[at] != '"'; ++at) {
            if (source[at] != '\\') {
                out += source[at];
                continue;
            }
            const char escaped = source[++at];
            if (escaped == 'u') {
                appendUtf8(out, static_cast<char32_t>(std::stoul(source.substr(at + 1, 4), nullptr, 16)));
                at += 4;
            } else {
                out += escaped == 'n' ? '\n' : escaped;
            }
        }
        ++at;
    }
}

TEST(GreetingError, EveryProblemHasANameAndTheSameEnglishInThePagesTable) {
    std::ifstream file(std::string(YULE_SOURCE_DIR) + "/web/site/words/en.js");
    ASSERT_TRUE(file) << "web/site/words/en.js";
    std::stringstream source;
    source << file.rdbuf();
    std::set<std::string> keys;
    for (const GreetingProblem p : everyProblem()) {
        const std::string key(greetingProblemKey(p));
        ASSERT_FALSE(key.empty()) << static_cast<int>(p);
        EXPECT_TRUE(keys.insert(key).second) << key << " twice";
        // The English with each value standing as its placeholder is the template.
        GreetingError placeholders{p, 0, 0, {}};
        for (const char* name : {"byte", "codePoint", "most", "firstLine", "word", "letters", "kb", "place"})
            placeholders.values.push_back({name, std::string("{") + name + "}"});
        EXPECT_EQ(tableString(source.str(), key), englishReason(placeholders)) << key;
    }
}

}  // namespace
