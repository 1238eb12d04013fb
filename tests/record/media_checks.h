#pragma once
// Measures for comparing a decoded recording with what went in.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/picture/frame_picture.h"

// Peak signal to noise ratio over red, green and blue, in dB (99 when equal).
inline double psnr(const RgbImage& a, const RgbImage& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = static_cast<double>(a.rgb[i]) - b.rgb[i];
        sum += d * d;
    }
    if (sum == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.rgb.size()) / sum);
}

// Frame i of interleaved stereo as one mono value; 0 outside the samples.
inline double monoAt(const std::vector<int16_t>& pcm, int64_t i) {
    if (i < 0 || 2 * i + 1 >= static_cast<int64_t>(pcm.size())) return 0;
    return (pcm[2 * i] + pcm[2 * i + 1]) * 0.5;
}

// Level of frames [from, to) of interleaved stereo, in dB against full scale.
inline double levelDb(const std::vector<int16_t>& pcm, int64_t from, int64_t to) {
    double sum = 0;
    for (int64_t i = from; i < to; ++i) sum += monoAt(pcm, i) * monoAt(pcm, i);
    const double meanSquare = sum / static_cast<double>(std::max<int64_t>(to - from, 1));
    return 10 * std::log10(meanSquare / (32768.0 * 32768.0) + 1e-20);
}

// The shift that best lines `got` up with `want` over want's frames
// [from, from + length): got[i + lag] matches want[i].
inline int64_t bestLag(const std::vector<int16_t>& got, const std::vector<int16_t>& want, int64_t from,
                       int64_t length, int64_t maxLag) {
    int64_t best = 0;
    double bestScore = -1e300;
    for (int64_t lag = -maxLag; lag <= maxLag; ++lag) {
        double score = 0;
        for (int64_t i = from; i < from + length; ++i) score += monoAt(got, i + lag) * monoAt(want, i);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}
