// What the card writes and plays: the sender's files read and checked once,
// with one-line errors naming them, and the scene's writer and music taken
// from what is in use.
#include "app/card_content.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/scene_content.h"
#include "display/display_device.h"
#include "effects/text_writer.h"
#include "greeting/greeting_text.h"
#include "loader/xm_builder.h"
#include "music/loader.h"
#include "music/render.h"
#include "platform/resources.h"

namespace {

namespace fs = std::filesystem;

fs::path writeFile(const std::string& name, const std::string& bytes) {
    const fs::path dir = fs::path(YULE_TEST_OUT) / "card-content";
    fs::create_directories(dir);
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

std::string bytesOf(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

// A small module the loader takes: two channels, one instrument.
std::string goodModule() {
    xmtest::SampleSpec sample;
    sample.data = {0, 10, 20, 30};
    return bytesOf(xmtest::buildXm(xmtest::withSample(sample)));
}

// The loader's refusal the issue shows: instrument 5 has 20 samples.
std::string twentySampleModule() {
    xmtest::ModuleSpec m;
    xmtest::InstrumentSpec good, bad;
    good.samples.push_back(xmtest::SampleSpec{});
    good.samples[0].data = {1, 2};
    bad.samples.assign(20, xmtest::SampleSpec{});
    m.instruments = {good, good, good, good, bad};
    return bytesOf(xmtest::buildXm(m));
}

// The first `frames` frames of a song at 44,000 Hz.
std::vector<int16_t> render(Song* song, int32_t frames) {
    OfflineRender r;
    EXPECT_TRUE(startOfflineRender(r, song, 44000));
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    renderPcm16(r, pcm.data(), frames);
    return pcm;
}

TEST(CardContent, NoFilesIsTheBuiltInCard) {
    LoadedCardContent content;
    std::string error;
    ASSERT_TRUE(loadCardContent(CardContent{}, content, error)) << error;
    EXPECT_FALSE(content.hasOwnGreeting());
    EXPECT_FALSE(content.hasOwnMusic());

    // Its song is our TRACK, sample for sample.
    const Resource track = findResource("TRACK", "XM");
    Song* ours = createSongFromMemory(track.bytes, track.size);
    Song* content_song = createContentSong(content);
    ASSERT_TRUE(ours && content_song);
    EXPECT_EQ(render(content_song, 44000), render(ours, 44000));
    freeSong(ours);
    freeSong(content_song);
}

TEST(CardContent, OwnGreetingAndMusicAreReadOnce) {
    const fs::path greeting = writeFile("joyeux.txt",
                                        "Joyeux No\xC3\xABl\n\n[pause 3]\nBonne ann\xC3\xA9"
                                        "e");
    const fs::path module = writeFile("song.xm", goodModule());
    LoadedCardContent content;
    std::string error;
    ASSERT_TRUE(loadCardContent(CardContent{greeting.string(), module.string()}, content, error)) << error;
    ASSERT_TRUE(content.hasOwnGreeting());
    // The built-in text's tag, the pages in the writer's UTF-8 (11 letters:
    // the shortest wait, 100 frames; 3 s are 143 frames), no zero inside.
    EXPECT_EQ(content.writerText(), std::string("YCARD") + "Joyeux No\xC3\xABl\r1\a" +
                                        "Bonne ann\xC3\xA9"
                                        "e\x10"
                                        "0143");
    EXPECT_EQ(content.moduleBytes(), goodModule());

    // The files may go: what was read is kept.
    fs::remove(greeting);
    fs::remove(module);
    Song* song = createContentSong(content);
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    EXPECT_EQ(song->channelCount, 2);
    freeSong(song);
}

TEST(CardContent, EachBadFileIsOneLineNamingIt) {
    const std::string good = writeFile("good.txt", "Merry Christmas").string();
    const std::string longWord =
        writeFile("wishes.txt", "Frohe\nWeihnachten\nWeihnachtsbaumschmucks").string();
    const std::string emoji = writeFile("emoji.txt", "Merry\nChristmas tree \xF0\x9F\x8E\x84").string();
    const std::string folder = (fs::path(YULE_TEST_OUT) / "card-content").string();
    const std::string missing = folder + "/no-such-file";
    const std::string twenty = writeFile("twenty.xm", twentySampleModule()).string();
    const std::string text = writeFile("text.xm", "Merry Christmas").string();
    const std::string empty = writeFile("empty.xm", "").string();
    const std::string goodXm = writeFile("good.xm", goodModule()).string();
    const struct {
        const char* what;
        CardContent content;
        std::string error;
    } cases[] = {
        {"a word longer than a line",
         {longWord, ""},
         longWord + ":3: \"Weihnachtsbaumschmucks\" is longer than a line of the card (21 letters)"},
        {"a letter outside the font",
         {emoji, ""},
         emoji +
             ":2:16: U+1F384 is not in the card's font; the card writes Latin, Greek and Cyrillic letters"},
        {"a refused module", {"", twenty}, twenty + ": instrument 5 has 20 samples; at most 16"},
        {"a text as the module", {good, text}, text + ": not an XM file"},
        {"an empty module", {"", empty}, empty + ": not an XM file (the data is empty or missing)"},
        {"a missing module", {"", missing}, missing + ": cannot be read (No such file or directory)"},
        {"a folder as the module", {"", folder}, folder + ": is a folder, not a module"},
        {"both bad: the greeting first",
         {longWord, twenty},
         longWord + ":3: \"Weihnachtsbaumschmucks\" is longer than a line of the card (21 letters)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // What was loaded before stays as it was.
        LoadedCardContent content;
        std::string error;
        ASSERT_TRUE(loadCardContent(CardContent{good, goodXm}, content, error)) << error;
        const std::string writerBefore = content.writerText();
        EXPECT_FALSE(loadCardContent(c.content, content, error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(content.writerText(), writerBefore);
        EXPECT_EQ(content.moduleBytes(), goodModule());
    }
}

TEST(CardContent, RefusedMusicLeavesTheMusicAsItWas) {
    LoadedCardContent content;
    std::string error;
    EXPECT_FALSE(content.setMusic("not a module", "x.xm", error));
    EXPECT_EQ(error, "x.xm: not an XM file");
    EXPECT_FALSE(content.hasOwnMusic());
    ASSERT_TRUE(content.setMusic(goodModule(), "good.xm", error)) << error;
    EXPECT_FALSE(content.setMusic(twentySampleModule(), "bad.xm", error));
    EXPECT_EQ(content.moduleBytes(), goodModule());
}

// The writer as the scene sets it up from the content in use, on a small
// off-screen display (nothing needs to be seen, only read).
class ContentWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(screen.create(nullptr, 64, 64, 16, DisplayMode::FullScreen)); }
    void TearDown() override {
        useCardContent(LoadedCardContent{});
        screen.release();
    }

    DisplayDevice screen;
    TextWriter writer;
};

TEST_F(ContentWriterTest, TheSceneWritesTheContentInUseAndOursByDefault) {
    TextWriterConfig config = greetingWriterConfig();
    EXPECT_EQ(config.text, greetingText);
    EXPECT_EQ(config.textBytes, TEXT_WRITER_TEXT_BYTES);
    EXPECT_EQ(config.rows, 33) << "every row of the sheet is mapped";

    const GreetingResult laid = layOutGreeting("\xC3\x85r", "year.txt");
    ASSERT_TRUE(laid.ok());
    LoadedCardContent own;
    own.setGreeting(laid.greeting);
    useCardContent(own);
    writer.setup(screen.directDraw, greetingWriterConfig());
    writer.frame(screen);
    ASSERT_EQ(writer.glyphCount(), 1);
    EXPECT_EQ(writer.cells()[0].ch, 0xC5);

    useCardContent(LoadedCardContent{});
    EXPECT_EQ(greetingWriterConfig().text, greetingText);
}

TEST_F(ContentWriterTest, AGreetingLongerThanOurRoomIsWrittenToItsEnd) {
    // Twelve pages of eight full lines: far past the built-in 1024 bytes.
    std::string file;
    for (int page = 0; page < 12; ++page) {
        for (int line = 0; line < 8; ++line) file += std::string(21, static_cast<char>('a' + page)) + "\n";
        file += "[pause 0]\n\n";
    }
    file += "The end";
    const GreetingResult laid = layOutGreeting(file, "long.txt");
    ASSERT_TRUE(laid.ok()) << laid.error;
    LoadedCardContent own;
    own.setGreeting(laid.greeting);
    ASSERT_GT(own.writerText().size(), size_t{2048});
    useCardContent(own);
    writer.setup(screen.directDraw, greetingWriterConfig());

    // Until the text starts over, collect what each page wrote.
    std::string lastPage;
    int pages = 0;
    for (int frame = 0; frame < 60000; ++frame) {
        const int32_t before = writer.glyphCount();
        writer.frame(screen);
        if (writer.glyphCount() < before) {
            ++pages;
            if (writer.readIndex() == 0) break;  // the end: starts over
        }
        if (writer.glyphCount() > 0) {
            lastPage.clear();
            for (const GlyphCell& cell : writer.cells()) lastPage += static_cast<char>(cell.ch);
        }
    }
    EXPECT_EQ(pages, 13);
    EXPECT_EQ(lastPage, "The end");
}

}  // namespace
