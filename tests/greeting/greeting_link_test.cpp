// The greeting carried in a web card's link: what we write reads back byte
// for byte, what links pick up on the way is still read, and whatever else
// is refused with one line rather than read in part.
#include "greeting/greeting_link.h"

#include <gtest/gtest.h>

#include <string>

#include "greeting/greeting_layout.h"

namespace {

std::string decoded(const std::string& fragment) {
    const GreetingLink link = greetingFromFragment(fragment);
    EXPECT_TRUE(link.present) << fragment;
    EXPECT_TRUE(link.ok()) << fragment << ": " << link.error;
    return link.bytes;
}

std::string refusal(const std::string& fragment) {
    const GreetingLink link = greetingFromFragment(fragment);
    EXPECT_TRUE(link.present) << fragment;
    EXPECT_FALSE(link.ok()) << fragment;
    EXPECT_TRUE(link.bytes.empty()) << "nothing half read";
    EXPECT_EQ(link.error.find('\n'), std::string::npos);
    return link.error;
}

TEST(GreetingLink, WritesBase64UrlWithoutPadding) {
    EXPECT_EQ(fragmentFromGreeting("Happy Holidays!"), "greeting=SGFwcHkgSG9saWRheXMh");
    EXPECT_EQ(fragmentFromGreeting("a"), "greeting=YQ");
    EXPECT_EQ(fragmentFromGreeting("ab"), "greeting=YWI");
    EXPECT_EQ(fragmentFromGreeting("\xFB\xFF"), "greeting=-_8") << "the URL-safe digits";
}

TEST(GreetingLink, EveryByteAndEveryLengthReadsBack) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (size_t length = 1; length <= all.size(); length += (length < 8 ? 1 : 37)) {
        const std::string bytes = all.substr(256 - length);
        EXPECT_EQ(decoded(fragmentFromGreeting(bytes)), bytes) << length;
    }
}

TEST(GreetingLink, ReadsWhatLinksPickUpOnTheWay) {
    EXPECT_EQ(decoded("#greeting=SGFwcHkgSG9saWRheXMh"), "Happy Holidays!") << "a leading #";
    EXPECT_EQ(decoded("greeting=YQ=="), "a") << "padding";
    EXPECT_EQ(decoded("greeting=YQ="), "a") << "padding cut by one";
    EXPECT_EQ(decoded("greeting=+/8"), "\xFB\xFF") << "the standard alphabet";
}

TEST(GreetingLink, OtherFragmentsCarryNoGreeting) {
    for (const char* fragment : {"", "#", "top", "#top", "greeting", "Greeting=YQ", "x=1&greeting"}) {
        const GreetingLink link = greetingFromFragment(fragment);
        EXPECT_FALSE(link.present) << fragment;
        EXPECT_TRUE(link.ok()) << fragment;
        EXPECT_EQ(link.language, "") << fragment;
    }
}

