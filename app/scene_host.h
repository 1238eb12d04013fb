#pragma once
// The card's scene run frame by frame by a program of its own, outside the
// frame loop: the frame-shot tool, the recorder, the benchmarks and the tests
// on the null backend (every frame kept in memory), and the web page's
// invitation before the show opens. It owns the start-up and the shut-down
// they all share: the wall clock fixed so the snow falls the same way on
// every run, no wait before the first frame (a recording keeps the music's
// head start itself), the window, the scene; and what they may look at in
// the show. One at a time: the scene is made of process-wide objects.
#include <cstdint>
#include <string>

struct PixelBuffer;

// The clock the snow is seeded from unless a program says otherwise.
constexpr int64_t SHOW_DEFAULT_CLOCK = 1'765'000'000;

class SceneHost {
  public:
    // Where the frames go.
    enum class Screen {
        Window,     // the platform's window (on the null backend, memory)
        OffScreen,  // no window: the frames are drawn, and presenting only flips
    };

    SceneHost() = default;
    ~SceneHost();
    SceneHost(const SceneHost&) = delete;
    SceneHost& operator=(const SceneHost&) = delete;

    // Sets the show up from its beginning with the content in use
    // (useCardContent), the snow seeded from `clock`. False with one line in
    // `error` when the window or the display cannot be had.
    bool open(int64_t clock, std::string& error, Screen screen = Screen::Window);
    // The card's sky alone, shown once on the platform's window: the display
    // opened, the backdrop drawn and presented, all given up again; no show,
    // no music. False with one line in `error`.
    bool showBackdrop(std::string& error);

    // Runs the next frame of the show and returns the picture it presented
    // (640x480, 16 bits a pixel).
    const PixelBuffer& nextFrame();
    // Runs frames until the greeting is being written.
    void runUntilWriting();

    // Frames run since the show opened.
    int64_t framesRun() const { return frames_; }
    // Whether the greeting is being written (the palm and the hand are in place).
    bool writing() const;
    // The glyphs on the palm now.
    int32_t glyphsOnPalm() const;
    // Whether the greeting has just been written once: the last frame read
    // the end of its text, after the last page and its pause.
    bool greetingJustEnded() const { return greetingEnded_; }

    // Gives the scene, the window and the clock up (also done by the destructor).
    void close();

  private:
    bool open_ = false;
    bool greetingEnded_ = false;
    int64_t frames_ = 0;
};
