#pragma once
// The song clock: advances a song by one tick (row tick or effect tick).
struct Song;

// The song's tickCallback: one tick of the song.
void songTick(Song* song);
// The effects that act on every tick but the row tick.
void processTickEffects(Song* song);
