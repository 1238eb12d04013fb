#include "app/scene.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/card_content.h"
#include "app/frame_loop.h"
#include "app/scene_content.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "display/pixel_buffer.h"
#include "greeting/greeting_layout.h"
#include "greeting/greeting_text.h"
#include "platform/wall_clock.h"

namespace {

constexpr int64_t kClock = 1'765'000'000;

std::vector<uint32_t> sleeps;
void recordSleep(uint32_t ms) {
    sleeps.push_back(ms);
}

// Runs the whole scene headless (off-screen display, clock fixed, no
// start-up wait) through the same entry points the card uses.
class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fixWallClock(kClock);
        sleeps.clear();
        setSceneSleep(recordSleep);
        ASSERT_EQ(sceneInit(), 1);
    }
    void TearDown() override {
        sceneShutdown();
        setSceneSleep(nullptr);
        releaseWallClock();
    }

    // The frame last presented.
    static uint16_t shown(int x, int y) {
        uint16_t v;
        std::memcpy(&v, display.primary->pixels + static_cast<ptrdiff_t>(display.primary->pitch) * y + 2 * x,
                    2);
        return v;
    }
    static std::vector<uint16_t> shownFrame() {
        std::vector<uint16_t> pixels;
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            for (int x = 0; x < SCREEN_WIDTH; ++x) pixels.push_back(shown(x, y));
        return pixels;
    }
};

// One picture placed on the screen, read through its lock.
struct Layer {
    const char* name;
    ImageSurface* picture;
    int32_t x, y;    // where its top-left corner lands on the screen
    int32_t sx, sy;  // source corner (glyphs come from a cell of the sheet)
    int32_t w, h;
    uint16_t at(int sxScreen, int syScreen) const {
        const int px = sxScreen - x, py = syScreen - y;
        if (px < 0 || py < 0 || px >= w || py >= h || !picture->lockPointer) return 0;
        uint16_t v;
        std::memcpy(
            &v, picture->lockPointer + static_cast<ptrdiff_t>(picture->lockPitch) * (sy + py) + 2 * (sx + px),
            2);
        return v;
    }
};

TEST_F(SceneTest, SetUpWaitsOneSecondThroughTheSeam) {
    EXPECT_EQ(sleeps, std::vector<uint32_t>{1000});
    EXPECT_EQ(phase, SCENE_SLIDE_IN);
    EXPECT_EQ(palmX, -476.0f);
    EXPECT_EQ(snow.count, 400);
    EXPECT_EQ(backdrop.width, 640);
    EXPECT_EQ(palm.width, 475);
    EXPECT_EQ(logo.height, 274);
}

TEST_F(SceneTest, TimelineOfTheFirst400Frames) {
    std::vector<int32_t> palmXs;
    std::vector<int32_t> handXs, handYs;
    int writingStarts = -1;
    for (int frame = 0; frame < 400; ++frame) {
        const int32_t phaseBefore = phase;
        const int32_t drawnPalmX = static_cast<int32_t>(palmX);
        sceneFrame();
        if (phaseBefore == SCENE_SLIDE_IN) {
            palmXs.push_back(drawnPalmX);
        } else if (phaseBefore == SCENE_APPROACH) {
            handXs.push_back(textWriter.handX());
            handYs.push_back(textWriter.handY());
        } else if (writingStarts < 0) {
            writingStarts = frame;
            ASSERT_EQ(textWriter.glyphCount(), 1);
            EXPECT_EQ(textWriter.cells()[0].x, 138);
            EXPECT_EQ(textWriter.cells()[0].y, 100);
            EXPECT_EQ(textWriter.cells()[0].ch, greetingText[5]);
        }
        if (phase != SCENE_WRITING) {
            // The writer is not advanced before the writing phase.
            ASSERT_EQ(textWriter.readIndex(), 0) << frame;
            ASSERT_EQ(textWriter.glyphCount(), 0) << frame;
        }
    }

    // Slide-in: 191 frames at -476 + 2.5 k, truncated toward zero.
    ASSERT_EQ(palmXs.size(), 191u);
    const std::vector<int32_t> firstPalm(palmXs.begin(), palmXs.begin() + 5);
    EXPECT_EQ(firstPalm, (std::vector<int32_t>{-476, -473, -471, -468, -466}));
    EXPECT_EQ(palmXs[188], -6);
    EXPECT_EQ(palmXs[189], -3);
    EXPECT_EQ(palmXs[190], -1);
    for (size_t k = 1; k < palmXs.size(); ++k) {
        const int32_t step = palmXs[k] - palmXs[k - 1];
        ASSERT_TRUE(step == 2 || step == 3) << k;
    }

    // Approach: 139 frames, left first at y 0, then up to -50.
    ASSERT_EQ(handXs.size(), 139u);
    EXPECT_EQ(handXs[0], 1232);
    EXPECT_EQ(handXs[1], 1216);
    EXPECT_EQ(handXs[68], 153);
    EXPECT_EQ(handXs[69], 138);
    for (int i = 0; i < 70; ++i) ASSERT_EQ(handYs[i], 0) << "frame " << i + 1 << " of the approach";
    for (int i = 70; i < 139; ++i) ASSERT_EQ(handXs[i], 138) << i;
    EXPECT_EQ(handYs[70], -1);
    EXPECT_EQ(handYs[138], -50);

    EXPECT_EQ(writingStarts, 191 + 139);
}

