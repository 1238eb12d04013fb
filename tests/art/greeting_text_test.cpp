#include "greeting/greeting_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "greeting/greeting_layout.h"

namespace {

struct Page {
    std::vector<std::string> lines;
    int pauseDigit = -1;
};

// Splits the text behind the tag the way the writer reads it; fails the
// test on any code the writer would skip or misread.
std::vector<Page> parsePages(const char* text, int* length) {
    std::vector<Page> pages(1);
    std::string line;
    int i = 0;
    for (; text[i] != 0; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 10) {
            pages.back().lines.push_back(line);
            line.clear();
        } else if (c == 13) {
            EXPECT_EQ(pages.back().pauseDigit, -1) << "two pauses on one page";
            char digit = text[i + 1];
            EXPECT_TRUE(digit >= '0' && digit <= '9') << "pause needs a digit at " << i;
            pages.back().pauseDigit = digit - '0';
            ++i;
        } else if (c == 7) {
            pages.back().lines.push_back(line);
            line.clear();
            pages.emplace_back();
        } else {
            EXPECT_GE(c, 32) << "control code " << int(c) << " at " << i;
            EXPECT_LE(c, 127) << "byte " << int(c) << " at " << i;
            EXPECT_EQ(pages.back().pauseDigit, -1) << "text after a page's pause at " << i;
            line += static_cast<char>(c);
        }
    }
    pages.back().lines.push_back(line);
    *length = i;
    return pages;
}

TEST(GreetingText, PagesLinesAndPausesFollowTheWritersLayout) {
    const char* text = greetingText + greetingTagLength;
    int length = 0;
    std::vector<Page> pages = parsePages(text, &length);

    const int wantLines[] = {5, 5, 5, 4, 7, 5};
    const int wantPause[] = {1, 2, 2, 2, 3, 2};
    ASSERT_EQ(pages.size(), 6u);
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        EXPECT_EQ(int(pages[p].lines.size()), wantLines[p]);
        EXPECT_EQ(pages[p].pauseDigit, wantPause[p]);
        for (const std::string& l : pages[p].lines) {
            EXPECT_GE(l.size(), 9u) << '"' << l << '"';
            // 22 glyphs from x 138 end at 490, the widest the palm takes.
            EXPECT_LE(l.size(), 22u) << '"' << l << '"';
        }
    }
    // The last page's digit is followed directly by the terminating zero.
    EXPECT_EQ(text[length - 2], 13);
    EXPECT_EQ(text[length], 0);
    EXPECT_LE(length, 1023);
}

TEST(GreetingText, TagIsPrintableAndPaddingCoversTheWritersCopy) {
    for (int i = 0; i < greetingTagLength; ++i) EXPECT_GE(static_cast<unsigned char>(greetingText[i]), 32);
    // The writer copies the 1024 bytes behind the tag without looking at
    // the text's length (the array's declared size makes them exist): past
    // the text they must all be zeros.
    int length = int(std::strlen(greetingText + greetingTagLength));
    for (int i = greetingTagLength + length; i < greetingTextBytes; ++i)
        ASSERT_EQ(greetingText[i], 0) << "padding byte " << i;
}

TEST(GreetingText, EveryPageFitsOnThePalm) {
    const char* text = greetingText + greetingTagLength;
    int length = 0;
    for (const Page& page : parsePages(text, &length))
        EXPECT_LE(static_cast<int>(page.lines.size()), GREETING_PAGE_LINES)
            << "a page of " << page.lines.size() << " lines runs off the palm";
}

}  // namespace
