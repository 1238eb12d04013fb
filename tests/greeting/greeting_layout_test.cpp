// The greeting file's rules: wrapping to the palm's line, pages and their
// continuation, pauses, the characters the font has, and the errors, each
// with the line (and column) it names.
#include "greeting/greeting_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf8.h"

namespace {

using Pages = std::vector<std::vector<std::string>>;

// The laid-out pages as UTF-8 lines, or the error.
struct Laid {
    Pages pages;
    std::vector<int> pauses;
    std::string error;
};

Laid layOut(const std::string& text) {
    const GreetingResult r = layOutGreeting(text, "wishes.txt");
    Laid laid;
    laid.error = r.error;
    if (!r.ok()) return laid;
    for (const GreetingPage& page : r.greeting.pages) {
        laid.pages.emplace_back();
        for (const std::u32string& line : page.lines) laid.pages.back().push_back(utf8FromCodePoints(line));
        laid.pauses.push_back(page.pauseFrames);
    }
    return laid;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// The refusal of a character the font does not have, at line:column.
std::string notInFont(const std::string& at, const std::string& codePoint) {
    return "wishes.txt:" + at + ": " + codePoint +
           " is not in the card's font; the card writes Latin, Greek and Cyrillic letters";
}

struct LayoutCase {
    const char* what;
    std::string text;
    Pages pages;
};

TEST(GreetingLayout, WrapsWordsAndKeepsTheSendersLineBreaks) {
    const LayoutCase cases[] = {
        {"a line of exactly 21 letters stays whole", "Have a safe and happy", {{"Have a safe and happy"}}},
        {"one more letter moves the last word down",
         "Have a safe and happy!",
         {{"Have a safe and", "happy!"}}},
        {"a word of exactly 21 letters fits", "Weihnachtsbaumschmuck", {{"Weihnachtsbaumschmuck"}}},
        {"a long word after a short one goes to the next line",
         "O Weihnachtsbaumschmuck",
         {{"O", "Weihnachtsbaumschmuck"}}},
        {"greedy over several lines",
         "Thank you to all who stood by us this year with kind words and help.",
         {{"Thank you to all who", "stood by us this year", "with kind words and", "help."}}},
        {"a line break in the file starts a new line",
         "Dear friend,\na merry Christmas",
         {{"Dear friend,", "a merry Christmas"}}},
        {"spaces between words are kept as typed", "one  two", {{"one  two"}}},
        {"a gap at a wrap is dropped", "aaaaaaaaaaaaaaaaaaaa   bb", {{"aaaaaaaaaaaaaaaaaaaa", "bb"}}},
        {"leading spaces indent the first palm line only",
         "    Love, Marie and all the family",
         {{"    Love, Marie and", "all the family"}}},
        {"an indent the first word cannot stand behind is dropped",
         "          Weihnachtsbaumschmuck",
         {{"Weihnachtsbaumschmuck"}}},
        {"trailing spaces are dropped", "Merry Christmas   ", {{"Merry Christmas"}}},
        {"a tab moves to the next multiple of four", "a\tb\t\tc", {{"a   b       c"}}},
        {"a hyphen between letters may break",
         "a merry Christmas-time to you",
         {{"a merry Christmas-", "time to you"}}},
        {"a hyphen not between letters does not break",
         "aaaaaaaaaaaaaaaaaa :-)",
         {{"aaaaaaaaaaaaaaaaaa", ":-)"}}},
        {"a soft hyphen shows only where the word breaks",
         "Frohe Weih\u00ADnachten und Weih\u00ADnachts\u00ADbaum\u00ADschmuck\u00ADverkäufer",
         {{"Frohe Weihnachten und", "Weihnachtsbaum-", "schmuckverkäufer"}}},
        {"a no-break space joins two words",
         "aaaaaaaaaaaaaaaaaa b\u00A0c",
         {{"aaaaaaaaaaaaaaaaaa", "b\u00A0c"}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Laid laid = layOut(c.text);
        ASSERT_EQ(laid.error, "");
        EXPECT_EQ(laid.pages, c.pages);
    }
}

TEST(GreetingLayout, ASoftHyphenBreakNeverExceedsTheLine) {
    // The second soft hyphen comes after 19 letters: with its "-" behind
    // "a " the line would hold 22, so the break falls at the first one.
    const Laid laid = layOut("a bbbbbbbbb\u00ADcccccccccc\u00ADdd");
    ASSERT_EQ(laid.error, "");
    EXPECT_EQ(laid.pages, (Pages{{"a bbbbbbbbb-", "ccccccccccdd"}}));
    for (const auto& line : laid.pages[0]) EXPECT_LE(line.size(), 21u);
}

TEST(GreetingLayout, BlankLinesSeparatePagesAndALongPageContinues) {
    const std::string eight = repeat("line\n", 8);
    const struct {
        const char* what;
        std::string text;
        std::vector<size_t> linesPerPage;
    } cases[] = {
        {"a page of exactly the palm's lines", eight, {8}},
        {"one line more goes on to the next page", eight + "one more", {8, 1}},
        {"wrapped lines count as palm lines", repeat("word ", 4 * 8 + 1), {8, 1}},
        {"three pages and more", repeat("x\n", 17), {8, 8, 1}},
        {"one blank line separates pages", "one\n\ntwo", {1, 1}},
        {"several blank lines are one separator", "one\n\n\n\n\ntwo", {1, 1}},
        {"a line of spaces and tabs is blank", "one\n \t  \ntwo", {1, 1}},
        {"blank lines before and after are ignored", "\n\n\none\n\n\n", {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Laid laid = layOut(c.text);
        ASSERT_EQ(laid.error, "");
        std::vector<size_t> sizes;
        for (const auto& page : laid.pages) sizes.push_back(page.size());
        EXPECT_EQ(sizes, c.linesPerPage);
    }
}

TEST(GreetingLayout, LineEndsByteOrderMarkAndTabsReadAsAPersonMeantThem) {
    const std::string plain = "Dear friend,\na merry Christmas\n\nto you all";
    const Laid expected = layOut(plain);
    ASSERT_EQ(expected.error, "");
    const struct {
        const char* what;
        std::string text;
    } variants[] = {
        {"CRLF", "Dear friend,\r\na merry Christmas\r\n\r\nto you all\r\n"},
        {"old CR", "Dear friend,\ra merry Christmas\r\rto you all\r"},
        {"byte-order mark", "\xEF\xBB\xBF" + plain},
        {"trailing spaces and tabs", "Dear friend,  \t\na merry Christmas \n   \nto you all\t"},
        {"mixed, with extra blank lines",
         "\xEF\xBB\xBF\r\nDear friend,\r\na merry Christmas\n\r\n\r\n\nto you all\n\n"},
    };
    for (const auto& v : variants) {
        SCOPED_TRACE(v.what);
        const Laid laid = layOut(v.text);
        ASSERT_EQ(laid.error, "");
        EXPECT_EQ(laid.pages, expected.pages);
    }
    // The byte-order mark is not counted in columns.
    EXPECT_EQ(layOut("\xEF\xBB\xBF"
                     "ab\x01")
                  .error,
              notInFont("1:3", "U+0001"));
}

TEST(GreetingLayout, PauseFollowsThePagesLengthOnTheBuiltInScale) {
    const struct {
        int characters;
        int frames;
    } scale[] = {{1, 100}, {50, 100}, {51, 102}, {86, 172}, {120, 240}, {150, 300}, {168, 300}};
    for (const auto& s : scale) EXPECT_EQ(pauseFramesForLength(s.characters), s.frames) << s.characters;

    // Spaces count, an indent too; a page's lines are summed.
    const Laid laid = layOut(repeat("a", 21) + "\n" + repeat("b", 21) + "\n" + repeat("c", 21) + "\n\n   xy");
    ASSERT_EQ(laid.error, "");
    EXPECT_EQ(laid.pauses, (std::vector<int>{126, 100}));
}

TEST(GreetingLayout, APageMayChooseItsOwnPause) {
    const struct {
        const char* what;
        std::string text;
        std::vector<int> pauses;
    } cases[] = {
        {"whole seconds", "Hello\n[pause 4]", {190}},
        {"tenths, rounded to the nearest frame", "Hello\n[pause 2.5]", {119}},
        {"2.1 s is the built-in 100 frames", "Hello\n[pause 2.1]", {100}},
        {"a decimal comma and any case", "Hello\n[Pause 6,3]", {300}},
        {"spaces around it", "Hello\n   [pause  3 ]  ", {143}},
        {"zero", "Hello\n[pause 0]", {0}},
        {"the longest", "Hello\n[pause 60]", {2857}},
        {"on top of the page", "[pause 3]\nHello", {143}},
        {"only for its page", "Hello\n[pause 3]\n\nWorld", {143, 100}},
        {"after the last of a long page's palm pages", repeat("x\n", 9) + "[pause 1]", {100, 48}},
        {"in a line's words it is text", "a [pause 3] b", {100}},
        {"a word that begins like it is text", "[paused] for a moment", {100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Laid laid = layOut(c.text);
        ASSERT_EQ(laid.error, "");
        EXPECT_EQ(laid.pauses, c.pauses);
    }
    // The marker is never written on the palm.
    EXPECT_EQ(layOut("Hello\n[pause 4]").pages, (Pages{{"Hello"}}));
}

TEST(GreetingLayout, AMisshapenPauseIsAnErrorOnItsLine) {
    const std::string usage = "a pause is written [pause SECONDS], 0 to 60 in tenths, e.g. [pause 2.5]";
    const struct {
        const char* text;
        std::string error;
    } cases[] = {
        {"Hi\n[pause]", "wishes.txt:2: " + usage},
        {"Hi\n[pause ]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 60.1]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 61]", "wishes.txt:2: " + usage},
        {"Hi\n[pause -1]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 2.55]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 2.]", "wishes.txt:2: " + usage},
        {"Hi\n[pause .5]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 1e3]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 99999999999]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 3", "wishes.txt:2: " + usage},
        {"Hi\n[pause 3] and more", "wishes.txt:2: " + usage},
        {"Hi\n[pause3]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 3s]", "wishes.txt:2: " + usage},
        {"Hi\n[pause 1]\nthere\n[pause 2]",
         "wishes.txt:4: a second pause on the same page (the first is on line 2)"},
        {"Hi\n\n[pause 3]",
         "wishes.txt:3: a pause needs the words of its page with it, not a page of its own"},
        {"[pause 3]", "wishes.txt:1: a pause needs the words of its page with it, not a page of its own"},
    };
    for (const auto& c : cases) EXPECT_EQ(layOut(c.text).error, c.error) << c.text;
}

TEST(GreetingLayout, WritesEveryScriptOfTheFontAndRefusesTheRestByCodePoint) {
    // What senders type, each written as it is, letter for letter.
    const char* const written[] = {
        "Joyeux Noël, ¡Feliz!", "ß æ ø å ¿ « » ° © ÿ",    "Wesołych Świąt",    "Veselé Vánoce",
        "a šťastný Nový rok",   "Sretan Božić",           "Győző, Őrség",      "Priecīgus Ziemassvētkus",
        "iyi yıllar, İstanbul", "Œdipe et œuvre",         "… für €5",          "Καλά Χριστούγεννα",
        "ΐ ΰ Ά Ώ ς; ΄ ΅ ·",     "С Рождеством Христовым", "Ґанок, їжак, єнот", "Ђ Љ Њ Ћ Џ ђ љ њ ћ џ",
        "Ş ş Ţ ţ Ș ș Ț ț",      "„Hallo“ ‚hi‘ ’ “ ”",     "– — • ❄",
    };
    for (const char* text : written) {
        SCOPED_TRACE(text);
        const Laid laid = layOut(text);
        ASSERT_EQ(laid.error, "");
        // "Priecīgus Ziemassvētkus" and the Russian line are over 21 letters.
        std::string joined;
        for (const std::string& line : laid.pages.at(0)) joined += (joined.empty() ? "" : " ") + line;
        EXPECT_EQ(joined, text);
    }
    // The greeting's own code points; the snowflake's selector is dropped.
    const GreetingResult raw = layOutGreeting("Noël ÿ \u00A0 ❄ ❄\uFE0F Ł ς € Ș", "x");
    ASSERT_TRUE(raw.ok()) << raw.error;
    EXPECT_EQ(raw.greeting.pages[0].lines[0], U"Noël ÿ \u00A0 ❄ ❄ Ł ς € Ș");
    // Typographic marks are letters of their own now, one letter each.
    const Laid marks = layOut("We\u2019ll say \u201EHallo\u201C \u2013 and\u2026");
    EXPECT_EQ(marks.pages, (Pages{{"We\u2019ll say \u201EHallo\u201C \u2013", "and\u2026"}}));

    const struct {
        std::string text;
        std::string error;
    } refused[] = {
        {"Merry\nChristmas to \xF0\x9F\x8E\x84 all", notInFont("2:14", "U+1F384")},
        {"Ζωή חג שמח", notInFont("1:5", "U+05D7")},
        {"عيد سعيد", notInFont("1:1", "U+0639")},
        {"圣诞快乐", notInFont("1:1", "U+5723")},
        {"Ѣ old Cyrillic", notInFont("1:1", "U+0462")},
        {"ϐ Greek symbol", notInFont("1:1", "U+03D0")},
        {"Greek gap \u0383 \u038B", notInFont("1:11", "U+0383")},
        {"Ά\u038B", notInFont("1:2", "U+038B")},
        {"Ρ\u03A2", notInFont("1:2", "U+03A2")},
        {"ƒ Latin B", notInFont("1:1", "U+0192")},
        {"quote \u201B", notInFont("1:7", "U+201B")},
        {"del \x7F", notInFont("1:5", "U+007F")},
        {"c1 \xC2\x85", notInFont("1:4", "U+0085")},
        {"bell \a", notInFont("1:6", "U+0007")},
        {"page\fbreak", notInFont("1:5", "U+000C")},
        {"mark \xEF\xBB\xBF inside", notInFont("1:6", "U+FEFF")},
        {"a \uFE0F alone", notInFont("1:3", "U+FE0F")},
        {"é\t\u2603", notInFont("1:3", "U+2603")},
    };
    for (const auto& r : refused) EXPECT_EQ(layOut(r.text).error, r.error) << r.text;
}

TEST(GreetingLayout, LettersOfEveryScriptCountOnceInWrapsTabsPausesAndTheLimit) {
    const LayoutCase cases[] = {
        {"21 Cyrillic letters (42 bytes) fill a line", "Рождество Христово!!!", {{"Рождество Христово!!!"}}},
        {"a 22nd moves the word down", "Рождество Христовы!!!!", {{"Рождество", "Христовы!!!!"}}},
        {"21 Greek letters", "Χρόνια πολλά σε όλους", {{"Χρόνια πολλά σε όλους"}}},
        {"Polish wraps by letters",
         "Wesołych Świąt Bożego Narodzenia",
         {{"Wesołych Świąt Bożego", "Narodzenia"}}},
        {"a hyphen between Cyrillic letters breaks",
         "Привет всем северо-западным друзьям",
         {{"Привет всем северо-", "западным друзьям"}}},
        {"a hyphen between Greek letters breaks",
         "Καλά Χριστούγεννα-Πρωτοχρονιά",
         {{"Καλά Χριστούγεννα-", "Πρωτοχρονιά"}}},
        {"a soft hyphen in a Czech word", "Veselé Vánoce, šťast\u00ADný", {{"Veselé Vánoce, šťast-", "ný"}}},
        {"a tab after multi-byte letters", "Łódź\tŻ", {{"Łódź    Ż"}}},
        {"a dash is not a letter for the hyphen rule",
         "aaaaaaaaaaaaaaaaa –-xxxx",
         {{"aaaaaaaaaaaaaaaaa", "–-xxxx"}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Laid laid = layOut(c.text);
        ASSERT_EQ(laid.error, "");
        EXPECT_EQ(laid.pages, c.pages);
    }
    // The wait counts letters: 60 Cyrillic letters are 120 frames, not 240.
    EXPECT_EQ(layOut(repeat("ж", 20) + "\n" + repeat("ж", 20) + "\n" + repeat("ж", 20)).pauses,
              (std::vector<int>{120}));
    // The limit counts letters too: 8,192 of them in 16,384 bytes fit.
    const std::string full = repeat(repeat("я", 21) + "\n", 390) + "яя";
    EXPECT_EQ(layOut(full).error, "");
    EXPECT_EQ(layOut(full + "я").error,
              "wishes.txt:391: the greeting is longer than the card can hold (at most 8192 characters)");
    // A word too long for a line is quoted whole, in its own letters.
    EXPECT_EQ(layOut("Достопримечательности").error, "");
    EXPECT_EQ(layOut("Достопримечательностей").error,
              "wishes.txt:1: \"Достопримечательностей\" is longer than a line of the card (21 letters)");
}

TEST(GreetingLayout, InvalidUtf8AndNulBytesAreErrorsAtTheirPlace) {
    const std::string notUtf8 = "is not UTF-8; save the greeting as UTF-8";
    const struct {
        const char* what;
        std::string text;
        std::string error;
    } cases[] = {
        {"a Latin-1 file", "Hi\nJoyeux No\xEBl", "wishes.txt:2:10: byte 0xEB " + notUtf8},
        {"a lone continuation byte", "ab\x80", "wishes.txt:1:3: byte 0x80 " + notUtf8},
        {"an overlong slash", "\xC0\xAF", "wishes.txt:1:1: byte 0xC0 " + notUtf8},
        {"an overlong three-byte form", "x\xE0\x80\xAF", "wishes.txt:1:2: byte 0xE0 " + notUtf8},
        {"a surrogate", "\xED\xA0\x80", "wishes.txt:1:1: byte 0xED " + notUtf8},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "wishes.txt:1:1: byte 0xF4 " + notUtf8},
        {"a byte never in UTF-8", "\xFF", "wishes.txt:1:1: byte 0xFF " + notUtf8},
        {"a sequence broken by a line end", "Noël\n\xC3\nx", "wishes.txt:2:1: byte 0xC3 " + notUtf8},
        {"a sequence cut short by the end", "Merry \xE2\x9D",
         "wishes.txt:1:7: the text ends inside a UTF-8 character"},
        {"a NUL byte", std::string("ab\0cd", 5), "wishes.txt:1:3: NUL byte; a greeting is plain text"},
        {"a NUL byte first", std::string("x\n\0", 3), "wishes.txt:2:1: NUL byte; a greeting is plain text"},
        {"UTF-16", std::string("\xFF\xFEH\0i\0", 6), "wishes.txt:1:1: byte 0xFF " + notUtf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(layOut(c.text).error, c.error);
    }
}

TEST(GreetingLayout, EveryCutThroughAMultiByteCharacterIsCaught) {
    // Two-, three- and four-byte characters; cut after every byte, and with
    // a line end pushed into every position.
    const std::string text = "ab é ❄ \xF0\x9F\x8E\x84";
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE("cut after byte " + std::to_string(cut));
        const std::string prefix = text.substr(0, cut);
        const Laid laid = layOut(prefix);
        const bool insideCharacter = cut < text.size() && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80;
        if (cut == 0) {
            EXPECT_EQ(laid.error, "wishes.txt: no greeting in the file (it is empty or blank)");
        } else if (insideCharacter) {
            EXPECT_NE(laid.error.find("wishes.txt:1:"), std::string::npos) << laid.error;
            EXPECT_NE(laid.error.find("the text ends inside a UTF-8 character"), std::string::npos)
                << laid.error;
        } else if (cut == text.size()) {
            EXPECT_EQ(laid.error, notInFont("1:8", "U+1F384"));
        } else {
            EXPECT_EQ(laid.error, "");
        }
        const std::string broken = prefix + "\n" + text.substr(cut);
        const Laid split = layOut(broken);
        if (insideCharacter) {
            EXPECT_NE(split.error.find("wishes.txt:1:"), std::string::npos) << split.error;
            EXPECT_NE(split.error.find("is not UTF-8"), std::string::npos) << split.error;
        }
    }
}

TEST(GreetingLayout, AWordLongerThanALineIsAnErrorNamingIt) {
    EXPECT_EQ(layOut("Frohe Feste\n\nund viel\nWeihnachtsbaumschmucks").error,
              "wishes.txt:4: \"Weihnachtsbaumschmucks\" is longer than a line of the card (21 letters)");
    EXPECT_EQ(layOut("très \u00ABjoyeusesjoyeusesjoyeuses\u00BB").error,
              "wishes.txt:1: \"\u00ABjoyeusesjoyeusesjoyeuses\u00BB\" is longer than a line of the card (21 "
              "letters)");
    // Breaking a hyphenated word still needs pieces that fit.
    EXPECT_EQ(layOut("ab-cdefghijklmnopqrstuvwxyz").error,
              "wishes.txt:1: \"cdefghijklmnopqrstuvwxyz\" is longer than a line of the card (21 letters)");
    // A very long word is quoted by its start, so the error stays one line.
    EXPECT_EQ(layOut(repeat("ab", 1 << 19)).error,
              "wishes.txt:1: \"" + repeat("ab", 20) + "...\" is longer than a line of the card (21 letters)");
    // A no-break space makes one word of two.
    EXPECT_EQ(layOut("aaaaaaaaaa\u00A0bbbbbbbbbbb").error,
              "wishes.txt:1: \"aaaaaaaaaa\u00A0bbbbbbbbbbb\" is longer than a line of the card (21 letters)");
}

TEST(GreetingLayout, EmptyAndOverlongGreetingsAreErrors) {
    for (const std::string blank : {"", " ", "\n\n\n", "\r\n \t \r\n", "\xEF\xBB\xBF", "\xEF\xBB\xBF\n  \n"})
        EXPECT_EQ(layOut(blank).error, "wishes.txt: no greeting in the file (it is empty or blank)");

    // Exactly the limit: 390 lines of 21 letters and one of 2.
    const std::string full = repeat(repeat("x", 21) + "\n", 390) + "xx";
    const GreetingResult fits = layOutGreeting(full, "wishes.txt");
    ASSERT_TRUE(fits.ok()) << fits.error;
    int characters = 0;
    for (const GreetingPage& page : fits.greeting.pages)
        for (const std::u32string& line : page.lines) characters += static_cast<int>(line.size());
    EXPECT_EQ(characters, GREETING_MAX_CHARACTERS);
    EXPECT_EQ(layOut(full + "x").error,
              "wishes.txt:391: the greeting is longer than the card can hold (at most 8192 characters)");

    // A megabyte of text in memory stops at the limit without a fault: 282
    // lines wrapped to 18 + 11 characters fit, the 283rd does not.
    const std::string megabyte = repeat("Merry Christmas to all of you!\n", 1 << 15);
    EXPECT_EQ(layOut(megabyte).error,
              "wishes.txt:283: the greeting is longer than the card can hold (at most 8192 characters)");
    EXPECT_EQ(layOut(repeat(" \n", 1 << 19)).error,
              "wishes.txt: no greeting in the file (it is empty or blank)");
}

TEST(GreetingLayout, EveryLaidOutPageKeepsThePalmsBounds) {
    // Awkward material for the wrap: indents, runs of spaces, hyphens and
    // soft hyphens at the edges, words of every length.
    std::string text;
    for (int n = 1; n <= 21; ++n) {
        text += repeat(" ", n % 7) + repeat("w", n) + "  a-" + repeat("b", n / 2) + "\u00AD" +
                repeat("c", 21 - n) + "\u00AD \u00AD -x- " + repeat("é", n % 5) + " Ж-" + repeat("ώ", n % 3) +
                "\n";
        if (n % 5 == 0) text += "\n";
    }
    const GreetingResult r = layOutGreeting(text, "w");
    ASSERT_TRUE(r.ok()) << r.error;
    for (const GreetingPage& page : r.greeting.pages) {
        EXPECT_GE(page.lines.size(), 1u);
        EXPECT_LE(page.lines.size(), static_cast<size_t>(GREETING_PAGE_LINES));
        for (const std::u32string& line : page.lines) {
            const std::string shown = utf8FromCodePoints(line);
            EXPECT_LE(line.size(), static_cast<size_t>(GREETING_LINE_LETTERS)) << shown;
            EXPECT_FALSE(line.empty());
            EXPECT_NE(line.back(), ' ') << '"' << shown << '"';
            for (const char32_t c : line) EXPECT_NE(c, 0xAD) << "a soft hyphen is never written as itself";
        }
    }
}

}  // namespace
