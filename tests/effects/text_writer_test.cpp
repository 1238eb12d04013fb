#include "effects/text_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "display/display_device.h"
#include "greeting/greeting_text.h"

namespace {

// A writer set up as the card sets it up, on an off-screen display, with the
// given text behind a 5-character tag.
class TextWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(screen.create(nullptr, 640, 480, 16, DisplayMode::FullScreen), 1);
        const ClipRect all{0, 0, 640, 480};
        screen.setClipList(1, &all);
    }
    void TearDown() override { screen.release(); }

    // The card's font and pen, writing `text` (behind its tag) from a sheet
    // of `rows` rows of 16 glyphs.
    static TextWriterConfig config(const char* text, int32_t rows = 33) {
        return TextWriterConfig{.font = 106,
                                .glyphWidth = 16,
                                .glyphHeight = 16,
                                .columns = 16,
                                .rows = rows,
                                .penStartX = 138,
                                .penStartY = 100,
                                .text = text};
    }

    void start(const std::string& body) {
        // Padded like the card's constant: the writer copies 1024 bytes.
        greeting.assign(1029, '\0');
        std::memcpy(greeting.data(), "TAG01", 5);
        std::memcpy(greeting.data() + 5, body.data(), body.size());
        writer.setup(screen.directDraw, config(greeting.data()));
    }

    // Runs `frames` frames and returns the frames (counted from 0) in which a
    // character was read.
    std::vector<int> readFrames(int frames) {
        std::vector<int> reads;
        for (int f = 0; f < frames; ++f) {
            const int32_t before = writer.readIndex();
            writer.frame(screen);
            if (writer.readIndex() != before) reads.push_back(f);
        }
        return reads;
    }

    // Checks that the glyph last placed is drawn from the font sheet's cell
    // at (sheetX, sheetY), under the hand, which stands on it.
    void expectLastGlyphDrawnFrom(int32_t sheetX, int32_t sheetY) {
        ASSERT_GT(writer.glyphCount(), 0);
        const GlyphCell cell = writer.cells()[static_cast<size_t>(writer.glyphCount() - 1)];
        ASSERT_EQ(writer.handX(), cell.x);
        uint8_t* font = writer.fontSurface().lock();
        uint8_t* hand = writer.handSurface().lock();
        uint8_t* back = screen.lock();
        ASSERT_TRUE(font && hand && back);
        const int32_t handTop = handPictureTop(cell.x, cell.y);
        int inked = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const uint16_t g = pixelAt(font, writer.fontSurface().lockPitch, sheetX + x, sheetY + y);
                const uint16_t h = pixelAt(hand, writer.handSurface().lockPitch, x, cell.y + y - handTop);
                inked += g != 0 && h == 0;
                EXPECT_EQ(pixelAt(back, screen.lockPitch, cell.x + x, cell.y + y), h != 0 ? h : g)
                    << x << "," << y;
            }
        writer.fontSurface().unlock();
        writer.handSurface().unlock();
        screen.unlock();
        EXPECT_GT(inked, 0) << "the glyph shows beside the hand";
    }

    static uint16_t pixelAt(const uint8_t* p, int32_t pitch, int x, int y) {
        uint16_t v;
        std::memcpy(&v, p + static_cast<ptrdiff_t>(pitch) * y + 2 * x, 2);
        return v;
    }

    DisplayDevice screen;
    TextWriter writer;
    std::vector<char> greeting;
};

