#include "music/memory_stream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "music/file_callbacks.h"
#include "music/loader.h"
#include "music/resource_stream.h"

namespace {

// A resource-style view plus the copy of a file it may own; read, seek and
// tell work on the view alone.
struct MemoryStream {
    ResourceStream view;
    uint8_t* owned;
};

// The buffer of the load running on this thread, if any.
thread_local const uint8_t* pendingBytes = nullptr;
thread_local int32_t pendingSize = 0;

uint8_t* readWholeFile(const char* path, int32_t* size) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return nullptr;
    uint8_t* bytes = nullptr;
    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
    if (length >= 0 && length <= INT32_MAX && std::fseek(f, 0, SEEK_SET) == 0) {
        // One spare byte so that an empty file still gives a non-null buffer.
        bytes = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length) + 1));
        if (bytes && std::fread(bytes, 1, static_cast<size_t>(length), f) != static_cast<size_t>(length)) {
            std::free(bytes);
            bytes = nullptr;
        }
    }
    std::fclose(f);
    if (bytes) *size = static_cast<int32_t>(length);
    return bytes;
}

Song* loadWithMemoryCallbacks(const char* name, SampleLoadCallback sampleLoadCallback) {
    FileCallbacks previous = registeredFileCallbacks();
    registerMemoryCallbacks();
    Song* song = createSong(name, sampleLoadCallback);
    registerFileCallbacks(previous);  // all null clears the table again
    return song;
}

}  // namespace

void* memoryStreamOpen(const char* name) {
    if (!name) return nullptr;
    auto* s = static_cast<MemoryStream*>(std::calloc(1, sizeof(MemoryStream)));
    if (!s) return nullptr;
    if (std::strcmp(name, MEMORY_MODULE_NAME) == 0 && pendingBytes) {
        s->view.base = pendingBytes;
        s->view.size = pendingSize;
        return s;
    }
    int32_t size = 0;
    s->owned = readWholeFile(name, &size);
    if (!s->owned) {
        std::free(s);
        return nullptr;
    }
    s->view.base = s->owned;
    s->view.size = size;
    return s;
}

void memoryStreamClose(void* stream) {
    auto* s = static_cast<MemoryStream*>(stream);
    if (!s) return;
    std::free(s->owned);
    std::free(s);
}

int32_t memoryStreamRead(void* destination, int32_t count, void* stream) {
    return stream ? resourceStreamRead(destination, count, &static_cast<MemoryStream*>(stream)->view) : 0;
}

void memoryStreamSeek(void* stream, int32_t offset, uint8_t mode) {
    if (stream) resourceStreamSeek(&static_cast<MemoryStream*>(stream)->view, offset, mode);
}

int32_t memoryStreamTell(void* stream) {
    return stream ? resourceStreamTell(&static_cast<MemoryStream*>(stream)->view) : 0;
}

void registerMemoryCallbacks() {
    registerFileCallbacks(memoryStreamOpen, memoryStreamClose, memoryStreamRead, memoryStreamSeek,
                          memoryStreamTell);
}

Song* createSongFromMemory(const void* bytes, size_t size, SampleLoadCallback sampleLoadCallback) {
    if (size > INT32_MAX) {
        setLoadError(LoadErrorCode::OpenFailed, "module of %zu bytes; at most 2 GiB", size);
        return nullptr;
    }
    // A null buffer is an empty module: refused as not being an XM file.
    static const uint8_t nothing = 0;
    pendingBytes = bytes ? static_cast<const uint8_t*>(bytes) : &nothing;
    pendingSize = bytes ? static_cast<int32_t>(size) : 0;
    Song* song = loadWithMemoryCallbacks(MEMORY_MODULE_NAME, sampleLoadCallback);
    pendingBytes = nullptr;
    pendingSize = 0;
    return song;
}

Song* createSongFromFile(const char* path, SampleLoadCallback sampleLoadCallback) {
    if (!path || std::strcmp(path, MEMORY_MODULE_NAME) == 0) {
        setLoadError(LoadErrorCode::OpenFailed, "no file name");
        return nullptr;
    }
    return loadWithMemoryCallbacks(path, sampleLoadCallback);
}
