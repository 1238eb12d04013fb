// Golden checksums of what the card shows and plays: pictures of the headless
// show at chosen frames and the player's output for the card's own module and
// every corpus module. They were taken from the card as it stood before the
// round of restructuring and speed work, so any change to a single pixel or
// sample shows up here. A deliberate change updates the table and says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/scene_host.h"
#include "display/pixel_buffer.h"
#include "music/loader.h"
#include "music/render.h"
#include "platform/resources.h"
#include "support/fnv1a.h"

namespace {

using testsupport::fnv1a;
using testsupport::FNV1A_BASIS;

std::string hex(uint64_t v) {
    return testsupport::hex64(v);
}

// A presented picture, row by row without the pitch's padding.
uint64_t frameHash(const PixelBuffer& shown) {
    uint64_t hash = FNV1A_BASIS;
    for (int32_t y = 0; y < shown.height; ++y)
        hash = fnv1a(shown.pixels + static_cast<ptrdiff_t>(shown.pitch) * y,
                     static_cast<size_t>(shown.width) * 2, hash);
    return hash;
}

struct FramePin {
    int64_t clock;
    int frame;
    const char* hash;
};

// Frames through the slide-in, the approach, the first page being written, a
// page break, later pages and the start over of the text. The frames with
// glyphs (330 on) were taken again when the font was redrawn broader so that
// words read as words; the ones before writing begins are the first pins.
constexpr FramePin kFramePins[] = {
    {1765000000, 0, "603eada70b50fcf0"},    {1765000000, 95, "7428dce6f7946696"},
    {1765000000, 190, "b5ff469bbe57c3f3"},  {1765000000, 260, "83ffefeaed720d86"},
    {1765000000, 330, "3abf0a210610f35b"},  {1765000000, 600, "ab46e61964bea489"},
    {1765000000, 1200, "02c5dd7c46b86a49"}, {1765000000, 2000, "818689018bd5a131"},
    {1765000000, 3500, "53ed8c9fe5cb7da2"}, {1765000000, 5200, "86dab2f418a4ab5e"},
    {1234567890, 0, "baae369c8a83889d"},    {1234567890, 700, "28d0933774613d95"},
};

TEST(Golden, ShowFramesAreUnchanged) {
    std::map<int64_t, std::vector<FramePin>> byClock;
    for (const FramePin& pin : kFramePins) byClock[pin.clock].push_back(pin);
    for (auto& [clock, pins] : byClock) {
        SceneHost show;
        std::string error;
        ASSERT_TRUE(show.open(clock, error, SceneHost::Screen::OffScreen)) << error;
        const PixelBuffer* shown = nullptr;
        for (const FramePin& pin : pins) {
            while (show.framesRun() <= pin.frame) shown = &show.nextFrame();
            EXPECT_EQ(hex(frameHash(*shown)), pin.hash) << "clock " << clock << ", frame " << pin.frame;
        }
    }
}

uint64_t renderHash(Song* song, int32_t rate, int64_t frames) {
    OfflineRender render;
    EXPECT_TRUE(startOfflineRender(render, song, rate));
    std::vector<int16_t> pcm(8192 * 2);
    uint64_t hash = FNV1A_BASIS;
    for (int64_t done = 0; done < frames;) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(8192, frames - done));
        renderPcm16(render, pcm.data(), n);
        hash = fnv1a(pcm.data(), static_cast<size_t>(n) * 4, hash);
        done += n;
    }
    return hash;
}

TEST(Golden, CardMusicIsUnchanged) {
    const Resource track = findResource("TRACK", "XM");
    ASSERT_NE(track.bytes, nullptr);
    Song* song = createSongFromMemory(track.bytes, track.size);
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    EXPECT_EQ(hex(renderHash(song, 44000, 70 * 44000)), "491406e8f99dfe2f") << "44,000 Hz";
    EXPECT_EQ(hex(renderHash(song, 22050, 20 * 22050)), "5139918f07498118") << "22,050 Hz";
    EXPECT_EQ(hex(renderHash(song, 96000, 10 * 96000)), "49b58a3c42b63127") << "96,000 Hz";
    freeSong(song);
}

// Every module of the shared corpus, 60 seconds at 44,000 Hz from its start.
const std::map<std::string, std::string> kCorpusPins = {
#include "golden/corpus_pins.inc"
};

// The heavy modules beside the corpus (24 and 32 channels), pinned the same
// way from the renderer as it stood before the mixer gathered loop runs.
const std::map<std::string, std::string> kHeavyPins = {
    {"rafkill-data--song3.xm", "adc6d5b70d60de79"},
    {"ri-li-data--jeu2.xm", "4aa6644e3185f426"},
};

// Renders every module of `folder` and compares it with its pin.
void expectPinnedRenders(const char* folder, const std::map<std::string, std::string>& pins) {
    std::vector<std::filesystem::path> modules;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".xm") modules.push_back(entry.path());
    if (modules.empty()) GTEST_SKIP() << "no modules in " << folder << "; their pins not checked";
    std::sort(modules.begin(), modules.end());
    for (const auto& path : modules) {
        const std::string name = path.filename().string();
        Song* song = createSongFromFile(path.c_str());
        ASSERT_NE(song, nullptr) << name << ": " << lastLoadError().message;
        const std::string actual = hex(renderHash(song, 44000, 60 * 44000));
        freeSong(song);
        const auto pin = pins.find(name);
        if (pin == pins.end()) {
            ADD_FAILURE() << "no pin for " << name << "; its render is {\"" << name << "\", \"" << actual
                          << "\"},";
            continue;
        }
        EXPECT_EQ(actual, pin->second) << name;
    }
}

TEST(Golden, CorpusRendersAreUnchanged) {
    expectPinnedRenders(YULE_CORPUS_DIR, kCorpusPins);
}

TEST(Golden, HeavyRendersAreUnchanged) {
    expectPinnedRenders(YULE_HEAVY_DIR, kHeavyPins);
}

}  // namespace
