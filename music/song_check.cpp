#include "music/song_check.h"

#include <cstdarg>
#include <cstdio>

#include "music/song.h"

namespace {

std::string format(const char* text, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* text, ...) {
    char buffer[200];
    va_list args;
    va_start(args, text);
    std::vsnprintf(buffer, sizeof buffer, text, args);
    va_end(args);
    return buffer;
}

std::string checkEnvelope(int32_t instrument, const char* kind, const Envelope& e) {
    if (e.pointCount > ENVELOPE_FILE_POINTS)
        return format("instrument %d: %s envelope has %u points", instrument, kind, unsigned{e.pointCount});
    if (e.flags != 0 && e.pointCount < 2)
        return format("instrument %d: %s envelope on with %u points", instrument, kind,
                      unsigned{e.pointCount});
    if (e.pointCount > 0) {
        // The envelope step jumps to the loop start and holds at the sustain
        // point by index.
        for (uint8_t point : {e.sustain, e.loopStart, e.loopEnd})
            if (point >= e.pointCount)
                return format("instrument %d: %s envelope point %u of %u", instrument, kind, unsigned{point},
                              unsigned{e.pointCount});
    }
    for (int32_t k = 0; k < e.pointCount; ++k) {
        if (e.points[k].y > 64)
            return format("instrument %d: %s envelope value %u", instrument, kind, unsigned{e.points[k].y});
        if (k > 0 && e.points[k].x <= e.points[k - 1].x)
            return format("instrument %d: %s envelope x not increasing at point %d", instrument, kind, k);
    }
    return {};
}

std::string checkSample(int32_t instrument, int32_t slot, const Sample& s) {
    auto where = [&] { return format("instrument %d sample %d: ", instrument, slot); };
    if (s.loopType != SAMPLE_NO_LOOP && s.loopType != SAMPLE_FORWARD_LOOP &&
        s.loopType != SAMPLE_PINGPONG_LOOP)
        return where() + format("loop type %u", unsigned{s.loopType});
    if (s.volume > 64) return where() + format("volume %u", unsigned{s.volume});
    if (s.panning < 0 || s.panning > 255) return where() + format("panning %d", s.panning);
    // Positions are signed 32-bit frames.
    if (s.length > INT32_MAX) return where() + format("length %u", s.length);
    if (s.length == 0) {
        if (s.data) return where() + "data for an empty sample";
        if (s.loopType != SAMPLE_NO_LOOP || s.loopStart != 0 || s.loopLength != 0)
            return where() + "loop on an empty sample";
        return {};
    }
    if (!s.data) return where() + format("no data for %u frames", s.length);
    if (s.bits != 16) return where() + format("%u bits", unsigned{s.bits});
    if (s.loopLength == 0) return where() + "loop length 0";
    if (s.loopStart >= s.length || s.loopLength > s.length - s.loopStart)
        return where() + format("loop %u + %u past the end %u", s.loopStart, s.loopLength, s.length);
    // The mixer reads one frame ahead of the data and one past the loop end.
    if (s.data[-1] != 0) return where() + "frame before the data is not zero";
    const uint32_t end = s.loopStart + s.loopLength;
    int16_t guard = 0;
    if (s.loopType == SAMPLE_FORWARD_LOOP) guard = s.data[s.loopStart];
    if (s.loopType == SAMPLE_PINGPONG_LOOP) guard = s.data[end - 1];
    if (s.data[end] != guard) return where() + format("guard frame %d, expected %d", s.data[end], guard);
    // The mixer plays runs of a short forward loop from its copy.
    if ((s.loopCopy != nullptr) != (s.loopCopyFrames != 0)) return where() + "loop copy without its length";
    if (s.loopCopy != nullptr) {
        if (s.loopType != SAMPLE_FORWARD_LOOP || s.loopCopyFrames <= s.loopLength)
            return where() + format("loop copy of %u frames", s.loopCopyFrames);
        for (uint32_t k = 0; k < s.loopCopyFrames; ++k) {
            if (s.loopCopy[k] != s.data[s.loopStart + k % s.loopLength])
                return where() + format("loop copy frame %u differs from the loop", k);
        }
    }
    return {};
}

}  // namespace

