#pragma once
// The functions the page's script side of the backend provides
// (web_library.js, linked into the program). Only the web backend's own
// files include this.
#include <cstdint>

extern "C" {
// The page's canvas: its size in device pixels, for the present layout.
int32_t yuleCanvasWidth();
int32_t yuleCanvasHeight();
// Shows a width x height RGBA picture, scaled as `layout` says: the whole
// number `scale` nearest-neighbour, then to w x h at (x, y) with one smooth
// pass where w x h is not that whole scale, black around.
void yuleShowPicture(const uint8_t* rgba, int32_t width, int32_t height, int32_t scale, int32_t x, int32_t y,
                     int32_t w, int32_t h);
// Hides the pointer over the picture, and shows it again.
void yuleHidePointer();
void yuleShowPointer();

// Sound: an AudioContext asking for `rate`; returns the rate it runs at,
// 0 when the page has no Web Audio.
int32_t yuleAudioOpen(int32_t rate);
// Starts the player (an AudioWorklet with a queue of about a second) that
// asks for sound through yuleAudioTransfer.
void yuleAudioStart();
// Stops the player and forgets what it had queued.
void yuleAudioStop();
// Stops and closes the context.
void yuleAudioClose();
}
