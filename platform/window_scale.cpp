// The size of the card's desktop window: the picture enlarged by whole
// pixels, so it stays sharp, and not larger than the desktop.
#include <algorithm>

#include "platform/window.h"

namespace {

// Twice the picture is large enough to see the card well on today's screens
// and small enough to leave room beside it; more is what full screen is for.
constexpr int32_t PREFERRED_SCALE = 2;

}  // namespace

int32_t windowScale(int32_t pictureWidth, int32_t pictureHeight, int32_t areaWidth, int32_t areaHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return 1;
    const int32_t fits = std::min(areaWidth / pictureWidth, areaHeight / pictureHeight);
    return std::clamp(fits, 1, PREFERRED_SCALE);
}
