// One pass of the greeting, as the default recording's length counts it,
// held against what the writer does in the running show.
#include "tools/record/recording_length.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "app/scene_host.h"
#include "app/scene_state.h"
#include "tools/record/card_recording.h"

namespace {

std::string pageText() {
    std::string text;
    for (const GlyphCell& cell : textWriter.cells()) text += cell.ch;
    return text;
}

TEST(RecordingLength, OnePassEndsWhenTheLastPageAndItsPauseAreDone) {
    std::atomic<bool> stop{false};
    std::string error;
    const int64_t pass = greetingPassFrames(SHOW_DEFAULT_CLOCK, 20000, stop, error);
    ASSERT_GT(pass, 330) << error;
    ASSERT_LT(pass, 20000);

    SceneHost show;
    ASSERT_TRUE(show.open(SHOW_DEFAULT_CLOCK, error)) << error;
    int pagesCleared = 0;
    int64_t lastNewGlyph = 0;
    int32_t glyphs = 0;
    for (int64_t frame = 1; frame < pass; ++frame) {
        show.nextFrame();
        ASSERT_FALSE(show.greetingJustEnded()) << "frame " << frame;
        if (textWriter.glyphCount() > glyphs) lastNewGlyph = frame;
        if (textWriter.glyphCount() < glyphs) ++pagesCleared;
        glyphs = textWriter.glyphCount();
    }
    const std::string lastPage = pageText();
    // Every page but the last was written and cleared; the last one stands
    // whole, and its pause ("\r2", 200 frames) has run out.
    EXPECT_EQ(pagesCleared, 5);
    ASSERT_GE(lastPage.size(), 15u);
    EXPECT_EQ(lastPage.substr(lastPage.size() - 15), "made with love.");
    EXPECT_GE(pass - lastNewGlyph, 200);
    // The pass's last frame starts the greeting over.
    show.nextFrame();
    EXPECT_TRUE(show.greetingJustEnded());
    EXPECT_EQ(textWriter.glyphCount(), 0);
    EXPECT_EQ(textWriter.readIndex(), 0);
}

TEST(RecordingLength, ALongGreetingIsCut) {
    std::atomic<bool> stop{false};
    std::string error;
    EXPECT_EQ(greetingPassFrames(SHOW_DEFAULT_CLOCK, 400, stop, error), 400);
}

}  // namespace
