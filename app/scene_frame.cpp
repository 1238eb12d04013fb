#include "app/scene_frame.h"

#include "app/frame_loop.h"
#include "app/scene_content.h"
#include "platform/cursor.h"

int sceneInit() {
    if (!display.create(mainWindow, SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, DisplayMode::FullScreen))
        return 0;
    const ClipRect screen{0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
    display.setClipList(1, &screen);  // a failed clip list is not fatal: blits still stay on the screen
    hideCursor();
    sceneContentSetup();
    return 1;
}

int sceneFrame() {
    display.clear();
    sceneContentFrame();
    display.present();
    return 1;
}

int sceneShutdown() {
    sceneContentShutdown();
    display.release();
    return 1;
}
