// The sender's own greeting on the null backend: the whole frame equals the
// card's picture composed by hand from the font sheet's cells, accented
// letters included, and the built-in card comes back afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/card_content.h"
#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "greeting/greeting_layout.h"
#include "platform/null/memory_window.h"
#include "platform/wall_clock.h"
#include "platform/window.h"

namespace {

constexpr int64_t CLOCK = 1765000000;
constexpr int32_t GLYPH = 16;

void noWait(uint32_t) {}

uint16_t pixelAt(const uint8_t* pixels, int32_t pitch, int32_t x, int32_t y) {
    uint16_t v;
    std::memcpy(&v, pixels + static_cast<ptrdiff_t>(pitch) * y + 2 * x, 2);
    return v;
}

void setPixel(std::vector<uint8_t>& pixels, int32_t pitch, int32_t x, int32_t y, uint16_t v) {
    std::memcpy(pixels.data() + static_cast<ptrdiff_t>(pitch) * y + 2 * x, &v, 2);
}

// Where a code's glyph lies on the font sheet, counted here from the
// sheet's layout: 16 cells of 16 x 16 a row with 1-pixel gutters, ASCII
// from 32 in rows 0 to 5, Latin-1 from 160 in rows 6 to 11.
void sheetCell(uint8_t code, int32_t& x, int32_t& y) {
    const int32_t index = code >= 160 ? 96 + (code - 160) : code - 32;
    x = 1 + (index % 16) * (GLYPH + 1);
    y = 1 + (index / 16) * (GLYPH + 1);
}

// The show on the null backend with `content`, up to and including `frame`.
class OwnGreetingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fixWallClock(CLOCK);
        setSceneSleep(noWait);
        mainWindow = createMainWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
        ASSERT_NE(mainWindow, nullptr);
    }
    void TearDown() override {
        useCardContent(LoadedCardContent{});
        destroyMainWindow(mainWindow);
        mainWindow = nullptr;
        setSceneSleep(nullptr);
        releaseWallClock();
    }

    // Runs the show from its start; the scene stays up for inspection.
    void runTo(const LoadedCardContent& content, int frame) {
        useCardContent(content);
        fixWallClock(CLOCK);
        ASSERT_EQ(sceneInit(), 1);
        for (int f = 0; f <= frame; ++f) sceneFrame();
    }
};

