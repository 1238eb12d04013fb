// The laid-out greeting as the text writer reads it: the built-in greeting's
// own format, so a file with the built-in words gives the built-in bytes.
#include "greeting/greeting_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf8.h"
#include "greeting/greeting_text.h"

namespace {

// Reads writer text back into pages the way the writer acts on it, a UTF-8
// character at a time; fails the test on anything the writer would ignore
// or misread.
Greeting readWriterText(const std::string& text) {
    Greeting g;
    g.pages.emplace_back();
    g.pages.back().lines.emplace_back();
    bool paused = false;
    for (size_t i = 0, length = 1; i < text.size(); i += length) {
        char32_t c = 0;
        if (decodeUtf8(text, i, c, length) != Utf8::Valid) {
            ADD_FAILURE() << "not UTF-8 at " << i;
            break;
        }
        GreetingPage& page = g.pages.back();
        if (c >= 32 && textGlyphCell(c) >= 0) {
            EXPECT_FALSE(paused) << "a glyph after the page's pause at " << i;
            page.lines.back() += c;
        } else if (c == TEXT_LINE_FEED) {
            page.lines.emplace_back();
        } else if (c == TEXT_PAGE_BREAK) {
            EXPECT_TRUE(paused) << "a page without its pause before " << i;
            paused = false;
            g.pages.emplace_back();
            g.pages.back().lines.emplace_back();
        } else if (c == TEXT_PAUSE && i + 1 < text.size()) {
            const char d = text[++i];
            EXPECT_TRUE(d >= '0' && d <= '9') << i;
            page.pauseFrames = (d - '0') * 100;
            paused = true;
        } else if (c == TEXT_PAUSE_EXACT && i + TEXT_PAUSE_EXACT_DIGITS < text.size()) {
            const std::string digits = text.substr(i + 1, TEXT_PAUSE_EXACT_DIGITS);
            EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << digits;
            page.pauseFrames = std::stoi(digits);
            i += TEXT_PAUSE_EXACT_DIGITS;
            paused = true;
        } else {
            ADD_FAILURE() << "character " << int(c) << " at " << i << " means nothing to the writer";
        }
    }
    EXPECT_TRUE(paused) << "the last page has no pause";
    return g;
}

std::vector<std::vector<std::u32string>> linesOf(const Greeting& g) {
    std::vector<std::vector<std::u32string>> out;
    for (const GreetingPage& p : g.pages) out.push_back(p.lines);
    return out;
}

TEST(GreetingEncoding, TheBuiltInWordsAsAFileGiveTheBuiltInBytes) {
    // The built-in pauses of 100, 200 and 300 frames are 2.1, 4.2 and 6.3 s.
    const std::string file =
        "Dear friend,\na merry Christmas to\nyou and yours, from\nall of us who made\nthis little card!\n"
        "[pause 2.1]\n\n"
        "Have a safe and happy\nholiday, warm and\nbright with cheer.\nWe'll be back with\nmore in the new "
        "year!\n"
        "[pause 4.2]\n\n"
        "Thank you to all who\nstood by us this year\nwith kind words and\nhelp. The year ahead\n"
        "looks brighter still.\n[pause 4.2]\n\n"
        "The yulecard team:\nGraphics: the artist\nMusic: the musician\nCode: the coder\n[pause 4.2]\n\n"
        "Warm greetings to\neveryone who makes\ndemos, music and\npixel art, to all\ntrackers, coders and\n"
        "painters out there,\nnear and far!\n[pause 6.3]\n\n"
        "Respect to the craft:\nevery pixel placed,\nevery note tracked,\nevery line of code\nmade with "
        "love.\n"
        "[pause 4.2]\n";
    const GreetingResult r = layOutGreeting(file, "builtin.txt");
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(writerTextFromGreeting(r.greeting), std::string(greetingText + greetingTagLength));
}

TEST(GreetingEncoding, PausesTakeTheShortFormOnlyForWholeHundreds) {
    const struct {
        int frames;
        std::string bytes;
    } cases[] = {
        {0, "\r0"},
        {100, "\r1"},
        {900, "\r9"},
        {48,
         "\x10"
         "0048"},
        {190,
         "\x10"
         "0190"},
        {1000,
         "\x10"
         "1000"},
        {2857,
         "\x10"
         "2857"},
        {9999,
         "\x10"
         "9999"},
        {12000,
         "\x10"
         "9999"},
    };
    for (const auto& c : cases) {
        Greeting g;
        g.pages.push_back(GreetingPage{{U"Hi"}, c.frames});
        EXPECT_EQ(writerTextFromGreeting(g), "Hi" + c.bytes) << c.frames;
    }
}

TEST(GreetingEncoding, ReadsBackAsTheSamePagesWithNoZeroInside) {
    const GreetingResult r = layOutGreeting(
        "Joyeux Noël ❄\n[pause 0]\n\n¡Feliz Navidad y próspero Año Nuevo!\n\nWesołych Świąt „€“\n"
        "Καλά Χριστούγεννα\nС Рождеством – Ґ Ș ț\n\n" +
            std::string(9, 'x') + "\n1\n2\n3\n4\n5\n6\n7\n8\n[pause 12.5]",
        "w");
    ASSERT_TRUE(r.ok()) << r.error;
    const std::string text = writerTextFromGreeting(r.greeting);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    const Greeting back = readWriterText(text);
    EXPECT_EQ(linesOf(back), linesOf(r.greeting));
    ASSERT_EQ(back.pages.size(), r.greeting.pages.size());
    for (size_t p = 0; p < back.pages.size(); ++p)
        EXPECT_EQ(back.pages[p].pauseFrames, r.greeting.pages[p].pauseFrames) << "page " << p + 1;
}

}  // namespace
