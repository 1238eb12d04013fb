#include "display/clip_list.h"

#include <algorithm>
#include <new>

ClipList* createClipList(int32_t count, const ClipRect* rects) {
    if (count < 0 || (count > 0 && rects == nullptr)) return nullptr;
    auto* list = new (std::nothrow) ClipList{{64000, 64000, -64000, -64000}, count, nullptr};
    if (list == nullptr) return nullptr;
    if (count > 0) {
        list->rects = new (std::nothrow) ClipRect[count];
        if (list->rects == nullptr) {
            delete list;
            return nullptr;
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        const ClipRect& r = rects[i];
        list->rects[i] = r;
        list->bounds.left = std::min(list->bounds.left, r.left);
        list->bounds.top = std::min(list->bounds.top, r.top);
        list->bounds.right = std::max(list->bounds.right, r.right);
        list->bounds.bottom = std::max(list->bounds.bottom, r.bottom);
    }
    return list;
}

void freeClipList(ClipList* list) {
    if (list == nullptr) return;
    delete[] list->rects;
    delete list;
}
