// XM module loader: turns a module's bytes into a Song with unpacked
// patterns, instruments and 16-bit samples ready to mix. The bytes come from
// a file, from memory (an embedded resource, a buffer) or from the stream a
// registered callback table opens by name; all of them are read the same
// way, through one bounds-checked reader.
//
// Bad input. A module comes from outside, so everything the player later
// indexes with is checked here; what cannot be played is refused (null
// result, reason in lastLoadError()), what is merely sloppy is repaired
// (counted in lastLoadRepairs()), and the finished song is checked once more
// against the player's invariants (music/song_check.h) before it is handed
// out.
//
// Refused:
//   - id text other than "Extended Module: " (also an empty or missing source)
//   - channel count 0, or above 32 (the player has 32 channels)
//   - an instrument with more than 16 samples
//   - an allocation that fails
// Repaired:
//   - song length 0 -> 1; above 256 -> 256
//   - restart position at or past the song length -> 0
//   - default BPM 0 -> 125; above 255 -> 255 (a tick must last a frame at least)
//   - more than 256 stored patterns: the rest are read past (orders are bytes)
//   - pattern with 0 rows -> 64 empty rows; its packed bytes are passed over
//   - pattern with more than 256 rows -> all rows are read, the first 256 kept
//   - note above 96 other than 97 (key off) -> no note
//   - more than 128 instruments -> the first 128 (cells name 1..128 only)
//   - envelope point count above 12 -> 12
//   - envelope y above 64 -> 64
//   - envelope x not increasing -> moved to one tick after the point before
//   - envelope sustain or loop point at or past the point count -> last point
//   - auto-vibrato type above 3 -> 0 (sine)
//   - sample volume above 64 -> 64
//   - sample longer than the bytes left in the module -> cut to what is there
//   - loop starting at or past the sample's end -> no loop
//   - loop running past the sample's end -> ends at the sample's end
//   - 16-bit sample with an odd byte length -> the odd byte is skipped
//   - header size pointing past the end of the module -> end of the module
// Accepted as they stand (real modules have them):
//   - order entries naming patterns that are not stored (empty 64-row
//     patterns are added), many empty patterns
//   - instrument header sizes other than 263 (29, 33, 243, ...)
//   - fadeout 32767 (doubled in 16 bits as the format does)
//   - a sample type with both loop bits set (ping-pong)
//   - a module cut short: what is there loads, the rest stays zero
#include "music/loader.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <type_traits>

#include "base/file_bytes.h"
#include "music/file_callbacks.h"
#include "music/mixer.h"
#include "music/song_check.h"
#include "music/song_clock.h"
#include "music/voice.h"

Sample emptySample{};
Instrument emptyInstrument{};

namespace {

constexpr char XM_ID[] = "Extended Module: ";
constexpr int32_t XM_ID_LENGTH = 17;
constexpr int64_t HEADER_SIZE_OFFSET = 60;
constexpr int32_t MAX_CHANNELS = 32;
constexpr int32_t MAX_ORDERS = 256;
constexpr int32_t MAX_PATTERNS = 256;
constexpr int32_t MAX_ROWS = 256;
constexpr int32_t ADDED_PATTERN_ROWS = 64;
constexpr int32_t MAX_INSTRUMENTS = 128;
constexpr uint8_t MAX_NOTE = 96;
constexpr uint8_t FILE_KEY_OFF = 97;
constexpr uint8_t KEY_OFF = 255;
constexpr uint8_t MAX_CELL_INSTRUMENT = 128;
constexpr int16_t DEFAULT_BPM = 125;
constexpr int16_t MAX_BPM = 255;
constexpr uint8_t MAX_VOLUME = 64;
constexpr uint16_t MAX_ENVELOPE_Y = 64;
constexpr uint8_t MAX_AUTO_VIBRATO_TYPE = 3;
constexpr int32_t SKIPPED_AFTER_TYPE = 23;   // instrument name and type byte
constexpr int32_t SKIPPED_SAMPLE_NAME = 23;  // reserved byte and sample name
constexpr size_t SPARE_FRAMES = 8;

thread_local LoadError lastError{};
// Set by the audio output while it is open (see setSongReleaseGuard).
std::atomic<SongReleaseGuard> releaseGuard{nullptr};
thread_local LoadRepairs lastRepairs{};

void noteRepair(const char* format, ...) __attribute__((format(printf, 1, 2)));
void noteRepair(const char* format, ...) {
    if (lastRepairs.count++ > 0) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(lastRepairs.first, sizeof lastRepairs.first, format, args);
    va_end(args);
}

// Bounds-checked little-endian reader over the module's bytes. A short read
// sets a sticky flag and leaves the bytes it did not deliver as they were,
// so a field of a module cut short keeps its earlier (zero) value.
class XmReader {
  public:
    explicit XmReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    int64_t size() const { return static_cast<int64_t>(bytes_.size()); }
    int64_t position() const { return position_; }
    int64_t remaining() const { return size() - position_; }
    bool ended() const { return ended_; }
    void markEnded() { ended_ = true; }

