// The end fade: sound passes through untouched and in order until the last
// stretch, which falls away to silence instead of stopping mid-note.
#include "tools/record/end_fade.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A steady full-scale-ish tone: left +20000, right -20000 on every frame.
std::vector<int16_t> steady(int32_t frames) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
        pcm[2 * i] = 20000;
        pcm[2 * i + 1] = -20000;
    }
    return pcm;
}

// Pushes `total` frames in chunks of `chunk`, then finishes; returns all
// that came out, in order.
std::vector<int16_t> run(EndFade& fade, const std::vector<int16_t>& in, int32_t chunk) {
    std::vector<int16_t> out, part;
    const int32_t total = static_cast<int32_t>(in.size() / 2);
    for (int32_t at = 0; at < total; at += chunk) {
        fade.push(in.data() + 2 * at, std::min(chunk, total - at), part);
        out.insert(out.end(), part.begin(), part.end());
    }
    fade.finish(part);
    out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(EndFade, HoldsBackOnlyTheFadeAndReleasesTheRestUntouchedInOrder) {
    EndFade fade(1000);
    std::vector<int16_t> in(2 * 5000), part;
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int16_t>(i * 7);
    fade.push(in.data(), 924, part);
    EXPECT_TRUE(part.empty()) << "less than the fade so far: all of it may still fade";
    fade.push(in.data() + 2 * 924, 924, part);
    ASSERT_EQ(part.size(), 2u * (2 * 924 - 1000));
    EXPECT_TRUE(std::equal(part.begin(), part.end(), in.begin()));
    // Whatever the chunking, the part before the fade comes out as it went in.
    for (int32_t chunk : {1, 333, 924, 5000}) {
        EndFade f(1000);
        const std::vector<int16_t> out = run(f, in, chunk);
        ASSERT_EQ(out.size(), in.size()) << chunk;
        EXPECT_TRUE(std::equal(out.begin(), out.end() - 2000, in.begin())) << chunk;
    }
}

TEST(EndFade, FallsAsTheSquareOfTheTimeLeftToSilence) {
    EndFade fade(1000);
    const std::vector<int16_t> out = run(fade, steady(3000), 924);
    ASSERT_EQ(out.size(), 6000u);
    EXPECT_EQ(out[2 * 1999], 20000) << "the last frame before the fade";
    EXPECT_EQ(out[2 * 2000], 20000) << "the fade starts at full level";
    EXPECT_NEAR(out[2 * 2500], 20000 / 4, 40) << "half-way: a quarter of the level";
    EXPECT_NEAR(out[2 * 2900], 20000 / 100, 40) << "a tenth left: a hundredth";
    EXPECT_LE(std::abs(out[2 * 2999]), 1) << "the last frame is silent";
    for (int32_t i = 2001; i < 3000; ++i) {
        ASSERT_LE(out[2 * i], out[2 * (i - 1)]) << "never rises, frame " << i;
        ASSERT_EQ(out[2 * i + 1], -out[2 * i]) << "both channels alike, frame " << i;
    }
}

TEST(EndFade, ARecordingShorterThanTheFadeFadesOverAllOfIt) {
    EndFade fade(44000);
    const std::vector<int16_t> out = run(fade, steady(400), 924);
    ASSERT_EQ(out.size(), 800u);
    EXPECT_EQ(out[0], 20000);
    EXPECT_NEAR(out[2 * 200], 5000, 60);
    EXPECT_LE(std::abs(out[2 * 399]), 1);
    std::vector<int16_t> tail;
    EndFade empty(44000);
    empty.finish(tail);
    EXPECT_TRUE(tail.empty()) << "no sound, no fade";
}

}  // namespace
