#include "platform/thread_priority.h"

#include <SDL.h>

void raiseThreadPriorityToTimeCritical() {
    if (SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL) != 0)
        SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
}
