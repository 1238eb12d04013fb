#pragma once
// Whether the card may show itself on the video driver SDL gave it, and what
// to tell a user when it may not. Without a graphical session SDL falls back
// to drivers that draw into memory and show nothing: the card would run
// unseen until killed. Those drivers are for whoever names them in
// SDL_VIDEODRIVER (tests, tools).
#include <string>

// What the environment says about the graphical session.
struct DisplayEnvironment {
    const char* display = nullptr;           // $DISPLAY; null or empty: not set
    const char* waylandDisplay = nullptr;    // $WAYLAND_DISPLAY
    const char* requestedDrivers = nullptr;  // $SDL_VIDEODRIVER: names separated by commas
};

DisplayEnvironment displayEnvironment();

// True when the environment names a graphical session or a driver to use.
bool sessionNamed(const DisplayEnvironment& env);
// True for a driver that shows nothing on any screen.
bool driverShowsNothing(const char* driver);
// True when `driver` is one of the names the user asked for (any letter case).
bool driverRequested(const char* driver, const char* requestedDrivers);
// True when the card may run on `driver`: it shows something, or it was asked for.
bool driverAcceptable(const char* driver, const DisplayEnvironment& env);

// The one line (without the program's name) for a card that found no display
// to show itself on: what is missing and what to do. `cause` is the video
// library's own reason, used where the user chose the driver.
std::string noDisplayMessage(const DisplayEnvironment& env, const char* cause);
