// Render speed over the corpus: each module for 60 seconds (or one pass when
// that is shorter) at 44,000 frames per second, as a multiple of real time,
// with the total over the whole corpus.
#include "music/render.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "music/loader.h"
#include "music/output_format.h"
#include "music/song.h"

namespace {

constexpr int32_t RATE = 44000;
constexpr int64_t LIMIT_FRAMES = 60 * RATE;

struct Module {
    std::string name;
    Song* song;
    int64_t frames;  // what one render covers
};

std::vector<Module>& modules() {
    static std::vector<Module> list = [] {
        std::vector<Module> out;
        std::vector<std::string> paths;
        std::error_code error;
        for (const auto& e : std::filesystem::directory_iterator(YULE_CORPUS_DIR, error)) {
            if (e.path().extension() == ".xm") paths.push_back(e.path().string());
        }
        std::sort(paths.begin(), paths.end());
        setOutputFormat(RATE);
        for (const std::string& path : paths) {
            Song* song = createSongFromFile(path.c_str());
            if (song == nullptr) continue;
            const int64_t frames = measurePassFrames(song, LIMIT_FRAMES);
            out.push_back({std::filesystem::path(path).stem().string(), song, frames});
        }
        return out;
    }();
    return list;
}

// Renders one module's stretch through the offline renderer, exactly as
// xmrender and the sound device get it.
void renderModule(const Module& m, std::vector<int16_t>& pcm) {
    OfflineRender render;
    startOfflineRender(render, m.song, RATE);
    const int32_t chunk = static_cast<int32_t>(pcm.size() / 2);
    for (int64_t done = 0; done < m.frames; done += chunk) {
        renderPcm16(render, pcm.data(), static_cast<int32_t>(std::min<int64_t>(chunk, m.frames - done)));
    }
    benchmark::DoNotOptimize(pcm.data());
}

void BM_RenderModule(benchmark::State& state) {
    const Module& m = modules()[static_cast<size_t>(state.range(0))];
    std::vector<int16_t> pcm(4096 * 2);
    for (auto _ : state) renderModule(m, pcm);
    state.SetLabel(m.name);
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(m.frames) / RATE,
                                                       benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RenderCorpus(benchmark::State& state) {
    std::vector<int16_t> pcm(4096 * 2);
    int64_t frames = 0;
    for (const Module& m : modules()) frames += m.frames;
    for (auto _ : state) {
        for (const Module& m : modules()) renderModule(m, pcm);
    }
    state.SetLabel(std::to_string(modules().size()) + " modules, " + std::to_string(frames / RATE) +
                   " s of music");
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(frames) / RATE, benchmark::Counter::kIsIterationInvariantRate);
}

// The song clock and the channel work alone, nothing mixed: the share of
// the render that is not the mixer's.
void BM_ClockOnlyCorpus(benchmark::State& state) {
    int64_t frames = 0;
    for (const Module& m : modules()) frames += m.frames;
    for (auto _ : state) {
        for (const Module& m : modules()) benchmark::DoNotOptimize(measurePassFrames(m.song, m.frames));
    }
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(frames) / RATE, benchmark::Counter::kIsIterationInvariantRate);
}

void registerBenchmarks() {
    if (modules().empty()) {
        std::fprintf(stderr, "no XM corpus at %s: nothing to measure\n", YULE_CORPUS_DIR);
        return;
    }
    for (size_t i = 0; i < modules().size(); ++i) {
        benchmark::RegisterBenchmark(("render/" + modules()[i].name).c_str(), BM_RenderModule)
            ->Arg(static_cast<int64_t>(i))
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime();
    }
    benchmark::RegisterBenchmark("render/corpus", BM_RenderCorpus)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("render/corpus-clock-only", BM_ClockOnlyCorpus)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