std::string checkSong(const Song* song) {
    if (!song) return "no song";
    const Song& s = *song;
    if (s.channelCount < 1 || s.channelCount > 32) return format("channel count %d", s.channelCount);
    if (s.songLength < 1 || s.songLength > 256) return format("song length %d", s.songLength);
    if (s.restartPosition < 0 || s.restartPosition >= s.songLength)
        return format("restart position %d of %d", s.restartPosition, s.songLength);
    if (s.defaultBpm < 1 || s.defaultBpm > 255) return format("default BPM %d", s.defaultBpm);
    if (!s.tickCallback) return "no tick callback";
    if (s.patternCount < s.usedPatternCount || s.patternCount > 256 || s.patternCount < 1)
        return format("pattern count %d (%d used)", s.patternCount, s.usedPatternCount);
    if (!s.patterns) return "no patterns";
    for (int32_t i = 0; i < s.songLength; ++i)
        if (s.orders[i] >= s.patternCount)
            return format("order %d names pattern %u of %d", i, unsigned{s.orders[i]}, s.patternCount);
    for (int32_t p = 0; p < s.patternCount; ++p) {
        const Pattern& pattern = s.patterns[p];
        if (pattern.rows < 1 || pattern.rows > 256) return format("pattern %d has %d rows", p, pattern.rows);
        if (!pattern.cells) return format("pattern %d has no cells", p);
        const int32_t cells = pattern.rows * s.channelCount;
        for (int32_t c = 0; c < cells; ++c) {
            const NoteCell& cell = pattern.cells[c];
            if (cell.note > 96 && cell.note != 255)
                return format("pattern %d row %d: note %u", p, c / s.channelCount, unsigned{cell.note});
            if (cell.instrument > 128)
                return format("pattern %d row %d: instrument %u", p, c / s.channelCount,
                              unsigned{cell.instrument});
        }
    }
    if (s.instrumentCount < 0 || s.instrumentCount > 128)
        return format("instrument count %d", s.instrumentCount);
    if (s.instrumentCount > 0 && !s.instruments) return "no instruments";
    for (int32_t i = 0; i < s.instrumentCount; ++i) {
        const Instrument& in = s.instruments[i];
        const int32_t number = i + 1;
        if (in.sampleCount < 0 || in.sampleCount > MAX_SAMPLES_PER_INSTRUMENT)
            return format("instrument %d has %d samples", number, in.sampleCount);
        if (in.autoVibratoType > 3)
            return format("instrument %d: auto-vibrato type %u", number, unsigned{in.autoVibratoType});
        std::string e = checkEnvelope(number, "volume", volumeEnvelope(in));
        if (e.empty()) e = checkEnvelope(number, "panning", panningEnvelope(in));
        if (!e.empty()) return e;
        for (int32_t slot = 0; slot < MAX_SAMPLES_PER_INSTRUMENT; ++slot) {
            const Sample* sample = in.samples[slot];
            if (!sample) return format("instrument %d sample %d missing", number, slot);
            if (slot >= in.sampleCount) {
                if (sample != &emptySample)
                    return format("instrument %d slot %d is not the empty sample", number, slot);
                continue;
            }
            std::string v = checkSample(number, slot, *sample);
            if (!v.empty()) return v;
        }
    }
    // The placeholders are shared by every song: a write to them would leak
    // into all.
    if (emptySample.data || emptySample.length || emptySample.loopLength)
        return "the empty sample has been written to";
    if (emptyInstrument.sampleCount || emptyInstrument.volumeFlags || emptyInstrument.panningFlags)
        return "the empty instrument has been written to";
    return {};
}
