#pragma once
// The greeting card's fixed layout and its one seam for headless runs.
#include <cstdint>

// Where the pictures stand and how the show moves.
constexpr int32_t BACKDROP_BITMAP = 102;
constexpr int32_t FRAME_OVERLAY_BITMAP = 103;
constexpr int32_t PALM_BITMAP = 104;
constexpr int32_t FONT_BITMAP = 106;
constexpr int32_t LOGO_BITMAP = 107;
constexpr int32_t PALM_WIDTH = 475;
constexpr int32_t PALM_HEIGHT = 480;
constexpr int32_t LOGO_WIDTH = 140;
constexpr int32_t LOGO_HEIGHT = 274;
constexpr float PALM_STEP = 2.5f;
constexpr int32_t SNOW_FLAKES = 400;
constexpr int32_t PEN_START_X = 138;
constexpr int32_t PEN_START_Y = 100;
constexpr float APPROACH_FRAMES = 70.0f;
constexpr float APPROACH_END_Y = -50.0f;
// The rate the card's music is played at, in frames per second.
constexpr int32_t MUSIC_RATE = 44000;
// The set-up asks for this wait before the first frame so the music runs ahead.
constexpr uint32_t SCENE_START_WAIT_MS = 1000;

// The wait at the end of the set-up. The default does not block: it asks
// the shell to hold the first frame back (deferFirstFrame). Tests and the
// frame-shot tool replace it (with a function that does nothing) so a
// headless run starts without the one-second pause; null restores the
// default.
using SceneSleepFunction = void (*)(uint32_t milliseconds);
void setSceneSleep(SceneSleepFunction sleep);
