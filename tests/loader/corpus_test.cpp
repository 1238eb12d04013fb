#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "music/loader.h"
#include "music/song_check.h"

namespace {

std::vector<std::filesystem::path> corpusModules() {
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(YULE_CORPUS_DIR, ec)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (entry.is_regular_file() && ext == ".xm") out.push_back(entry.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(LoaderCorpus, EveryModuleLoadsWholeAndPassesTheCheck) {
    const auto modules = corpusModules();
    if (modules.empty()) GTEST_SKIP() << "no modules in " << YULE_CORPUS_DIR;
    for (const auto& path : modules) {
        SCOPED_TRACE(path.filename().string());
        Song* song = createSongFromFile(path.c_str());
        ASSERT_NE(song, nullptr) << lastLoadError().message;
        EXPECT_EQ(checkSong(song), "");
        // Real modules are well formed: the loader must not have had to
        // repair anything in them.
        EXPECT_EQ(lastLoadRepairs().count, 0) << lastLoadRepairs().first;
        EXPECT_GT(song->patternCount, 0);
        freeSong(song);
    }
}

// A module cut anywhere loads what is there or is refused as not a module;
// never a read out of bounds (the sanitizer build runs this).
TEST(LoaderCorpus, EveryPrefixOfASmallModuleIsSafe) {
    const auto modules = corpusModules();
    if (modules.empty()) GTEST_SKIP() << "no modules in " << YULE_CORPUS_DIR;
    auto smallest = *std::min_element(modules.begin(), modules.end(), [](auto& a, auto& b) {
        return std::filesystem::file_size(a) < std::filesystem::file_size(b);
    });
    SCOPED_TRACE(smallest.filename().string());
    FILE* f = std::fopen(smallest.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(std::filesystem::file_size(smallest));
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    // Every byte through the headers, then coarser steps through the data.
    for (size_t cut = 0; cut < bytes.size(); cut += cut < 4096 ? 1 : 997) {
        Song* song = createSongFromMemory(bytes.data(), cut);
        if (cut < 69) {
            // No id, or no channel count (its low byte is at 68).
            EXPECT_EQ(song, nullptr) << "cut at " << cut;
            EXPECT_EQ(lastLoadError().code, cut < 17 ? LoadErrorCode::NotXm : LoadErrorCode::NoChannels);
            freeSong(song);
            continue;
        }
        ASSERT_NE(song, nullptr) << "cut at " << cut << ": " << lastLoadError().message;
        EXPECT_TRUE(lastLoadRepairs().truncated) << "cut at " << cut;
        ASSERT_EQ(checkSong(song), "") << "cut at " << cut;
        freeSong(song);
    }
}

// The fuzzer's seeds are well-formed modules that load without repairs.
TEST(LoaderSeeds, FuzzSeedsLoadCleanly) {
    const std::filesystem::path dir = std::filesystem::path(YULE_SOURCE_DIR) / "fuzz" / "seeds";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().filename().string());
        Song* song = createSongFromFile(entry.path().c_str());
        ASSERT_NE(song, nullptr) << lastLoadError().message;
        EXPECT_EQ(lastLoadRepairs().count, 0) << lastLoadRepairs().first;
        EXPECT_EQ(checkSong(song), "");
        freeSong(song);
        ++count;
    }
    EXPECT_GE(count, 3);
}

}  // namespace
