// The greeting as plain text, as the web page gives it to screen readers.
#include "greeting/greeting_readable.h"

#include <gtest/gtest.h>

#include <string>

#include "greeting/greeting_encoding.h"
#include "greeting/greeting_layout.h"
#include "greeting/greeting_text.h"

namespace {

TEST(ReadableGreeting, LinesPagesAndPausesOfAWrittenGreeting) {
    const GreetingResult laid =
        layOutGreeting("Frohe Weihnachten\nund ein gutes Jahr\n\n[pause 3]\nGod Jul", "t");
    ASSERT_TRUE(laid.ok()) << laid.error;
    EXPECT_EQ(readableGreeting(writerTextFromGreeting(laid.greeting)),
              "Frohe Weihnachten\nund ein gutes Jahr\n\nGod Jul");
}

TEST(ReadableGreeting, LettersBeyondAsciiAndTheSnowflakeComeBackAsUtf8) {
    const std::string words =
        "Joyeux No\xC3\xABl \xE2\x9D\x84 \xC2\xA1"
        "Feliz!\nWesołych Świąt „€5“\nΚαλά Χριστούγεννα;\nС Рождеством – Ґ Ș ț…";
    const GreetingResult laid = layOutGreeting(words, "t");
    ASSERT_TRUE(laid.ok()) << laid.error;
    EXPECT_EQ(readableGreeting(writerTextFromGreeting(laid.greeting)), words);
    // The writer's own code for the snowflake reads as the snowflake.
    EXPECT_EQ(readableGreeting("a\x7F"), "a\xE2\x9D\x84");
}

TEST(ReadableGreeting, TheBuiltInGreetingReadsAsItsWords) {
    const std::string text = readableGreeting(greetingText + greetingTagLength);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find('\a'), std::string::npos);
    EXPECT_NE(text.find("\n\n"), std::string::npos) << "pages are apart";
    EXPECT_NE(text.back(), '\n');
}

TEST(ReadableGreeting, StopsAtTheEndAndSkipsWhatTheWriterSkips) {
    static const char raw[] =
        "Hi\x01 there\x0D"
        "1\x07"
        "Bye\x10"
        "0150\0ignored";
    EXPECT_EQ(readableGreeting(std::string(raw, sizeof raw - 1)), "Hi there\n\nBye");
    // Bytes that begin no character and characters without a glyph, as the
    // writer passes them over; a short exact pause keeps the letter after it.
    EXPECT_EQ(readableGreeting("\xE9t\xC3\xA9 \x80\xD7\x90!\xC3"), "t\xC3\xA9 !");
    EXPECT_EQ(readableGreeting("A\x10"
                               "12B"),
              "AB");
    EXPECT_EQ(readableGreeting(std::string("\x10"
                                           "01",
                                           3)),
              "")
        << "a cut-off pause reads nothing past the end";
}

}  // namespace