TEST_F(TextWriterTest, SetupBuildsTheFontGridAndPutsThePenAtTheStart) {
    start("A");
    EXPECT_EQ(writer.penX(), 138);
    EXPECT_EQ(writer.penY(), 100);
    EXPECT_EQ(writer.typing(), 1);
    EXPECT_EQ(writer.delayFrames(), 0);
    EXPECT_EQ(writer.glyphCount(), 0);
    // '!' (33), 'A' (65) and 127 in the 16 x 6 grid with 1-pixel gutters.
    EXPECT_EQ(writer.glyphSource('!' - 32).x, 18);
    EXPECT_EQ(writer.glyphSource('!' - 32).y, 1);
    EXPECT_EQ(writer.glyphSource('A' - 32).x, 18);
    EXPECT_EQ(writer.glyphSource('A' - 32).y, 35);
    EXPECT_EQ(writer.glyphSource(127 - 32).x, 256);
    EXPECT_EQ(writer.glyphSource(127 - 32).y, 86);
    // The Latin-1 rows follow: 160 opens row 6, 255 closes row 11; the
    // sheet's last row is 32.
    EXPECT_EQ(writer.glyphSource(96).x, 1);
    EXPECT_EQ(writer.glyphSource(96).y, 103);
    EXPECT_EQ(writer.glyphSource(191).x, 256);
    EXPECT_EQ(writer.glyphSource(191).y, 188);
    EXPECT_EQ(writer.glyphSource(527).x, 256);
    EXPECT_EQ(writer.glyphSource(527).y, 545);
    EXPECT_EQ(writer.glyphSource(528).x, -1) << "no cell past the 33 rows";
    EXPECT_EQ(writer.fontSurface().width, 273);
    EXPECT_EQ(writer.fontSurface().height, 562);  // 33 rows of 17 pixels and the top gutter
    EXPECT_EQ(writer.handSurface().width, 608);
    EXPECT_EQ(writer.handSurface().height, 560);
}

TEST_F(TextWriterTest, FirstFramePlacesTheFirstGlyph) {
    start("Hi");
    writer.frame(screen);
    ASSERT_EQ(writer.glyphCount(), 1);
    EXPECT_EQ(writer.cells()[0].x, 138);
    EXPECT_EQ(writer.cells()[0].y, 100);
    EXPECT_EQ(writer.cells()[0].ch, 'H');
    EXPECT_EQ(writer.penX(), 154);
    EXPECT_EQ(writer.delayFrames(), 3);
    EXPECT_EQ(writer.handX(), 138);
    EXPECT_EQ(writer.handY(), 100);
    EXPECT_EQ(handPictureTop(writer.handX(), writer.handY()), -48);
}

TEST_F(TextWriterTest, HandHangsAboveThePenInSteps) {
    struct Case {
        int32_t x, y, top;
    };
    const Case cases[] = {
        {138, 100, -48},   // k = 1: 10 sin 160 = 2.19
        {204, 100, -55},   // k = 2: -4.28
        {306, 100, -44},   // k = 3: +6.16
        {0, 100, -50},     // k = 0
        {101, 0, -150},    // still k = 0 just below 102
        {102, 0, -148},    // k = 1 from 102
        {612, 0, -159},    // k = 6: -9.71, truncated toward zero to -9
        {138, -50, -197},  // 2.19 - 50 = -47.81, truncated toward zero to -47
    };
    for (const Case& c : cases) EXPECT_EQ(handPictureTop(c.x, c.y), c.top) << c.x << "," << c.y;
}

