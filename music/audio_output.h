#pragma once
// Audio output and playback control: the sound device, the two-second ring
// it loops, the feeder thread that refills the ring block by block, and the
// start and stop of a song. One global state; free functions over it.
#include <cstdint>

struct Song;
class AudioDevice;

constexpr int32_t BLOCK_MILLISECONDS = 20;

// Opens the sound device at `rate` and derives the block, ring and ramp
// sizes; clears the voices. False while the file callbacks are not
// registered (nothing is touched then), for a rate outside 1..384,000, or
// when no device can be opened.
bool openOutput(int32_t rate);
// Stops the device at once, closes it, and releases the ring it played.
void closeOutput();
// Plays a loaded song from its beginning: resets it, binds channel i to
// voice i, pre-fills the whole ring, starts the device and the feeder.
bool startPlayback(Song* song);
// Ends the feeder and releases the mixing buffer. The device keeps looping
// the ring until closeOutput.
bool stopPlayback(Song* song);

// ---- Internals, visible for tests and tools ----

// Number of blocks in the ring (100).
int32_t blockCount();
// Fills block `writeIndex` of the ring for the current song and moves on.
void fillBlock();
// How many blocks one feeder pass fills when the device plays block
// `playingBlock` and the next block to fill is `writeIndex`.
int32_t blocksToFill(int32_t playingBlock, int32_t writeIndex, int32_t count);
// One pass of the feeder: reads the device position and refills every
// block the device has left.
void feederPass();
// The next block to fill.
int32_t writeIndex();
void setWriteIndex(int32_t index);
// The ring the device plays (ringFrames stereo frames), or null.
const int16_t* ringBuffer();
// Blocks the device reached before the feeder had refilled them.
uint64_t underrunBlocks();
// Blocks filled since playback started, the pre-fill included.
uint64_t blocksFilled();
// Frames the device has played since playback started (0 without a device).
uint64_t framesPlayed();
// Replaces the sound device (tests use a fake); null restores the SDL one.
void useAudioDevice(AudioDevice* device);
