#pragma once
// A clip list: drawing onto a surface that carries one lands only inside the
// union of its rectangles.
#include <cstdint>

#include "display/display_device.h"

struct ClipList {
    ClipRect bounds;  // least left/top, greatest right/bottom; 64000/-64000 when empty
    int32_t count;
    ClipRect* rects;  // count rectangles, owned
};

// Copies `count` rectangles; null when out of memory or count < 0.
ClipList* createClipList(int32_t count, const ClipRect* rects);
void freeClipList(ClipList* list);
