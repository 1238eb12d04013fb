// Stand-in until the sequencer lands: a tick changes nothing.
#include "music/song_clock.h"

void songTick(Song*) {}
void processTickEffects(Song*) {}
