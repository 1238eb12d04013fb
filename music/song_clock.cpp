#include "music/song_clock.h"

#include <algorithm>
#include <array>

#include "music/channel.h"
#include "music/rows.h"

namespace {

// Portamento down has no musical limit, but the period must not overflow;
// from far below this the voice already plays at its lowest frequency.
constexpr int32_t PERIOD_CEILING = 1 << 30;

// What a tick effect works on: one channel with its cell's parameter and the
// sample and instrument that findSample gave for this tick.
struct TickContext {
    Song* song;
    Channel* channel;
    const Sample* sample;
    uint8_t param;

    uint8_t x() const { return param >> 4; }
    uint8_t y() const { return param & 0x0F; }
};

using TickEffect = void (*)(TickContext&);

void tickNone(TickContext&) {}

// The upper nibble wins when both are set; the volume is updated even when
// the slide has nothing to do.
void volumeSlide(Channel* ch) {
    const int32_t up = ch->volSlideParam >> 4;
    const int32_t down = ch->volSlideParam & 0x0F;
    if (up != 0) {
        ch->volume = std::min(ch->volume + up, 64);
    } else if (down != 0) {
        ch->volume = std::max(ch->volume - down, 0);
    }
    ch->flags |= UPDATE_VOLUME;
}

// Ticks 1, 2, 0 (mod 3) sound base + x, base + y and the base note; the
// offset always raises the pitch, in either period mode.
void tickArpeggio(TickContext& c) {
    if (c.param == 0) return;
    Channel* ch = c.channel;
    const int32_t phase = c.song->tick % 3;
    if (phase != 0) {
        const int32_t n = phase == 1 ? c.x() : c.y();
        if (c.song->flags & SONG_LINEAR_FREQUENCIES) {
            ch->periodDelta = 64 * n;
        } else {
            ch->periodDelta = amigaPeriod(ch->realNote + n, c.sample->finetune) -
                              amigaPeriod(ch->realNote, c.sample->finetune);
        }
    }
    ch->flags |= UPDATE_FREQUENCY;
}

void tickPortaUp(TickContext& c) {
    Channel* ch = c.channel;
    ch->period = std::max(ch->period - 4 * ch->portaUpSpeed, 56);
    ch->periodDelta = 0;
    ch->flags |= UPDATE_FREQUENCY;
}

void tickPortaDown(TickContext& c) {
    Channel* ch = c.channel;
    // safety: a slide held for hours would overflow the period.
    ch->period = std::min(ch->period + 4 * ch->portaDownSpeed, PERIOD_CEILING);
    ch->periodDelta = 0;
    ch->flags |= UPDATE_FREQUENCY;
}

void tickTonePorta(TickContext& c) {
    c.channel->periodDelta = 0;
    stepTonePorta(c.channel);
}

void tickVibrato(TickContext& c) {
    applyVibrato(c.channel);
    advanceVibrato(c.channel);
}

void tickTonePortaVolumeSlide(TickContext& c) {
    c.channel->periodDelta = 0;
    stepTonePorta(c.channel);
    volumeSlide(c.channel);
}

void tickVibratoVolumeSlide(TickContext& c) {
    applyVibrato(c.channel);
    advanceVibrato(c.channel);
    volumeSlide(c.channel);
}

void tickTremolo(TickContext& c) {
    applyTremolo(c.channel);
}

void tickVolumeSlide(TickContext& c) {
    volumeSlide(c.channel);
}

// No update flag: voices take up the new global volume at their next volume
// update, so a held note keeps its loudness until then.
void tickGlobalVolumeSlide(TickContext& c) {
    Song* song = c.song;
    const int32_t up = song->globalVolumeSlideParam >> 4;
    const int32_t down = song->globalVolumeSlideParam & 0x0F;
    if (up != 0) {
        song->globalVolume = std::min(song->globalVolume + up, 64);
    } else if (down != 0) {
        song->globalVolume = std::max(song->globalVolume - down, 0);
    }
}

void tickPanningSlide(TickContext& c) {
    Channel* ch = c.channel;
    const int32_t right = ch->panSlideParam >> 4;
    const int32_t left = ch->panSlideParam & 0x0F;
    if (right != 0) {
        ch->pan = std::min(ch->pan + right, 255);
    } else if (left != 0) {
        ch->pan = std::max(ch->pan - left, 0);
    }
    ch->flags |= UPDATE_PAN;
}

// New volume after a retrigger by retrigVolumeType: v x multiply / divide
// + add, truncating toward zero. Type 0 is handled by the caller (no change
// and no volume update); 8 leaves the volume as it is.
struct RetrigVolumeChange {
    int8_t multiply;
    int8_t divide;
    int8_t add;
};
constexpr std::array<RetrigVolumeChange, 16> retrigVolumeChanges = {{
    {1, 1, 0},    // 0: unchanged
    {1, 1, -1},   // 1: v - 1
    {1, 1, -2},   // 2: v - 2
    {1, 1, -4},   // 3: v - 4
    {1, 1, -8},   // 4: v - 8
    {1, 1, -16},  // 5: v - 16
    {2, 3, 0},    // 6: 2v / 3
    {1, 2, 0},    // 7: v / 2
    {1, 1, 0},    // 8: unchanged
    {1, 1, 1},    // 9: v + 1
    {1, 1, 2},    // 10: v + 2
    {1, 1, 4},    // 11: v + 4
    {1, 1, 8},    // 12: v + 8
    {1, 1, 16},   // 13: v + 16
    {3, 2, 0},    // 14: 3v / 2
    {2, 1, 0},    // 15: 2v
}};

// Retriggers on ticks that are multiples of the interval; the row tick
// itself never gets here.
void tickMultiRetrig(TickContext& c) {
    Channel* ch = c.channel;
    if (ch->retrigInterval == 0 || c.song->tick % ch->retrigInterval != 0) return;
    if (ch->retrigVolumeType != 0) {
        const RetrigVolumeChange& change = retrigVolumeChanges[ch->retrigVolumeType & 0x0F];
        const int32_t v = ch->volume * change.multiply / change.divide + change.add;
        ch->volume = std::clamp(v, 0, 64);
        ch->flags |= UPDATE_VOLUME;
    }
    ch->flags |= UPDATE_TRIGGER;
}

void tickTremor(TickContext& c) {
    stepTremor(c.channel);
}

constexpr std::array<TickEffect, EFFECT_TABLE_SIZE> makeTickEffects() {
    std::array<TickEffect, EFFECT_TABLE_SIZE> t{};
    for (auto& e : t) e = tickNone;
    t[EFFECT_ARPEGGIO] = tickArpeggio;
    t[EFFECT_PORTA_UP] = tickPortaUp;
    t[EFFECT_PORTA_DOWN] = tickPortaDown;
    t[EFFECT_TONE_PORTA] = tickTonePorta;
    t[EFFECT_VIBRATO] = tickVibrato;
    t[EFFECT_TONE_PORTA_VOLUME_SLIDE] = tickTonePortaVolumeSlide;
    t[EFFECT_VIBRATO_VOLUME_SLIDE] = tickVibratoVolumeSlide;
    t[EFFECT_TREMOLO] = tickTremolo;
    t[EFFECT_VOLUME_SLIDE] = tickVolumeSlide;
    t[EFFECT_GLOBAL_VOLUME_SLIDE] = tickGlobalVolumeSlide;
    t[EFFECT_PANNING_SLIDE] = tickPanningSlide;
    t[EFFECT_MULTI_RETRIG] = tickMultiRetrig;
    t[EFFECT_TREMOR] = tickTremor;
    return t;
}

constexpr std::array<TickEffect, EFFECT_TABLE_SIZE> tickEffects = makeTickEffects();

// The volume column on the ticks after the row tick, by its upper nibble.
// Set volume, fine slides, vibrato speed and set panning act on the row tick
// only.
using VolumeColumnEffect = void (*)(Channel*, int32_t amount);

void columnNone(Channel*, int32_t) {}

void columnSlideDown(Channel* ch, int32_t amount) {
    ch->volume = std::max(ch->volume - amount, 0);
    ch->flags |= UPDATE_VOLUME;
}

void columnSlideUp(Channel* ch, int32_t amount) {
    ch->volume = std::min(ch->volume + amount, 64);
    ch->flags |= UPDATE_VOLUME;
}

void columnVibrato(Channel* ch, int32_t depth) {
    ch->vibratoDepth = static_cast<uint8_t>(depth);
    applyVibrato(ch);
    advanceVibrato(ch);
}

// No limit here: the voice update limits the pan it hands on.
void columnPanLeft(Channel* ch, int32_t amount) {
    ch->pan -= amount;
    ch->flags |= UPDATE_PAN;
}

void columnPanRight(Channel* ch, int32_t amount) {
    ch->pan += amount;
    ch->flags |= UPDATE_PAN;
}

void columnTonePorta(Channel* ch, int32_t) {
    stepTonePorta(ch);
}

constexpr std::array<VolumeColumnEffect, 16> volumeColumnEffects = {
    columnNone, columnNone,    columnNone,      columnNone,       // 0x00..0x3F
    columnNone, columnNone,    columnSlideDown, columnSlideUp,    // 0x40..0x7F
    columnNone, columnNone,    columnNone,      columnVibrato,    // 0x80..0xBF
    columnNone, columnPanLeft, columnPanRight,  columnTonePorta,  // 0xC0..0xFF
};

void tickChannel(Song* song, Channel* ch, const NoteCell& cell) {
    const Instrument* instrument;
    const Sample* sample;
    findSample(ch, song, &instrument, &sample);

    ch->volumeDelta = 0;
    ch->periodDelta = 0;
    ch->flags = 0;

    stepEnvelopesAndFadeout(ch, *instrument);

    volumeColumnEffects[cell.volume >> 4](ch, cell.volume & 0x0F);

    if (cell.effect < EFFECT_TABLE_SIZE) {
        TickContext context{song, ch, sample, cell.param};
        tickEffects[cell.effect](context);
    }

    applyAutoVibrato(ch, instrument);
    updateVoice(ch, sample, song);
}

// Rows of the pattern that order `order` plays; 0 when the order or its
// pattern does not exist.
int32_t patternRows(const Song* song, int32_t order) {
    if (order < 0 || order >= 256 || song->patterns == nullptr) return 0;
    const int32_t index = song->orders[order];
    return index < song->patternCount ? song->patterns[index].rows : 0;
}

}  // namespace

