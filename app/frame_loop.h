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

// Runs the card: window, scene set-up, frame loop, scene shutdown. Returns
// the process exit status: 0 after Esc or a close request, 1 (with one line
// on stderr) when the window or the display cannot be opened.
int runCard();