    void seekTo(int64_t offset) {
        if (offset > size()) {
            offset = size();
            ended_ = true;
        }
        if (offset < 0) offset = 0;
        position_ = offset;
    }
    void skip(int64_t count) { seekTo(position_ + count); }

    int32_t bytes(void* destination, int32_t count) {
        const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(remaining(), 0, std::max(count, 0)));
        if (n > 0) std::memcpy(destination, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += n;
        if (n < count) ended_ = true;
        return n;
    }

    template <typename T>
    void field(T& value) {
        static_assert(std::is_integral_v<T>);
        using U = std::make_unsigned_t<T>;
        U v = static_cast<U>(value);
        uint8_t b[sizeof(T)];
        for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
        bytes(b, sizeof(T));
        v = 0;
        for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<U>(v | U{b[i]} << (8 * i));
        value = static_cast<T>(v);
    }

  private:
    std::span<const uint8_t> bytes_;
    int64_t position_ = 0;
    bool ended_ = false;
};

struct Loader {
    Song* song;
    XmReader reader;
    int32_t storedPatterns = 0;

    bool outOfMemory(const char* what) {
        setLoadError(LoadErrorCode::OutOfMemory, "out of memory for %s", what);
        return false;
    }

    bool readHeader();
    bool readPatterns();
    NoteCell readCell(int32_t pattern, int32_t row);
    bool readInstrument(int32_t index);
    void readSampleHeader(Sample& sample, uint32_t& fileBytes);
    bool readSampleData(Sample& sample, uint32_t fileBytes, int32_t instrument, int32_t slot);
};

bool Loader::readHeader() {
    char id[XM_ID_LENGTH] = {};
    reader.seekTo(0);
    int32_t delivered = reader.bytes(id, XM_ID_LENGTH);
    if (delivered == 0) {
        setLoadError(LoadErrorCode::NotXm, "not an XM file (the data is empty or missing)");
        return false;
    }
    // Bytes that were not delivered never count as matching.
    if (delivered < XM_ID_LENGTH || std::memcmp(id, XM_ID, XM_ID_LENGTH) != 0) {
        setLoadError(LoadErrorCode::NotXm, "not an XM file");
        return false;
    }
    song->tickCallback = songTick;
    song->initialGlobalVolume = 64;

    reader.seekTo(HEADER_SIZE_OFFSET);
    uint32_t headerSize = 0;
    uint16_t songLength = 0, restart = 0, channels = 0, patterns = 0, instruments = 0;
    uint16_t bpm = 0;
    reader.field(headerSize);
    reader.field(songLength);
    reader.field(restart);
    reader.field(channels);
    reader.field(patterns);
    reader.field(instruments);
    reader.field(song->flags);
    reader.field(song->defaultSpeed);
    reader.field(bpm);
    reader.bytes(song->orders, sizeof song->orders);

    if (channels == 0) {
        setLoadError(LoadErrorCode::NoChannels, "the module has no channels");
        return false;
    }
    if (channels > MAX_CHANNELS) {
        setLoadError(LoadErrorCode::TooManyChannels, "the module has %u channels; at most %d",
                     unsigned{channels}, MAX_CHANNELS);
        return false;
    }
    song->channelCount = static_cast<int16_t>(channels);

    if (songLength == 0) {
        noteRepair("song length 0; 1 played");
        songLength = 1;
    } else if (songLength > MAX_ORDERS) {
        noteRepair("song length %u; %d played", unsigned{songLength}, MAX_ORDERS);
        songLength = MAX_ORDERS;
    }
    song->songLength = static_cast<int16_t>(songLength);
    if (restart >= songLength) {
        noteRepair("restart position %u at or past the song length %u; 0 used", unsigned{restart},
                   unsigned{songLength});
        restart = 0;
    }
    song->restartPosition = static_cast<int16_t>(restart);
    if (bpm == 0) {
        noteRepair("default BPM 0; %d used", DEFAULT_BPM);
        bpm = DEFAULT_BPM;
    } else if (bpm > MAX_BPM) {
        noteRepair("default BPM %u; %d used", unsigned{bpm}, MAX_BPM);
        bpm = MAX_BPM;
    }
    song->defaultBpm = static_cast<int16_t>(bpm);
    if (instruments > MAX_INSTRUMENTS) {
        noteRepair("%u instruments; the first %d loaded", unsigned{instruments}, MAX_INSTRUMENTS);
        instruments = MAX_INSTRUMENTS;
    }
    song->instrumentCount = static_cast<int16_t>(instruments);

    reader.seekTo(HEADER_SIZE_OFFSET + int64_t{headerSize});

    song->usedPatternCount = 0;
    for (int32_t i = 0; i < song->songLength; ++i)
        if (song->orders[i] >= song->usedPatternCount) song->usedPatternCount = song->orders[i] + 1;
    storedPatterns = patterns;
    int32_t kept = storedPatterns;
    if (kept > MAX_PATTERNS) {
        noteRepair("%d stored patterns; only %d can be played", storedPatterns, MAX_PATTERNS);
        kept = MAX_PATTERNS;
    }
    song->patternCount = kept > song->usedPatternCount ? kept : song->usedPatternCount;
    song->patterns = static_cast<Pattern*>(std::calloc(song->patternCount, sizeof(Pattern)));
    if (!song->patterns) return outOfMemory("the pattern list");
    return true;
}

NoteCell Loader::readCell(int32_t pattern, int32_t row) {
    NoteCell cell{};
    uint8_t b = 0;
    reader.field(b);
    if (b & 0x80) {
        if (b & 0x01) reader.field(cell.note);
        if (b & 0x02) reader.field(cell.instrument);
        if (b & 0x04) reader.field(cell.volume);
        if (b & 0x08) reader.field(cell.effect);
        if (b & 0x10) reader.field(cell.param);
    } else {
        cell.note = b;
        uint8_t rest[4] = {};
        reader.bytes(rest, 4);
        cell.instrument = rest[0];
        cell.volume = rest[1];
        cell.effect = rest[2];
        cell.param = rest[3];
    }
    if (cell.note == FILE_KEY_OFF) {
        cell.note = KEY_OFF;
    } else if (cell.note > MAX_NOTE) {
        noteRepair("pattern %d row %d: note %u; dropped", pattern, row, unsigned{cell.note});
        cell.note = 0;
    }
    if (cell.instrument > MAX_CELL_INSTRUMENT) cell.instrument = 0;
    return cell;
}

bool Loader::readPatterns() {
    const int32_t channels = song->channelCount;
    for (int32_t p = 0; p < storedPatterns; ++p) {
        uint32_t headerLength = 0;  // the layout has 9; the value is not used
        uint8_t packing = 0;
        uint16_t rows = 0, packedSize = 0;
        reader.field(headerLength);
        reader.field(packing);
        reader.field(rows);
        reader.field(packedSize);

        int32_t keptRows = rows;
        if (rows == 0) {
            noteRepair("pattern %d has no rows; %d empty rows used", p, ADDED_PATTERN_ROWS);
            keptRows = ADDED_PATTERN_ROWS;
        } else if (rows > MAX_ROWS) {
            noteRepair("pattern %d has %u rows; the first %d kept", p, unsigned{rows}, MAX_ROWS);
            keptRows = MAX_ROWS;
        }
        NoteCell* cells = nullptr;
        if (p < MAX_PATTERNS) {
            cells = static_cast<NoteCell*>(
                std::calloc(static_cast<size_t>(keptRows) * channels, sizeof(NoteCell)));
            if (!cells) return outOfMemory("pattern cells");
            song->patterns[p].rows = keptRows;
            song->patterns[p].cells = cells;
        }
        // A pattern of no rows decodes nothing: its packed bytes, if any,
        // are passed over, or the next pattern header would be read in them.
        if (rows == 0) reader.skip(packedSize);
        if (rows == 0 || packedSize == 0) continue;
        // Exactly rows x channels cells, whatever the packed size says.
        for (int32_t r = 0; r < rows && !reader.ended(); ++r) {
            for (int32_t c = 0; c < channels && !reader.ended(); ++c) {
                NoteCell cell = readCell(p, r);
                if (cells && r < keptRows) cells[r * channels + c] = cell;
            }
        }
    }
    const int32_t kept = storedPatterns < MAX_PATTERNS ? storedPatterns : MAX_PATTERNS;
    for (int32_t p = kept; p < song->usedPatternCount; ++p) {
        song->patterns[p].rows = ADDED_PATTERN_ROWS;
        song->patterns[p].cells = static_cast<NoteCell*>(
            std::calloc(static_cast<size_t>(ADDED_PATTERN_ROWS) * channels, sizeof(NoteCell)));
        if (!song->patterns[p].cells) return outOfMemory("pattern cells");
    }
    return true;
}

void repairEnvelope(int32_t instrument, const char* kind, EnvelopePoint* points, uint8_t& count,
                    uint8_t& sustain, uint8_t& loopStart, uint8_t& loopEnd, uint8_t& flags) {
    if (count > ENVELOPE_FILE_POINTS) {
        noteRepair("instrument %d: %u %s envelope points; %d used", instrument, unsigned{count}, kind,
                   ENVELOPE_FILE_POINTS);
        count = ENVELOPE_FILE_POINTS;
    }
    for (int32_t k = 0; k < count; ++k) {
        if (points[k].y > MAX_ENVELOPE_Y) {
            noteRepair("instrument %d: %s envelope value %u; %u used", instrument, kind,
                       unsigned{points[k].y}, unsigned{MAX_ENVELOPE_Y});
            points[k].y = MAX_ENVELOPE_Y;
        }
        // A point at or before its predecessor is never reached: the
        // envelope would slide on past it for ever.
        if (k > 0 && points[k].x <= points[k - 1].x) {
            if (points[k - 1].x == UINT16_MAX) {
                noteRepair("instrument %d: %s envelope cut at point %d", instrument, kind, k);
                count = static_cast<uint8_t>(k);
                break;
            }
            noteRepair("instrument %d: %s envelope point %d not after point %d", instrument, kind, k, k - 1);
            points[k].x = static_cast<uint16_t>(points[k - 1].x + 1);
        }
    }
    if (count < 2) flags = 0;
    const uint8_t last = count > 0 ? static_cast<uint8_t>(count - 1) : 0;
    // An envelope that is off never uses its points: moved without a word.
    for (uint8_t* point : {&sustain, &loopStart, &loopEnd}) {
        if (*point > last && flags == 0) {
            *point = last;
        } else if (*point > last) {
            noteRepair("instrument %d: %s envelope point %u of %u; the last used", instrument, kind,
                       unsigned{*point}, unsigned{count});
            *point = last;
        }
    }
}

bool Loader::readInstrument(int32_t index) {
    Instrument& in = song->instruments[index];
    for (Sample*& slot : in.samples) slot = &emptySample;

    const int64_t start = reader.position();
    uint32_t headerSize = 0;
    reader.field(headerSize);
    reader.skip(SKIPPED_AFTER_TYPE);
    uint16_t sampleCount = 0;
    reader.field(sampleCount);
    if (sampleCount > MAX_SAMPLES_PER_INSTRUMENT) {
        setLoadError(LoadErrorCode::TooManySamples, "instrument %d has %u samples; at most %d", index + 1,
                     unsigned{sampleCount}, MAX_SAMPLES_PER_INSTRUMENT);
        return false;
    }
    in.sampleCount = sampleCount;
    if (sampleCount == 0) {
        reader.seekTo(start + headerSize);
        return true;
    }

    uint32_t sampleHeaderSize = 0;  // the layout has 40; the value is not used
    reader.field(sampleHeaderSize);
    reader.bytes(in.sampleMap, sizeof in.sampleMap);
    for (EnvelopePoint* points : {in.volumePoints, in.panningPoints}) {
        for (int32_t k = 0; k < ENVELOPE_FILE_POINTS; ++k) {
            reader.field(points[k].x);
            reader.field(points[k].y);
        }
    }
    for (uint8_t* b : {&in.volumePointCount, &in.panningPointCount, &in.volumeSustain, &in.volumeLoopStart,
                       &in.volumeLoopEnd, &in.panningSustain, &in.panningLoopStart, &in.panningLoopEnd,
                       &in.volumeFlags, &in.panningFlags, &in.autoVibratoType, &in.autoVibratoSweep,
                       &in.autoVibratoDepth, &in.autoVibratoRate})
        reader.field(*b);
    reader.field(in.fadeout);
    in.fadeout = static_cast<uint16_t>(in.fadeout << 1);

    repairEnvelope(index + 1, "volume", in.volumePoints, in.volumePointCount, in.volumeSustain,
                   in.volumeLoopStart, in.volumeLoopEnd, in.volumeFlags);
    repairEnvelope(index + 1, "panning", in.panningPoints, in.panningPointCount, in.panningSustain,
                   in.panningLoopStart, in.panningLoopEnd, in.panningFlags);
    if (in.autoVibratoType > MAX_AUTO_VIBRATO_TYPE) {
        noteRepair("instrument %d: auto-vibrato type %u; 0 used", index + 1, unsigned{in.autoVibratoType});
        in.autoVibratoType = 0;
    }

    reader.seekTo(start + headerSize);
    uint32_t fileBytes[MAX_SAMPLES_PER_INSTRUMENT] = {};
    for (int32_t s = 0; s < sampleCount; ++s) {
        auto* sample = static_cast<Sample*>(std::calloc(1, sizeof(Sample)));
        if (!sample) return outOfMemory("a sample header");
        in.samples[s] = sample;
        readSampleHeader(*sample, fileBytes[s]);
    }
    for (int32_t s = 0; s < sampleCount; ++s) {
        if (!readSampleData(*in.samples[s], fileBytes[s], index, s)) return false;
    }
    return true;
}

void Loader::readSampleHeader(Sample& sample, uint32_t& fileBytes) {
    reader.field(sample.length);
    reader.field(sample.loopStart);
    reader.field(sample.loopLength);
    reader.field(sample.volume);
    reader.field(sample.finetune);
    sample.loopType = SAMPLE_NO_LOOP;
    sample.bits = 8;
    uint8_t type = 0;
    reader.field(type);
    if (type & 0x01) sample.loopType = SAMPLE_FORWARD_LOOP;
    if (type & 0x02) sample.loopType = SAMPLE_PINGPONG_LOOP;
    if (type & 0x10) sample.bits = 16;
    if (sample.loopType == SAMPLE_NO_LOOP) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
    }
    fileBytes = sample.length;
    if (sample.bits == 16) {
        sample.length >>= 1;
        sample.loopStart >>= 1;
        sample.loopLength >>= 1;
    }
    if (sample.loopLength == 0) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        sample.loopType = SAMPLE_NO_LOOP;
    }
    uint8_t panning = 0;
    reader.field(panning);
    sample.panning = panning;
    reader.field(sample.relativeNote);
    reader.skip(SKIPPED_SAMPLE_NAME);
    if (sample.volume > MAX_VOLUME) {
        noteRepair("sample volume %u; %u used", unsigned{sample.volume}, unsigned{MAX_VOLUME});
        sample.volume = MAX_VOLUME;
    }
}