TEST_F(TextWriterTest, RhythmOfGlyphsLinesPagesPausesAndRestart) {
    struct Case {
        const char* name;
        std::string body;
        std::vector<int> reads;  // frames in which the first characters are read
    };
    const Case cases[] = {
        {"glyphs every 4 frames", "ABCD", {0, 4, 8, 12}},
        {"line feed resumes 42 frames later", "A\nB", {0, 4, 46}},
        {"page break resumes 39 frames later", "A\aB", {0, 4, 43}},
        {"pause digit 3 holds 301 frames", "A\r3B", {0, 4, 305}},
        {"pause digit 0 holds 1 frame", "A\r0B", {0, 4, 5}},
        {"pause with a non-digit skips it", "A\rxB", {0, 4, 5}},
        {"exact pause 0300 holds 301 frames",
         "A\x10"
         "0300B",
         {0, 4, 305}},
        {"exact pause 0000 holds 1 frame",
         "A\x10"
         "0000B",
         {0, 4, 5}},
        {"exact pause 9999 holds 10000 frames",
         "A\x10"
         "9999B",
         {0, 4, 10004}},
        {"exact pause reads four digits, the fifth is a glyph",
         "A\x10"
         "00071B",
         {0, 4, 12, 16}},
        {"exact pause cut short keeps the glyph after it",
         "A\x10"
         "12B",
         {0, 4, 17}},
        {"exact pause right before the end keeps the end", "A\x10", {0, 4, 5, 6}},
        {"end of text reads the first again next frame", "A", {0, 4, 5, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.body);
        std::vector<int> reads = readFrames(c.reads.back() + 1);
        reads.resize(std::min(reads.size(), c.reads.size()));
        EXPECT_EQ(reads, c.reads);
    }
}

TEST_F(TextWriterTest, IgnoredCodesAreConsumedOneAFrameWithoutDelay) {
    // Control codes, bytes that begin no character (continuation bytes, a
    // lone lead byte, a character cut by the next one) and characters
    // without a glyph (U+0085, Hebrew alef).
    start(
        "A\x01\x06\x08\x09\x0b\x0c\x0e\x1f\x80\x9f\xe9\xc3\xc2\x85\xd7\x90"
        "B");
    const std::vector<int> reads = readFrames(20);
    const std::vector<int> want = {0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    EXPECT_EQ(reads, want);
    ASSERT_EQ(writer.glyphCount(), 2);
    EXPECT_EQ(writer.cells()[1].ch, 'B');
    EXPECT_EQ(writer.cells()[1].x, 154);
    EXPECT_EQ(writer.typing(), 1);
}

TEST_F(TextWriterTest, ACharacterOfAnyLengthIsOneGlyphInOneRead) {
    // Two, three and two bytes: each read in one frame, at one advance.
    start("AБ€ςB");
    EXPECT_EQ(readFrames(17), (std::vector<int>{0, 4, 8, 12, 16}));
    ASSERT_EQ(writer.glyphCount(), 5);
    EXPECT_EQ(writer.cells()[1].ch, U'Б');
    EXPECT_EQ(writer.cells()[2].ch, U'€');
    EXPECT_EQ(writer.cells()[3].ch, U'ς');
    EXPECT_EQ(writer.cells()[4].x, 138 + 4 * 16);
}

TEST_F(TextWriterTest, LineFeedGlidesBackThenDown) {
    // 21 glyphs: the last is placed at x = 138 + 20 * 16 = 458.
    start(std::string(21, 'x') + "\nB");
    readFrames(21 * 4);  // all glyphs placed, the line feed is next
    ASSERT_EQ(writer.handX(), 458);
    ASSERT_EQ(writer.handY(), 100);

    std::vector<int32_t> xs, ys;
    for (int f = 0; f < 43; ++f) {
        writer.frame(screen);
        xs.push_back(writer.handX());
        ys.push_back(writer.handY());
        if (f == 0) {
            EXPECT_EQ(writer.typing(), 0);
            EXPECT_EQ(writer.penX(), 138);
            EXPECT_EQ(writer.penY(), 132);
        }
    }
    EXPECT_EQ(xs[0], 442);
    EXPECT_EQ(xs[18], 154);
    EXPECT_EQ(xs[19], 138);
    EXPECT_EQ(ys[18], 100);  // no downward step while sideways runs
    EXPECT_EQ(ys[19], 101);  // first downward step in the last sideways frame
    EXPECT_EQ(ys[37], 130);
    EXPECT_EQ(ys[38], 130);              // both finished: the hand keeps its last place
    EXPECT_EQ(writer.glyphCount(), 22);  // 'B' placed in frame 42
    EXPECT_EQ(writer.cells()[21].x, 138);
    EXPECT_EQ(writer.cells()[21].y, 132);
}

TEST_F(TextWriterTest, GlideFromTheSecondColumnEndsOnePixelShort) {
    // 154 to 138 over 20 frames ends at 137.99994, which truncates to 137.
    start("AB\nC");
    readFrames(8 + 40);
    EXPECT_EQ(writer.handX(), 137);
}

TEST_F(TextWriterTest, PageBreakClearsThePageInItsFrame) {
    start("AB\aC");
    readFrames(8);
    ASSERT_EQ(writer.glyphCount(), 2);
    writer.frame(screen);
    EXPECT_EQ(writer.glyphCount(), 0);
    EXPECT_EQ(writer.penX(), 138);
    EXPECT_EQ(writer.penY(), 100);
    EXPECT_EQ(writer.typing(), 0);
    EXPECT_EQ(writer.delayFrames(), 0);
}

TEST_F(TextWriterTest, RestartBeginsAgainAtTheStartWithoutGlide) {
    start("AB\nC");
    readFrames(4 + 4 + 42 + 1);  // A, B, line feed, C placed on line 2
    ASSERT_EQ(writer.penY(), 132);
    writer.frame(screen);  // delay of C
    writer.frame(screen);
    writer.frame(screen);
    writer.frame(screen);  // end of text
    EXPECT_EQ(writer.readIndex(), 0);
    EXPECT_EQ(writer.glyphCount(), 0);
    EXPECT_EQ(writer.typing(), 1);
    writer.frame(screen);
    ASSERT_EQ(writer.glyphCount(), 1);
    EXPECT_EQ(writer.cells()[0].x, 138);
    EXPECT_EQ(writer.cells()[0].y, 100);
    EXPECT_EQ(writer.cells()[0].ch, 'A');
}

TEST_F(TextWriterTest, RestartWithANewTextClearsThePageAndGlidesBackBeforeWriting) {
    start("ABCDEF");
    readFrames(12);  // A, B, C placed; the hand on C
    ASSERT_EQ(writer.glyphCount(), 3);
    const int32_t handX = writer.handX();
    std::string next(1029, '\0');
    std::memcpy(next.data(), "TAG01XY", 7);
    writer.restart(next.data(), TEXT_WRITER_TEXT_BYTES);
    EXPECT_EQ(writer.glyphCount(), 0);
    EXPECT_EQ(writer.readIndex(), 0);
    EXPECT_EQ(writer.delayFrames(), 0);
    EXPECT_FALSE(writer.typing()) << "the hand glides back first";
    EXPECT_EQ(writer.penX(), 138);
    EXPECT_EQ(writer.penY(), 100);
    // The glide leaves the hand where it was and takes it to the start, then
    // the new text's first letter is written there, not the old one's fourth.
    int frames = 0;
    while (!writer.typing() && frames < 100) {
        writer.frame(screen);
        ++frames;
        ASSERT_EQ(writer.glyphCount(), 0);
    }
    EXPECT_GT(frames, 1);
    EXPECT_LT(writer.handX(), handX);
    writer.frame(screen);
    ASSERT_EQ(writer.glyphCount(), 1);
    EXPECT_EQ(writer.cells()[0].ch, U'X');
    EXPECT_EQ(writer.cells()[0].x, 138);
    EXPECT_EQ(writer.cells()[0].y, 100);
}

TEST_F(TextWriterTest, PauseRightBeforeTheEndDoesNotSkipIt) {
    start("A\r");
    const std::vector<int> reads = readFrames(12);
    // 'A', the pause (nothing to skip), the end, 'A' again.
    const std::vector<int> want = {0, 4, 5, 6, 10, 11};
    EXPECT_EQ(reads, want);
    for (int f = 0; f < 2000; ++f) {
        writer.frame(screen);
        ASSERT_LT(writer.readIndex(), TEXT_WRITER_TEXT_BYTES);
    }
}

TEST_F(TextWriterTest, MissingOrShortTextWritesNothing) {
    writer.setup(screen.directDraw, config(nullptr));
    for (int f = 0; f < 10; ++f) EXPECT_TRUE(writer.frame(screen));
    EXPECT_EQ(writer.glyphCount(), 0);

    static const char shortTag[] = "AB";
    writer.setup(screen.directDraw, config(shortTag));
    readFrames(10);
    EXPECT_EQ(writer.glyphCount(), 0);
}

TEST_F(TextWriterTest, FontGridTooSmallLeavesHighGlyphsOut) {
    // 16 x 2 cells reach only code 63; '~' has no cell and is not drawn.
    greeting.assign(1029, '\0');
    std::memcpy(greeting.data(), "TAG01A~", 7);
    writer.setup(screen.directDraw, config(greeting.data(), 2));
    readFrames(8);
    EXPECT_EQ(writer.glyphCount(), 2);

    // The Latin-1 rows alone have no cell for a Cyrillic letter.
    std::memcpy(greeting.data(), "TAG01A\xd0\x96", 8);
    writer.setup(screen.directDraw, config(greeting.data(), 12));
    readFrames(8);
    EXPECT_EQ(writer.glyphCount(), 2);
    EXPECT_EQ(writer.glyphSource(textGlyphCell(U'Ж')).x, -1);
}

TEST_F(TextWriterTest, GreetingRunsItsSixPagesAndStartsOver) {
    writer.setup(screen.directDraw, config(greetingText));
    int pages = 0, fullest = 0, frames = 0;
    int32_t lowestPen = 0, widestPen = 0;
    bool restarted = false;
    while (!restarted && frames < 20000) {
        const int32_t before = writer.glyphCount();
        writer.frame(screen);
        ++frames;
        fullest = std::max(fullest, writer.glyphCount());
        lowestPen = std::max(lowestPen, writer.penY());
        widestPen = std::max(widestPen, writer.penX());
        if (before > 0 && writer.glyphCount() == 0) ++pages;
        restarted = writer.readIndex() == 0 && frames > 1;
    }
    ASSERT_TRUE(restarted);
    EXPECT_EQ(pages, 6);
    EXPECT_GT(fullest, 0);
    EXPECT_LT(fullest, TEXT_WRITER_MAX_CELLS);
    // Every glyph lands on the screen.
    EXPECT_LE(widestPen, 640);
    EXPECT_LE(lowestPen + 16, 480);
}

TEST_F(TextWriterTest, GlyphsDrawFromTheirFontCellsUnderTheHand) {
    start("AB");
    readFrames(4);
    screen.clear();
    writer.frame(screen);  // places 'B'; the hand moves on to x 154
    ASSERT_EQ(writer.handX(), 154);
    uint8_t* font = writer.fontSurface().lock();
    uint8_t* hand = writer.handSurface().lock();
    uint8_t* back = screen.lock();
    ASSERT_TRUE(font && hand && back);
    auto at = [](uint8_t* p, int32_t pitch, int x, int y) {
        uint16_t v;
        std::memcpy(&v, p + static_cast<ptrdiff_t>(pitch) * y + 2 * x, 2);
        return v;
    };
    const int32_t handTop = handPictureTop(154, 100);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            // 'A' (cell 18, 35) lies left of the hand: only the glyph shows.
            const uint16_t a = at(font, writer.fontSurface().lockPitch, 18 + x, 35 + y);
            EXPECT_EQ(at(back, screen.lockPitch, 138 + x, 100 + y), a) << x << "," << y;
            // 'B' (cell 35, 35) lies under the hand, which is drawn over it.
            const uint16_t b = at(font, writer.fontSurface().lockPitch, 35 + x, 35 + y);
            const uint16_t h = at(hand, writer.handSurface().lockPitch, x, 100 + y - handTop);
            EXPECT_EQ(at(back, screen.lockPitch, 154 + x, 100 + y), h != 0 ? h : b) << x << "," << y;
        }
    writer.fontSurface().unlock();
    writer.handSurface().unlock();
    screen.unlock();
}

TEST_F(TextWriterTest, EveryGlyphIsDrawnFromItsCellAtTheSameAdvance) {
    // Each block from a row's start in code order: Latin-1 from row 6,
    // Latin Extended-A from 12, Greek from U+0380 in row 20, Cyrillic from
    // 25, the rest from row 31.
    const struct {
        char32_t code;
        int32_t row, column;
    } cases[] = {
        {' ', 0, 0},     {'A', 2, 1},    {'~', 5, 14},   {127, 5, 15},   {U'❄', 5, 15},  {U'¡', 6, 1},
        {U'Ä', 8, 4},    {U'Å', 8, 5},   {U'ß', 9, 15},  {U'é', 10, 9},  {U'ñ', 11, 1},  {U'ÿ', 11, 15},
        {U'Ā', 12, 0},   {U'Ł', 16, 1},  {U'ő', 17, 1},  {U'Ş', 17, 14}, {U'ž', 19, 14}, {U'ſ', 19, 15},
        {U'΄', 20, 4},   {U'Ό', 20, 12}, {U'Α', 21, 1},  {U'Σ', 22, 3},  {U'ς', 24, 2},  {U'ώ', 24, 14},
        {U'Ѐ', 25, 0},   {U'А', 26, 0},  {U'Я', 27, 15}, {U'я', 29, 15}, {U'џ', 30, 15}, {U'Ș', 31, 0},
        {U'ț', 31, 3},   {U'Ґ', 31, 4},  {U'ґ', 31, 5},  {U'–', 31, 6},  {U'—', 31, 7},  {U'‘', 31, 8},
        {U'‚', 31, 10},  {U'“', 31, 11}, {U'„', 31, 13}, {U'•', 31, 14}, {U'…', 31, 15}, {U'€', 32, 0},
        {0x037E, 1, 11},  // the Greek question mark is ';'
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.code));
        std::string text = "x";
        appendUtf8(text, c.code);
        start(text);
        readFrames(4);
        screen.clear();
        writer.frame(screen);
        ASSERT_EQ(writer.glyphCount(), 2);
        EXPECT_EQ(writer.cells()[1].ch, c.code);
        EXPECT_EQ(writer.cells()[1].x, 154);
        EXPECT_EQ(writer.penX(), 170);
        if (c.code != ' ') expectLastGlyphDrawnFrom(1 + c.column * 17, 1 + c.row * 17);
    }
}

