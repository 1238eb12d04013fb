#include "platform/messages.h"

#include "platform/events.h"

namespace {

// The card posts at most a destroy and a quit in a row; a small ring that
// never allocates is plenty. A full ring drops the newest message but never
// a quit, which overwrites the last slot so the loop always ends.
constexpr int POSTED_CAPACITY = 64;
Message posted[POSTED_CAPACITY];
int postedHead = 0;
int postedCount = 0;

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

bool peekMessage(Message& out) {
    if (postedCount > 0) {
        out = posted[postedHead];
        postedHead = (postedHead + 1) % POSTED_CAPACITY;
        --postedCount;
        return true;
    }
    return pollPlatformEvent(out);
}

bool waitMessage(uint32_t timeoutMs) {
    if (postedCount > 0) return true;
    return waitPlatformEvent(timeoutMs);
}

void clearPostedMessages() {
    postedHead = 0;
    postedCount = 0;
}
