#include "platform/cursor.h"

namespace {
bool shown = true;
}  // namespace

void hideCursor() {
    shown = false;
}

bool cursorShown() {
    return shown;
}
