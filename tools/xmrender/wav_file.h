#pragma once
// A 16-bit stereo PCM WAV stream whose length is known before the first
// sample, so it can go to a pipe as well as to a file.
#include <cstdint>
#include <cstdio>

// Largest frame count a WAV file can describe (its sizes are 32-bit).
constexpr int64_t WAV_MAX_FRAMES = (0xFFFFFFFFll - 36) / 4;

// Writes the 44-byte header for `frames` stereo frames at `rate`.
bool writeWavHeader(std::FILE* file, int32_t rate, int64_t frames);
// Writes `frames` interleaved stereo frames as little-endian samples.
bool writeWavFrames(std::FILE* file, const int16_t* samples, int32_t frames);
