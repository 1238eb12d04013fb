// The card as one file: the page's slots filled with the greeting and the
// module (checked as the card checks them) and read back as the page reads
// them, so that a file cut or edited on its way is told from a whole one.
#include "card_file/card_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/base64.h"
#include "card_file/page_languages.h"
#include "greeting/greeting_file.h"
#include "loader/xm_builder.h"

namespace {

// The empty one-file page as the web build writes it, reduced to what the
// packer looks at; and as it was before it had a language slot.
const std::string PAGE_BEFORE_LANGUAGES =
    std::string("<!doctype html><body>\n") + std::string(CARD_PROGRAM_MARK) +
    " data-bytes=\"3\">AAAA</div>\n" + std::string(CARD_GREETING_SLOT) + "\n" + std::string(CARD_MUSIC_SLOT) +
    "\n<script>start()</script></body>\n";
const std::string PAGE = std::string("<!doctype html><body>\n") + std::string(CARD_PROGRAM_MARK) +
                         " data-bytes=\"3\">AAAA</div>\n" + std::string(CARD_LANGUAGE_SLOT) + "\n" +
                         std::string(CARD_GREETING_SLOT) + "\n" + std::string(CARD_MUSIC_SLOT) +
                         "\n<script>start()</script></body>\n";

std::string goodModule() {
    xmtest::SampleSpec sample;
    sample.data = {0, 10, 20, 30};
    const std::vector<uint8_t> bytes = xmtest::buildXm(xmtest::withSample(sample));
    return std::string(bytes.begin(), bytes.end());
}

// A slot as the page finds it: its text and its data-bytes attribute.
struct Slot {
    bool found = false;
    std::string text;
    std::string declared;
};
Slot slotIn(const std::string& page, const std::string& id) {
    Slot slot;
    const size_t open = page.find("<div id=\"" + id + "\"");
    if (open == std::string::npos) return slot;
    const size_t close = page.find('>', open);
    const std::string tag = page.substr(open, close - open);
    if (const size_t at = tag.find("data-bytes=\""); at != std::string::npos)
        slot.declared = tag.substr(at + 12, tag.find('"', at + 12) - at - 12);
    slot.text = page.substr(close + 1, page.find("</div>", close) - close - 1);
    slot.found = true;
    return slot;
}

CardFileParts partsOf(std::string_view greeting, const std::string* music = nullptr,
                      std::string_view language = {}) {
    CardFileParts parts;
    parts.page = PAGE;
    parts.pageName = "card.html";
    parts.greeting = greeting;
    parts.greetingName = "wishes.txt";
    if (music) parts.music = *music;
    parts.musicName = "song.xm";
    parts.language = language;
    return parts;
}

TEST(CardFile, APackedCardCarriesGreetingMusicAndLanguageAsTextAndReadsBackWhole) {
    const std::string greeting = "</script><script>\nalert(1)</script>\n<!-- & \"quotes\" -->";
    const std::string module = goodModule();
    std::string card, error;
    ASSERT_TRUE(packCard(partsOf(greeting, &module, "el"), card, error)) << error;

    const Slot g = slotIn(card, "card-greeting"), m = slotIn(card, "card-music");
    const Slot l = slotIn(card, "card-language");
    ASSERT_TRUE(g.found && m.found && l.found);
    EXPECT_EQ(g.declared, std::to_string(greeting.size()));
    EXPECT_EQ(g.text, encodeBase64(greeting));
    EXPECT_EQ(card.find("alert"), std::string::npos) << "the greeting is nowhere as markup";
    EXPECT_EQ(card.find("<script>", card.find(std::string(CARD_PROGRAM_MARK))), card.rfind("<script>"))
        << "no script but the page's own";

    const CardData readGreeting = readCardData(g.text, g.declared, GREETING_FILE_MAX_BYTES, "greeting");
    const CardData readMusic = readCardData(m.text, m.declared, CARD_FILE_MUSIC_MAX_BYTES, "music");
    ASSERT_TRUE(readGreeting.ok() && readMusic.ok()) << readGreeting.error << readMusic.error;
    EXPECT_EQ(readGreeting.bytes, greeting);
    EXPECT_EQ(readMusic.bytes, module);
    const CardData readLanguage = readCardLanguage(l.text, l.declared);
    ASSERT_TRUE(readLanguage.ok()) << readLanguage.error;
    EXPECT_EQ(readLanguage.bytes, "el");

    // Around the slots, the page is the page, byte for byte.
    std::string none;
    ASSERT_TRUE(fillCardPage(partsOf(""), none, error)) << error;
    EXPECT_EQ(none.substr(0, none.find("<div id=\"card-language\"")),
              card.substr(0, card.find("<div id=\"card-language\"")));
    EXPECT_EQ(none.substr(none.find("<script>")), card.substr(card.find("<script>")));
}

TEST(CardFile, WithoutMusicOrLanguageTheirSlotsStayEmptyAndSameInputsGiveSameBytes) {
    std::string a, b, error;
    ASSERT_TRUE(packCard(partsOf("Merry Christmas"), a, error)) << error;
    ASSERT_TRUE(packCard(partsOf("Merry Christmas"), b, error)) << error;
    EXPECT_EQ(a, b);
    EXPECT_NE(a.find(CARD_MUSIC_SLOT), std::string::npos);
    EXPECT_NE(a.find(CARD_LANGUAGE_SLOT), std::string::npos);
    const Slot m = slotIn(a, "card-music"), l = slotIn(a, "card-language");
    EXPECT_FALSE(readCardData(m.text, m.declared, CARD_FILE_MUSIC_MAX_BYTES, "music").present);
    const CardData language = readCardLanguage(l.text, l.declared);
    EXPECT_TRUE(language.ok() && !language.present);

    // An empty card made before the language slot still takes a card without one.
    CardFileParts before = partsOf("Merry Christmas");
    before.page = PAGE_BEFORE_LANGUAGES;
    ASSERT_TRUE(packCard(before, b, error)) << error;
    EXPECT_EQ(b.find("card-language"), std::string::npos);
    EXPECT_EQ(slotIn(b, "card-greeting").text, slotIn(a, "card-greeting").text);
}

TEST(CardFile, WhatTheCardWouldRefuseIsRefusedBeforeAnythingIsMade) {
    const std::string notAModule = "not a module at all";
    const std::string empty;
    const std::string tooLong(GREETING_FILE_MAX_BYTES + 1, 'a');
    struct Case {
        CardFileParts parts;
        const char* error;
    };
    CardFileParts served = partsOf("Hello");
    const std::string servedPage = std::string(CARD_GREETING_SLOT) + std::string(CARD_MUSIC_SLOT);
    served.page = servedPage;
    std::string filled, error;
    ASSERT_TRUE(fillCardPage(partsOf("x"), filled, error));
    CardFileParts twice = partsOf("Hello");
    twice.page = filled;
    std::string withLanguage;
    ASSERT_TRUE(fillCardPage(partsOf("x", nullptr, "pl"), withLanguage, error));
    CardFileParts languageTwice = partsOf("Hello");
    languageTwice.page = withLanguage;
    CardFileParts beforeLanguages = partsOf("Hello", nullptr, "pl");
    beforeLanguages.page = PAGE_BEFORE_LANGUAGES;
    const std::vector<Case> cases = {
        {partsOf("Weihnachtsbaumschmuckes"),
         "wishes.txt:1: \"Weihnachtsbaumschmuckes\" is longer than a line"},
        {partsOf(tooLong), "wishes.txt: too large for a greeting (more than 65536 bytes)"},
        {partsOf("Hello", &notAModule), "song.xm: "},
        {partsOf("Hello", &empty), "song.xm: "},
        {served, "card.html: not the card's empty one-file page"},
        {twice, "card.html: not the card's empty one-file page"},
        {languageTwice, "card.html: not the card's empty one-file page"},
        {beforeLanguages, "card.html: the empty card has no place for a language"},
        {partsOf("Hello", nullptr, "xx"), "language: \"xx\" is not one the card speaks (cs, de, el, en,"},
        {partsOf("Hello", nullptr, "PL"), "language: \"PL\" is not one the card speaks"},
    };
    for (const Case& c : cases) {
        std::string card = "untouched";
        error.clear();
        EXPECT_FALSE(packCard(c.parts, card, error)) << c.error;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(card, "untouched");
    }
}

TEST(CardFile, ADamagedSlotIsNamedInOneLineAndNothingIsTaken) {
    const std::string text = encodeBase64("Merry Christmas to you all");  // 26 bytes
    struct Case {
        std::string text;
        std::string declared;
        const char* error;  // empty: read whole
    };
    const std::vector<Case> cases = {
        {text, "26", ""},
        {text.substr(0, 20), "26", "the greeting is cut short"},
        {text.substr(0, 21), "26", "the greeting is cut short"},
        {text, "40", "the greeting is cut short"},
        {text, "20", "the greeting is longer than its length says"},
        {text.substr(0, 8) + "<b>" + text.substr(8), "26",
         "the greeting has a character that does not belong at place 9"},
        {text, "", "the greeting's length is missing"},
        {text, "2x6", "the greeting's length is not a number"},
        {text, "-26", "the greeting's length is not a number"},
        {text, "65537", "the greeting is larger than a card carries (65536 bytes)"},
        {text, "99999999999999999999999", "the greeting is larger than a card carries (65536 bytes)"},
        {std::string(100000, 'A'), "26", "the greeting is larger than a card carries (65536 bytes)"},
    };
    for (const Case& c : cases) {
        const CardData data = readCardData(c.text, c.declared, GREETING_FILE_MAX_BYTES, "greeting");
        EXPECT_TRUE(data.present) << c.declared;
        EXPECT_EQ(data.error, c.error) << c.text << " / " << c.declared;
        if (!data.ok()) {
            EXPECT_TRUE(data.bytes.empty());
        }
    }
    // An empty slot carries nothing, and is no error.
    for (const char* empty : {"", " \n "}) {
        const CardData none = readCardData(empty, "", GREETING_FILE_MAX_BYTES, "greeting");
        EXPECT_FALSE(none.present);
        EXPECT_TRUE(none.ok());
        EXPECT_FALSE(readCardLanguage(empty, "").present);
    }
}

TEST(CardFile, TheLanguageSlotTakesOnlyALanguageThePagesSpeak) {
    const auto slot = [](std::string_view bytes) { return encodeBase64(bytes); };
    struct Case {
        std::string text;
        std::string declared;
        const char* error;  // empty: read whole
    };
    const std::vector<Case> cases = {
        {slot("uk"), "2", ""},
        {slot("xx"), "2", "the language \"xx\" is not one the card speaks"},
        {slot("EN"), "2", "the language \"EN\" is not one the card speaks"},
        {slot("<b>\"en"), "6", "the language is not a language tag"},
        {slot(""), "0", "the language is not a language tag"},
        {slot(std::string(36, 'a')), "36", "the language is larger than a card carries (35 bytes)"},
    };
    for (const Case& c : cases) {
        const CardData data = readCardLanguage(c.text, c.declared);
        EXPECT_TRUE(data.present) << c.text;
        EXPECT_EQ(data.error, c.error) << c.text << " / " << c.declared;
        EXPECT_EQ(data.bytes, data.ok() ? "uk" : "") << c.text;
    }
}

// The packer and the file's reader take the languages the pages have words for.
TEST(CardFile, ThePagesLanguagesAreTheSitesWordTables) {
    std::vector<std::string> tables;
    for (const auto& entry : std::filesystem::directory_iterator(YULE_SOURCE_DIR "/web/site/words"))
        if (entry.path().extension() == ".js") tables.push_back(entry.path().stem().string());
    std::sort(tables.begin(), tables.end());
    const std::vector<std::string> ours(std::begin(PAGE_LANGUAGES), std::end(PAGE_LANGUAGES));
    EXPECT_EQ(ours, tables);
}

}  // namespace
