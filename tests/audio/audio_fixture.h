#pragma once
// What the audio output tests share: a sound device whose play position the
// test sets, a tiny module built in memory, and a fixture that plays through
// the fake device and leaves the output closed and the song freed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "music/audio_output.h"
#include "music/loader.h"
#include "music/resource_stream.h"
#include "music/song.h"
#include "platform/audio_device.h"

namespace audiotest {

// A device whose play position the test sets; it records what it was given.
class FakeDevice final : public AudioDevice {
  public:
    bool open(int32_t rate) override {
        openedRate = rate;
        isOpen = opens;
        return opens;
    }
    void loop(const int16_t* r, uint32_t bytes) override {
        ring = r;
        ringBytes = bytes;
        played.store(0);
        ++loops;
    }
    uint64_t bytesPlayed() override { return played.load(); }
    int32_t framesPerTransfer() const override { return transferFrames; }
    void published() override { ++publishes; }
    void reset() override { ring = nullptr; }
    void close() override {
        ring = nullptr;
        isOpen = false;
        ++closes;
    }

    bool opens = true;
    bool isOpen = false;
    int32_t openedRate = 0;
    const int16_t* ring = nullptr;
    uint32_t ringBytes = 0;
    int32_t transferFrames = 0;  // the test moves the position as it likes
    std::atomic<uint64_t> played{0};
    int loops = 0, closes = 0;
    std::atomic<int> publishes{0};
};

// Builds a tiny module in memory: one channel, one pattern of `rows` rows,
// one instrument with an 8-bit looped square wave; a note on row 0.
inline std::vector<uint8_t> tinyModule(uint16_t bpm, uint8_t rows = 4) {
    std::vector<uint8_t> m;
    auto put = [&](const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        m.insert(m.end(), b, b + n);
    };
    auto u8 = [&](uint8_t v) { m.push_back(v); };
    auto u16 = [&](uint16_t v) { put(&v, 2); };
    auto u32 = [&](uint32_t v) { put(&v, 4); };
    put("Extended Module: ", 17);
    m.resize(60, 0);
    m[37] = 0x1A;
    u32(276);
    u16(1);    // song length
    u16(0);    // restart
    u16(1);    // channels
    u16(1);    // patterns
    u16(1);    // instruments
    u16(1);    // linear
    u16(6);    // speed
    u16(bpm);  // bpm
    m.resize(60 + 276, 0);
    // pattern 0
    u32(9);
    u8(0);
    u16(rows);
    std::vector<uint8_t> cells;
    for (int r = 0; r < rows; ++r) {
        if (r == 0) {
            cells.insert(cells.end(), {49, 1, 0, 0, 0});  // C-4, instrument 1
        } else {
            cells.push_back(0x80);
        }
    }
    u16(static_cast<uint16_t>(cells.size()));
    put(cells.data(), cells.size());
    // instrument 1
    size_t start = m.size();
    u32(263);
    m.resize(start + 27, 0);
    u16(1);  // one sample
    u32(40);
    m.resize(start + 263, 0);
    // sample header
    const uint32_t len = 32;
    u32(len);
    u32(0);
    u32(len);
    u8(64);   // volume
    u8(0);    // finetune
    u8(1);    // forward loop, 8-bit
    u8(128);  // panning
    u8(0);    // relative note
    m.resize(m.size() + 23, 0);
    // delta-coded square wave
    int8_t prev = 0;
    for (uint32_t i = 0; i < len; ++i) {
        int8_t v = i < len / 2 ? 60 : -60;
        u8(static_cast<uint8_t>(static_cast<int8_t>(v - prev)));
        prev = v;
    }
    return m;
}

class AudioOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        registerResourceCallbacks();
        useAudioDevice(&fake);
    }
    void TearDown() override {
        // The output stops whatever plays before the song goes.
        closeOutput();
        if (song != nullptr) freeSong(song);
        useAudioDevice(nullptr);
        setFeeding(Feeding::OwnThread);
    }
    Song* load(uint16_t bpm) {
        auto bytes = tinyModule(bpm);
        song = createSongFromMemory(bytes.data(), bytes.size());
        return song;
    }
    FakeDevice fake;
    Song* song = nullptr;
};

}  // namespace audiotest
