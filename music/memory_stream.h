#pragma once
// A second data source for tests and tools: modules in files on disk or in
// memory buffers, read through the same callbacks and loader as the card's
// embedded module.
//
// The file-callback table is global. createSongFromMemory and
// createSongFromFile swap this set in for the one load and put the previous
// set back afterwards (also when the load fails), so a program that has
// registered the resource callbacks keeps them. Like every load, call them
// from one thread at a time and never while another load runs; the audio
// thread does not use the table, so a song may be playing meanwhile.
#include <cstddef>
#include <cstdint>

#include "music/song.h"

// Name under which the open callback finds the buffer handed to
// createSongFromMemory; any other name is a path of a file.
inline constexpr const char* MEMORY_MODULE_NAME = ":memory:";

// The callbacks. Open reads the whole named file into memory (null when it
// cannot be read or is over 2 GiB); read, seek and tell behave exactly as the
// resource callbacks do.
void* memoryStreamOpen(const char* name);
void memoryStreamClose(void* stream);
int32_t memoryStreamRead(void* destination, int32_t count, void* stream);
void memoryStreamSeek(void* stream, int32_t offset, uint8_t mode);
int32_t memoryStreamTell(void* stream);

// Registers the five callbacks above for good (tools that load files only).
void registerMemoryCallbacks();

// Loads a module from bytes the caller owns (they need to live only for the
// call). Null on failure; lastLoadError() tells why.
Song* createSongFromMemory(const void* bytes, size_t size, SampleLoadCallback sampleLoadCallback = nullptr);
// Loads a module from a file.
Song* createSongFromFile(const char* path, SampleLoadCallback sampleLoadCallback = nullptr);
