// A whole scene frame in the writing phase with the fullest page on the
// screen (139 glyphs), and the snow's update and draw alone. Goal: a whole
// frame under 1,000 microseconds on one core, with nothing allocated.
// The frame runs on the off-screen display, whose present is a flip only;
// bench_display measures the conversion for a real screen.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/card_content.h"
#include "app/scene_host.h"
#include "effects/snowfall.h"
#include "effects/text_format.h"
#include "greeting/greeting_layout.h"
#include "platform/wall_clock.h"
#include "tests/support/allocation_counter.h"

namespace {

// Lines of the fullest page: 139 glyphs in 7 lines, as wide as the text's.
constexpr int kPageLines[] = {20, 21, 22, 20, 19, 22, 15};
constexpr int kPageGlyphs = 139;

// The fullest page, held for the longest pause, so the page stays on the
// screen while the benchmark runs.
LoadedCardContent fullPage() {
    GreetingPage page;
    int n = 0;
    for (int len : kPageLines) {
        std::u32string line;
        for (int c = 0; c < len; ++c, ++n) line += static_cast<char32_t>('A' + (n % 58));
        page.lines.push_back(line);
    }
    page.pauseFrames = TEXT_MAX_PAUSE_EXACT_FRAMES;
    LoadedCardContent content;
    content.setGreeting(Greeting{{page}});
    return content;
}

void BM_SceneFrameWritingFullPage(benchmark::State& state) {
    useCardContent(fullPage());
    SceneHost show;
    std::string error;
    if (!show.open(SHOW_DEFAULT_CLOCK, error, SceneHost::Screen::OffScreen))
        state.SkipWithError(error.c_str());
    show.runUntilWriting();
    for (int frame = 0; frame < 5000 && show.glyphsOnPalm() < kPageGlyphs; ++frame) show.nextFrame();
    if (show.glyphsOnPalm() != kPageGlyphs) state.SkipWithError("page not full");
    const long before = allocationCount();
    for (auto _ : state) show.nextFrame();
    const long during = allocationCount() - before;
    state.counters["glyphs"] = show.glyphsOnPalm();
    state.counters["allocs_per_frame"] =
        static_cast<double>(during) / static_cast<double>(state.iterations());
    show.close();
    useCardContent(LoadedCardContent{});
}
BENCHMARK(BM_SceneFrameWritingFullPage)->Unit(benchmark::kMicrosecond);

void BM_SnowUpdateAndDraw(benchmark::State& state) {
    fixWallClock(SHOW_DEFAULT_CLOCK);
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
