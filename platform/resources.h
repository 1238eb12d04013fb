#pragma once
// The program's embedded resources: the files of resources/ compiled into
// the executable, found by integer id or by name and type, as the Windows
// resource functions found them.
#include <cstdint>

struct Resource {
    int id;                // integer id, 0 when the resource has a name only
    const char* name;      // "" when the resource has an id only
    const char* type;      // "BITMAP", "ICON", "XM", ...
    const uint8_t* bytes;  // exact bytes of the file, valid for the whole run
    uint32_t size;         // length in bytes
};

// Raw table access (generated at build time from resources/manifest.txt).
int embeddedResourceCount();
Resource embeddedResource(int index);

// Finds a resource by integer id and type; null bytes and size 0 when absent.
// A null type matches any type.
Resource findResource(int id, const char* type);

// Finds a resource by name and type, ignoring letter case as Windows does.
// A name of the form "#123" is the integer id 123.
Resource findResource(const char* name, const char* type);
