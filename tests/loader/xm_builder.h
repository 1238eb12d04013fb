#pragma once
// Builds XM files byte by byte for the loader tests, so each test states the
// fields it is about and nothing else. Every field is written as given, so a
// test can break any limit.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace xmtest {

struct SampleSpec {
    uint32_t lengthBytes = 0;  // as in the header; defaults to data.size()
    bool lengthSet = false;
    uint32_t loopStart = 0;  // bytes
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t type = 0;  // bits 0-1 loop kind, bit 4 16-bit
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    std::vector<uint8_t> data;  // as stored (delta-encoded)

    SampleSpec& length(uint32_t bytes) {
        lengthBytes = bytes;
        lengthSet = true;
        return *this;
    }
};

struct EnvelopeSpec {
    uint16_t x[12] = {};
    uint16_t y[12] = {};
    uint8_t count = 0;
    uint8_t sustain = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
    uint8_t flags = 0;
};

struct InstrumentSpec {
    uint32_t headerSize = 263;
    int32_t sampleCountOverride = -1;  // >= 0: written instead of samples.size()
    uint8_t sampleMap[96] = {};
    EnvelopeSpec volume;
    EnvelopeSpec panning;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;
    std::vector<SampleSpec> samples;
};

struct PatternSpec {
    uint16_t rows = 64;
    std::vector<uint8_t> packed;  // packed cells; empty writes packed size 0
    int32_t packedSizeOverride = -1;
};

struct ModuleSpec {
    std::string id = "Extended Module: ";
    uint32_t headerSize = 276;
    uint16_t songLength = 1;
    uint16_t restart = 0;
    uint16_t channels = 2;
    int32_t patternCountOverride = -1;  // >= 0: written instead of patterns.size()
    int32_t instrumentCountOverride = -1;
    uint16_t flags = 1;
    uint16_t speed = 6;
    uint16_t bpm = 125;
    std::vector<uint8_t> orders = {0};
    std::vector<PatternSpec> patterns = {PatternSpec{}};
    std::vector<InstrumentSpec> instruments;
};

class Bytes {
  public:
    std::vector<uint8_t> out;
    void u8(uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v);
        u16(v >> 16);
    }
    void fill(size_t n, uint8_t v = 0) { out.insert(out.end(), n, v); }
    void raw(const std::vector<uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); }
    void text(const std::string& s, size_t n) {
        for (size_t i = 0; i < n; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
};

// Offsets of the sections of the last module built, for truncation tests.
struct Layout {
    size_t patternsStart = 0;
    size_t instrumentsStart = 0;
    std::vector<size_t> sampleDataStarts;
};

inline std::vector<uint8_t> buildXm(const ModuleSpec& m, Layout* layout = nullptr) {
    Bytes b;
    b.text(m.id, 17);
    b.text("test module", 20);
    b.u8(0x1A);
    b.text("builder", 20);
    b.u16(0x0104);
    b.u32(m.headerSize);
    b.u16(m.songLength);
    b.u16(m.restart);
    b.u16(m.channels);
    b.u16(m.patternCountOverride >= 0 ? m.patternCountOverride : m.patterns.size());
    b.u16(m.instrumentCountOverride >= 0 ? m.instrumentCountOverride : m.instruments.size());
    b.u16(m.flags);
    b.u16(m.speed);
    b.u16(m.bpm);
    for (size_t i = 0; i < 256; ++i) b.u8(i < m.orders.size() ? m.orders[i] : 0);
    // The header size counts from offset 60: the patterns start there.
    b.out.resize(60 + static_cast<size_t>(m.headerSize));
    if (layout) layout->patternsStart = b.out.size();
    for (const PatternSpec& p : m.patterns) {
        b.u32(9);
        b.u8(0);
        b.u16(p.rows);
        b.u16(p.packedSizeOverride >= 0 ? p.packedSizeOverride : p.packed.size());
        b.raw(p.packed);
    }
    if (layout) layout->instrumentsStart = b.out.size();
    for (const InstrumentSpec& in : m.instruments) {
        const size_t start = b.out.size();
        b.u32(in.headerSize);
        b.text("instrument", 22);
        b.u8(0);
        const uint32_t n = in.sampleCountOverride >= 0 ? in.sampleCountOverride : in.samples.size();
        b.u16(n);
        if (n > 0) {
            b.u32(40);
            for (uint8_t v : in.sampleMap) b.u8(v);
            for (const EnvelopeSpec* e : {&in.volume, &in.panning})
                for (int k = 0; k < 12; ++k) {
                    b.u16(e->x[k]);
                    b.u16(e->y[k]);
                }
            b.u8(in.volume.count);
            b.u8(in.panning.count);
            b.u8(in.volume.sustain);
            b.u8(in.volume.loopStart);
            b.u8(in.volume.loopEnd);
            b.u8(in.panning.sustain);
            b.u8(in.panning.loopStart);
            b.u8(in.panning.loopEnd);
            b.u8(in.volume.flags);
            b.u8(in.panning.flags);
            b.u8(in.vibratoType);
            b.u8(in.vibratoSweep);
            b.u8(in.vibratoDepth);
            b.u8(in.vibratoRate);
            b.u16(in.fadeout);
        }
        b.out.resize(start + in.headerSize);
        if (n == 0) continue;
        for (const SampleSpec& s : in.samples) {
            b.u32(s.lengthSet ? s.lengthBytes : s.data.size());
            b.u32(s.loopStart);
            b.u32(s.loopLength);
            b.u8(s.volume);
            b.u8(static_cast<uint8_t>(s.finetune));
            b.u8(s.type);
            b.u8(s.panning);
            b.u8(static_cast<uint8_t>(s.relativeNote));
            b.u8(0);
            b.text("sample", 22);
        }
        for (const SampleSpec& s : in.samples) {
            if (layout) layout->sampleDataStarts.push_back(b.out.size());
            b.raw(s.data);
        }
    }
    return b.out;
}

// A module with one instrument holding one sample of the given bytes.
inline ModuleSpec withSample(const SampleSpec& s) {
    ModuleSpec m;
    InstrumentSpec in;
    in.samples.push_back(s);
    m.instruments.push_back(in);
    return m;
}

}  // namespace xmtest