TEST_F(SceneTest, PalmStopsWhenItArrives) {
    for (int frame = 0; frame < 191; ++frame) sceneFrame();
    EXPECT_EQ(phase, SCENE_APPROACH);
    EXPECT_EQ(palmX, 1.5f);
    sceneFrame();
    EXPECT_EQ(phase, SCENE_APPROACH);
    EXPECT_EQ(palmX, 1.5f);  // no longer moved
}

TEST_F(SceneTest, ComposedFrameFollowsTheLayerOrder) {
    // Well into the writing phase, with a line and a half on the page.
    for (int frame = 0; frame < 500; ++frame) sceneFrame();
    ASSERT_EQ(phase, SCENE_WRITING);
    ASSERT_GT(textWriter.glyphCount(), 5);

    // Back to front, as the frame draws them.
    std::vector<Layer> layers;
    layers.push_back({"backdrop", &backdrop, 0, 0, 0, 0, 640, 480});
    layers.push_back({"snow", &snowLayer, 0, 0, 0, 0, 640, 480});
    layers.push_back({"palm", &palm, 0, 0, 0, 0, 475, 480});
    for (int32_t i = 0; i < textWriter.glyphCount(); ++i) {
        const GlyphCell& c = textWriter.cells()[i];
        layers.push_back({"glyph", &textWriter.fontSurface(), c.x, c.y, textWriter.glyphSource(c.ch - 32).x,
                          textWriter.glyphSource(c.ch - 32).y, 16, 16});
    }
    layers.push_back({"hand", &textWriter.handSurface(), textWriter.handX(),
                      handPictureTop(textWriter.handX(), textWriter.handY()), 0, 0, 608, 560});
    layers.push_back({"frame", &frameOverlay, 0, 0, 0, 0, 640, 480});
    layers.push_back({"logo", &logo, 0, 206, 0, 0, 140, 274});
    for (Layer& l : layers) ASSERT_NE(l.picture->lock(), nullptr) << l.name;

    // Where each layer is the one on top and differs from what lies under
    // it, so that drawing it in the wrong place in the order would show.
    std::map<std::string, int> decisive;
    int mismatches = 0;
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            uint16_t want = 0, under = 0;
            const char* top = "black";
            for (auto l = layers.rbegin(); l != layers.rend(); ++l) {
                const uint16_t v = l->at(x, y);
                if (v == 0) continue;
                if (want == 0) {
                    want = v;
                    top = l->name;
                } else {
                    under = v;
                    break;
                }
            }
            if (shown(x, y) != want && ++mismatches <= 5)
                ADD_FAILURE() << "at (" << x << ", " << y << ") the " << top << " should show";
            if (want != under) ++decisive[top];
        }
    for (Layer& l : layers) l.picture->unlock();
    EXPECT_EQ(mismatches, 0);
    for (const char* name : {"backdrop", "snow", "palm", "glyph", "hand", "frame", "logo"})
        EXPECT_GT(decisive[name], 0) << "no pixel of the " << name << " decides the order";

    // A few fixed points of that frame: a snow flake on the backdrop, the
    // first glyph and the logo's corner.
    const Snowflake* visible = nullptr;
    for (int32_t i = 0; i < snow.count && !visible; ++i) {
        const Snowflake& f = snow.flakes[i];
        if (f.x >= 0 && f.x < 640 && shown(f.x, f.y) == 0xFFFF) visible = &f;
    }
    EXPECT_NE(visible, nullptr) << "no flake shows anywhere";
}

