#include "platform/sdl/display_access.h"

#include <SDL.h>

#include <cstdlib>
#include <string_view>

namespace {

// The drivers that draw into memory only: "evdev" is the memory driver with
// the console's keyboard.
constexpr std::string_view INVISIBLE_DRIVERS[] = {"offscreen", "dummy", "evdev"};

bool set(const char* value) {
    return value != nullptr && value[0] != '\0';
}

// A library's reason as part of our one line.
std::string oneLine(const char* cause) {
    std::string text = cause;
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

DisplayEnvironment displayEnvironment() {
    DisplayEnvironment env;
    env.display = std::getenv("DISPLAY");
    env.waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    // The hint is SDL_VIDEODRIVER unless the program itself set it.
    env.requestedDrivers = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return env;
}

bool sessionNamed(const DisplayEnvironment& env) {
    return set(env.display) || set(env.waylandDisplay) || set(env.requestedDrivers);
}

bool driverShowsNothing(const char* driver) {
    if (driver == nullptr) return true;
    for (std::string_view invisible : INVISIBLE_DRIVERS)
        if (sameName(driver, invisible)) return true;
    return false;
}

bool driverRequested(const char* driver, const char* requestedDrivers) {
    if (driver == nullptr || !set(requestedDrivers)) return false;
    std::string_view list = requestedDrivers;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        if (sameName(list.substr(0, comma), driver)) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

bool driverAcceptable(const char* driver, const DisplayEnvironment& env) {
    return driver != nullptr &&
           (!driverShowsNothing(driver) || driverRequested(driver, env.requestedDrivers));
}

std::string noDisplayMessage(const DisplayEnvironment& env, const char* cause) {
    constexpr const char* WHAT_TO_DO = "run the card in a desktop session, or set SDL_VIDEODRIVER";
    if (set(env.requestedDrivers)) {
        // The user chose the driver: name it, with the library's reason.
        std::string line =
            std::string("cannot start the video driver SDL_VIDEODRIVER=") + env.requestedDrivers;
        return set(cause) ? line + ": " + oneLine(cause) : line;
    }
    if (!set(env.display) && !set(env.waylandDisplay))
        return std::string("no graphical display (DISPLAY and WAYLAND_DISPLAY are not set); ") + WHAT_TO_DO;
    // A session is named but cannot be reached (a server that has gone, a
    // name from another machine).
    std::string line = "cannot reach the graphical display (";
    if (set(env.display)) line += std::string("DISPLAY=") + env.display;
    if (set(env.display) && set(env.waylandDisplay)) line += ", ";
    if (set(env.waylandDisplay)) line += std::string("WAYLAND_DISPLAY=") + env.waylandDisplay;
    line += ")";
    if (set(cause)) line += ": " + oneLine(cause);
    return line + "; " + WHAT_TO_DO;
}
