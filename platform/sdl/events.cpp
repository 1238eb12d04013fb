#include "platform/events.h"

#include <SDL.h>

#include "platform/messages.h"

namespace {

Message translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            return {WM_CLOSE, 0};
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_ESCAPE) return {WM_KEYDOWN, VK_ESCAPE};
            return {WM_KEYDOWN, static_cast<uint32_t>(e.key.keysym.sym) & 0xFFFF};
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) return {WM_CLOSE, 0};
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED) return {WM_PAINT, 0};
            return {WM_NULL, 0};
        default:
            return {WM_NULL, 0};
    }
}

}  // namespace

bool pollPlatformEvent(Message& out) {
    SDL_Event e;
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0 || SDL_PollEvent(&e) == 0) return false;
    out = translate(e);
    return true;
}

bool waitPlatformEvent(uint32_t timeoutMs) {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) {
        SDL_Delay(timeoutMs);
        return false;
    }
    int ms = timeoutMs > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(timeoutMs);
    return SDL_WaitEventTimeout(nullptr, ms) != 0;
}
