#pragma once
// Ctrl-C (and a terminal closing, or a polite kill) asks a recording to
// stop rather than killing the program at once: the handler only raises a
// flag, the recording loop sees it before its next picture and removes its
// temporary file, and the program then ends as the signal would have ended
// it, so a shell or script sees an interrupted program, not an error.
#include <atomic>

class StopSignals {
  public:
    // Catches SIGINT, SIGTERM and SIGHUP until destroyed, those of them
    // that are not ignored.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Set once one of the signals has come.
    const std::atomic<bool>& requested() const;
    // The first signal that came, or 0.
    int signalNumber() const;

    // Puts the signals back as they were and ends the process by the signal
    // that came (when none came, returns).
    void endByTheSignal();
};
