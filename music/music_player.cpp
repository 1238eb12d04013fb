#include "music/music_player.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "music/audio_output.h"
#include "music/file_callbacks.h"
#include "music/resource_stream.h"
#include "platform/audio_device.h"

MusicPlayer::MusicPlayer() {
    registerResourceCallbacks();
}

// The song is given up with the player (the card's player is a static
// object: this runs at exit).
MusicPlayer::~MusicPlayer() {
    freeSong(song);
    song = nullptr;
}

int MusicPlayer::init(int rate) {
    if (openOutput(rate)) return 1;
    // The show goes on without music; say why once. A platform that has no
    // sound device at all (the headless tools) is silent by design.
    if (fileCallbacksRegistered() && platformAudioDevice() != nullptr)
        std::fprintf(stderr, "yulecard: no sound device could be opened; the card plays silently\n");
    return 0;
}

int MusicPlayer::load(const char* name, SampleLoadCallback sampleLoadCallback) {
    return adopt(createSong(name, sampleLoadCallback));
}

int MusicPlayer::adopt(Song* loaded) {
    // fix: an earlier song is released rather than leaked (the output's
    // release guard stops its playback first).
    if (song != loaded) freeSong(song);
    song = loaded;
    return song != nullptr ? 1 : 0;
}

int MusicPlayer::play() {
    return startPlayback(song) ? 1 : 0;
}

int MusicPlayer::stop() {
    const int stopped = stopPlayback(song) ? 1 : 0;
    // For reliability checks of the running card: were there gaps in the sound?
    if (stopped && std::getenv("YULECARD_AUDIO_STATS") != nullptr) {
        std::fprintf(stderr,
                     "yulecard: audio: %" PRIu64 " blocks filled, %" PRIu64 " underrun blocks, %" PRIu64
                     " frames played\n",
                     blocksFilled(), underrunBlocks(), framesPlayed());
    }
    return stopped;
}

int MusicPlayer::close() {
    closeOutput();
    return 1;
}
