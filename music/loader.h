#pragma once
// Why the last load on this thread failed, and what it repaired.
// createSong, loadXm and freeSong themselves are declared in music/song.h.
#include <cstdint>

#include "music/song.h"

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

// The result of the last createSong on the calling thread (code None after a
// success). createSong clears both records when it starts.
LoadError lastLoadError();
LoadRepairs lastLoadRepairs();

// Records a failure reason (used by the data sources too), printf-style.
void setLoadError(LoadErrorCode code, const char* format, ...) __attribute__((format(printf, 2, 3)));
