// Loads arbitrary bytes as a module through the memory callbacks; whatever
// loads must pass the invariant check and then play a few hundred ticks
// through the song clock and the mixer without a fault, every channel's
// envelopes staying within 0..64 after every tick.
//
//   fuzz_xm_loader -max_total_time=60 corpus-dir fuzz/seeds fuzz/regressions ../shared/xm-corpus
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "music/channel.h"
#include "music/loader.h"
#include "music/render.h"

namespace {

// A low rate makes the steps large, so loop ends are crossed often and
// several times per frame; the cap keeps one input fast.
constexpr int32_t PLAY_RATE = 4000;
constexpr int32_t PLAY_TICKS = 300;
constexpr int64_t MAX_PLAY_FRAMES = 1 << 15;
constexpr int32_t CHUNK_FRAMES = 1024;

TickCallback songClock = nullptr;

// The song's own clock, then the envelopes: a value outside 0..64 is a
// fault even before its arithmetic overflows.
void checkedTick(Song* song) {
    songClock(song);
    const int32_t count = song->channelCount < CHANNEL_COUNT ? song->channelCount : CHANNEL_COUNT;
    for (int32_t c = 0; c < count; ++c) {
        for (int32_t out : {channels[c].volEnv.out, channels[c].panEnv.out}) {
            if (out < 0 || out > 64) {
                std::fprintf(stderr, "channel %d: envelope output %d outside 0..64\n", c, out);
                std::abort();
            }
        }
    }
}

void play(Song* song) {
    OfflineRender render;
    if (!startOfflineRender(render, song, PLAY_RATE)) return;
    songClock = song->tickCallback;
    song->tickCallback = checkedTick;
    int64_t frames = int64_t{PLAY_TICKS} * song->samplesPerTick;
    if (frames > MAX_PLAY_FRAMES) frames = MAX_PLAY_FRAMES;
    // The float mix, not the 16-bit conversion: the conversion cannot fault
    // and its per-value compares would cost most of the time.
    static float mix[2 * CHUNK_FRAMES];
    while (render.framesOut < frames) renderFloat(render, mix, CHUNK_FRAMES);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Song* song = createSongFromMemory(data, size);
    if (!song) {
        // createSong runs the invariant check itself and refuses a song
        // that fails it: for the fuzzer that refusal is the finding.
        if (lastLoadError().code == LoadErrorCode::Inconsistent) {
            std::fprintf(stderr, "%s\n", lastLoadError().message);
            std::abort();
        }
        return 0;
    }
    play(song);
    freeSong(song);
    return 0;
}
