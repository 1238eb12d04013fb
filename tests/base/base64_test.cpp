// Base64 as a card file carries its greeting and music: RFC 4648's own
// examples, every byte value back unchanged, and texts damaged on their way
// refused with the place or the cut named.
#include "base/base64.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(Base64, TheStandardsExamplesBothWays) {
    const std::vector<std::pair<std::string, std::string>> examples = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : examples) {
        EXPECT_EQ(encodeBase64(bytes), text);
        EXPECT_EQ(base64Length(bytes.size()), text.size());
        std::string back;
        EXPECT_EQ(decodeBase64(text, back).status, Base64::Valid) << text;
        EXPECT_EQ(back, bytes);
    }
}

TEST(Base64, EveryByteValueAtEveryPlaceComesBack) {
    std::string bytes;
    for (int i = 0; i < 256 * 3 + 2; ++i) bytes += static_cast<char>((i * 7) & 0xFF);
    for (size_t length = 0; length <= bytes.size(); length += 1 + length / 3) {
        const std::string part = bytes.substr(0, length);
        std::string back;
        ASSERT_EQ(decodeBase64(encodeBase64(part), back).status, Base64::Valid) << length;
        ASSERT_EQ(back, part) << length;
    }
}

TEST(Base64, WhiteSpaceAndMissingPaddingAreReadAsTheWholeText) {
    for (const char* text : {"Zm9v\nYmE=", " Zm9vYmE", "Zm9v\r\n\tYmE=\n", "Zm9vYmE=  "}) {
        std::string back;
        EXPECT_EQ(decodeBase64(text, back).status, Base64::Valid) << text;
        EXPECT_EQ(back, "fooba") << text;
    }
}

TEST(Base64, DamagedTextsAreRefusedWithNothingDecoded) {
    struct Case {
        const char* text;
        Base64 status;
        size_t at;
    };
    const Case cases[] = {
        {"Zm9v<mFy", Base64::BadCharacter, 4},  // markup where a digit belongs
        {"Zm9v-_Fy", Base64::BadCharacter, 4},  // the link's alphabet is not this one
        {"Zg==Zm9v", Base64::BadCharacter, 4},  // text after the padding
        {"Z===", Base64::BadCharacter, 1},      // one digit holds no byte to pad
        {"Zm9vY", Base64::CutShort, 5},         // a group cut after one digit
        {"Zg=", Base64::CutShort, 3},           // padding cut short
    };
    for (const Case& c : cases) {
        std::string bytes = "left over";
        const Base64Result r = decodeBase64(c.text, bytes);
        EXPECT_EQ(r.status, c.status) << c.text;
        if (c.status == Base64::BadCharacter) {
            EXPECT_EQ(r.at, c.at) << c.text;
        }
        EXPECT_TRUE(bytes.empty()) << c.text;
    }
}

}  // namespace
