// The platform's keys as the card's messages.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/messages.h"
#include "platform/window.h"

namespace {

class Keys : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!startPlatform()) GTEST_SKIP() << "no video driver: " << platformError();
        clearPostedMessages();
    }
    void TearDown() override { stopPlatform(); }

    static Message press(SDL_Keycode key, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
        // An empty queue, without the mark SDL leaves behind a poll (which
        // would answer the next poll with "nothing").
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = key;
        e.key.keysym.mod = mod;
        e.key.repeat = repeat;
        SDL_PushEvent(&e);
        Message m{0xFFFF, 0xFFFF};
        // Only our own event is waiting: the headless driver sends none.
        EXPECT_TRUE(peekMessage(m));
        return m;
    }
};

TEST_F(Keys, EachKeyComesAsItsCodeAndAltMakesItASystemKey) {
    struct Case {
        SDL_Keycode key;
        Uint16 mod;
        uint32_t message, code;
    } cases[] = {
        {SDLK_ESCAPE, KMOD_NONE, WM_KEYDOWN, VK_ESCAPE},
        {SDLK_RETURN, KMOD_LALT, WM_SYSKEYDOWN, VK_RETURN},
        {SDLK_KP_ENTER, KMOD_RALT, WM_SYSKEYDOWN, VK_RETURN},
        {SDLK_RETURN, KMOD_NONE, WM_KEYDOWN, VK_RETURN},
        {SDLK_F11, KMOD_NONE, WM_KEYDOWN, VK_F11},  // fix: it came as 'D'
        {SDLK_F1, KMOD_NONE, WM_KEYDOWN, VK_F1},
        {SDLK_a, KMOD_NONE, WM_KEYDOWN, 'a'},
        {SDLK_a, KMOD_LCTRL, WM_KEYDOWN, 'a'},
        {SDLK_UP, KMOD_NONE, WM_KEYDOWN, 0},  // no code the card knows: never a letter
        {SDLK_ESCAPE, KMOD_LALT, WM_SYSKEYDOWN, VK_ESCAPE},
    };
    for (const Case& c : cases) {
        const Message m = press(c.key, c.mod);
        EXPECT_EQ(m.message, c.message) << SDL_GetKeyName(c.key);
        EXPECT_EQ(m.wParam, c.code) << SDL_GetKeyName(c.key);
    }
}

TEST_F(Keys, AHeldKeyIsOnePress) {
    const Message first = press(SDLK_RETURN, KMOD_LALT);
    EXPECT_EQ(first.message, WM_SYSKEYDOWN);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(press(SDLK_RETURN, KMOD_LALT, 1).message, WM_NULL);
}

}  // namespace
