#include "platform/events.h"

#include <SDL.h>

#include "platform/messages.h"

namespace {

struct KeyCode {
    SDL_Keycode sdl;
    uint32_t code;
};

constexpr KeyCode NAMED_KEYS[] = {
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},  // Alt+Enter works with either Enter key
};

uint32_t keyCode(SDL_Keycode key) {
    for (const KeyCode& k : NAMED_KEYS)
        if (k.sdl == key) return k.code;
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<uint32_t>(key - SDLK_F1);
    // fix: other keys without a character were cut to 16 bits, which made
    // some of them look like letters (F11 came out as 'D').
    if (key > 0 && key < 0x80) return static_cast<uint32_t>(key);
    return 0;  // a key the card has no code for
}

Message translateKey(const SDL_KeyboardEvent& key) {
    // A held key is one press: Alt+Enter held down must not flip the
    // window back and forth.
    if (key.repeat != 0) return {WM_NULL, 0};
    const uint32_t message = (key.keysym.mod & KMOD_ALT) != 0 ? WM_SYSKEYDOWN : WM_KEYDOWN;
    return {message, keyCode(key.keysym.sym)};
}

Message translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            return {WM_CLOSE, 0};
        case SDL_KEYDOWN:
            return translateKey(e.key);
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
