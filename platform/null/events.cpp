#include "platform/events.h"

#include <chrono>
#include <thread>

bool pollPlatformEvent(Message&) {
    return false;  // no keyboard, no window to close: only the card's own messages
}

bool waitPlatformEvent(uint32_t timeoutMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    return false;
}
