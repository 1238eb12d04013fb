#pragma once
// The backend's side of the message queue (platform/messages.h): the
// platform's own events, translated into the card's messages.
#include <cstdint>

struct Message;

// Takes the next platform event as a message. False when none is waiting
// (or the platform has no events).
bool pollPlatformEvent(Message& out);
// Blocks until a platform event is waiting or `timeoutMs` milliseconds have
// passed. True when one is waiting.
bool waitPlatformEvent(uint32_t timeoutMs);
