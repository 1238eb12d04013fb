#pragma once
// The music facade the scene uses: open the output, load a module, play and
// stop it, close the output. Results are 1 for success and 0 for failure.
// The player owns its song; freeing it stops its playback first.
#include "music/song.h"

class MusicPlayer {
  public:
    // Registers the resource file callbacks, so that modules are found among
    // the program's embedded resources.
    MusicPlayer();
    virtual ~MusicPlayer();

    int init(int rate);
    int load(const char* name, SampleLoadCallback sampleLoadCallback);
    // Takes a song loaded elsewhere (from memory, say) in place of the
    // current one, as load does; the player owns it from now on. Null
    // leaves the player without a song (and returns 0).
    int adopt(Song* loaded);
    int play();
    int stop();
    int close();

    Song* song = nullptr;
};
