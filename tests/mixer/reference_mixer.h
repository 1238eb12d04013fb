#pragma once
// A slow mixer written step by step from the description of the mixer, one
// frame at a time, with every loop done the long way (one loop length, one
// reflection per pass). The fast mixer must match it bit for bit.
#include <cmath>
#include <cstdint>

#include "music/output_format.h"
#include "music/song.h"
#include "music/voice.h"

namespace reference {

inline void mixVoice(Voice& v, float* buffer, int32_t frames) {
    const float unit = 1.0f / 255.0f;
    const Sample* smp = v.sample;
    const int16_t* s = smp->data;
    const int64_t loopStart = smp->loopStart;
    const int64_t loopEnd = loopStart + smp->loopLength;
    int32_t done = 0;
    for (;;) {
        int64_t pos = static_cast<int64_t>(
            (static_cast<uint64_t>(static_cast<uint32_t>(v.positionInt)) << 32) | v.positionFrac);
        const int64_t step = static_cast<int64_t>(
            (static_cast<uint64_t>(static_cast<uint32_t>(v.stepInt)) << 32) | v.stepFrac);
        int64_t n = frames - done;
        bool boundary = false;
        const int64_t d = v.direction == VOICE_BACKWARD ? pos - (loopStart << 32) : (loopEnd << 32) - pos;
        if (d < 0 || s == nullptr) {  // already past the boundary: handle it now
            n = 0;
            boundary = true;
        } else {  // the boundary counts however far off it is (fix in the mixer)
            const uint64_t dd = static_cast<uint64_t>(d) >> 8;
            const uint64_t ss = static_cast<uint64_t>(step) >> 8;
            uint64_t q = dd / ss;
            if (dd % ss != 0) ++q;
            if (q <= static_cast<uint64_t>(n)) {
                n = static_cast<int64_t>(q);
                boundary = true;
            }
        }
        if (!(v.rampFramesLeft != 0 && v.leftVolume == v.seenLeftVolume &&
              v.rightVolume == v.seenRightVolume)) {
            v.seenLeftVolume = v.leftVolume;
            v.seenRightVolume = v.rightVolume;
            v.rampLeftStep = 0.0f;
            v.rampRightStep = 0.0f;
            v.rampFramesLeft = 0;
            if (v.leftVolume != v.currentLeftVolume) {
                v.rampLeftStep =
                    static_cast<float>(static_cast<double>(v.leftVolume - v.currentLeftVolume) *
                                       static_cast<double>(unit) * static_cast<double>(rampReciprocal));
                v.rampFramesLeft = rampFrames;
            }
            if (v.rightVolume != v.currentRightVolume) {
                v.rampRightStep =
                    static_cast<float>(static_cast<double>(v.rightVolume - v.currentRightVolume) *
                                       static_cast<double>(unit) * static_cast<double>(rampReciprocal));
                v.rampFramesLeft = rampFrames;
            }
        }
        const bool ramp = v.rampFramesLeft != 0;
        bool rampCut = false;
        if (ramp && static_cast<uint32_t>(v.rampFramesLeft) < static_cast<uint64_t>(n)) {
            n = v.rampFramesLeft;
            rampCut = true;
            boundary = false;
        }
        double gl = v.currentLeftVolume * static_cast<double>(unit);
        double gr = v.currentRightVolume * static_cast<double>(unit);
        for (int64_t k = 0; k < n; ++k) {
            const int32_t i = static_cast<int32_t>(pos >> 32);
            const double w = static_cast<double>(static_cast<uint32_t>(pos) >> 1) / 2147483648.0;
            const double value = s[i] + (s[i + 1] - s[i]) * w;
            float* out = buffer + 2 * (done + k);
            out[0] = static_cast<float>(out[0] + value * gl);
            out[1] = static_cast<float>(out[1] + value * gr);
            pos = v.direction == VOICE_BACKWARD ? pos - step : pos + step;
            if (ramp) {
                gl += v.rampLeftStep;
                gr += v.rampRightStep;
            }
        }
        if (ramp) {
            const double l = std::nearbyint(gl * 255.0), r = std::nearbyint(gr * 255.0);
            v.currentLeftVolume = static_cast<uint8_t>(l < 0 ? 0 : l > 255 ? 255 : l);
            v.currentRightVolume = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
            v.rampFramesLeft -= static_cast<int32_t>(n);
        }
        done += static_cast<int32_t>(n);
        v.positionInt = static_cast<int32_t>(pos >> 32);
        v.positionFrac = static_cast<uint32_t>(pos);
        if (rampCut) continue;
        if (!boundary) return;
        if (smp->loopType == SAMPLE_FORWARD_LOOP && s != nullptr) {
            int64_t i = v.positionInt - smp->loopLength;
            while (i >= loopEnd) i -= smp->loopLength;
            v.positionInt = static_cast<int32_t>(i);
        } else if (smp->loopType == SAMPLE_PINGPONG_LOOP && s != nullptr) {
            const int64_t start = loopStart << 32, end = loopEnd << 32;
            if (v.direction == VOICE_BACKWARD) {
                pos = 2 * start - pos - 1;
                v.direction = VOICE_FORWARD;
            } else {
                pos = 2 * end - pos - 1;
                v.direction = VOICE_BACKWARD;
            }
            for (;;) {
                if (v.direction == VOICE_BACKWARD && (pos >> 32) < loopStart) {
                    pos = 2 * start - pos - 1;
                    v.direction = VOICE_FORWARD;
                } else if (v.direction == VOICE_FORWARD && (pos >> 32) >= loopEnd) {
                    pos = 2 * end - pos - 1;
                    v.direction = VOICE_BACKWARD;
                } else {
                    break;
                }
            }
            v.positionInt = static_cast<int32_t>(pos >> 32);
            v.positionFrac = static_cast<uint32_t>(pos);
        } else {
            v.sample = nullptr;
            v.positionInt = 0;
            v.positionFrac = 0;
            return;
        }
        if (done >= frames) return;
    }
}

inline void mixVoices(float* buffer, int32_t frames) {
    if (frames < 1) return;
    for (int v = 0; v < MIXED_VOICES; ++v) {
        if (voices[v].sample != nullptr) mixVoice(voices[v], buffer, frames);
    }
}

}  // namespace reference
