#include "music/rows.h"

#include <algorithm>
#include <array>

#include "music/channel.h"
#include "music/output_format.h"
#include "music/voice.h"

namespace {

// What a row-tick effect works on: one channel with its cell, instrument and
// sample, and the row-wide jump memory.
struct RowContext {
    Song* song;
    Channel* channel;
    const Instrument* instrument;
    const Sample* sample;
    uint8_t param;
    bool* jumpSeen;

    uint8_t x() const { return param >> 4; }
    uint8_t y() const { return param & 0x0F; }
};

using RowEffect = void (*)(RowContext&);

void rowNone(RowContext&) {}

void rowPortaUp(RowContext& c) {
    if (c.param != 0) c.channel->portaUpSpeed = c.param;
}

void rowPortaDown(RowContext& c) {
    if (c.param != 0) c.channel->portaDownSpeed = c.param;
}

// The note of a tone-portamento row becomes the target; the sample keeps
// playing at its current pitch.
void rowTonePorta(RowContext& c) {
    if (c.param != 0) c.channel->portaSpeed = c.param;
    c.channel->portaTarget = c.channel->notePeriod;
    c.channel->flags &= ~(UPDATE_TRIGGER | UPDATE_FREQUENCY);
}

void rowVibrato(RowContext& c) {
    if (c.x() != 0) c.channel->vibratoSpeed = c.x();
    if (c.y() != 0) c.channel->vibratoDepth = c.y();
    applyVibrato(c.channel);
}

void rowTonePortaVolumeSlide(RowContext& c) {
    c.channel->portaTarget = c.channel->notePeriod;
    if (c.param != 0) c.channel->volSlideParam = c.param;
    c.channel->flags &= ~(UPDATE_TRIGGER | UPDATE_FREQUENCY);
}

void rowVibratoVolumeSlide(RowContext& c) {
    if (c.param != 0) c.channel->volSlideParam = c.param;
    applyVibrato(c.channel);
}

void rowTremolo(RowContext& c) {
    if (c.x() != 0) c.channel->tremoloSpeed = c.x();
    if (c.y() != 0) c.channel->tremoloDepth = c.y();
}

void rowSetPanning(RowContext& c) {
    c.channel->pan = c.param;
    c.channel->flags |= UPDATE_PAN;
}

// An offset past the loop end would start the voice outside its sample: the
// voice falls silent instead, note or not.
void rowSampleOffset(RowContext& c) {
    Channel* ch = c.channel;
    if (c.param != 0) ch->sampleOffset = c.param;
    const uint32_t offset = static_cast<uint32_t>(ch->sampleOffset) * 256u;
    const uint64_t loopEnd =
        static_cast<uint64_t>(c.sample->loopStart) + static_cast<uint64_t>(c.sample->loopLength);
    if (offset < loopEnd) {
        ch->voice->startOffset = offset;
    } else {
        ch->flags &= ~UPDATE_TRIGGER;
        ch->flags |= UPDATE_STOP;
    }
}

void rowVolumeSlide(RowContext& c) {
    if (c.param != 0) c.channel->volSlideParam = c.param;
}

void rowPositionJump(RowContext& c) {
    c.song->nextRow = 0;
    c.song->nextOrder = c.param >= c.song->songLength ? 0 : c.param;
    *c.jumpSeen = true;
}

void rowSetVolume(RowContext& c) {
    c.channel->volume = std::min<int32_t>(c.param, 64);
    c.channel->flags |= UPDATE_VOLUME;
}

// A break after a jump in an earlier channel of the same row keeps the
// jump's order and only sets the row.
void rowPatternBreak(RowContext& c) {
    Song* song = c.song;
    const int32_t row = 10 * c.x() + c.y();
    song->nextRow = row > 63 ? 0 : row;
    if (!*c.jumpSeen) song->nextOrder = song->order + 1;
    if (song->nextOrder >= song->songLength) song->nextOrder = 0;
}

void rowSetSpeed(RowContext& c) {
    if (c.param < 32) {
        c.song->speed = c.param;
    } else {
        setBpm(c.song, c.param);
    }
}

void rowSetGlobalVolume(RowContext& c) {
    c.song->globalVolume = std::min<int32_t>(c.param, 64);
    c.channel->flags |= UPDATE_VOLUME;
}

void rowGlobalVolumeSlide(RowContext& c) {
    if (c.param != 0) c.song->globalVolumeSlideParam = c.param;
}

// Moves the volume envelope to tick `param`. The envelope has already been
// stepped for this tick, so the new position counts from the next tick on,
// while its output already counts for this one.
void rowSetEnvelopePosition(RowContext& c) {
    const Instrument& in = *c.instrument;
    if (!(in.volumeFlags & ENVELOPE_ON)) return;
    c.channel->volEnv.moveTo(volumeEnvelope(in), c.param);
}

void rowPanningSlide(RowContext& c) {
    if (c.param != 0) {
        c.channel->panSlideParam = c.param;
        c.channel->flags |= UPDATE_PAN;
    }
}

void rowMultiRetrig(RowContext& c) {
    if (c.param != 0) {
        c.channel->retrigVolumeType = c.x();
        c.channel->retrigInterval = c.y();
    }
}

void rowTremor(RowContext& c) {
    if (c.param != 0) {
        c.channel->tremorOn = c.x() + 1;
        c.channel->tremorOff = c.y() + 1;
    }
    stepTremor(c.channel);
}

void rowExtraFinePorta(RowContext& c) {
    Channel* ch = c.channel;
    if (c.x() == 1) {
        if (c.y() != 0) ch->xfinePortaUpSpeed = c.y();
        ch->period -= ch->xfinePortaUpSpeed;
    } else if (c.x() == 2) {
        if (c.y() != 0) ch->xfinePortaDownSpeed = c.y();
        ch->period += ch->xfinePortaDownSpeed;
    }
}

// Row-tick part of every effect type. Key off (20) is handled before the
// envelopes; the E commands and every unlisted type change nothing.
constexpr std::array<RowEffect, EFFECT_TABLE_SIZE> makeRowEffects() {
    std::array<RowEffect, EFFECT_TABLE_SIZE> t{};
    for (auto& e : t) e = rowNone;
    t[EFFECT_PORTA_UP] = rowPortaUp;
    t[EFFECT_PORTA_DOWN] = rowPortaDown;
    t[EFFECT_TONE_PORTA] = rowTonePorta;
    t[EFFECT_VIBRATO] = rowVibrato;
    t[EFFECT_TONE_PORTA_VOLUME_SLIDE] = rowTonePortaVolumeSlide;
    t[EFFECT_VIBRATO_VOLUME_SLIDE] = rowVibratoVolumeSlide;
    t[EFFECT_TREMOLO] = rowTremolo;
    t[EFFECT_SET_PANNING] = rowSetPanning;
    t[EFFECT_SAMPLE_OFFSET] = rowSampleOffset;
    t[EFFECT_VOLUME_SLIDE] = rowVolumeSlide;
    t[EFFECT_POSITION_JUMP] = rowPositionJump;
    t[EFFECT_SET_VOLUME] = rowSetVolume;
    t[EFFECT_PATTERN_BREAK] = rowPatternBreak;
    t[EFFECT_SET_SPEED] = rowSetSpeed;
    t[EFFECT_SET_GLOBAL_VOLUME] = rowSetGlobalVolume;
    t[EFFECT_GLOBAL_VOLUME_SLIDE] = rowGlobalVolumeSlide;
    t[EFFECT_SET_ENVELOPE_POSITION] = rowSetEnvelopePosition;
    t[EFFECT_PANNING_SLIDE] = rowPanningSlide;
    t[EFFECT_MULTI_RETRIG] = rowMultiRetrig;
    t[EFFECT_TREMOR] = rowTremor;
    t[EFFECT_EXTRA_FINE_PORTA] = rowExtraFinePorta;
    return t;
}

constexpr std::array<RowEffect, EFFECT_TABLE_SIZE> rowEffects = makeRowEffects();

const NoteCell emptyRow[CHANNEL_COUNT] = {};

bool hasNote(uint8_t note) {
    return note != 0 && note != NOTE_KEY_OFF;
}

void processChannel(Song* song, Channel* ch, NoteCell cell, bool* jumpSeen) {
    // safety: a note byte past B-7 that is not a key off would index past
    // the instrument's sample map; it is taken as no note.
    if (cell.note > NOTE_LAST && cell.note != NOTE_KEY_OFF) cell.note = 0;

    const bool porta = cell.effect == EFFECT_TONE_PORTA || cell.effect == EFFECT_TONE_PORTA_VOLUME_SLIDE;
    if (cell.instrument != 0 && !porta) ch->instrument = cell.instrument - 1;
    if (hasNote(cell.note) && !porta) ch->note = cell.note - 1;

    const Instrument* instrument;
    const Sample* sample;
    findSample(ch, song, &instrument, &sample);

    // The last tremolo offset stays in the volume once the tremolo ends.
    if (ch->lastEffect == EFFECT_TREMOLO && cell.effect != EFFECT_TREMOLO) {
        ch->volume += ch->volumeDelta;
    }
    ch->lastEffect = cell.effect;
    ch->volumeDelta = 0;
    ch->flags = 0;

    // Under tone portamento the note still sets notePeriod, the target, while
    // the channel keeps its note, period and sample.
    if (hasNote(cell.note)) {
        ch->realNote = static_cast<uint8_t>(cell.note - 1 + sample->relativeNote);
        ch->notePeriod =
            periodForNote(ch->realNote, sample->finetune, (song->flags & SONG_LINEAR_FREQUENCIES) != 0);
        if (!porta) ch->period = ch->notePeriod;
        ch->flags = UPDATE_TRIGGER;
    }
    ch->periodDelta = 0;
    ch->flags |= UPDATE_FREQUENCY | UPDATE_VOLUME;

    if (cell.instrument != 0) resetNote(ch, sample);
    if (cell.volume != 0) applyVolumeColumn(ch, cell.volume);
    if (cell.note == NOTE_KEY_OFF || cell.effect == EFFECT_KEY_OFF) ch->keyOff = 1;

    // A released note without a volume envelope is cut at once, on its row.
    if (!(instrument->volumeFlags & ENVELOPE_ON) && ch->keyOff) ch->volEnv.out = 0;
    stepEnvelopesAndFadeout(ch, *instrument);

    if (cell.effect < EFFECT_TABLE_SIZE) {
        RowContext context{song, ch, instrument, sample, cell.param, jumpSeen};
        rowEffects[cell.effect](context);
    }

    applyAutoVibrato(ch, instrument);
    updateVoice(ch, sample, song);
}

}  // namespace

