#pragma once
// Hand-built songs for the sequencer tests: patterns, instruments and
// samples held in containers, with a Song record pointing into them.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "music/channel.h"
#include "music/output_format.h"
#include "music/render.h"
#include "music/song.h"
#include "music/song_clock.h"
#include "music/voice.h"

namespace testsong {

// Pattern note numbers (1-based as stored): C-4 is 49.
constexpr uint8_t C4 = 49;
constexpr uint8_t D4 = 51;
constexpr uint8_t KEY_OFF = 255;

struct SampleOptions {
    uint32_t length = 1000;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;  // 0: no loop (the loader's layout: loop = whole sample)
    uint8_t loopType = SAMPLE_NO_LOOP;
    uint8_t volume = 64;
    int8_t finetune = 0;
    int32_t panning = 128;
    int8_t relativeNote = 0;
};

class Builder {
  public:
    explicit Builder(int channels, bool linear = true) {
        song_.channelCount = static_cast<int16_t>(channels);
        song_.flags = linear ? SONG_LINEAR_FREQUENCIES : 0;
        song_.defaultSpeed = 6;
        song_.defaultBpm = 125;
        song_.initialGlobalVolume = 64;
        song_.tickCallback = songTick;
    }

    // Adds an empty pattern; returns its index.
    int pattern(int rows) {
        cells_.emplace_back(static_cast<size_t>(rows) * song_.channelCount, NoteCell{});
        rows_.push_back(rows);
        return static_cast<int>(rows_.size()) - 1;
    }

    NoteCell& cell(int pattern, int row, int channel) {
        return cells_[pattern][static_cast<size_t>(row) * song_.channelCount + channel];
    }

    // Sets a cell in one call: note, instrument, volume byte, effect, param.
    void put(int pattern, int row, int channel, uint8_t note, uint8_t instrument = 0, uint8_t volume = 0,
             uint8_t effect = 0, uint8_t param = 0) {
        cell(pattern, row, channel) = NoteCell{note, instrument, volume, effect, param};
    }

    void orders(std::initializer_list<uint8_t> list, int restart = 0) {
        int i = 0;
        for (uint8_t o : list) song_.orders[i++] = o;
        song_.songLength = static_cast<int16_t>(i);
        song_.restartPosition = static_cast<int16_t>(restart);
    }

    // Adds an instrument with one sample mapped to every note; returns its
    // 1-based number as a pattern cell names it.
    int instrument(const SampleOptions& options = {}) {
        auto sample = std::make_unique<Sample>();
        auto data = std::make_unique<std::vector<int16_t>>(options.length + 8, 0);
        for (uint32_t i = 0; i < options.length; ++i) {
            (*data)[i] = static_cast<int16_t>((i * 997) % 20000 - 10000);
        }
        sample->data = options.length ? data->data() : nullptr;
        sample->length = options.length;
        sample->loopStart = options.loopLength ? options.loopStart : 0;
        sample->loopLength = options.loopLength ? options.loopLength : options.length;
        sample->loopType = options.loopLength ? options.loopType : SAMPLE_NO_LOOP;
        sample->volume = options.volume;
        sample->finetune = options.finetune;
        sample->panning = options.panning;
        sample->bits = 16;
        sample->relativeNote = options.relativeNote;

        Instrument in{};
        in.sampleCount = 1;
        for (auto& s : in.samples) s = &emptySample;
        in.samples[0] = sample.get();
        instruments_.push_back(in);
        samples_.push_back(std::move(sample));
        data_.push_back(std::move(data));
        return static_cast<int>(instruments_.size());
    }

    Instrument& instrumentRecord(int number) { return instruments_[number - 1]; }
    Song& song() { return song_; }

    // Points the song at the containers, clears the voices and resets the
    // song to its start at `rate`, as starting playback does.
    Song* start(int32_t rate = 44000) {
        patterns_.clear();
        for (size_t p = 0; p < cells_.size(); ++p) {
            patterns_.push_back(Pattern{rows_[p], cells_[p].data()});
        }
        song_.patterns = patterns_.data();
        song_.patternCount = static_cast<int32_t>(patterns_.size());
        song_.usedPatternCount = song_.patternCount;
        song_.instruments = instruments_.data();
        song_.instrumentCount = static_cast<int16_t>(instruments_.size());
        setOutputFormat(rate);
        clearVoices();
        resetPlayback(&song_);
        return &song_;
    }

    void tick() { songTick(&song_); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) tick();
    }

  private:
    Song song_{};
    std::vector<std::vector<NoteCell>> cells_;
    std::vector<int32_t> rows_;
    std::vector<Pattern> patterns_;
    std::vector<Instrument> instruments_;
    std::vector<std::unique_ptr<Sample>> samples_;
    std::vector<std::unique_ptr<std::vector<int16_t>>> data_;
};

}  // namespace testsong
