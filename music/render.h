#pragma once
// Rendering a song without a sound device. The audio output's block filler
// and the offline renderer share renderBlock: the mixer rounds its ramp state
// at the end of every call, so where a block is cut into pieces is part of the
// sound, and both paths must cut it the same way.
#include <cstdint>
#include <vector>

struct Song;

// Puts a song back to its start: global volume, speed, tempo (setBpm with the
// default BPM), order, row and tick; clears the first channelCount channels
// and binds channel i to voice i. The voices themselves are left alone.
void resetPlayback(Song* song);

// Clears every voice as opening the output does: all zero, stepInt 1.
void clearVoices();

// Clears `frames` stereo float frames of `block` and mixes the song into
// them: whenever the current tick's frames are used up the song clock runs
// one tick (its tempo change applies to that very tick), the voices are mixed
// between ticks, and what is left of the unfinished tick is kept in the song
// for the next call. Does nothing for a null song or frames < 1.
void renderBlock(Song* song, float* block, int32_t frames);

// Plays a song from its start into 16-bit stereo PCM exactly as the audio
// output feeds its ring: blocks of blockFrames, each rendered by renderBlock
// and converted with convertToPcm16. Any frame count may be asked for; the
// rest of a block waits for the next call.
struct OfflineRender {
    Song* song = nullptr;
    std::vector<float> mix;       // one block of float pairs
    std::vector<int16_t> pcm;     // the same block converted
    int32_t blockFramesLeft = 0;  // frames of the current block not yet handed out
    int32_t blockOffset = 0;      // first of them
    int64_t framesOut = 0;        // frames handed out since the start
};

constexpr int32_t OFFLINE_MIN_RATE = 1000;
constexpr int32_t OFFLINE_MAX_RATE = 384000;

// Sets the output format for `rate` (as opening the output does), clears the
// voices, resets the song and prepares `render`. False for a null song or a
// rate outside OFFLINE_MIN_RATE..OFFLINE_MAX_RATE.
bool startOfflineRender(OfflineRender& render, Song* song, int32_t rate);

// Writes the next `frames` frames (left, right int16 pairs) into `out`.
void renderPcm16(OfflineRender& render, int16_t* out, int32_t frames);

// Renders the next `frames` frames of float mix, before the 16-bit
// conversion, block by block like renderPcm16 (which it must not be mixed
// with on the same render). For checks on the raw mix, e.g. NaN or infinity.
void renderFloat(OfflineRender& render, float* out, int32_t frames);

// The length of one pass of the song in frames at the current output rate:
// from the start until playback comes back to an order and row it has
// already played (the end of the order list going back to the restart
// position, or a jump backwards). Only the song clock runs, nothing is
// mixed; the song and its channels are reset before and after, the voices
// are cleared after. Returns capFrames when no repeat comes before it.
int64_t measurePassFrames(Song* song, int64_t capFrames);
