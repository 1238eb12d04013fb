#include "tools/record/recording_length.h"

#include <algorithm>

#include "app/scene_host.h"
#include "tools/record/recording_timeline.h"

int64_t greetingPassFrames(int64_t clock, int64_t capFrames, const std::atomic<bool>& stop,
                           std::string& error) {
    SceneHost show;
    if (!show.open(clock, error)) return 0;
    for (int64_t frame = 1; frame <= capFrames; ++frame) {
        if (stop.load(std::memory_order_relaxed)) return 0;
        show.nextFrame();
        if (show.greetingJustEnded()) return frame;
    }
    return capFrames;
}

int64_t defaultRecordingPictures(int64_t passFrames) {
    return std::min(LEAD_IN_PICTURES + passFrames + TAIL_PICTURES, MAX_RECORD_PICTURES);
}

int64_t recordingPicturesFor(int64_t milliseconds) {
    const int64_t pictures = (std::max<int64_t>(milliseconds, 1) + FRAME_PERIOD_MS - 1) / FRAME_PERIOD_MS;
    return std::min(pictures, MAX_RECORD_PICTURES);
}
