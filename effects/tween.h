#pragma once
// A value moving linearly from a start to a target over a number of frames.
// The fields are 32-bit floats and every step is computed in double and
// stored back to float, so a run of steps adds `stepPerFrame` in single
// precision: the value is never snapped to the target.

class Tween {
  public:
    Tween() = default;
    virtual ~Tween() = default;

    // Starts a run from `start` to `target` over `frames` frames, replacing
    // any run in progress. Returns false (and changes nothing) when `frames`
    // is negative or NaN. A run of 0 frames is finished at once at `start`.
    bool set(float start, float target, float frames);

    // Moves the value on by `dt` frames if the run is not over yet. Returns
    // true when the run is over (also on every call after that).
    bool advance(float dt);

    float value = 0.0f;
    float stepPerFrame = 0.0f;
    float framesLeft = 0.0f;
};
