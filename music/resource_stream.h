#pragma once
// The card's data source: a read-only stream over a module embedded in the
// executable as a resource of type "XM". Reading works on any bytes (the
// memory stream reads through it too) and belongs to the music core; opening
// by name and the registration need the embedded resources and come with the
// audio library (music/resource_callbacks.cpp).
#include <cstdint>

struct ResourceStream {
    int32_t size;         // bytes
    int32_t position;     // 0..size
    const uint8_t* base;  // owned by the executable; never freed here
};

// The five callbacks. Open never fails for a missing resource: the stream is
// then empty, so the loader refuses it as not being a module.
void* resourceStreamOpen(const char* name);
void resourceStreamClose(void* stream);
// Copies at most size - position bytes; a count of 0 or less copies nothing.
int32_t resourceStreamRead(void* destination, int32_t count, void* stream);
// Modes 0 (from start), 1 (relative), 2 (to end, offset unused); any other
// mode leaves the position; the result is always limited to 0..size.
void resourceStreamSeek(void* stream, int32_t offset, uint8_t mode);
int32_t resourceStreamTell(void* stream);

// Registers the five callbacks above.
void registerResourceCallbacks();
