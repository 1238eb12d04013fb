#include "platform/cursor.h"

#include "platform/web/web_bridge.h"

namespace {
bool shown = true;
}  // namespace

void hideCursor() {
    yuleHidePointer();
    shown = false;
}

void showCursor() {
    yuleShowPointer();
    shown = true;
}

bool cursorShown() {
    return shown;
}
