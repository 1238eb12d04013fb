#include "app/scene_frame.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "app/frame_loop.h"
#include "app/scene.h"
#include "display/clip_list.h"
#include "display/display_context.h"
#include "platform/cursor.h"

namespace {

void noWait(uint32_t) {}

class SceneFrame : public ::testing::Test {
  protected:
    void SetUp() override {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "no video driver: " << SDL_GetError();
        SDL_ShowCursor(SDL_ENABLE);
        mainWindow = nullptr;  // an off-screen display: the skeleton's work without a window
        setSceneSleep(noWait);
    }
    void TearDown() override {
        setSceneSleep(nullptr);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

TEST_F(SceneFrame, OpenClipPresentAndReleaseLast) {
    ASSERT_EQ(1, sceneInit());
    ASSERT_NE(display.directDraw, nullptr);
    EXPECT_EQ(SCREEN_WIDTH, display.width);
    EXPECT_EQ(SCREEN_HEIGHT, display.height);
    EXPECT_EQ(SCREEN_BPP, display.bitsPerPixel);
    ASSERT_NE(display.clipper, nullptr);
    ASSERT_EQ(1, display.clipper->count);
    EXPECT_EQ(0, display.clipper->rects[0].left);
    EXPECT_EQ(0, display.clipper->rects[0].top);
    EXPECT_EQ(640, display.clipper->rects[0].right);
    EXPECT_EQ(480, display.clipper->rects[0].bottom);
    EXPECT_EQ(0, cursorShown());

    EXPECT_EQ(1, sceneFrame());
    EXPECT_EQ(1u, display.directDraw->framesShown);

    EXPECT_EQ(1, sceneShutdown());
    EXPECT_EQ(display.directDraw, nullptr);
    EXPECT_EQ(display.surface, nullptr);
}

}  // namespace
