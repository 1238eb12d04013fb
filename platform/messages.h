#pragma once
// The card's message queue: messages the program posts to itself (destroy,
// quit) and the platform's events (keys, close requests, exposure) in one
// stream, taken one at a time.
#include <cstdint>

constexpr uint32_t WM_NULL = 0x00;  // an event the card has no use for
constexpr uint32_t WM_CREATE = 0x01;
constexpr uint32_t WM_DESTROY = 0x02;
constexpr uint32_t WM_PAINT = 0x0F;
constexpr uint32_t WM_CLOSE = 0x10;  // the system's close request (window close, Alt+F4, SIGTERM)
constexpr uint32_t WM_QUIT = 0x12;
constexpr uint32_t WM_KEYDOWN = 0x100;
constexpr uint32_t WM_SYSKEYDOWN = 0x104;  // a key pressed with Alt held

// Key codes (wParam of the key messages): a character key is its character.
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_F1 = 0x70;  // VK_F1 + n - 1 is Fn
constexpr uint32_t VK_F11 = 0x7A;

struct Message {
    uint32_t message;
    uint32_t wParam;  // key code for the key messages, exit code for WM_QUIT
};

// Appends a message to the card's own queue.
void postMessage(uint32_t message, uint32_t wParam);
// Posts WM_QUIT with the exit code.
void postQuitMessage(uint32_t exitCode);

// Takes the next message: the card's own queue first, then the platform's
// events. True with `out` filled, false when none is waiting.
bool peekMessage(Message& out);
// Blocks until a message is waiting or `timeoutMs` milliseconds have passed;
// returns at once when one is already waiting. True when one is waiting.
bool waitMessage(uint32_t timeoutMs);
// Empties the card's own queue (the platform's events stay).
void clearPostedMessages();