// Keeps the loop inside the sample, so the mixer never runs past the data.
void fitLoop(Sample& sample) {
    if (sample.loopType == SAMPLE_NO_LOOP || sample.loopStart >= sample.length) {
        if (sample.loopType != SAMPLE_NO_LOOP)
            noteRepair("loop start %u at or past the sample end %u; no loop", unsigned{sample.loopStart},
                       unsigned{sample.length});
        sample.loopType = SAMPLE_NO_LOOP;
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        return;
    }
    if (sample.loopLength > sample.length - sample.loopStart) {
        noteRepair("loop %u + %u past the sample end %u; cut", unsigned{sample.loopStart},
                   unsigned{sample.loopLength}, unsigned{sample.length});
        sample.loopLength = sample.length - sample.loopStart;
    }
}

bool Loader::readSampleData(Sample& sample, uint32_t fileBytes, int32_t instrument, int32_t slot) {
    // Samples of length 0 occupy no bytes in the file.
    if (sample.length == 0) {
        fitLoop(sample);
        return true;
    }
    const int64_t frameBytes = sample.bits / 8;
    int64_t byteCount = int64_t{sample.length} * frameBytes;
    bool oddByte = sample.bits == 16 && (fileBytes & 1) != 0;
    // safety: a length beyond the data would allocate for bytes that are not
    // there (up to 8 GiB for a hostile header); keep what the module holds.
    const int64_t left = reader.remaining();
    if (byteCount > left) {
        const int64_t frames = left / frameBytes;
        noteRepair("instrument %d sample %d: %u frames, %lld in the module", instrument + 1, slot,
                   unsigned{sample.length}, static_cast<long long>(frames));
        reader.markEnded();
        sample.length = static_cast<uint32_t>(frames);
        byteCount = frames * frameBytes;
        oddByte = false;
    }
    fitLoop(sample);
    if (sample.length == 0) return true;

    // One zero frame ahead of the data for the mixer's read just below a
    // loop start at 0, then the frames, then spare frames for the guard,
    // then the mixer's copy of a short loop.
    const size_t copyAt = 1 + size_t{sample.length} + SPARE_FRAMES;
    auto* block = static_cast<int16_t*>(std::calloc(copyAt + loopCopySize(sample), sizeof(int16_t)));
    if (!block) return outOfMemory("sample data");
    int16_t* data = block + 1;
    sample.data = data;
    auto* bytes = reinterpret_cast<uint8_t*>(data);
    const auto count = static_cast<int32_t>(byteCount);

    if (song->sampleLoadCallback) {
        song->sampleLoadCallback(data, count, sample.bits, instrument, slot);
        reader.skip(count);
    } else {
        reader.bytes(bytes, count);
    }
    if (oddByte) {
        noteRepair("instrument %d sample %d: odd 16-bit byte length; last byte skipped", instrument + 1,
                   slot);
        reader.skip(1);
    }

    const uint32_t length = sample.length;
    if (sample.bits == 8) {
        // Widen in place from the end, so no byte is overwritten before it
        // is read.
        for (uint32_t k = length; k-- > 0;)
            data[k] = static_cast<int16_t>(static_cast<uint16_t>(bytes[k] << 8));
        sample.bits = 16;
    } else {
        for (uint32_t k = 0; k < length; ++k)
            data[k] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8)));
    }
    if (!song->sampleLoadCallback) {
        uint16_t sum = 0;
        for (uint32_t k = 0; k < length; ++k) {
            sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(data[k]));
            data[k] = static_cast<int16_t>(sum);
        }
    }
    const uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (sample.loopType == SAMPLE_FORWARD_LOOP)
        data[loopEnd] = data[sample.loopStart];
    else if (sample.loopType == SAMPLE_PINGPONG_LOOP)
        data[loopEnd] = data[loopEnd - 1];
    writeLoopCopy(sample, block + copyAt);
    return true;
}

}  // namespace

