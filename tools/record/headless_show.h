#pragma once
// The card's show run for a recording: on the null platform (no window, no
// sound device), with the wall clock fixed so the snow falls the same way
// on every run and no wait before the first frame, since the recording
// keeps the music's head start itself. One show at a time: the scene is
// made of process-wide objects.
#include <cstdint>
#include <string>

struct PixelBuffer;

class HeadlessShow {
  public:
    HeadlessShow() = default;
    ~HeadlessShow();
    HeadlessShow(const HeadlessShow&) = delete;
    HeadlessShow& operator=(const HeadlessShow&) = delete;

    // Sets the show up from its beginning, the snow seeded from `clock`.
    // False with one line in `error` when the display cannot be had.
    bool open(int64_t clock, std::string& error);

    // Runs the next frame of the show and returns it (640x480 RGB565).
    const PixelBuffer& nextFrame();

    // Whether the greeting has just been written once: the last frame read
    // the end of its text, after the last page and its pause.
    bool greetingJustEnded() const { return greetingEnded_; }

    // Gives the scene up (also done by the destructor).
    void close();

  private:
    bool open_ = false;
    bool greetingEnded_ = false;
};
