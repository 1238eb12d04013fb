#include "tools/record/stop_signals.h"

#include <signal.h>

#include <array>
#include <cstddef>

namespace {

constexpr std::array<int, 3> CAUGHT = {SIGINT, SIGTERM, SIGHUP};

// Only lock-free atomics may be touched in a signal handler.
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);
std::atomic<bool> stopRequested{false};
std::atomic<int> firstSignal{0};
std::array<struct sigaction, CAUGHT.size()> previous{};
std::array<bool, CAUGHT.size()> caught{};

void onSignal(int number) {
    int none = 0;
    firstSignal.compare_exchange_strong(none, number);
    stopRequested.store(true);
}

void restore() {
    for (size_t i = 0; i < CAUGHT.size(); ++i)
        if (caught[i]) sigaction(CAUGHT[i], &previous[i], nullptr);
    caught.fill(false);
}

}  // namespace

StopSignals::StopSignals() {
    stopRequested.store(false);
    firstSignal.store(0);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted calls carry on: the flag is looked at between pictures.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < CAUGHT.size(); ++i) {
        // A signal ignored when we started stays ignored: a recording run in
        // the background of a script is not for the terminal's Ctrl-C.
        caught[i] = sigaction(CAUGHT[i], nullptr, &previous[i]) == 0 && previous[i].sa_handler != SIG_IGN &&
                    sigaction(CAUGHT[i], &action, nullptr) == 0;
    }
}

StopSignals::~StopSignals() {
    restore();
}

const std::atomic<bool>& StopSignals::requested() const {
    return stopRequested;
}

int StopSignals::signalNumber() const {
    return firstSignal.load();
}

void StopSignals::endByTheSignal() {
    const int number = firstSignal.load();
    if (number == 0) return;
    restore();
    signal(number, SIG_DFL);
    raise(number);
}
