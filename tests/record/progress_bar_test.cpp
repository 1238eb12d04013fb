#include "tools/record/progress_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

TEST(ProgressLine, BarShareSpeedAndTimeLeft) {
    // Half of 952 pictures (20 s of video) after 5 s: 10 s of video, 2x.
    EXPECT_EQ(progressLine(476, 952, 5.0), "[############............] 476/952 frames  50%  2.0x  0:05 left");
    EXPECT_EQ(progressLine(952, 952, 10.0),
              "[########################] 952/952 frames 100%  2.0x  0:00 left");
    // Nothing to judge the speed by yet.
    EXPECT_EQ(progressLine(0, 952, 0.0), "[........................] 0/952 frames   0%");
    EXPECT_EQ(progressLine(1, 952, 0.0), "[........................] 1/952 frames   0%");
    // Hours when it comes to that.
    const std::string long_ = progressLine(100, 171429, 10.0);
    EXPECT_NE(long_.find("  0.2x  4:45:33 left"), std::string::npos) << long_;
}

TEST(ProgressLine, NeverWraps) {
    for (const double elapsed : {0.001, 1.0, 1e6})
        for (const int64_t done : {int64_t{1}, int64_t{85000}, int64_t{171429}})
            EXPECT_LE(progressLine(done, 171429, elapsed).size(), 79u) << done << " after " << elapsed;
    EXPECT_EQ(progressLine(5, 0, 1.0).find("100%") != std::string::npos, true) << "an empty total is done";
}

std::string written(bool shown, int updates) {
    std::FILE* file = std::tmpfile();
    {
        ProgressBar bar(file, shown);
        for (int i = 1; i <= updates; ++i) bar.update(i, updates);
        bar.end();
    }
    std::string text(4096, '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

TEST(ProgressBar, OnlyWhenShownAndAlwaysTheLastPicture) {
    EXPECT_EQ(written(false, 100), "");
    const std::string text = written(true, 100);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.front(), '\r');
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text.find("100/100 frames 100%"), std::string::npos) << text;
    // Redrawn a few times a second, not for every picture.
    EXPECT_LT(std::count(text.begin(), text.end(), '\r'), 10);
}

}  // namespace
