// The video encoder's cost on card-like frames and sound, per format and
// setting: processor seconds per second of video (all threads), the
// multiple of real time, and megabytes a minute. The card's own drawing and
// music come with the recording tool; drawing these frames is measured on
// its own so it can be taken off.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "display/pixel_buffer.h"
#include "tests/support/card_like_media.h"
#include "tools/record/video_writer.h"

namespace {

constexpr int PICTURES = 476;  // ten seconds

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void recordCardLike(benchmark::State& state, const char* name, RecordSettings settings) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "yulecard-bench-record";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    PixelBuffer* frame = createPixelBuffer(RECORD_WIDTH, RECORD_HEIGHT, 16);
    std::vector<int16_t> pcm(static_cast<size_t>(RECORD_SOUND_FRAMES_PER_PICTURE) * 2);
    for (auto _ : state) {
        const double cpu0 = processorSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        std::string error;
        auto writer = VideoWriter::create(path, settings, error);
        bool ok = writer != nullptr;
        for (int i = 0; ok && i < PICTURES; ++i) {
            card_like::drawFrame(*frame, i);
            card_like::sound(static_cast<int64_t>(i) * RECORD_SOUND_FRAMES_PER_PICTURE,
                             RECORD_SOUND_FRAMES_PER_PICTURE, pcm.data());
            ok = writer->addPicture(*frame) && writer->addSound(pcm.data(), RECORD_SOUND_FRAMES_PER_PICTURE);
        }
        ok = ok && writer->finish();
        if (!ok) {
            state.SkipWithError((writer ? writer->error() : error).c_str());
            break;
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double video = PICTURES * RECORD_FRAME_MS / 1000.0;
        const double bytes = static_cast<double>(std::filesystem::file_size(path));
        state.counters["cpu_s_per_s"] = (processorSeconds() - cpu0) / video;
        state.counters["x_realtime"] = video / wall;
        state.counters["MB_per_min"] = bytes / 1e6 * 60.0 / video;
    }
    freePixelBuffer(frame);
    std::filesystem::remove_all(dir);
}

void drawCardLike(benchmark::State& state) {
    PixelBuffer* frame = createPixelBuffer(RECORD_WIDTH, RECORD_HEIGHT, 16);
    std::vector<int16_t> pcm(static_cast<size_t>(RECORD_SOUND_FRAMES_PER_PICTURE) * 2);
    int64_t i = 0;
    for (auto _ : state) {
        card_like::drawFrame(*frame, i);
        card_like::sound(i * RECORD_SOUND_FRAMES_PER_PICTURE, RECORD_SOUND_FRAMES_PER_PICTURE, pcm.data());
        benchmark::DoNotOptimize(frame->pixels);
        ++i;
    }
    freePixelBuffer(frame);
}

}  // namespace

BENCHMARK(drawCardLike)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(recordCardLike, mp4_1280x960, "card.mp4", RecordSettings{2, false})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(recordCardLike, mp4_1280x960_fast, "card.mp4", RecordSettings{2, true})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(recordCardLike, webm_1280x960, "card.webm", RecordSettings{2, false})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(recordCardLike, webm_1280x960_fast, "card.webm", RecordSettings{2, true})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(recordCardLike, mp4_640x480, "card.mp4", RecordSettings{1, false})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(recordCardLike, mp4_1920x1440, "card.mp4", RecordSettings{3, false})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

BENCHMARK_MAIN();
