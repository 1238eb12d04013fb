// The sender's own greeting on the null backend: the whole frame equals the
// card's picture composed by hand from the font sheet's cells, accented,
// Greek and Cyrillic letters included, and the built-in card comes back
// afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <map>
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

// Where a character's glyph lies on the font sheet, counted here from the
// sheet's chart: 16 cells of 16 x 16 a row with 1-pixel gutters, each block
// from a row's start in code order, the rest in row 31 and on.
void sheetCell(char32_t code, int32_t& x, int32_t& y) {
    struct Block {
        char32_t first, last;
        int32_t row;
    };
    const Block blocks[] = {
        {0x20, 0x7F, 0}, {0xA0, 0xFF, 6}, {0x100, 0x17F, 12}, {0x380, 0x3CF, 20}, {0x400, 0x45F, 25},
    };
    const char32_t rest[] = {U'Ș', U'ș', U'Ț', U'ț', U'Ґ', U'ґ', U'–', U'—', U'‘',
                             U'’', U'‚', U'“', U'”', U'„', U'•', U'…', U'€'};
    if (code == U'❄') code = 0x7F;
    int32_t index = -1;
    for (const Block& b : blocks)
        if (code >= b.first && code <= b.last) index = b.row * 16 + static_cast<int32_t>(code - b.first);
    for (size_t i = 0; i < std::size(rest); ++i)
        if (rest[i] == code) index = 31 * 16 + static_cast<int32_t>(i);
    ASSERT_GE(index, 0) << "no cell for U+" << std::hex << static_cast<uint32_t>(code);
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

TEST_F(OwnGreetingTest, LettersOfEveryScriptAreWrittenFromTheirFontCells) {
    const GreetingResult laid = layOutGreeting(
        "Weso\u0142ych \u015Awi\u0105t! \u0141\u00F3d\u017A\n"
        "\u03A7\u03C1\u03CC\u03BD\u03B9\u03B1 \u03C0\u03BF\u03BB\u03BB\u03AC, "
        "\u03C6\u03AF\u03BB\u03BF\u03C2\n"
        "\u0421 \u0420\u043E\u0436\u0434\u0435\u0441\u0442\u0432\u043E\u043C! \u0490 \u0218 \u021B \u20AC\n"
        "Joyeux No\u00EBl!\n"
        "\u00A1Feliz Navidad!\n"
        "Gott Nytt \u00C5r!\n"
        "Fr\u00F6hliche Gr\u00FC\u00DFe\n"
        "\u00E6 \u00F8 \u00E9 \u00F1 \u00AB\u00BB \u00A9 \u00FF \u201E\u2026\u201C \u2744\n"
        "[pause 20]",
        "letters.txt");
    ASSERT_TRUE(laid.ok()) << laid.error;
    ASSERT_EQ(laid.greeting.pages.size(), 1u);
    const std::vector<std::u32string>& lines = laid.greeting.pages[0].lines;
    size_t glyphs = 0;
    for (const std::u32string& line : lines) glyphs += line.size();

    // The same page in spaces (a blank cell): the same rhythm, so the same
    // snow and the same hand, and no ink of the text.
    Greeting blank = laid.greeting;
    for (std::u32string& line : blank.pages[0].lines) line.assign(line.size(), ' ');
    LoadedCardContent own, spaces;
    own.setGreeting(laid.greeting);
    spaces.setGreeting(blank);

    // The page is written (from frame 330, 4 frames a letter, 42 a line)
    // and its 20 s pause has just begun.
    const int FRAME = 330 + 4 * static_cast<int>(glyphs) + 42 * static_cast<int>(lines.size() - 1) + 20;
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
    std::map<char32_t, int> inkShown;
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
    // Not a vacuous match: every letter beyond ASCII put ink on the palm.
    for (const std::u32string& line : lines)
        for (const char32_t code : line)
            if (code >= 0x80 && code != 0xA0) {
                EXPECT_GT(inkShown[code], 0) << "U+" << std::hex << int(code);
            }
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
