#include "platform/window.h"

#include <new>

#include "platform/null/memory_window.h"
#include "platform/null/null_error.h"

namespace {
const char* lastError = "";
}  // namespace

bool startPlatform() {
    return true;
}

void stopPlatform() {}

PlatformWindow* createMainWindow(int32_t width, int32_t height, WindowPlacement placement) {
    if (width <= 0 || height <= 0) {
        lastError = "the window has no size";
        return nullptr;
    }
    auto* window = new (std::nothrow) PlatformWindow{width, height, {}, placement};
    if (window == nullptr) lastError = "out of memory";
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
    return false;  // nothing shows an icon
}

int32_t desktopDepth(PlatformWindow*) {
    return 16;  // no desktop: frames stay in the card's own depth
}

const char* platformError() {
    return lastError;
}

void setNullPlatformError(const char* cause) {
    lastError = cause;
}
