#include <algorithm>

#include "music/channel.h"

namespace {

// safety: envelope values are 0..64; a malformed point above that would
// overflow the 16.16 value and wrap the voice volume.
int32_t pointY(const EnvelopePoint& point) {
    return std::min<int32_t>(point.y, 64);
}

}  // namespace

void EnvelopeState::advance(const Envelope& envelope, bool released) {
    // safety: the record holds ENVELOPE_POINTS points whatever the count
    // says, and the loop only applies when both its points exist.
    int32_t count = std::min<int32_t>(envelope.pointCount, ENVELOPE_POINTS);
    const EnvelopePoint* points = envelope.points;
    int32_t i = point;

    if (i >= 0 && i < count && tick == points[i].x) {
        if ((envelope.flags & ENVELOPE_LOOP) && i == envelope.loopEnd && envelope.loopStart < count) {
            i = envelope.loopStart;
            tick = points[i].x;
        }
        if (i == count - 1) {
            point = i;
            out = pointY(points[i]);
            done = 1;
            return;
        }
        if ((envelope.flags & ENVELOPE_SUSTAIN) && i == envelope.sustain && !released) {
            point = i;
            out = pointY(points[i]);
            return;
        }
        int32_t dx = points[i + 1].x - points[i].x;
        int32_t dy = pointY(points[i + 1]) - pointY(points[i]);
        // Equal x give a flat segment. safety: so does a point placed before
        // its predecessor; stepping toward it would run the value off without
        // end, since the tick never meets that point's x.
        step = dx > 0 ? dy * 65536 / dx : 0;
        value = pointY(points[i]) * 65536;
        i += 1;
        point = i;
    } else if (i >= 0 && i < count && tick < points[i].x) {
        // safety: the value moves only while the tick has yet to meet the
        // point it heads for, so it never leaves that segment's range, however
        // the tick came to run past the point.
        value += step;
    }
    out = value >> 16;
    tick += 1;
}

void EnvelopeState::moveTo(const Envelope& envelope, int32_t position) {
    // safety: an envelope switched on with no points has nothing to move to.
    const int32_t count = std::min<int32_t>(envelope.pointCount, ENVELOPE_POINTS);
    if (count == 0) return;
    const EnvelopePoint* points = envelope.points;
    int32_t j = 0;
    while (j < count && !(j + 1 < ENVELOPE_POINTS && position <= points[j + 1].x)) ++j;

    point = j;
    if (j >= count - 1) {  // at or after the last point: its value, for good
        out = pointY(points[count - 1]);
        done = 1;
        return;
    }
    done = 0;
    tick = position;
    if (position < points[j].x) {
        // fix: a position before the first point (one placed at a late tick)
        // holds that point's value until the tick reaches it, and the step
        // takes the envelope on from there. Extrapolating the first segment
        // backwards put the value far outside 0..64 and overflowed it within
        // a tick or two.
        step = 0;
        value = pointY(points[j]) * 65536;
        out = pointY(points[j]);
        return;
    }
    const int32_t dx = points[j + 1].x - points[j].x;
    const int32_t dy = pointY(points[j + 1]) - pointY(points[j]);
    step = dx == 0 ? 0 : dy * 65536 / dx;
    // The position lies on the segment (x of j <= position <= x of j + 1), so
    // the value stays between the two points' values.
    value = (position - points[j].x) * step + pointY(points[j]) * 65536;
    out = value >> 16;
    point = j + 1;
}

void EnvelopeState::restart(int32_t startOut) {
    out = startOut;
    tick = 0;
    point = 0;
    step = 0;
    done = 0;
}

void stepEnvelopesAndFadeout(Channel* channel, const Instrument& instrument) {
    const bool released = channel->keyOff != 0;
    if ((instrument.volumeFlags & ENVELOPE_ON) && !channel->volEnv.done) {
        channel->volEnv.advance(volumeEnvelope(instrument), released);
        channel->flags |= UPDATE_VOLUME;
    }
    if ((instrument.panningFlags & ENVELOPE_ON) && !channel->panEnv.done) {
        channel->panEnv.advance(panningEnvelope(instrument), released);
        channel->flags |= UPDATE_PAN;
    }
    if (released) {
        channel->fadeout = std::max<int32_t>(channel->fadeout - instrument.fadeout, 0);
        channel->flags |= UPDATE_VOLUME;
    }
}
