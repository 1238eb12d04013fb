#include "music/render.h"

#include <algorithm>
#include <cstring>

#include "music/channel.h"
#include "music/mixer.h"
#include "music/output_format.h"
#include "music/rows.h"
#include "music/song.h"
#include "music/song_clock.h"
#include "music/voice.h"

namespace {

// One tick of the song through its installed clock; a hand-built song
// without one still advances.
void runTick(Song* song) {
    if (song->tickCallback != nullptr) {
        song->tickCallback(song);
    } else {
        songTick(song);
    }
}

// The length of the tick that just ran; never 0, or the block filler would
// call the clock again and again without mixing a frame.
int32_t tickFrames(const Song* song) {
    return std::max<int32_t>(song->samplesPerTick, 1);
}

// Renders and converts the next block of the offline render.
void nextBlock(OfflineRender& render) {
    renderBlock(render.song, render.mix.data(), blockFrames);
    convertToPcm16(render.pcm.data(), render.mix.data(), blockFrames);
    render.blockFramesLeft = blockFrames;
    render.blockOffset = 0;
}

// Copies the next frames of the current block (float mix or its 16-bit
// conversion), rendering blocks as they run out.
template <typename T>
void handOut(OfflineRender& render, T* out, int32_t frames, const std::vector<T>& source) {
    while (frames > 0) {
        if (render.blockFramesLeft == 0) nextBlock(render);
        const int32_t n = std::min(frames, render.blockFramesLeft);
        std::memcpy(out, source.data() + static_cast<size_t>(render.blockOffset) * 2,
                    static_cast<size_t>(n) * 2 * sizeof(T));
        out += static_cast<size_t>(n) * 2;
        frames -= n;
        render.blockOffset += n;
        render.blockFramesLeft -= n;
        render.framesOut += n;
    }
}

}  // namespace

void resetPlayback(Song* song) {
    if (song == nullptr) return;
    song->globalVolume = song->initialGlobalVolume;
    song->nextOrder = -1;
    song->nextRow = -1;
    song->speed = song->defaultSpeed;
    song->row = 0;
    song->order = 0;
    song->tick = 0;
    song->samplesLeftInTick = 0;
    setBpm(song, song->defaultBpm);

    const int32_t count = std::clamp<int32_t>(song->channelCount, 0, CHANNEL_COUNT);
    for (int32_t i = 0; i < count; ++i) {
        channels[i] = Channel{};
        channels[i].voice = &voices[i];
        channels[i].index = i;
    }
}

void clearVoices() {
    for (Voice& v : voices) {
        v = Voice{};
        v.stepInt = 1;
    }
}

void renderBlock(Song* song, float* block, int32_t frames) {
    if (song == nullptr || block == nullptr || frames < 1) return;
    std::memset(block, 0, static_cast<size_t>(frames) * 2 * sizeof(float));
    int32_t done = 0;
    int32_t left = song->samplesLeftInTick;
    while (done < frames) {
        if (left <= 0) {
            runTick(song);
            left = tickFrames(song);  // read after the tick: a tempo change applies to it
        }
        const int32_t n = std::min(left, frames - done);
        mixVoices(block + static_cast<size_t>(done) * 2, n);
        done += n;
        left -= n;
    }
    song->samplesLeftInTick = left;
}

bool startOfflineRender(OfflineRender& render, Song* song, int32_t rate) {
    if (song == nullptr || rate < OFFLINE_MIN_RATE || rate > OFFLINE_MAX_RATE) return false;
    setOutputFormat(rate);
    clearVoices();
    resetPlayback(song);
    render.song = song;
    render.mix.assign(static_cast<size_t>(blockFrames) * 2, 0.0f);
    render.pcm.assign(static_cast<size_t>(blockFrames) * 2, 0);
    render.blockFramesLeft = 0;
    render.blockOffset = 0;
    render.framesOut = 0;
    return true;
}

void renderPcm16(OfflineRender& render, int16_t* out, int32_t frames) {
    // What is left of the current block first; whole blocks are then
    // converted straight into out, sparing a copy of every frame; the rest
    // waits in the render's own block as before.
    const int32_t pending = std::min(std::max(frames, 0), render.blockFramesLeft);
    handOut(render, out, pending, render.pcm);
    out += static_cast<size_t>(pending) * 2;
    frames -= pending;
    while (frames >= blockFrames && render.song != nullptr) {
        renderBlock(render.song, render.mix.data(), blockFrames);
        convertToPcm16(out, render.mix.data(), blockFrames);
        out += static_cast<size_t>(blockFrames) * 2;
        frames -= blockFrames;
        render.framesOut += blockFrames;
    }
    handOut(render, out, frames, render.pcm);
}

void renderFloat(OfflineRender& render, float* out, int32_t frames) {
    handOut(render, out, frames, render.mix);
}

int64_t measurePassFrames(Song* song, int64_t capFrames) {
    if (song == nullptr || capFrames <= 0) return 0;
    resetPlayback(song);
    // One bit per (order, row): orders and rows both lie in 0..255.
    std::vector<uint8_t> played(256 * 256 / 8, 0);
    int64_t frames = 0;
    while (frames < capFrames) {
        const bool rowTick = song->tick == 0;
        runTick(song);
        if (rowTick && song->order >= 0 && song->order < 256 && song->row >= 0 && song->row < 256) {
            const int32_t bit = song->order * 256 + song->row;
            if (played[bit >> 3] & (1u << (bit & 7))) break;
            played[bit >> 3] |= static_cast<uint8_t>(1u << (bit & 7));
        }
        frames += tickFrames(song);
    }
    resetPlayback(song);
    clearVoices();
    return std::min(frames, capFrames);
}
