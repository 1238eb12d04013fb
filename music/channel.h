#pragma once
// Per-channel playback state and the small operations the row tick and the
// other ticks share: sample lookup, note periods, portamento, vibrato,
// tremolo, tremor, envelopes, the row-tick volume column, the note-on reset
// and the hand-over of a tick's changes to the channel's mixer voice.
#include <cstdint>

#include "music/song.h"

struct Voice;

constexpr int CHANNEL_COUNT = 32;

// Changes gathered during one tick for updateVoice (Channel::flags).
constexpr uint8_t UPDATE_FREQUENCY = 0x01;  // recompute the step from period + periodDelta
constexpr uint8_t UPDATE_VOLUME = 0x02;     // recompute the voice volume
constexpr uint8_t UPDATE_PAN = 0x04;        // recompute the voice pan
constexpr uint8_t UPDATE_TRIGGER = 0x08;    // start the sample (at the pending start offset)
constexpr uint8_t UPDATE_STOP = 0x20;       // silence the voice

// One envelope's progress on a channel: the volume's or the panning's.
struct EnvelopeState {
    int32_t tick;   // position in ticks
    int32_t point;  // point the envelope is heading for
    int32_t value;  // 16.16
    int32_t step;   // 16.16 change per tick
    int32_t out;    // 0..64 (panning: 32 = centre)
    uint8_t done;   // last point reached: no more stepping

    // One tick of `envelope`; a sustain point holds until the note is released.
    void advance(const Envelope& envelope, bool released);
    // Moves to tick `position` (the set-envelope-position effect). The new
    // position counts from the next step on; `out` already holds its value.
    // Past the last point the envelope is done.
    void moveTo(const Envelope& envelope, int32_t position);
    // Back to the start for a new note, showing `startOut`. The value is left
    // as it is: the first step sets it.
    void restart(int32_t startOut);
};

struct Channel {
    uint8_t note;              // 0..95 (pattern note - 1); selects the sample through sampleMap
    uint8_t flags;             // UPDATE_* gathered this tick
    Voice* voice;              // the channel's voice
    int32_t index;             // channel number, also the number of its voice
    int32_t period;            // linear or Amiga units, as the song's flags say
    int32_t volume;            // 0..64
    int32_t pan;               // 0..255, 128 = centre
    int32_t volumeDelta;       // this tick's offset to volume (tremolo, tremor)
    int32_t periodDelta;       // this tick's offset to the pitch (vibrato, arpeggio, auto-vibrato)
    EnvelopeState volEnv;      // the instrument's volume envelope
    EnvelopeState panEnv;      // its panning envelope
    int32_t fadeout;           // 65536 = full; falls after key off
    int32_t autoVibratoPos;    // 0..255
    int32_t autoVibratoTicks;  // ticks since the note, capped at the instrument's sweep
    uint8_t keyOff;
    uint8_t instrument;    // pattern instrument - 1
    uint8_t realNote;      // note + relativeNote, 8-bit arithmetic
    int32_t notePeriod;    // period of the channel's most recent note
    uint8_t lastEffect;    // effect type of the current row
    int32_t sampleOffset;  // memory of the sample-offset parameter
    uint8_t portaDownSpeed;
    uint8_t portaUpSpeed;
    uint8_t xfinePortaDownSpeed;
    uint8_t xfinePortaUpSpeed;
    uint8_t volSlideParam;
    uint8_t panSlideParam;
    uint8_t retrigVolumeType;  // 0..15
    uint8_t retrigInterval;    // ticks
    int32_t portaTarget;
    uint8_t portaSpeed;
    int8_t vibratoPos;  // -32..31
    uint8_t vibratoSpeed;
    uint8_t vibratoDepth;
    int8_t tremoloPos;  // -32..31
    uint8_t tremoloSpeed;
    uint8_t tremoloDepth;
    uint8_t tremorCount;  // ticks into the current cycle
    uint8_t tremorOn;     // audible ticks per cycle
    uint8_t tremorOff;    // silent ticks per cycle
};

// Channel i drives voices[i]; playback start zeroes and binds them.
extern Channel channels[CHANNEL_COUNT];

// |sin| of vibrato and tremolo positions 0..32, scaled to 0..255; a negative
// position reads the entry of its magnitude.
extern const uint8_t vibratoSineTable[33];
// Vibrato/tremolo amplitude 0..255 for any position.
int32_t vibratoSine(int32_t position);
// Auto-vibrato waveform value for type 0 (sine), 1 (square), 2 and 3 (ramps)
// at position 0..255; types above 3 give 0.
int32_t autoVibratoWave(uint8_t type, int32_t position);

// The channel's current instrument and sample; emptyInstrument/emptySample
// when its instrument or the mapped slot does not exist. Never null.
void findSample(const Channel* channel, const Song* song, const Instrument** instrument,
                const Sample** sample);
// Period of a real note (note + relativeNote) in linear or Amiga units.
int32_t periodForNote(int32_t realNote, int32_t finetune, bool linear);
int32_t amigaPeriod(int32_t realNote, int32_t finetune);

// Moves period toward portaTarget by 4 x portaSpeed, never past it.
void stepTonePorta(Channel* channel);
// Sets periodDelta from the vibrato position without moving it.
void applyVibrato(Channel* channel);
void advanceVibrato(Channel* channel);
// Adds the instrument's auto-vibrato to periodDelta and advances it.
void applyAutoVibrato(Channel* channel, const Instrument* instrument);
// Sets volumeDelta from the tremolo position (keeping 0..64) and advances it.
void applyTremolo(Channel* channel);
void stepTremor(Channel* channel);
// Once a tick, on the row tick and the others alike: each envelope the
// instrument switches on steps (until done), and a released note fades.
void stepEnvelopesAndFadeout(Channel* channel, const Instrument& instrument);
// The row-tick action of a volume-column byte.
void applyVolumeColumn(Channel* channel, uint8_t volumeByte);
// Note-on reset when a row names an instrument.
void resetNote(Channel* channel, const Sample* sample);
// Hands the flagged changes to the channel's voice.
void updateVoice(Channel* channel, const Sample* sample, const Song* song);
