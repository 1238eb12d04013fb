#include "platform/window.h"

#include <new>

#include "platform/web/web_window.h"

namespace {
const char* lastError = "";
}  // namespace

bool startPlatform() {
    return true;  // the page is already there
}

void stopPlatform() {}

PlatformWindow* createMainWindow(int32_t width, int32_t height, WindowPlacement placement) {
    if (width <= 0 || height <= 0) {
        setWebPlatformError("the window has no size");
        return nullptr;
    }
    auto* window = new (std::nothrow) PlatformWindow{width, height, placement};
    if (window == nullptr) setWebPlatformError("out of memory");
    return window;
}

void destroyMainWindow(PlatformWindow* window) {
    delete window;
}

bool setWindowPlacement(PlatformWindow* window, WindowPlacement placement) {
    if (window == nullptr) return false;
    window->placement = placement;
    return true;
}

WindowPlacement windowPlacement(const PlatformWindow* window) {
    return window != nullptr ? window->placement : WindowPlacement::FullScreen;
}

bool setWindowIconFromResource(PlatformWindow*, int) {
    return false;  // the page brings its own icon
}

int32_t desktopDepth(PlatformWindow*) {
    return 32;  // a canvas holds true colour
}

const char* platformError() {
    return lastError;
}

void setWebPlatformError(const char* cause) {
    lastError = cause;
}
