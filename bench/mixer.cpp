// mixVoices with 32 looping voices at mixed steps, in blocks of 880 frames
// (20 ms at 44,000 Hz), on each inner-loop path, with the gains settled or
// with every voice starting a new volume ramp in every block, and once with
// high notes (steps of 1.5 to 5.5 frames). The figure to
// read is voice_frames/s: output frames times mixed voices per second of one
// core.
#include "music/mixer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "music/mixer_kernels.h"
#include "music/output_format.h"
#include "music/song.h"
#include "music/voice.h"

namespace {

constexpr int VOICES = 32;
constexpr int32_t FRAMES = 880;
constexpr uint32_t SAMPLE_FRAMES = 30000;

struct Bank {
    std::vector<std::vector<int16_t>> storage;
    std::vector<Sample> samples;

    Bank() : storage(VOICES), samples(VOICES) {
        std::mt19937 rng(7);
        for (int v = 0; v < VOICES; ++v) {
            // The loader's layout: a zero frame, the frames, 8 spare frames.
            std::vector<int16_t>& s = storage[v];
            s.assign(1 + SAMPLE_FRAMES + 8, 0);
            for (uint32_t k = 0; k < SAMPLE_FRAMES; ++k) s[1 + k] = static_cast<int16_t>(rng());
            Sample& smp = samples[v];
            smp = Sample{};
            smp.data = s.data() + 1;
            smp.length = SAMPLE_FRAMES;
            smp.bits = 16;
            // Loops of different lengths, so that boundaries fall now and then.
            smp.loopStart = 1000 + 37 * v;
            smp.loopLength = SAMPLE_FRAMES - smp.loopStart - 500 * (v % 7);
            smp.loopType = v % 4 == 3 ? SAMPLE_PINGPONG_LOOP : SAMPLE_FORWARD_LOOP;
            const uint32_t end = smp.loopStart + smp.loopLength;
            smp.data[end] = smp.loopType == SAMPLE_FORWARD_LOOP ? smp.data[smp.loopStart] : smp.data[end - 1];
        }
    }
};

// Notes from about three octaves below to one above the sample rate: steps
// from 0.125 to 1.8 frames, most below 1. Or high notes: 1.5 to 5.5 frames.
double stepOf(int v, bool high) {
    return high ? 1.5 * std::pow(2.0, (v % 16) / 8.0) : std::pow(2.0, (v % 24 - 18) / 6.0);
}

void startVoices(const Bank& bank, bool high) {
    std::memset(static_cast<void*>(voices), 0, sizeof voices);
    for (int v = 0; v < VOICES; ++v) {
        Voice& voice = voices[v];
        voice.sample = &bank.samples[v];
        voice.direction = VOICE_FORWARD;
        voice.positionInt = 100 * v;
        const uint64_t fixed = static_cast<uint64_t>(stepOf(v, high) * 4294967296.0);
        voice.stepInt = static_cast<int32_t>(fixed >> 32);
        voice.stepFrac = static_cast<uint32_t>(fixed);
        voice.leftVolume = voice.seenLeftVolume = voice.currentLeftVolume = 40 + v;
        voice.rightVolume = voice.seenRightVolume = voice.currentRightVolume = 90 - v;
    }
}

void BM_mixVoices(benchmark::State& state) {
    const MixPath path = static_cast<MixPath>(state.range(0));
    const bool ramps = state.range(1) != 0;
    const bool high = state.range(2) != 0;
    if (!setMixPath(path)) {
        state.SkipWithError("path not supported on this processor");
        return;
    }
    setOutputFormat(44000);
    static const Bank bank;
    startVoices(bank, high);
    std::vector<float> buffer(2 * FRAMES);
    uint8_t flip = 0;
    for (auto _ : state) {
        if (ramps) {
            flip ^= 1;
            for (int v = 0; v < VOICES; ++v) {
                voices[v].leftVolume = static_cast<uint8_t>(flip ? 100 : 40 + v);
                voices[v].rightVolume = static_cast<uint8_t>(flip ? 20 : 90 - v);
            }
        }
        std::memset(buffer.data(), 0, buffer.size() * sizeof(float));
        mixVoices(buffer.data(), FRAMES);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.counters["voice_frames/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * FRAMES * VOICES, benchmark::Counter::kIsRate);
    const char* names[] = {"scalar", "avx2", "avx512"};
    state.SetLabel(std::string(names[state.range(0)]) + (ramps ? ", ramp every block" : "") +
                   (high ? ", high notes" : ""));
}

BENCHMARK(BM_mixVoices)
    ->ArgsProduct({{static_cast<int>(MixPath::Scalar), static_cast<int>(MixPath::Avx2),
                    static_cast<int>(MixPath::Avx512)},
                   {0, 1},
                   {0}})
    ->ArgsProduct({{static_cast<int>(MixPath::Scalar), static_cast<int>(MixPath::Avx2),
                    static_cast<int>(MixPath::Avx512)},
                   {0},
                   {1}})
    ->ArgNames({"path", "ramps", "high"});

void BM_convertToPcm16(benchmark::State& state) {
    std::vector<float> in(2 * FRAMES);
    std::mt19937 rng(3);
    for (float& x : in) x = static_cast<float>(static_cast<int32_t>(rng() % 80001) - 40000) * 0.75f;
    std::vector<int16_t> out(2 * FRAMES);
    for (auto _ : state) {
        convertToPcm16(out.data(), in.data(), FRAMES);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * FRAMES, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_convertToPcm16);

}  // namespace

BENCHMARK_MAIN();
