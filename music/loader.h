#pragma once
// Loading a module from its bytes, and why the last load on this thread
// failed and what it repaired. createSong (by name, through the registered
// file callbacks), loadXm and freeSong are declared in music/song.h.
#include <cstddef>
#include <cstdint>

#include "music/byte_source.h"
#include "music/song.h"

// The largest module file read: far above any module made to be played (the
// largest run to tens of megabytes), so that a wrong path (a disk image, a
// film) is refused rather than read whole into memory.
constexpr size_t MODULE_FILE_MAX_BYTES = size_t{256} << 20;

// Loads a module from its bytes. Null on failure; lastLoadError() tells why.
Song* loadSong(const ByteSource& source, SampleLoadCallback sampleLoadCallback = nullptr);
// Loads a module from bytes the caller owns (they need to live only for the
// call).
Song* createSongFromMemory(const void* bytes, size_t size, SampleLoadCallback sampleLoadCallback = nullptr);
// Loads a module from a file; the error names it as given ("song.xm: cannot
// be read (No such file or directory)").
Song* createSongFromFile(const char* path, SampleLoadCallback sampleLoadCallback = nullptr);

enum class LoadErrorCode : int32_t {
    None = 0,       // the last load succeeded
    NotRegistered,  // no file callbacks registered
    OpenFailed,     // the data source could not be opened
    NotXm,          // the id text is missing or wrong (also: empty data source)
    NoChannels,     // channel count 0
    TooManyChannels,
    TooManySamples,  // an instrument with more than 16 samples
    OutOfMemory,
    Inconsistent,  // the loaded song failed its invariant check (a loader fault)
};

struct LoadError {
    LoadErrorCode code;
    char message[160];  // e.g. "instrument 5 has 20 samples; at most 16"
};

// What the last load on this thread repaired. A song that loaded with
// repairs plays safely but perhaps not as its author heard it.
struct LoadRepairs {
    int32_t count;
    bool truncated;   // the data ended early; missing fields are zero
    char first[160];  // the first repair, as text
};

// The result of the last load on the calling thread (code None after a
// success). Every load clears both records when it starts.
LoadError lastLoadError();
LoadRepairs lastLoadRepairs();

// Records a failure reason, printf-style.
void setLoadError(LoadErrorCode code, const char* format, ...) __attribute__((format(printf, 2, 3)));
