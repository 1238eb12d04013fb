#include "music/channel.h"

#include <climits>
#include <cmath>

Channel channels[CHANNEL_COUNT];

void findSample(const Channel* channel, const Song* song, const Instrument** instrument,
                const Sample** sample) {
    const Instrument* in = &emptyInstrument;
    const Sample* s = &emptySample;
    if (channel->instrument < song->instrumentCount && song->instruments != nullptr) {
        in = &song->instruments[channel->instrument];
        // safety: a malformed pattern note above 96 leaves note past the
        // 96-entry map; it plays nothing instead of reading beyond it.
        if (channel->note < 96) {
            uint8_t slot = in->sampleMap[channel->note];
            if (slot < MAX_SAMPLES_PER_INSTRUMENT && in->samples[slot] != nullptr) s = in->samples[slot];
        }
    }
    *instrument = in;
    *sample = s;
}

namespace {

// 1/12 as a float: the semitone exponent of the Amiga period table.
constexpr float SEMITONE = 0.0833333358f;

// 13.375 x 2^(k / 12), truncated. Saturates instead of overflowing for the
// far-off notes a wild relative note can produce.
int64_t amigaTableValue(int32_t k) {
    double v = 13.375 * std::exp2(static_cast<double>(k) * static_cast<double>(SEMITONE));
    if (v >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int64_t>(v);
}

int32_t clampToInt32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace

int32_t amigaPeriod(int32_t realNote, int32_t finetune) {
    int64_t n = realNote;
    int64_t base = amigaTableValue(static_cast<int32_t>(132 - n));
    int64_t result;
    if (finetune < 0 && n != 0) {
        int64_t lower = amigaTableValue(static_cast<int32_t>(133 - n));
        result = base + ((base - lower) * -finetune) / -128;
    } else {
        int64_t higher = amigaTableValue(static_cast<int32_t>(131 - n));
        result = base + ((base - higher) * finetune) / -128;
    }
    return clampToInt32(result);
}

int32_t periodForNote(int32_t realNote, int32_t finetune, bool linear) {
    if (linear) return 7680 - 64 * realNote - finetune / 2;
    return amigaPeriod(realNote, finetune);
}

void stepTonePorta(Channel* channel) {
    int64_t period = channel->period;
    int64_t target = channel->portaTarget;
    int64_t speed = 4 * static_cast<int64_t>(channel->portaSpeed);
    if (period < target) {
        period += speed;
        if (period > target) period = target;
    } else if (period > target) {
        period -= speed;
        if (period < target) period = target;
    }
    channel->period = static_cast<int32_t>(period);
    channel->flags |= UPDATE_FREQUENCY;
}

void applyVibrato(Channel* channel) {
    int32_t a = vibratoSine(channel->vibratoPos);
    int32_t d = ((a * channel->vibratoDepth) >> 5) & ~3;
    channel->periodDelta = channel->vibratoPos < 0 ? d : -d;
    channel->flags |= UPDATE_FREQUENCY;
}

namespace {

// Moves a vibrato or tremolo position by its speed in 8-bit signed
// arithmetic, folding it back into -32..31.
int8_t advancePosition(int8_t position, uint8_t speed) {
    int8_t p = static_cast<int8_t>(position + speed);
    if (p > 31) p = static_cast<int8_t>(p - 64);
    return p;
}

}  // namespace

void advanceVibrato(Channel* channel) {
    channel->vibratoPos = advancePosition(channel->vibratoPos, channel->vibratoSpeed);
}

void applyAutoVibrato(Channel* channel, const Instrument* instrument) {
    if (instrument == nullptr) instrument = &emptyInstrument;
    int32_t sweep = instrument->autoVibratoSweep;
    int32_t a = autoVibratoWave(instrument->autoVibratoType, channel->autoVibratoPos);
    a *= instrument->autoVibratoDepth;
    if (sweep != 0) a = static_cast<int32_t>((static_cast<int64_t>(channel->autoVibratoTicks) * a) / sweep);
    channel->periodDelta += a >> 6;

    channel->autoVibratoTicks += 1;
    if (channel->autoVibratoTicks > sweep) channel->autoVibratoTicks = sweep;

    channel->autoVibratoPos += instrument->autoVibratoRate;
    if (channel->autoVibratoPos > 255) channel->autoVibratoPos -= 256;
    channel->flags |= UPDATE_FREQUENCY;
}

void applyTremolo(Channel* channel) {
    int32_t a = vibratoSine(channel->tremoloPos);
    int32_t delta = (a * channel->tremoloDepth) >> 6;
    if (channel->tremoloPos >= 0) {
        if (channel->volume + delta > 64) delta = 64 - channel->volume;
    } else {
        if (channel->volume - delta < 0) delta = channel->volume;
        delta = -delta;
    }
    channel->volumeDelta = delta;
    channel->tremoloPos = advancePosition(channel->tremoloPos, channel->tremoloSpeed);
    channel->flags |= UPDATE_VOLUME;
}

void stepTremor(Channel* channel) {
    if (channel->tremorCount >= channel->tremorOn) channel->volumeDelta = -channel->volume;
    channel->tremorCount = static_cast<uint8_t>(channel->tremorCount + 1);
    if (channel->tremorCount >= channel->tremorOn + channel->tremorOff) channel->tremorCount = 0;
    channel->flags |= UPDATE_VOLUME;
}

void applyVolumeColumn(Channel* channel, uint8_t volumeByte) {
    int32_t low = volumeByte & 0x0F;
    switch (volumeByte >> 4) {
        case 0x1:
        case 0x2:
        case 0x3:
        case 0x4:
            channel->volume = volumeByte - 0x10;
            channel->flags |= UPDATE_VOLUME;
            break;
        case 0x5:
            // Only 0x50 (volume 64) is a volume; 0x51..0x5F do nothing.
            if (volumeByte == 0x50) {
                channel->volume = 64;
                channel->flags |= UPDATE_VOLUME;
            }
            break;
        case 0x6:
        case 0x8:
            channel->volume -= low;
            if (channel->volume < 0) channel->volume = 0;
            channel->flags |= UPDATE_VOLUME;
            break;
        case 0x7:
        case 0x9:
            channel->volume += low;
            if (channel->volume > 64) channel->volume = 64;
            channel->flags |= UPDATE_VOLUME;
            break;
        case 0xA:
            channel->vibratoSpeed = static_cast<uint8_t>(low);
            break;
        case 0xB:
            channel->vibratoDepth = static_cast<uint8_t>(low);
            break;
        case 0xC:
            channel->pan = low * 16;
            channel->flags |= UPDATE_PAN;
            break;
        case 0xD:
            // Unlimited on purpose: the voice update limits the voice pan.
            channel->pan -= low;
            channel->flags |= UPDATE_PAN;
            break;
        case 0xE:
            channel->pan += low;
            channel->flags |= UPDATE_PAN;
            break;
        case 0xF:
            if (low != 0) channel->portaSpeed = static_cast<uint8_t>(low * 16);
            channel->portaTarget = channel->notePeriod;
            channel->flags &= static_cast<uint8_t>(~UPDATE_TRIGGER);
            break;
        default:
            break;
    }
}

void resetNote(Channel* channel, const Sample* sample) {
    if (sample == nullptr) sample = &emptySample;
    channel->volume = sample->volume;
    channel->pan = sample->panning;
    channel->volEnv.restart(64);
    channel->panEnv.restart(32);
    channel->keyOff = 0;
    channel->fadeout = 65536;
    channel->autoVibratoPos = 0;
    channel->autoVibratoTicks = 0;
    channel->vibratoPos = 0;
    channel->tremoloPos = 0;
    channel->tremorCount = 0;
    channel->flags |= UPDATE_VOLUME | UPDATE_PAN;
}
