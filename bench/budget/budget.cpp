// The card's two budgets in one program that builds natively and for the
// web, so the two can be put side by side from one run: a scene frame in
// the writing phase (drawing only; the page times its presenting apart) and
// the music per 21 ms of sound. Prints "name milliseconds" lines.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/scene_host.h"
#include "music/loader.h"
#include "music/render.h"
#include "platform/resources.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t RATE = 44000;
constexpr int32_t FRAMES_TIMED = 600;
constexpr int32_t MUSIC_SECONDS = 20;
// One 21 ms frame's worth of sound at the card's rate.
constexpr double FRAME_SECONDS = 0.021;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double sceneFrameMs() {
    // The off-screen display: drawing, no presenting.
    SceneHost show;
    std::string error;
    if (!show.open(SHOW_DEFAULT_CLOCK, error, SceneHost::Screen::OffScreen)) return -1;
    show.runUntilWriting();
    const auto start = Clock::now();
    for (int32_t i = 0; i < FRAMES_TIMED; ++i) show.nextFrame();
    return millisecondsSince(start) / FRAMES_TIMED;
}

double musicMsPerFrame() {
    const Resource track = findResource("TRACK", "XM");
    Song* song = createSongFromMemory(track.bytes, track.size);
    if (song == nullptr) return -1;
    OfflineRender render;
    if (!startOfflineRender(render, song, RATE)) return -1;
    std::vector<int16_t> pcm(2 * 880);  // one block of the audio output
    const auto start = Clock::now();
    for (int32_t done = 0; done < MUSIC_SECONDS * RATE; done += 880) renderPcm16(render, pcm.data(), 880);
    return millisecondsSince(start) / (MUSIC_SECONDS / FRAME_SECONDS);
}

}  // namespace

int main() {
    std::printf("scene_frame_writing_ms %.4f\n", sceneFrameMs());
    std::printf("music_ms_per_21ms %.4f\n", musicMsPerFrame());
    return 0;
}
