#pragma once
// The end of a recording fades out instead of cutting the music mid-note.
// Where the end is becomes known only when the recording stops, so the last
// stretch of sound is held back until then: what comes in is released once
// it is further from the end than the fade is long.
#include <cstdint>
#include <vector>

class EndFade {
  public:
    // `fadeFrames`: how many stereo frames the fade spans (1 to 2^23).
    explicit EndFade(int32_t fadeFrames);

    // Takes `frames` interleaved stereo frames; `released` is set to the
    // frames, in order, that are now certain to come before the fade.
    void push(const int16_t* pcm, int32_t frames, std::vector<int16_t>& released);

    // The end: `tail` is set to the held frames, faded out. The gain falls
    // from 1 as the square of the time left, so the sound dies away evenly
    // to the ear and the last frame is all but silent. A recording shorter
    // than the fade fades over the whole of it. Afterwards nothing is held.
    void finish(std::vector<int16_t>& tail);

  private:
    int32_t fadeFrames_;
    std::vector<int16_t> held_;  // at most fadeFrames_ stereo frames between calls
};
