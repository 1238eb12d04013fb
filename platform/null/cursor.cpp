#include "platform/cursor.h"

namespace {
bool shown = true;
}  // namespace

void hideCursor() {
    shown = false;
}

void showCursor() {
    shown = true;
}

bool cursorShown() {
    return shown;
}
