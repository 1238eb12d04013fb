// A whole scene frame in the writing phase with the fullest page on the
// screen (139 glyphs), and the snow's update and draw alone. Goal: a whole
// frame under 1,000 microseconds on one core, with nothing allocated.
// The frame runs on the off-screen display, whose present is a flip only;
// bench_display measures the conversion for a real screen.
#include "app/scene.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/scene_content.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "platform/wall_clock.h"
#include "tests/support/allocation_counter.h"

namespace {

void noWait(uint32_t) {}

// Lines of the fullest page: 139 glyphs in 7 lines, as wide as the text's.
constexpr int kPageLines[] = {20, 21, 22, 20, 19, 22, 15};
constexpr int kPageGlyphs = 139;

// The fullest page, then pauses of 900 frames for as long as the text lasts,
// so the page stays on the screen while the benchmark runs.
std::string fullPageText() {
    std::string text = "BENCH";
    int n = 0;
    for (int len : kPageLines) {
        if (n > 0) text += '\n';
        for (int c = 0; c < len; ++c, ++n) text += static_cast<char>('A' + (n % 58));
    }
    while (text.size() + 2 < TEXT_WRITER_TAG_LENGTH + TEXT_WRITER_TEXT_BYTES) text += "\r9";
    return text;
}

void startWritingWithFullPage() {
    fixWallClock(1'765'000'000);
    setSceneSleep(noWait);
    sceneInit();
    while (phase != SCENE_WRITING) sceneFrame();
    static const std::string text = fullPageText();
    TextWriterConfig config = greetingWriterConfig();
    config.text = text.c_str();
    textWriter.setup(display.directDraw, config);
    for (int frame = 0; frame < 5000 && textWriter.glyphCount() < kPageGlyphs; ++frame) sceneFrame();
}

void BM_SceneFrameWritingFullPage(benchmark::State& state) {
    startWritingWithFullPage();
    if (textWriter.glyphCount() != kPageGlyphs) state.SkipWithError("page not full");
    const long before = allocationCount();
    for (auto _ : state) sceneFrame();
    const long during = allocationCount() - before;
    state.counters["glyphs"] = textWriter.glyphCount();
    state.counters["allocs_per_frame"] =
        static_cast<double>(during) / static_cast<double>(state.iterations());
    sceneShutdown();
}
BENCHMARK(BM_SceneFrameWritingFullPage)->Unit(benchmark::kMicrosecond);

void BM_SnowUpdateAndDraw(benchmark::State& state) {
    fixWallClock(1'765'000'000);
    SnowField field{SnowArea{640, 480}};
    field.create(400);
    std::vector<uint8_t> layer(size_t{640} * 480 * 2);
    const long before = allocationCount();
    for (auto _ : state) {
        field.update();
        field.draw(layer.data(), 640 * 2);
        benchmark::DoNotOptimize(layer.data());
    }
    const long during = allocationCount() - before;
    state.counters["allocs_per_frame"] =
        static_cast<double>(during) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SnowUpdateAndDraw)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