void setLoadError(LoadErrorCode code, const char* format, ...) {
    lastError.code = code;
    va_list args;
    va_start(args, format);
    std::vsnprintf(lastError.message, sizeof lastError.message, format, args);
    va_end(args);
}

LoadError lastLoadError() {
    return lastError;
}
LoadRepairs lastLoadRepairs() {
    return lastRepairs;
}

bool loadXm(Song* song, const ByteSource& source) {
    if (!song) return false;
    Loader loader{song, XmReader(source.bytes())};
    if (!loader.readHeader() || !loader.readPatterns()) return false;
    if (song->instrumentCount > 0) {
        song->instruments = static_cast<Instrument*>(std::calloc(song->instrumentCount, sizeof(Instrument)));
        if (!song->instruments) return loader.outOfMemory("the instruments");
        for (int32_t i = 0; i < song->instrumentCount; ++i) {
            if (!loader.readInstrument(i)) return false;
        }
    }
    if (loader.reader.ended()) {
        lastRepairs.truncated = true;
        noteRepair("the module ends early; the missing data is zero");
    }
    return true;
}

namespace {

// Everything a registered stream gives, read to its end: the loader then
// reads it like any other bytes. Streams address 32-bit positions, so no
// more than that is asked of them.
ByteSource drainStream(SongStream* stream) {
    std::string bytes;
    char chunk[16384];
    for (;;) {
        const int32_t n = SongStream::read(chunk, static_cast<int32_t>(sizeof chunk), stream);
        if (n <= 0) break;
        bytes.append(chunk, static_cast<size_t>(std::min<int32_t>(n, sizeof chunk)));
        if (bytes.size() >= static_cast<size_t>(INT32_MAX)) break;
    }
    return ByteSource::owning(std::move(bytes));
}

// Loads a song from `source` into a fresh one. Both records of the last load
// are set here.
Song* loadSongFrom(const ByteSource& source, SampleLoadCallback sampleLoadCallback) {
    auto* song = static_cast<Song*>(std::calloc(1, sizeof(Song)));
    if (!song) {
        setLoadError(LoadErrorCode::OutOfMemory, "out of memory for the song");
        return nullptr;
    }
    song->sampleLoadCallback = sampleLoadCallback;
    bool loaded = loadXm(song, source);
    if (loaded) {
        // A song reaches playback whole: a loader fault must not reach the
        // mixer as an out-of-bounds read.
        std::string violation = checkSong(song);
        if (!violation.empty()) {
            setLoadError(LoadErrorCode::Inconsistent, "loaded song fails its check: %s", violation.c_str());
            loaded = false;
        }
    }
    if (!loaded) {
        freeSong(song);
        return nullptr;
    }
    return song;
}

void startLoad() {
    lastError = LoadError{};
    lastRepairs = LoadRepairs{};
}

}  // namespace

