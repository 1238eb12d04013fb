#include "platform/ticks.h"

#include <SDL.h>

uint32_t tickCount() {
    return static_cast<uint32_t>(SDL_GetTicks64());
}