const NoteCell* currentRowCells(const Song* song) {
    if (song->order < 0 || song->order >= 256 || song->patterns == nullptr) return emptyRow;
    const int32_t index = song->orders[song->order];
    if (index >= song->patternCount) return emptyRow;
    const Pattern& pattern = song->patterns[index];
    if (pattern.cells == nullptr || song->row < 0 || song->row >= pattern.rows) return emptyRow;
    return pattern.cells + static_cast<int64_t>(song->row) * song->channelCount;
}

void processRow(Song* song) {
    song->nextOrder = -1;
    song->nextRow = -1;
    bool jumpSeen = false;
    if (song->channelCount <= 0) return;

    const NoteCell* cells = currentRowCells(song);
    const int32_t count = std::min<int32_t>(song->channelCount, CHANNEL_COUNT);
    for (int32_t i = 0; i < count; ++i) processChannel(song, &channels[i], cells[i], &jumpSeen);
}

void setBpm(Song* song, int32_t bpm) {
    // safety: a tempo of 0 (or below) would divide by zero; such a module
    // plays at the format's default tempo instead.
    if (bpm <= 0) bpm = 125;
    // Single-precision constants, double arithmetic: the product lands a
    // hair above rate x 2.5 / bpm, so whole-numbered quotients survive the
    // truncation (880 frames for 125 BPM at 44,000, not 879).
    const double frames =
        1000.0 / (bpm * static_cast<double>(0.4f)) * outputRate * static_cast<double>(0.001f);
    // safety: a tick shorter than one frame would let the block filler spin
    // without mixing anything.
    song->samplesPerTick = std::max<int32_t>(static_cast<int32_t>(frames), 1);
}
