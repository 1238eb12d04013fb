// Loads arbitrary bytes as a module through the memory callbacks; whatever
// loads must pass the invariant check and then play a few hundred ticks
// through the song clock and the mixer without a fault.
//
//   fuzz_xm_loader -max_total_time=60 corpus-dir fuzz/seeds
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "music/loader.h"
#include "music/memory_stream.h"
#include "music/render.h"
#include "music/song_check.h"

namespace {

// A low rate makes the steps large, so loop ends are crossed often and
// several times per frame; the cap keeps one input fast.
constexpr int32_t PLAY_RATE = 8000;
constexpr int32_t PLAY_TICKS = 300;
constexpr int64_t MAX_PLAY_FRAMES = 1 << 16;
constexpr int32_t CHUNK_FRAMES = 1024;

void play(Song* song) {
    OfflineRender render;
    if (!startOfflineRender(render, song, PLAY_RATE)) return;
    int64_t frames = int64_t{PLAY_TICKS} * song->samplesPerTick;
    if (frames > MAX_PLAY_FRAMES) frames = MAX_PLAY_FRAMES;
    static int16_t pcm[2 * CHUNK_FRAMES];
    while (render.framesOut < frames) renderPcm16(render, pcm, CHUNK_FRAMES);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Song* song = createSongFromMemory(data, size);
    if (!song) return 0;
    const std::string violation = checkSong(song);
    if (!violation.empty()) {
        std::fprintf(stderr, "loaded song fails its check: %s\n", violation.c_str());
        std::abort();
    }
    play(song);
    freeSong(song);
    return 0;
}
