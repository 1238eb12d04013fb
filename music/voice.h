#pragma once
// One mixer voice: the sample it plays, its 32.32 position and step, its
// gains and its volume ramp. Channel i of the song drives voice i.
#include <cstdint>

struct Sample;

constexpr int VOICE_COUNT = 256;
constexpr int MIXED_VOICES = 32;

constexpr int32_t VOICE_FORWARD = 1;
constexpr int32_t VOICE_BACKWARD = 2;

struct Voice {
    int32_t volume;        // 0..127, before panning
    int32_t pan;           // 0..255
    uint32_t startOffset;  // frame the next trigger starts at
    const Sample* sample;  // null: idle
    uint8_t leftVolume;    // target gains 0..255
    uint8_t rightVolume;
    int32_t positionInt;    // integer part first ...
    uint32_t positionFrac;  // ... then the fraction
    uint32_t stepFrac;      // the step keeps the fraction first ...
    int32_t stepInt;        // ... then the integer part
    int32_t direction;      // VOICE_FORWARD or VOICE_BACKWARD
    uint8_t seenLeftVolume;
    uint8_t seenRightVolume;
    uint8_t currentLeftVolume;
    uint8_t currentRightVolume;
    float rampLeftStep;
    float rampRightStep;
    int32_t rampFramesLeft;  // compared as unsigned; 0 = no ramp
    // The pitch the step was last worked out from, with the mode and the
    // output rate: the same pitch on the next tick needs no new step.
    int64_t stepPitch;
    int32_t stepRate;  // 0: no step worked out yet
};

// The voice table; cleared when the audio output opens.
extern Voice voices[VOICE_COUNT];
