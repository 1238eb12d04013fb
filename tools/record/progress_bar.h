#pragma once
// The recorder's progress on a terminal: one line, redrawn in place, with a
// bar, the pictures done, the share done, the speed against real time and
// the time left. Nothing at all when standard error is not a terminal (a
// log, a pipe) or when the user asked for quiet.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// The line for `done` of `total` pictures after `elapsedSeconds`: no wider
// than 79 columns, so it never wraps on an ordinary terminal.
std::string progressLine(int64_t done, int64_t total, double elapsedSeconds);

class ProgressBar {
  public:
    // Shows progress on `to` only when `shown`.
    ProgressBar(std::FILE* to, bool shown);

    // Redraws the line, at most a few times a second, and always for the last picture.
    void update(int64_t done, int64_t total);
    // Ends the line (when one was drawn), so what follows starts on its own.
    void end();

  private:
    std::FILE* to_;
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
};
