#include "platform/resources.h"

#include <strings.h>

#include <cstdlib>

namespace {
bool typeMatches(const Resource& r, const char* type) {
    return type == nullptr || strcasecmp(r.type, type) == 0;
}
}  // namespace

Resource findResource(int id, const char* type) {
    if (id != 0) {
        for (int i = 0; i < embeddedResourceCount(); ++i) {
            Resource r = embeddedResource(i);
            if (r.id == id && typeMatches(r, type)) return r;
        }
    }
    return Resource{0, "", "", nullptr, 0};
}

Resource findResource(const char* name, const char* type) {
    if (name == nullptr || name[0] == '\0') return Resource{0, "", "", nullptr, 0};
    if (name[0] == '#') {
        char* end = nullptr;
        long id = std::strtol(name + 1, &end, 10);
        if (end != name + 1 && *end == '\0' && id > 0 && id <= 0xFFFF)
            return findResource(static_cast<int>(id), type);
        return Resource{0, "", "", nullptr, 0};
    }
    for (int i = 0; i < embeddedResourceCount(); ++i) {
        Resource r = embeddedResource(i);
        if (r.name[0] != '\0' && strcasecmp(r.name, name) == 0 && typeMatches(r, type)) return r;
    }
    return Resource{0, "", "", nullptr, 0};
}
