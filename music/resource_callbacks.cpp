// Finding the card's module among the program's embedded resources. Apart
// from the rest of the resource stream because it needs the platform's
// resource table, which the device-free music core does without.
#include <cstdint>
#include <cstdlib>

#include "music/file_callbacks.h"
#include "music/resource_stream.h"
#include "platform/resources.h"

void* resourceStreamOpen(const char* name) {
    auto* s = static_cast<ResourceStream*>(std::calloc(1, sizeof(ResourceStream)));
    if (!s) return nullptr;
    Resource r = findResource(name, "XM");
    // safety: a resource over 2 GiB cannot be addressed with 32-bit
    // positions; it is treated like a missing one.
    if (r.bytes && r.size <= INT32_MAX) {
        s->base = r.bytes;
        s->size = static_cast<int32_t>(r.size);
    }
    return s;
}

void registerResourceCallbacks() {
    registerFileCallbacks(resourceStreamOpen, resourceStreamClose, resourceStreamRead, resourceStreamSeek,
                          resourceStreamTell);
}