TEST_F(TextWriterTest, TextEndsWhereTheConfigSaysAndALongerRoomIsReadToItsEnd) {
    // A room of 4 bytes holds 3 of the text and the end.
    TextWriterConfig shortRoom = config("TAG01ABCDEF");
    shortRoom.textBytes = 4;
    writer.setup(screen.directDraw, shortRoom);
    readFrames(12);
    ASSERT_EQ(writer.glyphCount(), 3);
    EXPECT_EQ(writer.cells()[0].ch, 'A');
    EXPECT_EQ(writer.cells()[2].ch, 'C');
    writer.frame(screen);
    EXPECT_EQ(writer.glyphCount(), 0) << "the room's last byte ends the text";
    EXPECT_EQ(writer.readIndex(), 0);

    // Past the card's 1024 bytes: 1500 bytes the writer passes over, one a
    // frame, then a glyph it reaches only in a room that large.
    std::string text = "TAG01" + std::string(1500, '\x80') + "Q";
    TextWriterConfig longRoom = config(text.c_str());
    longRoom.textBytes = 2048;
    writer.setup(screen.directDraw, longRoom);
    readFrames(1501);
    ASSERT_EQ(writer.glyphCount(), 1);
    EXPECT_EQ(writer.cells()[0].ch, 'Q');

    writer.setup(screen.directDraw, config(text.c_str()));
    readFrames(1501);
    EXPECT_EQ(writer.glyphCount(), 0) << "the card's room of 1024 bytes ends before the Q";
}

TEST_F(TextWriterTest, GridTooLargeToMapHasNoGlyphsAndAllocatesNothingHuge) {
    TextWriterConfig huge = config("TAG01AB");
    huge.columns = 1 << 20;
    huge.rows = 1 << 20;
    writer.setup(screen.directDraw, huge);
    EXPECT_EQ(writer.glyphSource(0).x, -1);
    readFrames(8);
    EXPECT_EQ(writer.glyphCount(), 2) << "the text is still written, without pictures";

    TextWriterConfig none = config("TAG01AB");
    none.columns = -16;
    writer.setup(screen.directDraw, none);
    EXPECT_EQ(writer.glyphSource(0).x, -1);
    EXPECT_EQ(writer.glyphSource(-1).x, -1);
}

}  // namespace
