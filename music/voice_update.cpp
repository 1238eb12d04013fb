#include <climits>
#include <cmath>
#include <cstdlib>

#include "music/channel.h"
#include "music/output_format.h"
#include "music/voice.h"

namespace {

// 1/768 as a float: one linear period unit is 1/768 of an octave.
constexpr float OCTAVE_PER_PERIOD = 0.00130208337f;
constexpr int32_t MINIMUM_FREQUENCY = 100;

// Linear mode: 8363 Hz at 4608, an octave per 768 units. The delta is
// added here, so in this mode a larger periodDelta raises the pitch.
int32_t linearFrequency(int64_t period, int64_t periodDelta) {
    double exponent =
        static_cast<double>(4608 - period + periodDelta) * static_cast<double>(OCTAVE_PER_PERIOD);
    double f = 8363.0 * std::exp2(exponent);
    // safety: a period driven far below zero (extra fine portamento up has
    // no limit) would overflow the conversion; the pitch saturates instead.
    if (f >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(f);
}

// Amiga mode: the clock divided by the period (never 0 here).
int32_t amigaFrequency(int64_t pitch) {
    int64_t f = 14317056 / pitch;
    if (f > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(f);
}

// Recomputes left and right gains from the voice's volume and pan.
void setGains(Voice* voice) {
    voice->leftVolume = static_cast<uint8_t>(voice->volume * voice->pan / 255);
    voice->rightVolume = static_cast<uint8_t>((255 - voice->pan) * voice->volume / 255);
}

}  // namespace

void updateVoice(Channel* channel, const Sample* sample, const Song* song) {
    Voice* voice = channel->voice;
    if (voice == nullptr || song == nullptr) return;

    // Sums in 64 bits: periods and pans run without limit under some slides.
    int64_t pitch = static_cast<int64_t>(channel->period) + channel->periodDelta;
    if (pitch == 0) channel->flags &= static_cast<uint8_t>(~UPDATE_FREQUENCY);

    if (channel->flags & UPDATE_TRIGGER) {
        voice->sample = sample;
        if (sample != nullptr) {
            uint64_t loopEnd = static_cast<uint64_t>(sample->loopStart) + sample->loopLength;
            // safety: also never past the data, for a loop that overruns the
            // sample in a malformed module.
            if (voice->startOffset >= loopEnd || voice->startOffset >= sample->length) voice->startOffset = 0;
        } else {
            voice->startOffset = 0;
        }
        voice->positionInt = static_cast<int32_t>(voice->startOffset);
        voice->positionFrac = 0;
        voice->startOffset = 0;
        voice->direction = VOICE_FORWARD;
    }

    if (channel->flags & UPDATE_VOLUME) {
        int64_t v = static_cast<int64_t>(channel->volume) + channel->volumeDelta;
        v *= channel->volEnv.out;
        v *= channel->fadeout;
        v *= song->globalVolume;
        v = v * 255 / (int64_t{1} << 35);
        // safety: every factor at its top gives 127; a sample volume or
        // global volume above 64 in a malformed module must not wrap the
        // byte gains from loud to quiet.
        if (v < 0) v = 0;
        if (v > 127) v = 127;
        voice->volume = static_cast<int32_t>(v);
        setGains(voice);
    }

    if (channel->flags & UPDATE_PAN) {
        int64_t d = std::llabs(static_cast<int64_t>(channel->pan) - 128);
        // The envelope swings the pan by up to 4 x 32 at the centre and not
        // at all at the extremes (the division truncates first).
        int64_t p = ((128 - d) / 32) * (channel->panEnv.out - 32) + channel->pan;
        if (p < 0) p = 0;
        if (p > 255) p = 255;
        voice->pan = static_cast<int32_t>(p);
        setGains(voice);
    }

    if ((channel->flags & UPDATE_FREQUENCY) && outputRate > 0) {
        bool linear = (song->flags & SONG_LINEAR_FREQUENCIES) != 0;
        // Linear mode hears period and delta only through delta - period.
        const int64_t key =
            linear ? 2 * (static_cast<int64_t>(channel->periodDelta) - channel->period) + 1 : 2 * pitch;
        if (key != voice->stepPitch || outputRate != voice->stepRate) {
            int64_t g =
                linear ? linearFrequency(channel->period, channel->periodDelta) : amigaFrequency(pitch);
            if (g < MINIMUM_FREQUENCY) g = MINIMUM_FREQUENCY;
            uint64_t rate = static_cast<uint64_t>(outputRate);
            uint64_t stepInt = static_cast<uint64_t>(g) / rate;
            uint64_t remainder = static_cast<uint64_t>(g) % rate;
            voice->stepInt = static_cast<int32_t>(stepInt);
            voice->stepFrac = static_cast<uint32_t>(((remainder << 32) + stepInt) / rate);
            voice->stepPitch = key;
            voice->stepRate = outputRate;
        }
    }

    if (channel->flags & UPDATE_STOP) {
        voice->sample = nullptr;
        voice->positionInt = 0;
        voice->positionFrac = 0;
        voice->startOffset = 0;
    }
}
