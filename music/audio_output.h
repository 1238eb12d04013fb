#pragma once
// The audio output: plays a song through the platform's sound device. The
// device loops one ring of 100 blocks of 20 ms (two seconds of sound) from its
// first frame; the feeder refills each block once the device has left it, so
// the music is mixed about two seconds ahead of what is heard. The feeder runs
// on a thread of its own, or, on a host without threads, is driven by the host
// calling feederPass from its audio callback (see Feeding).
//
// One output for the whole program, kept alive to the very end so that static
// objects may still stop their songs as they are destroyed at exit.
//
// Threads: during playback only the feeder touches the song, the channels,
// the voices and the ring's blocks; start and stop touch them only before the
// feeder starts and after it has ended. While the output is open (or plays
// without a device) it is the music core's release guard: freeing any song
// first ends the playback, after the block being mixed.
#include <cstdint>

struct Song;
class AudioDevice;

constexpr int32_t BLOCK_MILLISECONDS = 20;

// Who runs the feeder during playback.
enum class Feeding {
    OwnThread,  // a thread of the output's own, every 5 ms (the desktop)
    ByHost,     // the host calls feederPass (a platform without threads)
};

// Opens the sound device at `rate` and derives the block, ring and ramp
// sizes; clears the voices. False while the file callbacks are not
// registered (nothing is touched then), for a rate outside 1..384,000, or
// when no device can be opened; the platform may have no device at all.
bool openOutput(int32_t rate);
// Ends any playback, stops the device at once, closes it, and releases the
// ring it played.
void closeOutput();
// Plays a loaded song from its beginning: resets it, binds channel i to voice
// i, pre-fills the whole ring, starts the device and the feeder. False for a
// null song, or when the ring or the mixing buffer cannot be allocated or the
// feeder cannot be started; the device is then silent.
bool startPlayback(Song* song);
// Ends the feeder and releases the mixing buffer. The device keeps looping
// the ring until closeOutput. Whatever plays is stopped; of the song only
// its being null matters (false, nothing done).
bool stopPlayback(Song* song);
// The song being played, or null.
const Song* playingSong();
// How the feeder runs from the next startPlayback on (OwnThread by default).
void setFeeding(Feeding feeding);
// One pass of the feeder: reads the device's position and refills every
// block the device has left; counts the blocks it reached before they were
// refilled. With Feeding::ByHost the host calls this often enough (at least
// every second or so); never call it while the output's own thread feeds.
void feederPass();

// ---- Internals, visible for tests and tools ----

// Number of blocks in the ring (100).
int32_t blockCount();
// How many blocks one feeder pass fills when the device plays block
// `playingBlock`, the next block to fill is `writeIndex` and the device is
// less than a ring ahead of the writer: every block the device has left.
int32_t blocksToFill(int32_t playingBlock, int32_t writeIndex, int32_t count);
// The next block to fill.
int32_t writeIndex();
// The ring the device plays (ringFrames stereo frames), or null.
const int16_t* ringBuffer();
// Blocks the device reached before the feeder had refilled them.
uint64_t underrunBlocks();
// Blocks filled since playback started, the pre-fill included.
uint64_t blocksFilled();
// Frames the device has played since playback started (0 without a device).
uint64_t framesPlayed();
// Replaces the sound device (tests use a fake); null restores the platform's.
void useAudioDevice(AudioDevice* device);
