#pragma once
// The card's shell: the one window, the event pump and the frame tick.
#include <cstdint>

struct SDL_Window;

// The one window; set right after it is created. The scene opens the display on it.
extern SDL_Window* mainWindow;

// Frames start when more than 20 ms have passed since the previous one began,
// measured on the 32-bit millisecond tick in unsigned arithmetic so that the
// counter's wrap does not stall the loop.
constexpr uint32_t FRAME_INTERVAL_MS = 20;
inline bool frameDue(uint32_t now, uint32_t lastFrameTick) {
    return now - lastFrameTick > FRAME_INTERVAL_MS;
}

struct Message;

// The window's handling of one message: Esc posts WM_DESTROY, WM_DESTROY
// posts the quit, WM_PAINT is answered without painting; the rest goes to
// defaultWindowProc, where the system's close request destroys the window.
uint32_t windowProc(const Message& m);
uint32_t defaultWindowProc(const Message& m);

// What the loop drives; the card passes sceneInit, sceneFrame, sceneShutdown.
struct FrameLoopHooks {
    int (*init)();
    int (*frame)();
    int (*shutdown)();
};

// Runs until WM_QUIT is taken and returns its code. Each pass handles at
// most one message, then starts a frame if frameDue; between passes it
// sleeps until the next message or the tick on which a frame falls due.
uint32_t frameLoop(const FrameLoopHooks& hooks, uint32_t lastFrameTick);

// Runs the card: window, scene set-up, frame loop, scene shutdown. Returns
// the process exit status: 0 after Esc or a close request, 1 (with one line
// on stderr) when the window or the display cannot be opened.
int runCard();
int runCard(const FrameLoopHooks& hooks);