Song* createSong(const char* name, SampleLoadCallback sampleLoadCallback) {
    startLoad();
    if (!fileCallbacksRegistered()) {
        setLoadError(LoadErrorCode::NotRegistered, "no file callbacks registered");
        return nullptr;
    }
    SongStream* stream = SongStream::open(name);
    if (!stream) {
        setLoadError(LoadErrorCode::OpenFailed, "cannot open module \"%s\"", name ? name : "(null)");
        return nullptr;
    }
    const ByteSource source = drainStream(stream);
    SongStream::close(stream);
    return loadSongFrom(source, sampleLoadCallback);
}

Song* loadSong(const ByteSource& source, SampleLoadCallback sampleLoadCallback) {
    startLoad();
    if (source.size() > static_cast<size_t>(INT32_MAX)) {
        setLoadError(LoadErrorCode::OpenFailed, "module of %zu bytes; at most 2 GiB", source.size());
        return nullptr;
    }
    return loadSongFrom(source, sampleLoadCallback);
}

Song* createSongFromMemory(const void* bytes, size_t size, SampleLoadCallback sampleLoadCallback) {
    return loadSong(ByteSource::borrowing(bytes, size), sampleLoadCallback);
}

Song* createSongFromFile(const char* path, SampleLoadCallback sampleLoadCallback) {
    startLoad();
    std::string bytes;
    std::string error;
    const FileKind module{"module", "module", MODULE_FILE_MAX_BYTES};
    if (!readFileBytes(path != nullptr ? path : "", module, bytes, error)) {
        setLoadError(LoadErrorCode::OpenFailed, "%s", error.c_str());
        return nullptr;
    }
    return loadSong(ByteSource::owning(std::move(bytes)), sampleLoadCallback);
}

