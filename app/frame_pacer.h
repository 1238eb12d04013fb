#pragma once
// When the card's frames start. Two rules, for two kinds of host:
// - the desktop loop, which sleeps between frames: a frame starts when more
//   than FRAME_INTERVAL_MS have passed since the previous one began, and
//   time lost to a slow frame is not made up;
// - a host that calls back at the display's rate (a browser): a running
//   deadline, the next frame due FRAME_PERIOD_MS after the previous one was
//   due. A callback runs every frame that has fallen due, up to
//   MAX_FRAMES_PER_CALL (about LONG_PAUSE_MS of them), and shows only the
//   last, so the show keeps its pace whether the browser calls back at
//   144 Hz or at 20. After a longer pause (a stall, a hidden tab) it runs
//   that many and restarts the deadline from now rather than running a
//   burst of frames to catch up.
// Both read the 32-bit millisecond tick in unsigned arithmetic, so that the
// counter's wrap does not stall them.
#include <cstdint>

#include "effects/frame_period.h"

constexpr uint32_t FRAME_INTERVAL_MS = 20;
// The show's period is the desktop's first tick past the interval.
static_assert(FRAME_PERIOD_MS == FRAME_INTERVAL_MS + 1);
constexpr uint32_t LONG_PAUSE_MS = 100;
// A callback late by up to a long pause catches up this many frames.
constexpr uint32_t MAX_FRAMES_PER_CALL = LONG_PAUSE_MS / FRAME_PERIOD_MS + 1;

inline bool frameDue(uint32_t now, uint32_t lastFrameTick) {
    return now - lastFrameTick > FRAME_INTERVAL_MS;
}

enum class FramePacing {
    SinceLastStart,   // the desktop loop
    RunningDeadline,  // a host calling back at the display's rate
};

class FramePacer {
  public:
    // Paces as if a frame had begun (or been due) at `now`: the first is due
    // one period later.
    FramePacer(FramePacing rule, uint32_t now);

    // The head start: no frame before `tick`; from then on paces as if a
    // frame had begun (or been due) at `tick`, so the first comes one
    // period after it.
    void holdUntil(uint32_t tick);

    bool due(uint32_t now) const;
    // The frames due at `now` begin: returns how many to run (the desktop's
    // at most one, the deadline's up to MAX_FRAMES_PER_CALL) and paces from
    // them on.
    uint32_t beginDueFrames(uint32_t now);
    // Milliseconds from `now` until a frame is due; 0 when one is.
    uint32_t msUntilDue(uint32_t now) const;

    FramePacing rule() const { return rule_; }
    // Show time the deadline has given up at its restarts: what a host that
    // called back too late withheld, which no frame ran for.
    uint64_t skippedMs() const { return skippedMs_; }

  private:
    bool holding(uint32_t now) const;

    FramePacing rule_;
    // Desktop: when the last frame began. Deadline: when the next is due.
    uint32_t mark_;
    // Desktop: the mark lies ahead (the head start) until a frame begins.
    bool held_ = false;
    uint64_t skippedMs_ = 0;
};
