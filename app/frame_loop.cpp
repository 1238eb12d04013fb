#include "app/frame_loop.h"

#include <cstdio>

#include "app/scene_frame.h"
#include "display/display_device.h"
#include "platform/messages.h"
#include "platform/ticks.h"
#include "platform/window.h"

SDL_Window* mainWindow = nullptr;

uint32_t windowProc(const Message& m) {
    switch (m.message) {
        case WM_DESTROY:
            postQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
            if (m.wParam == VK_ESCAPE) postMessage(WM_DESTROY, 0);
            return defaultWindowProc(m);
        case WM_CREATE:
        case WM_PAINT:
            return 0;  // the window never paints itself; the display does
        default:
            return defaultWindowProc(m);
    }
}

uint32_t defaultWindowProc(const Message& m) {
    // The system's close destroys the window, which reports its destruction.
    if (m.message == WM_CLOSE) return windowProc(Message{WM_DESTROY, 0});
    return 0;
}

uint32_t frameLoop(const FrameLoopHooks& hooks, uint32_t lastFrameTick) {
    for (;;) {
        Message m;
        if (peekMessage(m)) {
            if (m.message == WM_QUIT) return m.wParam;
            windowProc(m);
        }
        uint32_t now = tickCount();
        if (frameDue(now, lastFrameTick)) {
            lastFrameTick = tickCount();
            hooks.frame();
            now = tickCount();
        }
        // fix: wait instead of polling, until the next message or the first
        // tick on which the polling loop would have started the next frame,
        // so an idle card sleeps rather than keeping a processor busy.
        uint32_t elapsed = now - lastFrameTick;
        if (elapsed <= FRAME_INTERVAL_MS) waitMessage(FRAME_INTERVAL_MS + 1 - elapsed);
    }
}

int runCard(const FrameLoopHooks& hooks) {
    // fix: a card that cannot open its window or display says why on stderr
    // and ends with status 1, rather than ending silently as a success.
    if (!startPlatform()) {
        std::fprintf(stderr, "yulecard: cannot start the video system: %s\n", platformError());
        stopPlatform();
        return 1;
    }
    mainWindow = createMainWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (mainWindow == nullptr) {
        std::fprintf(stderr, "yulecard: cannot create the window: %s\n", platformError());
        stopPlatform();
        return 1;
    }
    int status = 0;
    if (!hooks.init()) {
        std::fprintf(stderr, "yulecard: %s\n",
                     displayError()[0] ? displayError() : "cannot open the display");
        status = 1;
        postQuitMessage(1);
    }
    uint32_t quitCode = frameLoop(hooks, tickCount());
    hooks.shutdown();
    clearPostedMessages();
    destroyMainWindow(mainWindow);
    mainWindow = nullptr;
    stopPlatform();
    return status != 0 ? status : static_cast<int>(quitCode);
}

int runCard() {
    return runCard(FrameLoopHooks{sceneInit, sceneFrame, sceneShutdown});
}
