#include "tools/record/headless_show.h"

#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "platform/wall_clock.h"
#include "platform/window.h"

namespace {
void noWait(uint32_t) {}
}  // namespace

HeadlessShow::~HeadlessShow() {
    close();
}

bool HeadlessShow::open(int64_t clock, std::string& error) {
    close();
    fixWallClock(clock);
    setSceneSleep(noWait);
    open_ = true;
    mainWindow = createMainWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (mainWindow == nullptr) {
        error = std::string("cannot make the picture in memory: ") + platformError();
        close();
        return false;
    }
    if (!sceneInit()) {
        error = std::string("cannot open the display in memory: ") + displayError();
        close();
        return false;
    }
    greetingEnded_ = false;
    return true;
}

const PixelBuffer& HeadlessShow::nextFrame() {
    // The writer starts its text over when it reads the text's end: then it
    // has written every page and waited out the last one's pause. It reads
    // only in frames that begin in the writing phase.
    const bool writing = phase == SCENE_WRITING;
    sceneFrame();
    greetingEnded_ = writing && textWriter.readIndex() == 0;
    return *display.primary;
}

void HeadlessShow::close() {
    if (!open_) return;
    open_ = false;
    sceneShutdown();  // also after a failed set-up: it gives up only what exists
    destroyMainWindow(mainWindow);
    mainWindow = nullptr;
    setSceneSleep(nullptr);
    releaseWallClock();
}
