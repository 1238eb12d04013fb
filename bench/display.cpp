// One frame's display work: clear the back buffer, six full-screen keyed
// blits of the card's own pictures, and the present's conversion of the
// frame into texture memory. Goal: well under 1,000 microseconds a frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "display/display_context.h"
#include "display/display_device.h"
#include "display/image_surface.h"
#include "display/pixel_buffer.h"
#include "platform/screen_presenter.h"

namespace {

constexpr int32_t W = 640, H = 480;

struct Frame {
    DisplayDevice display;
    ImageSurface pictures[6];
    std::vector<uint8_t> texture = std::vector<uint8_t>(size_t{W} * H * 2);

    Frame() {
        display.create(nullptr, W, H, 16, DisplayMode::FullScreen);
        const ClipRect screen{0, 0, W, H};
        display.setClipList(1, &screen);
        // The card's pictures stretched to the full screen: the mix of
        // transparent black and colour of the real layers.
        const int ids[6] = {102, 103, 104, 105, 106, 107};
        for (int i = 0; i < 6; ++i) {
            pictures[i].create(display.directDraw, W, H, DDSCAPS_SYSTEMMEMORY);
            pictures[i].loadBitmap(ids[i], 0, 0);
        }
    }
};

void BM_FrameDisplayWork(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        f.display.clear();
        for (auto& p : f.pictures) p.blit(f.display, 0, 0, W, H, 0, 0, W, H);
        convertFrame(f.texture.data(), W * 2, 16, f.display.surface->pixels, f.display.surface->pitch, 16, W,
                     H, nullptr);
        benchmark::DoNotOptimize(f.texture.data());
    }
}
BENCHMARK(BM_FrameDisplayWork)->Unit(benchmark::kMicrosecond);

void BM_KeyedBlitFullScreen(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        f.pictures[2].blit(f.display, 0, 0, W, H, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_KeyedBlitFullScreen)->Unit(benchmark::kMicrosecond);

void BM_KeyedBlitHalfOffScreen(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        f.pictures[2].blit(f.display, -320, 0, W, H, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_KeyedBlitHalfOffScreen)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
