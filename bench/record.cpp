// The recorder's cost, per format and setting: processor seconds per second
// of video (all threads), the multiple of real time and megabytes a
// minute, first for the encoder alone on card-like frames, then for the
// whole tool: the card's own show and music through recordCard, as
// yulecard-record runs them, with each picture's sharpness against the
// show's frame measured afterwards (outside the timing).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/scene_host.h"
#include "display/pixel_buffer.h"
#include "tests/record/decoded_file.h"
#include "tests/record/media_checks.h"
#include "tests/support/card_like_media.h"
#include "tools/record/card_recording.h"
#include "tools/record/recording_timeline.h"
#include "tools/record/video_writer.h"

namespace {

constexpr int PICTURES = 476;        // ten seconds of card-like frames
constexpr int CARD_PICTURES = 2857;  // a minute of the card: its lead-in, slide-in, approach and writing

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::filesystem::path scratch() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "yulecard-bench-record";
    std::filesystem::create_directories(dir);
    return dir;
}

void setCostCounters(benchmark::State& state, double cpu, double wall, int64_t pictures,
                     const std::string& path) {
    const double video = static_cast<double>(pictures) * FRAME_PERIOD_MS / 1000.0;
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    state.counters["cpu_s_per_s"] = cpu / video;
    state.counters["x_realtime"] = video / wall;
    state.counters["MB_per_min"] = bytes / 1e6 * 60.0 / video;
}

void recordCardLike(benchmark::State& state, const std::string& name, RecordSettings settings) {
    const std::filesystem::path dir = scratch();
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
        setCostCounters(state, processorSeconds() - cpu0, wall, PICTURES, path);
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

// Each decoded picture against the show's frame it shows: the worst and
// the mean PSNR.
void measureSharpness(benchmark::State& state, const std::string& path, int64_t clock) {
    SceneHost show;
    std::string error;
    if (!show.open(clock, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    RgbImage frame;
    int64_t shown = -1;
    double worst = 1e9, sum = 0;
    int64_t count = 0;
    DecodedFile decoded;
    const bool ok = decodeFile(
        path, decoded,
        [&](int picture, const RgbImage& got) {
            for (const int64_t want = showFrameOfPicture(picture); shown < want; ++shown)
                pictureFromFrame(show.nextFrame(), frame);
            const double db = psnr(got, frame);
            worst = std::min(worst, db);
            sum += db;
            ++count;
        },
        error);
    if (!ok || count == 0) {
        state.SkipWithError(ok ? "no pictures decoded" : error.c_str());
        return;
    }
    state.counters["psnr_worst"] = worst;
    state.counters["psnr_mean"] = sum / static_cast<double>(count);
}

void recordTheCard(benchmark::State& state, const std::string& name, RecordSettings settings) {
    const std::filesystem::path dir = scratch();
    CardRecording recording;
    recording.path = (dir / name).string();
    recording.settings = settings;
    recording.pictures = CARD_PICTURES;
    const std::atomic<bool> stop{false};
    for (auto _ : state) {
        const double cpu0 = processorSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        std::string error;
        if (recordCard(recording, stop, nullptr, error) != RecordOutcome::Written) {
            state.SkipWithError(error.c_str());
            break;
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        setCostCounters(state, processorSeconds() - cpu0, wall, CARD_PICTURES, recording.path);
    }
    if (std::filesystem::exists(recording.path)) measureSharpness(state, recording.path, recording.clock);
    std::filesystem::remove_all(dir);
}

// The settings measured: each format's default and fast, and the other sizes.
struct Setting {
    const char* name;
    const char* extension;
    RecordSettings settings;
};
constexpr Setting SETTINGS[] = {
    {"mp4_1280x960", ".mp4", {2, false}},   {"mp4_1280x960_fast", ".mp4", {2, true}},
    {"webm_1280x960", ".webm", {2, false}}, {"webm_1280x960_fast", ".webm", {2, true}},
    {"mp4_640x480", ".mp4", {1, false}},    {"mp4_1920x1440", ".mp4", {3, false}},
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("drawCardLike", drawCardLike)->Unit(benchmark::kMillisecond);
    using Run = void (*)(benchmark::State&, const std::string&, RecordSettings);
    struct Bench {
        const char* name;
        Run run;
    };
    for (const Bench& bench :
         {Bench{"recordCardLike", recordCardLike}, Bench{"recordTheCard", recordTheCard}}) {
        for (const Setting& s : SETTINGS) {
            const std::string name = std::string(bench.name) + "/" + s.name;
            const std::string file = std::string(bench.name) + s.extension;
            benchmark::RegisterBenchmark(name.c_str(), bench.run, file, s.settings)
                ->Iterations(1)
                ->Unit(benchmark::kSecond)
                ->UseRealTime();
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
