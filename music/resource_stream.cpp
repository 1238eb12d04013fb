#include "music/resource_stream.h"

#include <cstdlib>
#include <cstring>

#include "music/file_callbacks.h"

void resourceStreamClose(void* stream) {
    std::free(stream);
}

int32_t resourceStreamRead(void* destination, int32_t count, void* stream) {
    auto* s = static_cast<ResourceStream*>(stream);
    if (!s || count <= 0) return 0;
    // 64-bit sum: position + count must not overflow near the 32-bit limit.
    int64_t n = count;
    if (int64_t{s->position} + n >= s->size) n = int64_t{s->size} - s->position;
    if (n <= 0) return 0;
    std::memcpy(destination, s->base + s->position, static_cast<size_t>(n));
    s->position += static_cast<int32_t>(n);
    return static_cast<int32_t>(n);
}

void resourceStreamSeek(void* stream, int32_t offset, uint8_t mode) {
    auto* s = static_cast<ResourceStream*>(stream);
    if (!s) return;
    int64_t p = s->position;
    if (mode == SEEK_FROM_START)
        p = offset;
    else if (mode == SEEK_RELATIVE)
        p += offset;
    else if (mode == SEEK_TO_END)
        p = s->size;
    if (p > s->size) p = s->size;
    if (p < 0) p = 0;
    s->position = static_cast<int32_t>(p);
}

int32_t resourceStreamTell(void* stream) {
    auto* s = static_cast<ResourceStream*>(stream);
    return s ? s->position : 0;
}
