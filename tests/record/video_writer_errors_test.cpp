// The recorder when things go wrong: a name it cannot record to, a folder it
// cannot write, a stop half-way, a disk that fills. Whatever happens, the
// error is one line and nothing half-written is left at the name.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "display/pixel_buffer.h"
#include "support/scratch_folder.h"
#include "tests/support/card_like_media.h"
#include "tools/record/video_writer.h"

namespace {

namespace fs = std::filesystem;

bool oneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == std::string::npos;
}

// Feeds `count` pictures with their sound.
bool feed(VideoWriter& writer, int count) {
    PixelBuffer* frame = createPixelBuffer(RECORD_WIDTH, RECORD_HEIGHT, 16);
    std::vector<int16_t> pcm(static_cast<size_t>(RECORD_SOUND_FRAMES_PER_PICTURE) * 2);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        card_like::drawFrame(*frame, i);
        card_like::sound(static_cast<int64_t>(i) * RECORD_SOUND_FRAMES_PER_PICTURE,
                         RECORD_SOUND_FRAMES_PER_PICTURE, pcm.data());
        ok = writer.addPicture(*frame) && writer.addSound(pcm.data(), RECORD_SOUND_FRAMES_PER_PICTURE);
    }
    freePixelBuffer(frame);
    return ok;
}

TEST(RecordRefuses, NamesThatAreNotAVideoFormat) {
    const fs::path dir = scratchFolder("errors-names");
    for (const char* name : {"card.gif", "card.avi", "card", "card.mp4.txt", ".mp4x"}) {
        std::string error;
        EXPECT_FALSE(VideoWriter::create((dir / name).string(), {}, error)) << name;
        EXPECT_TRUE(oneLine(error)) << error;
        EXPECT_NE(error.find(".mp4 or .webm"), std::string::npos) << error;
    }
    std::string error;
    VideoWriter::create((dir / "card.gif").string(), {}, error);
    EXPECT_NE(error.find("GIF"), std::string::npos) << "says why GIF is not offered: " << error;
    EXPECT_TRUE(folderEntries(dir).empty());
}

TEST(RecordRefuses, SizesOtherThanWholeMultiples) {
    const fs::path dir = scratchFolder("errors-sizes");
    for (int32_t scale : {0, 4, -2}) {
        std::string error;
        EXPECT_FALSE(VideoWriter::create((dir / "card.mp4").string(), {scale, false}, error)) << scale;
        EXPECT_TRUE(oneLine(error)) << error;
    }
    EXPECT_TRUE(folderEntries(dir).empty());
}

TEST(RecordRefuses, FoldersItCannotWrite) {
    const fs::path dir = scratchFolder("errors-folders");
    std::ofstream(dir / "plain") << "not a folder";
    fs::create_directory(dir / "card.mp4");
    struct Where {
        fs::path path;
        const char* says;
    };
    for (const Where& w : {Where{dir / "missing" / "card.mp4", "No such file or directory"},
                           Where{dir / "plain" / "card.mp4", "Not a directory"},
                           Where{dir / "card.mp4", "not a regular file"}}) {
        std::string error;
        EXPECT_FALSE(VideoWriter::create(w.path.string(), {}, error)) << w.path;
        EXPECT_TRUE(oneLine(error)) << error;
        EXPECT_NE(error.find(w.says), std::string::npos) << error;
    }
    EXPECT_EQ(folderEntries(dir), (std::vector<std::string>{"card.mp4", "plain"}));
    EXPECT_TRUE(fs::is_directory(dir / "card.mp4")) << "the folder in the way is left as it was";
    // A folder without write permission binds everyone but the superuser.
    if (geteuid() != 0) {
        fs::create_directory(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        std::string error;
        EXPECT_FALSE(VideoWriter::create((dir / "locked" / "card.mp4").string(), {}, error));
        EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
        fs::permissions(dir / "locked", fs::perms::owner_all);
    }
}

TEST(RecordRefuses, FramesOfAnotherSizeOrDepth) {
    const fs::path dir = scratchFolder("errors-frames");
    std::string error;
    auto writer = VideoWriter::create((dir / "card.mp4").string(), {}, error);
    ASSERT_TRUE(writer) << error;
    PixelBuffer* wrong = createPixelBuffer(RECORD_WIDTH, RECORD_HEIGHT, 32);
    EXPECT_FALSE(writer->addPicture(*wrong));
    freePixelBuffer(wrong);
    EXPECT_TRUE(oneLine(writer->error())) << writer->error();
    EXPECT_FALSE(writer->finish()) << "a failed recording stays failed";
    EXPECT_TRUE(folderEntries(dir).empty());
}

TEST(RecordStops, AbortLeavesNothingAndKeepsAnOldFile) {
    const fs::path dir = scratchFolder("errors-abort");
    std::ofstream(dir / "card.webm") << "last year's card";
    std::string error;
    auto writer = VideoWriter::create((dir / "card.webm").string(), {}, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(feed(*writer, 10)) << writer->error();
    // While it records, the work goes to a hidden file beside the old one.
    const std::vector<std::string> during = folderEntries(dir);
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[0].rfind(".card.webm.", 0), 0u) << during[0];
    EXPECT_TRUE(during[0].size() > 5 && during[0].substr(during[0].size() - 5) == ".part") << during[0];
    writer->abort();
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"card.webm"});
    std::ifstream old(dir / "card.webm");
    std::string text((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "last year's card");
    PixelBuffer* frame = createPixelBuffer(RECORD_WIDTH, RECORD_HEIGHT, 16);
    EXPECT_FALSE(writer->addPicture(*frame)) << "nothing more after a stop";
    freePixelBuffer(frame);
    EXPECT_FALSE(writer->finish());
}

TEST(RecordStops, AWriterDroppedUnfinishedLeavesNothing) {
    const fs::path dir = scratchFolder("errors-dropped");
    {
        std::string error;
        auto writer = VideoWriter::create((dir / "card.mp4").string(), {1, true}, error);
        ASSERT_TRUE(writer) << error;
        ASSERT_TRUE(feed(*writer, 5)) << writer->error();
    }
    EXPECT_TRUE(folderEntries(dir).empty());
}

// A disk that fills half-way (a file size limit stands in for it, in a child
// process so the limit binds nobody else): the error names the cause and
// neither the video nor its temporary file is left. Exits 0 when so.
[[noreturn]] void recordOntoAFullDisk(const fs::path& dir) {
    std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
    const rlimit limit{16 * 1024, 16 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    auto writer = VideoWriter::create((dir / "card.mp4").string(), {1, true}, error);
    if (!writer) {
        std::fprintf(stderr, "create: %s\n", error.c_str());
        std::exit(1);
    }
    const bool finished = feed(*writer, 100) && writer->finish();
    const bool clean = folderEntries(dir).empty();
    std::fprintf(stderr, "%s|%d|%d\n", writer->error().c_str(), finished ? 1 : 0, clean ? 1 : 0);
    std::exit(!finished && clean && oneLine(writer->error()) ? 0 : 1);
}

TEST(RecordStopsDeathTest, AFullDiskLeavesNothing) {
    const fs::path dir = scratchFolder("errors-full");
    EXPECT_EXIT(recordOntoAFullDisk(dir), testing::ExitedWithCode(0), "File too large\\|0\\|1");
    EXPECT_TRUE(folderEntries(dir).empty());
}

}  // namespace
