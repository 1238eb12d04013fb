#pragma once
// The greeting card's objects: globals of static storage, all defined in
// app/scene_state.cpp so that they are constructed in one fixed order
// (textWriter, snow, approachX, approachY, display, snowLayer, backdrop,
// frameOverlay, palm, logo, music) and destroyed in reverse at exit.
#include <cstdint>

#include "display/image_surface.h"
#include "effects/snowfall.h"
#include "effects/text_writer.h"
#include "effects/tween.h"
#include "music/music_player.h"

enum ScenePhase : int32_t {
    SCENE_SLIDE_IN = 0,  // the palm slides in from the left
    SCENE_APPROACH = 1,  // the writing hand comes in from the right
    SCENE_WRITING = 2,   // the greeting is written, for ever
};

constexpr float PALM_START_X = -476.0f;

extern float palmX;    // left edge of the palm while it slides in
extern int32_t phase;  // a ScenePhase; only ever rises
extern TextWriter textWriter;
extern SnowField snow;
extern Tween approachX;  // x of the writing hand while it approaches
extern Tween approachY;
extern ImageSurface snowLayer;     // 640 x 480, the flakes drawn each frame
extern ImageSurface backdrop;      // bitmap 102
extern ImageSurface frameOverlay;  // bitmap 103, black inside the frame
extern ImageSurface palm;          // bitmap 104
extern ImageSurface logo;          // bitmap 107
extern MusicPlayer music;          // the content's module (ours is "TRACK")