TEST_F(SceneTest, SameClockSameFramesOtherClockOtherSnow) {
    for (int frame = 0; frame < 60; ++frame) sceneFrame();
    const std::vector<uint16_t> first = shownFrame();

    sceneShutdown();
    ASSERT_EQ(sceneInit(), 1);
    for (int frame = 0; frame < 60; ++frame) sceneFrame();
    EXPECT_EQ(shownFrame(), first);

    sceneShutdown();
    fixWallClock(kClock + 1);
    ASSERT_EQ(sceneInit(), 1);
    for (int frame = 0; frame < 60; ++frame) sceneFrame();
    EXPECT_NE(shownFrame(), first);
}

// What the writer shows in a frame: enough to tell two frames' writing apart.
struct Writing {
    int32_t glyphs, readIndex, handX, handY, penX, penY;
    bool operator==(const Writing&) const = default;
};
Writing writingNow() {
    return Writing{textWriter.glyphCount(), textWriter.readIndex(), textWriter.handX(),
                   textWriter.handY(),      textWriter.penX(),      textWriter.penY()};
}

TEST_F(SceneTest, StartedInPlaceItWritesAsTheFullShowDoesFromItsFirstLetter) {
    constexpr int WRITING_STARTS = 330, FRAMES = 400;
    std::vector<Writing> full;
    for (int frame = 0; frame < WRITING_STARTS + FRAMES; ++frame) {
        sceneFrame();
        if (frame >= WRITING_STARTS) full.push_back(writingNow());
    }
    const float palmEnd = palmX;

    sceneShutdown();
    ASSERT_EQ(sceneInit(), 1);
    sceneSkipToWriting();
    EXPECT_EQ(phase, SCENE_WRITING);
    EXPECT_EQ(palmX, palmEnd);
    EXPECT_EQ(textWriter.handX(), 138) << "the hand where the approach leaves it";
    EXPECT_EQ(textWriter.handY(), -50);
    std::vector<Writing> inPlace;
    for (int frame = 0; frame < FRAMES; ++frame) {
        sceneFrame();
        inPlace.push_back(writingNow());
    }
    EXPECT_EQ(inPlace.front().glyphs, 1) << "the first frame writes the first letter";
    EXPECT_TRUE(inPlace == full);
}

TEST_F(SceneTest, ARestartedGreetingIsWrittenAnewWhileTheShowGoesOn) {
    sceneSkipToWriting();
    for (int frame = 0; frame < 100; ++frame) sceneFrame();
    ASSERT_GT(textWriter.glyphCount(), 10);

    LoadedCardContent content;
    const GreetingResult laid = layOutGreeting("Zebra", "test");
    ASSERT_TRUE(laid.ok()) << laid.error;
    content.setGreeting(laid.greeting);
    useCardContent(content);
    sceneRestartGreeting();
    EXPECT_EQ(textWriter.glyphCount(), 0);
    EXPECT_EQ(phase, SCENE_WRITING);
    for (int frame = 0; frame < 60 && textWriter.glyphCount() == 0; ++frame) sceneFrame();
    ASSERT_EQ(textWriter.glyphCount(), 1);
    EXPECT_EQ(textWriter.cells()[0].ch, U'Z');
    EXPECT_EQ(phase, SCENE_WRITING) << "the palm and the hand stay in place";
    useCardContent(LoadedCardContent{});
}

TEST_F(SceneTest, ShutdownGivesUpThePictures) {
    sceneFrame();
    sceneContentShutdown();
    for (ImageSurface* p : {&logo, &backdrop, &frameOverlay, &palm, &snowLayer})
        EXPECT_EQ(p->surface, nullptr);
    // A second shutdown (the shell's, in TearDown) finds nothing left to free.
}

TEST(SceneSetUp, DefaultWaitDefersTheFirstFrameInsteadOfSleeping) {
    fixWallClock(kClock);
    setSceneSleep(nullptr);
    takeFirstFrameDelay();
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(sceneInit(), 1);
    const auto spent = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(takeFirstFrameDelay(), SCENE_START_WAIT_MS) << "the shell is asked to hold the first frame";
    EXPECT_LT(spent, std::chrono::milliseconds(SCENE_START_WAIT_MS / 2)) << "the set-up itself does not wait";
    sceneShutdown();
    releaseWallClock();
}

}  // namespace