namespace {

bool ownsSample(const Song* song, const Sample* sample) {
    for (int32_t i = 0; i < song->instrumentCount; ++i) {
        const Instrument& in = song->instruments[i];
        const int32_t owned =
            in.sampleCount < MAX_SAMPLES_PER_INSTRUMENT ? in.sampleCount : MAX_SAMPLES_PER_INSTRUMENT;
        for (int32_t s = 0; s < owned; ++s) {
            if (in.samples[s] == sample) return true;
        }
    }
    return false;
}

// fix: voices keep their notes from one playback to the next, so a voice
// could still point at a sample of the song about to be freed, and the next
// song's playback would mix freed memory. They fall idle.
void idleVoicesOf(const Song* song) {
    if (song->instruments == nullptr) return;
    for (Voice& v : voices) {
        if (v.sample != nullptr && v.sample != &emptySample && ownsSample(song, v.sample)) v.sample = nullptr;
    }
}

}  // namespace

void setSongReleaseGuard(SongReleaseGuard guard) {
    releaseGuard.store(guard, std::memory_order_release);
}

bool freeSong(Song* song) {
    if (!song) return false;
    // Whatever plays may be mixing this song's samples, or voices left
    // sounding from it: the player stops before any of its memory goes.
    if (const SongReleaseGuard guard = releaseGuard.load(std::memory_order_acquire)) guard();
    idleVoicesOf(song);
    if (song->instruments) {
        for (int32_t i = 0; i < song->instrumentCount; ++i) {
            Instrument& in = song->instruments[i];
            const int32_t owned =
                in.sampleCount < MAX_SAMPLES_PER_INSTRUMENT ? in.sampleCount : MAX_SAMPLES_PER_INSTRUMENT;
            for (int32_t s = 0; s < owned; ++s) {
                Sample* sample = in.samples[s];
                if (!sample || sample == &emptySample) continue;
                if (sample->data) std::free(sample->data - 1);
                std::free(sample);
            }
        }
        std::free(song->instruments);
    }
    if (song->patterns) {
        for (int32_t p = 0; p < song->patternCount; ++p) std::free(song->patterns[p].cells);
        std::free(song->patterns);
    }
    std::free(song);
    return true;
}
