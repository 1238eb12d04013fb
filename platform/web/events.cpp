#include "platform/events.h"

#include <emscripten.h>

#include <cstddef>

#include "platform/messages.h"

namespace {

// Keys the page has passed on and the card has not yet taken. A person
// cannot type faster than the card takes them; a full queue drops the key.
constexpr size_t KEY_QUEUE = 16;
uint32_t keys[KEY_QUEUE];
size_t first = 0;
size_t waiting = 0;

}  // namespace

// The page's key handler passes a key on to the card: 27 for Esc, as the
// card's messages name it.
extern "C" EMSCRIPTEN_KEEPALIVE void yulePostKey(uint32_t key) {
    if (waiting == KEY_QUEUE) return;
    keys[(first + waiting) % KEY_QUEUE] = key & 0xFFFF;
    ++waiting;
}

bool pollPlatformEvent(Message& out) {
    if (waiting == 0) return false;
    out = Message{WM_KEYDOWN, keys[first]};
    first = (first + 1) % KEY_QUEUE;
    --waiting;
    return true;
}

bool waitPlatformEvent(uint32_t) {
    // A page must never block: the browser calls the card back at its own
    // pace instead, so there is nothing to wait for here.
    return waiting > 0;
}
