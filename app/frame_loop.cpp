#include "app/frame_loop.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "app/scene_frame.h"
#include "display/display_device.h"
#include "platform/cursor.h"
#include "platform/messages.h"
#include "platform/ticks.h"
#include "platform/window.h"

PlatformWindow* mainWindow = nullptr;

namespace {

// A flood of input cannot hold the frames back for longer than this many
// messages a step.
constexpr int MAX_MESSAGES_PER_STEP = 256;

uint32_t firstFrameDelay = 0;

// The desktop's way of calling the step: between steps it sleeps until the
// next message or the tick on which a frame falls due. Returns the quit's code.
template <class Step>
uint32_t stepUntilQuit(Step&& step) {
    for (;;) {
        const StepResult r = step();
        if (r.quit) return r.exitCode;
        // fix: wait instead of polling, until the next message or the first
        // tick on which the polling loop would have started the next frame,
        // so an idle card sleeps rather than keeping a processor busy.
        if (r.waitMs > 0) waitMessage(r.waitMs);
    }
}

// The pointer belongs to the desktop in a window; over the full screen it
// would only stand in the picture.
void showPointerFor(WindowPlacement placement) {
    if (placement == WindowPlacement::FullScreen)
        hideCursor();
    else
        showCursor();
}

void printFrameStats(const FrameStats& stats) {
    std::fprintf(stderr, "yulecard: frames: %" PRIu64 " in %" PRIu32 " ms, longest gap %" PRIu32 " ms\n",
                 stats.frames, stats.lastStart - stats.firstStart, stats.longestGap);
}

}  // namespace

void toggleFullScreen() {
    if (mainWindow == nullptr) return;
    const WindowPlacement next = windowPlacement(mainWindow) == WindowPlacement::FullScreen
                                     ? WindowPlacement::Window
                                     : WindowPlacement::FullScreen;
    if (!setWindowPlacement(mainWindow, next)) {
        std::fprintf(stderr, "yulecard: cannot switch to %s: %s\n",
                     next == WindowPlacement::FullScreen ? "full screen" : "a window", platformError());
        return;
    }
    showPointerFor(next);
}

uint32_t windowProc(const Message& m) {
    switch (m.message) {
        case WM_DESTROY:
            postQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
            if (m.wParam == VK_ESCAPE) postMessage(WM_DESTROY, 0);
            if (m.wParam == VK_F11) toggleFullScreen();
            return defaultWindowProc(m);
        case WM_SYSKEYDOWN:
            // Esc ends the card with Alt held as well.
            if (m.wParam == VK_ESCAPE) postMessage(WM_DESTROY, 0);
            if (m.wParam == VK_RETURN || m.wParam == VK_F11) toggleFullScreen();
            return defaultWindowProc(m);
        case WM_CREATE:
        case WM_PAINT:
            return 0;  // the window never paints itself; the display does
        default:
            return defaultWindowProc(m);
    }
}

uint32_t defaultWindowProc(const Message& m) {
    // The system's close destroys the window, which reports its destruction.
    if (m.message == WM_CLOSE) return windowProc(Message{WM_DESTROY, 0});
    return 0;
}

void FrameStats::frameBegins(uint32_t tick) {
    if (frames == 0)
        firstStart = tick;
    else if (tick - lastStart > longestGap)
        longestGap = tick - lastStart;
    lastStart = tick;
    ++frames;
}

FrameStepper::FrameStepper(const FrameLoopHooks& hooks, const FramePacer& pacer, TickSource clock)
    : hooks_(hooks), pacer_(pacer), clock_(clock) {}

StepResult FrameStepper::step() {
    Message m;
    for (int i = 0; i < MAX_MESSAGES_PER_STEP && peekMessage(m); ++i) {
        if (m.message == WM_QUIT) return StepResult{true, m.wParam, 0, 0};
        windowProc(m);
    }
    uint32_t now = clock_();
    uint32_t ran = 0;
    if (pacer_.due(now)) {
        // Frames that fell due together begin together: the show's time is
        // the deadline's, not the few microseconds each takes here.
        const uint32_t begins = clock_();
        for (const uint32_t frames = pacer_.beginDueFrames(begins); ran < frames; ++ran) {
            stats_.frameBegins(begins);
            hooks_.frame();
        }
        now = clock_();
    }
    return StepResult{false, 0, ran, pacer_.msUntilDue(now)};
}

uint32_t frameLoop(const FrameLoopHooks& hooks, uint32_t lastFrameTick) {
    FrameStepper stepper(hooks, FramePacer(FramePacing::SinceLastStart, lastFrameTick), tickCount);
    return stepUntilQuit([&] { return stepper.step(); });
}

void deferFirstFrame(uint32_t milliseconds) {
    firstFrameDelay = milliseconds;
}

uint32_t takeFirstFrameDelay() {
    const uint32_t delay = firstFrameDelay;
    firstFrameDelay = 0;
    return delay;
}

CardShell::CardShell(const FrameLoopHooks& hooks, FramePacing pacing, TickSource clock, WindowPlacement start)
    : hooks_(hooks), pacing_(pacing), clock_(clock), start_(start) {}

CardShell::~CardShell() {
    if (open_) close(0);
}

bool CardShell::open() {
    // fix: a card that cannot open its window or display says why on stderr
    // and ends with status 1, rather than ending silently as a success.
    if (!startPlatform()) {
        // The platform says what is missing and what to do.
        std::fprintf(stderr, "yulecard: %s\n", platformError());
        stopPlatform();
        return false;
    }
    mainWindow = createMainWindow(SCREEN_WIDTH, SCREEN_HEIGHT, start_);
    if (mainWindow == nullptr) {
        std::fprintf(stderr, "yulecard: cannot create the window: %s\n", platformError());
        stopPlatform();
        return false;
    }
    open_ = true;
    setUpFailed_ = false;
    takeFirstFrameDelay();  // only this set-up's request counts
    if (!hooks_.init()) {
        std::fprintf(stderr, "yulecard: %s\n",
                     displayError()[0] ? displayError() : "cannot open the display");
        setUpFailed_ = true;
        postQuitMessage(1);
    } else {
        showPointerFor(windowPlacement(mainWindow));
    }
    FramePacer pacer(pacing_, clock_());
    // The music is already playing: the first frame waits out its head start.
    if (const uint32_t delay = takeFirstFrameDelay(); delay > 0) pacer.holdUntil(clock_() + delay);
    stepper_.emplace(hooks_, pacer, clock_);
    return true;
}

StepResult CardShell::step() {
    if (!stepper_) return StepResult{true, 1, 0, 0};
    return stepper_->step();
}

int CardShell::close(uint32_t quitCode) {
    if (!open_) return 1;
    open_ = false;
    if (stepper_ && std::getenv("YULECARD_FRAME_STATS") != nullptr) printFrameStats(stepper_->stats());
    stepper_.reset();
    hooks_.shutdown();
    clearPostedMessages();
    destroyMainWindow(mainWindow);
    mainWindow = nullptr;
    stopPlatform();
    return setUpFailed_ ? 1 : static_cast<int>(quitCode);
}

int runCard(const FrameLoopHooks& hooks, WindowPlacement start) {
    CardShell shell(hooks, FramePacing::SinceLastStart, tickCount, start);
    if (!shell.open()) return 1;
    return shell.close(stepUntilQuit([&] { return shell.step(); }));
}

int runCard(WindowPlacement start) {
    return runCard(FrameLoopHooks{sceneInit, sceneFrame, sceneShutdown}, start);
}
