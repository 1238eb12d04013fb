#pragma once
// The loaded module and its playback state: plain records owned by the Song,
// taken zero-filled with calloc and released with free.
#include <cstdint>

struct Song;

// Supplies a sample's frames instead of the stream (see createSong).
using SampleLoadCallback = void (*)(void* buffer, int32_t byteCount, int32_t bits, int32_t instrumentIndex,
                                    int32_t sampleIndex);
using TickCallback = void (*)(Song* song);

struct NoteCell {
    uint8_t note;        // 0 none, 1..96 C-0..B-7, 255 key off (97 in the file)
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume-column byte as stored
    uint8_t effect;      // effect type as stored (10 = A, 11 = B, ...)
    uint8_t param;
};
static_assert(sizeof(NoteCell) == 5);

struct Pattern {
    int32_t rows;     // 1..256
    NoteCell* cells;  // rows x channelCount, row after row, channel 0 first
};

struct EnvelopePoint {
    uint16_t x;  // ticks
    uint16_t y;  // 0..64
};

struct Sample {
    int16_t* data;        // length frames + 8 spare frames, and a zero frame at
                          // data[-1]; null when length is 0
    uint32_t length;      // frames
    uint32_t loopStart;   // frames
    uint32_t loopLength;  // frames; never 0 after loading
    uint8_t volume;       // 0..64
    int8_t finetune;      // 1/128 semitone
    int32_t panning;      // 0..255
    uint8_t bits;         // 16 for every sample with data once loaded
    uint8_t loopType;     // SAMPLE_NO_LOOP, SAMPLE_FORWARD_LOOP, SAMPLE_PINGPONG_LOOP
    int8_t relativeNote;  // semitones added to the pattern note
    // A short forward loop repeated from its start, loopCopyFrames frames,
    // behind the spare frames of the same allocation (see music/mixer.h);
    // null and 0 for any other sample.
    const int16_t* loopCopy;
    uint32_t loopCopyFrames;
};

constexpr uint8_t SAMPLE_NO_LOOP = 1;
constexpr uint8_t SAMPLE_FORWARD_LOOP = 2;
constexpr uint8_t SAMPLE_PINGPONG_LOOP = 4;

constexpr int MAX_SAMPLES_PER_INSTRUMENT = 16;
constexpr int ENVELOPE_POINTS = 20;       // room in the record
constexpr int ENVELOPE_FILE_POINTS = 12;  // points the file supplies

// Envelope flag bits (volumeFlags / panningFlags).
constexpr uint8_t ENVELOPE_ON = 0x01;
constexpr uint8_t ENVELOPE_SUSTAIN = 0x02;
constexpr uint8_t ENVELOPE_LOOP = 0x04;

struct Instrument {
    int32_t sampleCount;                          // 0..16
    Sample* samples[MAX_SAMPLES_PER_INSTRUMENT];  // slots past sampleCount -> &emptySample
    uint8_t sampleMap[96];
    EnvelopePoint volumePoints[ENVELOPE_POINTS];
    EnvelopePoint panningPoints[ENVELOPE_POINTS];
    uint8_t volumePointCount;
    uint8_t panningPointCount;
    uint8_t volumeSustain;
    uint8_t volumeLoopStart;
    uint8_t volumeLoopEnd;
    uint8_t panningSustain;
    uint8_t panningLoopStart;
    uint8_t panningLoopEnd;
    uint8_t volumeFlags;
    uint8_t panningFlags;
    uint8_t autoVibratoType;
    uint8_t autoVibratoSweep;
    uint8_t autoVibratoDepth;
    uint8_t autoVibratoRate;
    uint16_t fadeout;  // the file's value times 2
};

// A view of one of an instrument's two envelopes, for the envelope step.
struct Envelope {
    const EnvelopePoint* points;
    uint8_t pointCount;
    uint8_t sustain;
    uint8_t loopStart;
    uint8_t loopEnd;
    uint8_t flags;
};

inline Envelope volumeEnvelope(const Instrument& in) {
    return Envelope{in.volumePoints,    in.volumePointCount, in.volumeSustain,
                    in.volumeLoopStart, in.volumeLoopEnd,    in.volumeFlags};
}
inline Envelope panningEnvelope(const Instrument& in) {
    return Envelope{in.panningPoints,    in.panningPointCount, in.panningSustain,
                    in.panningLoopStart, in.panningLoopEnd,    in.panningFlags};
}

constexpr uint16_t SONG_LINEAR_FREQUENCIES = 0x0001;  // flags bit 0

struct Song {
    Pattern* patterns;        // patternCount records
    Instrument* instruments;  // instrumentCount records; file instrument 1 is index 0
    int32_t samplesLeftInTick;
    int32_t samplesPerTick;
    int16_t songLength;
    int16_t restartPosition;
    int16_t channelCount;
    int32_t usedPatternCount;
    int32_t patternCount;
    int16_t instrumentCount;
    uint16_t flags;
    int16_t defaultSpeed;
    int16_t defaultBpm;
    uint8_t orders[256];
    uint8_t initialGlobalVolume;
    int32_t globalVolume;
    uint8_t globalVolumeSlideParam;
    int32_t tick;
    int32_t speed;
    int32_t row;
    int32_t order;
    int32_t nextRow;    // -1 none
    int32_t nextOrder;  // -1 none
    TickCallback tickCallback;
    SampleLoadCallback sampleLoadCallback;
};

// Placeholders that stand in for missing samples and instruments.
extern Sample emptySample;
extern Instrument emptyInstrument;

class ByteSource;

// Allocates a song and loads the named module through the registered file
// callbacks. Returns the whole song or null; never half a song.
Song* createSong(const char* name, SampleLoadCallback sampleLoadCallback);
// Reads the module in `source` into a freshly zeroed song. Internal to the
// loader's entry points (createSong, and those of music/loader.h).
bool loadXm(Song* song, const ByteSource& source);
// Releases a song, also one that is playing: it first runs the release
// guard, which stops the playback, then idles the voices that still point
// at the song's samples.
bool freeSong(Song* song);

// Whoever plays songs (the audio output) sets a guard while it may be
// playing, and clears it (null) when it closes; freeSong calls it before it
// releases anything. The music core itself links no device.
using SongReleaseGuard = void (*)();
void setSongReleaseGuard(SongReleaseGuard guard);
