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
    for (const char* fragment : {"", "#", "top", "#top", "greeting", "Greeting=YQ", "x&greeting=YQ"}) {
        const GreetingLink link = greetingFromFragment(fragment);
        EXPECT_FALSE(link.present) << fragment;
        EXPECT_TRUE(link.ok()) << fragment;
    }
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