TEST(GreetingLink, TheLanguageIsAFieldBesideTheGreetingThatNeverCostsIt) {
    EXPECT_EQ(fragmentFromGreeting("a", "pl"), "greeting=YQ&lang=pl");
    EXPECT_EQ(fragmentFromGreeting("a", "pt-BR"), "greeting=YQ&lang=pt-br");
    EXPECT_EQ(fragmentFromGreeting("a", ""), "greeting=YQ");
    EXPECT_EQ(fragmentFromGreeting("a", "pl&greeting=Yg"), "greeting=YQ") << "no field of any other value";

    const struct {
        const char* fragment;
        const char* language;
    } cases[] = {
        {"#greeting=YQ&lang=pl", "pl"},
        {"lang=pl&greeting=YQ", "pl"},
        {"greeting=YQ&lang=pt-BR", "pt-br"},
        {"greeting=YQ&lang=de-1996-x-y", "de-1996-x-y"},
        {"x=1&&greeting=YQ&y&lang=el", "el"},
        {"greeting=YQ&lang=pl&lang=de", "pl"},
        {"greeting=YQ&greeting=Yg&lang=cs", "cs"},
        // Not language tags: passed over, the greeting read all the same.
        {"greeting=YQ&lang=", ""},
        {"greeting=YQ&lang=p", ""},
        {"greeting=YQ&lang=polish", ""},
        {"greeting=YQ&lang=p%6C", ""},
        {"greeting=YQ&lang=en-", ""},
        {"greeting=YQ&lang=en--gb", ""},
        {"greeting=YQ&lang=en-abcdefghi", ""},
        {"greeting=YQ&lang=<b>", ""},
        {"greeting=YQ&lang=../../x", ""},
        {"greeting=YQ&lang=ÅÃ³", ""},
        {"greeting=YQ&lang=x&lang=pl", ""},
    };
    for (const auto& c : cases) {
        const GreetingLink link = greetingFromFragment(c.fragment);
        EXPECT_TRUE(link.present && link.ok()) << c.fragment << ": " << link.error;
        EXPECT_EQ(link.bytes, "a") << c.fragment << ": the first greeting field";
        EXPECT_EQ(link.language, c.language) << c.fragment;
    }
    const std::string longest =
        "abc-" + std::string(8, 'd') + "-" + std::string(8, 'e') + "-" + std::string(8, 'f') + "-gggg";
    ASSERT_EQ(longest.size(), LANGUAGE_TAG_MAX_LENGTH);
    EXPECT_EQ(greetingFromFragment("greeting=YQ&lang=" + longest).language, longest);
    EXPECT_EQ(greetingFromFragment("greeting=YQ&lang=" + longest + "g").language, "");

    const GreetingLink refused = greetingFromFragment("greeting=YR&lang=pl");
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.language, "pl") << "a greeting that cannot be read keeps the page's language";
    const GreetingLink alone = greetingFromFragment("#lang=el");
    EXPECT_FALSE(alone.present);
    EXPECT_EQ(alone.language, "el") << "the card's own greeting on a page in Greek";
}

TEST(GreetingLink, RefusesWhatCannotBeAWholeGreeting) {
    EXPECT_EQ(refusal("greeting="), "the link's greeting is empty");
    EXPECT_EQ(refusal("greeting=="), "the link's greeting is empty");
    EXPECT_EQ(refusal("greeting=SGFwc"), "the link's greeting is cut short; copy the whole link")
        << "a lone digit at the end";
    EXPECT_EQ(refusal("greeting=YR"), "the link's greeting is cut short; copy the whole link")
        << "bits left over that no link of ours has";
    EXPECT_EQ(refusal("greeting=SGF%20wcHk"),
              "the link's greeting has a character that does not belong at place 4; copy the whole link");
    EXPECT_NE(refusal(std::string("greeting=SG\0Fwc", 15)).find("place 3"), std::string::npos);
    EXPECT_NE(refusal("greeting=YQ===").find("place 3"), std::string::npos) << "three = are not padding";
}

TEST(GreetingLink, RefusesAGreetingLongerThanACardHolds) {
    const std::string largest(GREETING_LINK_MAX_BYTES, 'x');
    EXPECT_EQ(decoded(fragmentFromGreeting(largest)), largest);
    EXPECT_EQ(refusal(fragmentFromGreeting(largest + "xxx")),
              "the link's greeting is longer than a card holds (64 KB)");
}

TEST(GreetingLink, ALinksGreetingIsLaidOutLikeAFile) {
    const std::string file = "Joyeux No\xC3\xABl\n\nGod Jul och Gott Nytt \xC3\x85r";
    const GreetingLink link = greetingFromFragment(fragmentFromGreeting(file));
    ASSERT_TRUE(link.ok());
    const GreetingResult laid = layOutGreeting(link.bytes, "the link");
    ASSERT_TRUE(laid.ok()) << laid.error;
    ASSERT_EQ(laid.greeting.pages.size(), 2u);
    EXPECT_EQ(laid.greeting.pages[0].lines[0], U"Joyeux No\u00EBl");
}

}  // namespace
