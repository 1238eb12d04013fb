#include "effects/tween.h"

bool Tween::set(float start, float target, float frames) {
    // Written as "not >=" so that a NaN frame count is refused too.
    if (!(frames >= 0.0f)) return false;
    framesLeft = frames;
    value = start;
    // A run of 0 frames never steps; keep the step finite rather than inf/NaN.
    stepPerFrame = frames > 0.0f ? static_cast<float>((static_cast<double>(target) - start) / frames) : 0.0f;
    return true;
}

bool Tween::advance(float dt) {
    if (framesLeft > 0.0f) {
        framesLeft = static_cast<float>(static_cast<double>(framesLeft) - dt);
        value = static_cast<float>(static_cast<double>(dt) * stepPerFrame + value);
    }
    return framesLeft <= 0.0f;
}
