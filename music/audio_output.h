#pragma once
// Audio output and playback control: the sound device, the ring it loops,
// the feeder thread that refills it, and the start and stop of a song.
#include <cstdint>

struct Song;

bool openOutput(int32_t rate);
void closeOutput();
bool startPlayback(Song* song);
bool stopPlayback(Song* song);

// Run by freeSong before it releases anything: waits until no block is being
// mixed, then stops playback.
void songReleaseGuard(Song* song);
