#pragma once
// Row processing: the first tick of every row reads the row's notes,
// instruments, volume column and effects into the channels. Also the
// conversion of a tempo into the length of a tick.
#include <cstdint>

#include "music/song.h"

// Effect types as stored in NoteCell::effect.
enum EffectType : uint8_t {
    EFFECT_ARPEGGIO = 0,
    EFFECT_PORTA_UP = 1,
    EFFECT_PORTA_DOWN = 2,
    EFFECT_TONE_PORTA = 3,
    EFFECT_VIBRATO = 4,
    EFFECT_TONE_PORTA_VOLUME_SLIDE = 5,
    EFFECT_VIBRATO_VOLUME_SLIDE = 6,
    EFFECT_TREMOLO = 7,
    EFFECT_SET_PANNING = 8,
    EFFECT_SAMPLE_OFFSET = 9,
    EFFECT_VOLUME_SLIDE = 10,
    EFFECT_POSITION_JUMP = 11,
    EFFECT_SET_VOLUME = 12,
    EFFECT_PATTERN_BREAK = 13,
    EFFECT_EXTENDED = 14,
    EFFECT_SET_SPEED = 15,
    EFFECT_SET_GLOBAL_VOLUME = 16,
    EFFECT_GLOBAL_VOLUME_SLIDE = 17,
    EFFECT_KEY_OFF = 20,
    EFFECT_SET_ENVELOPE_POSITION = 21,
    EFFECT_PANNING_SLIDE = 25,
    EFFECT_MULTI_RETRIG = 27,
    EFFECT_TREMOR = 29,
    EFFECT_EXTRA_FINE_PORTA = 33,
};
constexpr int EFFECT_TABLE_SIZE = 34;  // types 0..33; higher types do nothing

constexpr uint8_t NOTE_KEY_OFF = 255;
constexpr uint8_t NOTE_LAST = 96;  // B-7

// The row tick: applies the current row (order, row) to every channel and
// hands the changes to the voices. Sets nextRow/nextOrder on a position jump
// or pattern break, -1 otherwise.
void processRow(Song* song);

// Sets samplesPerTick for a tempo in beats per minute at the output rate.
void setBpm(Song* song, int32_t bpm);

// The cells of the song's current row, channel 0 first; a row of empty cells
// when order, pattern or row lie outside the song, so a bad position never
// reads beyond a pattern.
const NoteCell* currentRowCells(const Song* song);
