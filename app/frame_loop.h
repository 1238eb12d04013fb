#pragma once
// The card's shell: the one window, the messages and the frame step.
// "Handle what is waiting; run a frame if one is due" is one function
// (FrameStepper::step), which the desktop loop calls between its waits and
// which a host with its own callback (a browser) can call from there.
#include <cstdint>
#include <optional>

#include "app/frame_pacer.h"
#include "platform/window.h"

struct Message;

// The one window; set right after it is created. The scene opens the display on it.
extern PlatformWindow* mainWindow;

// The window's handling of one message: Esc posts WM_DESTROY, WM_DESTROY
// posts the quit, Alt+Enter and F11 switch between full screen and a
// desktop window, WM_PAINT is answered without painting; the rest goes to
// defaultWindowProc, where the system's close request destroys the window.
uint32_t windowProc(const Message& m);
uint32_t defaultWindowProc(const Message& m);

// Moves the main window between full screen and a desktop window; the show,
// the music and the display go on as they are. The pointer is hidden in
// full screen only. A switch the platform refuses is reported in one line
// and the card stays as it was.
void toggleFullScreen();

// What the shell drives; the card passes sceneInit, sceneFrame, sceneShutdown.
struct FrameLoopHooks {
    int (*init)();
    int (*frame)();
    int (*shutdown)();
};

// The millisecond clock the shell paces by; tests pass a fake one.
using TickSource = uint32_t (*)();

struct StepResult {
    bool quit;           // WM_QUIT was taken: the show is over
    uint32_t exitCode;   // the quit's code
    uint32_t framesRan;  // the desktop's at most one; a browser's every frame that fell due
    uint32_t waitMs;     // the host may sleep this long (or until a message comes)
};

// How the frames went, for reliability checks of the running card
// (YULECARD_FRAME_STATS): a switch of the window or a stall shows as a gap.
struct FrameStats {
    uint64_t frames = 0;
    uint32_t firstStart = 0;
    uint32_t lastStart = 0;
    uint32_t longestGap = 0;  // the most milliseconds between two frame starts

    void frameBegins(uint32_t tick);
};

class FrameStepper {
  public:
    FrameStepper(const FrameLoopHooks& hooks, const FramePacer& pacer, TickSource clock);

    // Handles every waiting message (up to the quit), then runs the frames
    // the pacer says are due: under the desktop rule at most one, under the
    // running deadline at most MAX_FRAMES_PER_CALL.
    StepResult step();

    FramePacer& pacer() { return pacer_; }
    const FramePacer& pacer() const { return pacer_; }
    const FrameStats& stats() const { return stats_; }

  private:
    FrameLoopHooks hooks_;
    FramePacer pacer_;
    TickSource clock_;
    FrameStats stats_;
};

// Runs until WM_QUIT is taken and returns its code: the desktop rule from
// `lastFrameTick` on, sleeping between steps until the next message or the
// tick on which a frame falls due.
uint32_t frameLoop(const FrameLoopHooks& hooks, uint32_t lastFrameTick);

// The music's head start: the set-up asks that the first frame wait this
// long (the scene's default wait does), and the shell holds it back without
// blocking. takeFirstFrameDelay returns the asked delay and forgets it.
void deferFirstFrame(uint32_t milliseconds);
uint32_t takeFirstFrameDelay();

// The card's life for a host that drives the steps itself: open (platform,
// window, scene set-up, head start), step until the quit, close.
class CardShell {
  public:
    CardShell(const FrameLoopHooks& hooks, FramePacing pacing, TickSource clock,
              WindowPlacement start = WindowPlacement::FullScreen);
    ~CardShell();
    CardShell(const CardShell&) = delete;
    CardShell& operator=(const CardShell&) = delete;

    // False (with one line on stderr) when the platform or the window cannot
    // be had; nothing is left open then. A scene that fails to set up still
    // opens: its failure is the first step's quit, with status 1.
    bool open();
    StepResult step();
    // Show time given up to callbacks that came too late (see FramePacer).
    uint64_t skippedShowMs() const { return stepper_ ? stepper_->pacer().skippedMs() : 0; }
    // Shuts the scene down and gives up the window and the platform. Returns
    // the process exit status: 1 after a failed set-up, else `quitCode`.
    int close(uint32_t quitCode);

  private:
    FrameLoopHooks hooks_;
    FramePacing pacing_;
    TickSource clock_;
    WindowPlacement start_;
    std::optional<FrameStepper> stepper_;
    bool open_ = false;
    bool setUpFailed_ = false;
};

// Runs the card on the desktop: window (full screen, or a desktop window
// with `start` Window), scene set-up, frame loop, scene shutdown. Returns
// the process exit status: 0 after Esc or a close request, 1 (with one line
// on stderr) when there is no display or the window or the display cannot
// be opened.
int runCard(WindowPlacement start = WindowPlacement::FullScreen);
int runCard(const FrameLoopHooks& hooks, WindowPlacement start = WindowPlacement::FullScreen);
