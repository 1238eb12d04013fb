#pragma once
// The card recorded as a video: its show, run headless frame by frame, and
// its music, rendered by the player's own offline renderer, go into a
// VideoWriter in step, as the card shows and plays them: the music one
// second ahead of the first frame, which the video holds meanwhile.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/scene_host.h"
#include "tools/record/video_writer.h"

struct CardRecording {
    std::string path;         // .mp4 or .webm
    RecordSettings settings;  // size and speed
    int64_t clock = SHOW_DEFAULT_CLOCK;
    int64_t pictures = 0;  // the length; 0 for one pass of the greeting and two seconds
};

enum class RecordOutcome {
    Written,  // the file is in place
    Failed,   // nothing was written; the error says why
    Stopped,  // the stop request came first; nothing was written
};

// Told after each picture: how many are done of how many.
using RecordProgress = std::function<void(int64_t done, int64_t total)>;

// Records the card into `recording.path`: the greeting and music that
// useCardContent chose (the built-in card unless it was called). `stop` is
// looked at before every picture; once the last is in, the file is
// completed whatever comes. On Failed, `error` holds one line (without the
// program's name).
RecordOutcome recordCard(const CardRecording& recording, const std::atomic<bool>& stop,
                         const RecordProgress& progress, std::string& error);
