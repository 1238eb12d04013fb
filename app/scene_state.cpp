// The scene's objects, defined in one place so that they are constructed in
// their fixed order (and destroyed in reverse) at program start and exit:
// textWriter, snow, approachX, approachY, display, snowLayer, backdrop,
// frameOverlay, palm, logo, music.
#include "app/scene_frame.h"

DisplayDevice display;
