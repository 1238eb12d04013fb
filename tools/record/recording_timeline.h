#pragma once
// How the card's time becomes the video's. The card starts its music one
// second before its first frame; a video cannot start with a black second
// (chat apps take the first picture as the thumbnail), so the recording
// shows the first frame during that second instead. The lead-in is a whole
// number of pictures (the frame rate stays constant), a little longer than
// the head start, so the sound starts with a short silence that keeps every
// picture with its music exactly as in the card.
#include <cstdint>

#include "app/scene.h"
#include "tools/record/video_writer.h"

static_assert(MUSIC_RATE == RECORD_SOUND_RATE, "the recording takes the player's own rate");

// Pictures before the show's first frame is due: 48, 1,008 ms.
constexpr int32_t LEAD_IN_PICTURES =
    static_cast<int32_t>((SCENE_START_WAIT_MS + FRAME_PERIOD_MS - 1) / FRAME_PERIOD_MS);
// Silence before the music's first sample: the lead-in's sound minus the
// head start's, 352 frames (8 ms).
constexpr int32_t LEAD_IN_SILENT_FRAMES =
    LEAD_IN_PICTURES * RECORD_SOUND_FRAMES_PER_PICTURE -
    static_cast<int32_t>(SCENE_START_WAIT_MS) * (RECORD_SOUND_RATE / 1000);
static_assert(LEAD_IN_SILENT_FRAMES >= 0 && LEAD_IN_SILENT_FRAMES < RECORD_SOUND_FRAMES_PER_PICTURE);

// After one pass of the greeting the default recording runs on this long
// (2 s, rounded up to whole pictures), so the last page is not cut off
// with its pause.
constexpr int32_t TAIL_PICTURES = (2000 + FRAME_PERIOD_MS - 1) / FRAME_PERIOD_MS;

// The longest recording, by default or asked for: an hour of video is
// 700 MB; anything longer is taken for a typing slip.
constexpr int64_t MAX_RECORD_SECONDS = 3600;
constexpr int64_t MAX_RECORD_PICTURES = (MAX_RECORD_SECONDS * 1000 + FRAME_PERIOD_MS - 1) / FRAME_PERIOD_MS;

// The show frame a picture of the video shows: the first during the lead-in.
constexpr int64_t showFrameOfPicture(int64_t picture) {
    return picture < LEAD_IN_PICTURES ? 0 : picture - LEAD_IN_PICTURES;
}