void processTickEffects(Song* song) {
    if (song->channelCount <= 0) return;
    const NoteCell* cells = currentRowCells(song);
    const int32_t count = std::min<int32_t>(song->channelCount, CHANNEL_COUNT);
    for (int32_t i = 0; i < count; ++i) tickChannel(song, &channels[i], cells[i]);
}

void songTick(Song* song) {
    if (song->tick != 0) {
        processTickEffects(song);
    } else {
        if (song->nextOrder >= 0) song->order = song->nextOrder;
        if (song->nextRow >= 0) song->row = song->nextRow;
        // A break into a pattern shorter than the row it names starts that
        // pattern from its top, never reading past its end.
        if (song->row >= patternRows(song, song->order)) song->row = 0;

        processRow(song);

        // Every row tick moves on by at least one row or order, so no song
        // can hold the clock inside one tick, whatever its pattern sizes.
        if (song->nextRow == -1) {
            song->nextRow = song->row + 1;
            if (song->nextRow >= patternRows(song, song->order)) {
                song->nextOrder = song->order + 1;
                if (song->nextOrder >= song->songLength) {
                    // safety: a restart position outside the order list
                    // restarts from the first order.
                    const bool valid = song->restartPosition >= 0 && song->restartPosition < song->songLength;
                    song->nextOrder = valid ? song->restartPosition : 0;
                }
                song->nextRow = 0;
            }
        }
    }
    song->tick += 1;
    if (song->tick >= song->speed) song->tick = 0;
}