TEST_F(OwnGreetingTest, AccentedLettersAreWrittenFromTheirFontCells) {
    const GreetingResult laid = layOutGreeting(
        "Joyeux No\u00EBl!\n"
        "\u00A1Feliz Navidad!\n"
        "God Jul och Gott Nytt \u00C5r\n"
        "Fr\u00F6hliche Gr\u00FC\u00DFe\n"
        "\u00E6 \u00F8 \u00E9 \u00F1 \u00AB\u00BB \u00B0 \u00A9 \u00FF \u2744\n"
        "[pause 20]",
        "accents.txt");
    ASSERT_TRUE(laid.ok()) << laid.error;
    ASSERT_EQ(laid.greeting.pages.size(), 1u);
    size_t glyphs = 0;
    for (const std::string& line : laid.greeting.pages[0].lines) glyphs += line.size();

    // The same page in spaces (a blank cell): the same rhythm, so the same
    // snow and the same hand, and no ink of the text.
    Greeting blank = laid.greeting;
    for (std::string& line : blank.pages[0].lines) line.assign(line.size(), ' ');
    LoadedCardContent own, spaces;
    own.setGreeting(laid.greeting);
    spaces.setGreeting(blank);

    // Frame 1100: the page is written (330 + 4 a letter + 42 a line) and
    // its 20 s pause has just begun.
    constexpr int FRAME = 1100;
    runTo(spaces, FRAME);
    const PresentedFrame background = mainWindow->frame;
    sceneShutdown();

    runTo(own, FRAME);
    ASSERT_EQ(textWriter.glyphCount(), static_cast<int32_t>(glyphs)) << "the page is written";
    ASSERT_TRUE(textWriter.typing()) << "the hand stands still in the pause";
    const PresentedFrame& shown = mainWindow->frame;
    ASSERT_EQ(shown.bitsPerPixel, 16);

    // Compose: each glyph's ink over the background, where nothing drawn
    // after the text covers it (the hand, the frame, the logo).
    std::vector<uint8_t> expected = background.pixels;
    uint8_t* font = textWriter.fontSurface().lock();
    uint8_t* hand = textWriter.handSurface().lock();
    uint8_t* frame = frameOverlay.lock();
    uint8_t* logoPixels = logo.lock();
    ASSERT_TRUE(font && hand && frame && logoPixels);
    const int32_t handLeft = textWriter.handX();
    const int32_t handTop = handPictureTop(textWriter.handX(), textWriter.handY());
    const int32_t logoTop = SCREEN_HEIGHT - LOGO_HEIGHT;
    const auto covered = [&](int32_t x, int32_t y) {
        const bool underHand =
            x >= handLeft && x < handLeft + TEXT_WRITER_HAND_WIDTH && y >= handTop &&
            y < handTop + TEXT_WRITER_HAND_HEIGHT &&
            pixelAt(hand, textWriter.handSurface().lockPitch, x - handLeft, y - handTop) != 0;
        const bool underLogo =
            x < LOGO_WIDTH && y >= logoTop && pixelAt(logoPixels, logo.lockPitch, x, y - logoTop) != 0;
        return underHand || underLogo || pixelAt(frame, frameOverlay.lockPitch, x, y) != 0;
    };
    std::vector<int> inkShown(256, 0);
    for (const GlyphCell& cell : textWriter.cells()) {
        int32_t sx = 0, sy = 0;
        sheetCell(cell.ch, sx, sy);
        for (int32_t y = 0; y < GLYPH; ++y)
            for (int32_t x = 0; x < GLYPH; ++x) {
                const uint16_t ink = pixelAt(font, textWriter.fontSurface().lockPitch, sx + x, sy + y);
                if (ink == 0 || covered(cell.x + x, cell.y + y)) continue;
                setPixel(expected, shown.pitch, cell.x + x, cell.y + y, ink);
                ++inkShown[cell.ch];
            }
    }
    textWriter.fontSurface().unlock();
    textWriter.handSurface().unlock();
    frameOverlay.unlock();
    logo.unlock();

    int32_t wrong = 0, firstX = -1, firstY = -1;
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
        for (int32_t x = 0; x < SCREEN_WIDTH; ++x)
            if (pixelAt(shown.pixels.data(), shown.pitch, x, y) !=
                    pixelAt(expected.data(), shown.pitch, x, y) &&
                wrong++ == 0)
                firstX = x, firstY = y;
    EXPECT_EQ(wrong, 0) << "first at (" << firstX << ", " << firstY << ")";
    // Not a vacuous match: every accented letter put ink on the palm.
    for (const int code : {0xEB, 0xA1, 0xC5, 0xF6, 0xFC, 0xDF, 0xE6, 0xF8, 0xE9, 0xF1, 0xAB, 0xBB, 0xB0, 0xA9,
                           0xFF, int{GREETING_SNOWFLAKE_GLYPH}})
        EXPECT_GT(inkShown[code], 0) << "code " << code;
    sceneShutdown();
}

TEST_F(OwnGreetingTest, TheBuiltInCardComesBackWithDefaultContent) {
    const GreetingResult laid = layOutGreeting("Hej!", "hej.txt");
    ASSERT_TRUE(laid.ok()) << laid.error;
    LoadedCardContent own;
    own.setGreeting(laid.greeting);
    runTo(own, 345);
    ASSERT_GE(textWriter.glyphCount(), 3);
    EXPECT_EQ(textWriter.cells()[0].ch, 'H');
    sceneShutdown();

    runTo(LoadedCardContent{}, 345);
    ASSERT_GE(textWriter.glyphCount(), 3);
    EXPECT_EQ(textWriter.cells()[0].ch, 'D') << "Dear friend,";
    ASSERT_NE(music.song, nullptr) << "our music is loaded (and played where there is a device)";
    sceneShutdown();
}

}  // namespace
