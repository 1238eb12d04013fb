#include "app/scene_frame.h"

#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_content.h"
#include "display/image_surface.h"
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

int sceneShowBackdrop() {
    if (!display.create(mainWindow, SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, DisplayMode::FullScreen))
        return 0;
    ImageSurface sky;
    sky.create(display.directDraw, SCREEN_WIDTH, SCREEN_HEIGHT, DDSCAPS_SYSTEMMEMORY);
    const bool shown =
        sky.loadBitmap(BACKDROP_BITMAP, 0, 0) &&
        sky.blit(display, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT) &&
        display.present();
    sky.release();
    display.release();
    return shown ? 1 : 0;
}
