#include "music/song_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "music/loader.h"
#include "xm_builder.h"

using namespace xmtest;

namespace {

// The check is what stands between a loader fault and the mixer: each
// violation it must catch is planted in a sound song, then undone.
TEST(SongCheck, CatchesEachBrokenInvariant) {
    SampleSpec smp;
    smp.data = {1, 2, 3, 4, 5, 6, 7, 8};
    smp.type = 0x01;
    smp.loopStart = 2;
    smp.loopLength = 4;
    ModuleSpec m = withSample(smp);
    m.patterns[0].rows = 2;
    m.patterns[0].packed = {0x81, 1, 0x80, 0x80, 0x80};
    std::vector<uint8_t> bytes = buildXm(m);
    Song* song = createSongFromMemory(bytes.data(), bytes.size());
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    ASSERT_EQ(checkSong(song), "");
    Sample& s = *song->instruments[0].samples[0];
    Instrument& in = song->instruments[0];

    struct Plant {
        std::function<void()> breakIt, mendIt;
        std::string expect;
    };
    const Plant plants[] = {
        {[&] { song->channelCount = 33; }, [&] { song->channelCount = 2; }, "channel count 33"},
        {[&] { song->restartPosition = 1; }, [&] { song->restartPosition = 0; }, "restart position 1 of 1"},
        {[&] { song->orders[0] = 1; }, [&] { song->orders[0] = 0; }, "order 0 names pattern 1 of 1"},
        {[&] { song->patterns[0].rows = 0; }, [&] { song->patterns[0].rows = 2; }, "pattern 0 has 0 rows"},
        {[&] { song->patterns[0].cells[3].note = 97; }, [&] { song->patterns[0].cells[3].note = 0; },
         "pattern 0 row 1: note 97"},
        {[&] { in.samples[5] = nullptr; }, [&] { in.samples[5] = &emptySample; },
         "instrument 1 sample 5 missing"},
        {[&] { in.volumeFlags = 1; }, [&] { in.volumeFlags = 0; },
         "instrument 1: volume envelope on with 0 points"},
        {[&] { s.loopLength = 7; }, [&] { s.loopLength = 4; }, "loop 2 + 7 past the end 8"},
        {[&] { s.data[6] = 99; }, [&] { s.data[6] = s.data[2]; }, "guard frame 99, expected"},
        {[&] { s.data[-1] = 1; }, [&] { s.data[-1] = 0; }, "frame before the data"},
        {[&] { emptySample.length = 4; }, [&] { emptySample.length = 0; },
         "the empty sample has been written to"},
    };
    for (const Plant& p : plants) {
        p.breakIt();
        const std::string found = checkSong(song);
        EXPECT_NE(found.find(p.expect), std::string::npos) << found << " / " << p.expect;
        p.mendIt();
        ASSERT_EQ(checkSong(song), "") << "after mending: " << p.expect;
    }
    freeSong(song);
    EXPECT_EQ(checkSong(nullptr), "no song");
}

}  // namespace
