#include "app/scene_content.h"

// Nothing to show yet: the card presents black frames.
void sceneContentSetup() {}
void sceneContentFrame() {}
void sceneContentShutdown() {}
