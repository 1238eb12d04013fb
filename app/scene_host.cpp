#include "app/scene_host.h"

#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "platform/wall_clock.h"
#include "platform/window.h"

namespace {
void noWait(uint32_t) {}
}  // namespace

SceneHost::~SceneHost() {
    close();
}

bool SceneHost::open(int64_t clock, std::string& error, Screen screen) {
    close();
    fixWallClock(clock);
    setSceneSleep(noWait);
    open_ = true;
    frames_ = 0;
    greetingEnded_ = false;
    if (screen == Screen::Window) {
        mainWindow = createMainWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
        if (mainWindow == nullptr) {
            error = std::string("cannot make the card's window: ") + platformError();
            close();
            return false;
        }
    }
    if (!sceneInit()) {
        error = std::string("cannot open the display: ") + displayError();
        close();
        return false;
    }
    return true;
}

bool SceneHost::showBackdrop(std::string& error) {
    close();
    PlatformWindow* window = createMainWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (window == nullptr) {
        error = std::string("cannot make the card's window: ") + platformError();
        return false;
    }
    mainWindow = window;
    const bool shown = sceneShowBackdrop() == 1;
    if (!shown) error = std::string("cannot show the card's sky: ") + displayError();
    destroyMainWindow(window);
    mainWindow = nullptr;
    return shown;
}

const PixelBuffer& SceneHost::nextFrame() {
    // The writer starts its text over when it reads the text's end: then it
    // has written every page and waited out the last one's pause. It reads
    // only in frames that begin in the writing phase.
    const bool wasWriting = writing();
    sceneFrame();
    ++frames_;
    greetingEnded_ = wasWriting && textWriter.readIndex() == 0;
    return *display.primary;
}

void SceneHost::runUntilWriting() {
    while (open_ && !writing()) nextFrame();
}

bool SceneHost::writing() const {
    return phase == SCENE_WRITING;
}

int32_t SceneHost::glyphsOnPalm() const {
    return textWriter.glyphCount();
}

void SceneHost::close() {
    if (!open_) return;
    open_ = false;
    sceneShutdown();  // also after a failed set-up: it gives up only what exists
    if (mainWindow != nullptr) destroyMainWindow(mainWindow);
    mainWindow = nullptr;
    setSceneSleep(nullptr);
    releaseWallClock();
}
