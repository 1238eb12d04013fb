// The scene's objects, defined in one place so that they are constructed in
// their fixed order (and destroyed in reverse) at program start and exit:
// textWriter, snow, approachX, approachY, display, snowLayer, backdrop,
// frameOverlay, palm, logo, music.
#include "app/scene_state.h"

#include "app/scene_frame.h"

float palmX = PALM_START_X;
int32_t phase = SCENE_SLIDE_IN;

TextWriter textWriter;
// The snow falls over the whole screen, the size of the layer it is drawn on.
SnowField snow{SnowArea{SCREEN_WIDTH, SCREEN_HEIGHT}};
Tween approachX;
Tween approachY;
DisplayDevice display;
ImageSurface snowLayer;
ImageSurface backdrop;
ImageSurface frameOverlay;
ImageSurface palm;
ImageSurface logo;
// The music player is defined here, after logo, so that it is constructed
// last and destroyed first.
MusicPlayer music;
