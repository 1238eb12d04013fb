#pragma once
// The card's one drawing primitive: copy a rectangle of one surface onto
// another, skipping pixels of value 0 (black is transparent), clipped to a
// clip list and to the destination's bounds, stretched when sizes differ.
#include <cstdint>

struct PixelBuffer;
struct ClipList;

// Returns 1 when the blit is valid (even if clipping leaves nothing to draw),
// 0 when a rectangle is empty, the source rectangle leaves the source, or
// the two buffers differ in depth. A null clip list clips to the
// destination's bounds only; a list of no rectangles draws nothing.
int keyedBlit(PixelBuffer& dst, const ClipList* clip, const PixelBuffer& src, int32_t dx, int32_t dy,
              int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
