#include "platform/messages.h"

#include <SDL.h>

namespace {

// The card posts at most a destroy and a quit in a row; a small ring that
// never allocates is plenty. A full ring drops the newest message but never
// a quit, which overwrites the last slot so the loop always ends.
constexpr int POSTED_CAPACITY = 64;
Message posted[POSTED_CAPACITY];
int postedHead = 0;
int postedCount = 0;

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

void postMessage(uint32_t message, uint32_t wParam) {
    if (postedCount == POSTED_CAPACITY) {
        if (message != WM_QUIT) return;
        posted[(postedHead + postedCount - 1) % POSTED_CAPACITY] = {message, wParam};
        return;
    }
    posted[(postedHead + postedCount) % POSTED_CAPACITY] = {message, wParam};
    ++postedCount;
}

void postQuitMessage(uint32_t exitCode) {
    postMessage(WM_QUIT, exitCode);
}

int peekMessage(Message& out) {
    if (postedCount > 0) {
        out = posted[postedHead];
        postedHead = (postedHead + 1) % POSTED_CAPACITY;
        --postedCount;
        return 1;
    }
    SDL_Event e;
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0 || SDL_PollEvent(&e) == 0) return 0;
    out = translate(e);
    return 1;
}

int waitMessage(uint32_t timeoutMs) {
    if (postedCount > 0) return 1;
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) {
        SDL_Delay(timeoutMs);
        return 0;
    }
    int ms = timeoutMs > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(timeoutMs);
    return SDL_WaitEventTimeout(nullptr, ms) ? 1 : 0;
}

void clearPostedMessages() {
    postedHead = 0;
    postedCount = 0;
}
