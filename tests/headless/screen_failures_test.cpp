// A screen that goes away, played by the null backend's window: the display
// retries a refused frame a bounded number of times and reports it, and a
// display that cannot open stops the scene's set-up before anything else.
#include <gtest/gtest.h>

#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_frame.h"
#include "display/display_context.h"
#include "display/display_device.h"
#include "platform/cursor.h"
#include "platform/null/memory_window.h"
#include "platform/window.h"

namespace {

class ScreenFailures : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(window = createMainWindow(64, 48), nullptr); }
    void TearDown() override { destroyMainWindow(window); }
    PlatformWindow* window = nullptr;
};

TEST_F(ScreenFailures, ARefusedFrameIsRetriedABoundedNumberOfTimesThenDropped) {
    DisplayDevice d;
    ASSERT_EQ(1, d.create(window, 64, 48, 16, DisplayMode::FullScreen));
    window->refusePresents = PRESENT_ATTEMPTS - 1;
    EXPECT_EQ(1, d.present()) << "shown on the last attempt";
    EXPECT_EQ(0, window->refusePresents);
    window->refusePresents = 1000;
    EXPECT_EQ(0, d.present()) << "a screen that keeps refusing must not stall the caller";
    EXPECT_EQ(1000 - PRESENT_ATTEMPTS, window->refusePresents);
    EXPECT_EQ(1u, d.directDraw->framesDropped);
    window->refusePresents = 0;
    EXPECT_EQ(1, d.present());
    EXPECT_EQ(2u, d.directDraw->framesShown);
    EXPECT_EQ(2u, window->frame.count);
}

TEST_F(ScreenFailures, ARefusedFrameIsReportedInBothModes) {
    for (DisplayMode mode : {DisplayMode::FullScreen, DisplayMode::Windowed}) {
        DisplayDevice d;
        ASSERT_TRUE(d.create(window, 64, 48, 16, mode));
        EXPECT_EQ(d.mode(), mode);
        window->refusePresents = 1000;
        // fix: the windowed present said it had shown a frame the platform refused.
        EXPECT_FALSE(d.present());
        EXPECT_EQ(d.directDraw->framesDropped, 1u);
        EXPECT_EQ(d.directDraw->framesShown, 0u);
        window->refusePresents = 0;
        EXPECT_TRUE(d.present());
    }
}

TEST_F(ScreenFailures, ADisplayThatCannotOpenStopsTheSetUpBeforeAnythingElse) {
    showCursor();
    mainWindow = window;
    window->refuseOpens = 1;
    EXPECT_EQ(0, sceneInit());
    EXPECT_STRNE(displayError(), "");
    EXPECT_TRUE(cursorShown()) << "the cursor is hidden only after the display opened";
    EXPECT_EQ(display.directDraw, nullptr);
    EXPECT_EQ(display.clipper, nullptr);
    EXPECT_EQ(1, sceneShutdown()) << "the shutdown after a failed set-up gives up only what exists";
    mainWindow = nullptr;
}

}  // namespace
