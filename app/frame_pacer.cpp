#include "app/frame_pacer.h"

namespace {
// Signed distance from `from` to `to` on the wrapping tick.
int32_t ticksFrom(uint32_t from, uint32_t to) {
    return static_cast<int32_t>(to - from);
}
}  // namespace

FramePacer::FramePacer(FramePacing rule, uint32_t now)
    : rule_(rule), mark_(rule == FramePacing::RunningDeadline ? now + FRAME_PERIOD_MS : now) {}

void FramePacer::holdUntil(uint32_t tick) {
    if (rule_ == FramePacing::SinceLastStart) {
        mark_ = tick;
        held_ = true;
    } else {
        mark_ = tick + FRAME_PERIOD_MS;
    }
}

bool FramePacer::holding(uint32_t now) const {
    return held_ && ticksFrom(now, mark_) > 0;
}

bool FramePacer::due(uint32_t now) const {
    if (rule_ == FramePacing::RunningDeadline) return ticksFrom(mark_, now) >= 0;
    return !holding(now) && frameDue(now, mark_);
}

uint32_t FramePacer::beginDueFrames(uint32_t now) {
    if (!due(now)) return 0;
    if (rule_ == FramePacing::SinceLastStart) {
        mark_ = now;
        held_ = false;
        return 1;
    }
    const uint32_t late = static_cast<uint32_t>(ticksFrom(mark_, now));
    const uint32_t frames = late / FRAME_PERIOD_MS + 1;
    if (frames <= MAX_FRAMES_PER_CALL) {
        mark_ += frames * FRAME_PERIOD_MS;
        return frames;
    }
    // Late by more than a long pause: start afresh rather than run a burst
    // of frames to catch up.
    skippedMs_ += late - (MAX_FRAMES_PER_CALL - 1) * FRAME_PERIOD_MS;
    mark_ = now + FRAME_PERIOD_MS;
    return MAX_FRAMES_PER_CALL;
}

uint32_t FramePacer::msUntilDue(uint32_t now) const {
    if (rule_ == FramePacing::RunningDeadline) {
        const int32_t ahead = ticksFrom(now, mark_);
        return ahead > 0 ? static_cast<uint32_t>(ahead) : 0;
    }
    if (holding(now)) return mark_ - now + FRAME_PERIOD_MS;
    const uint32_t elapsed = now - mark_;
    return elapsed <= FRAME_INTERVAL_MS ? FRAME_PERIOD_MS - elapsed : 0;
}
