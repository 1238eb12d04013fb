#include "tools/record/record_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/record/recording_length.h"

namespace {

struct Read {
    RecordCommand command;
    RecordOptions options;
    std::string error;
};

Read read(std::vector<const char*> words) {
    words.insert(words.begin(), "yulecard-record");
    Read r;
    r.command = readRecordOptions(static_cast<int>(words.size()), words.data(), r.options, r.error);
    return r;
}

TEST(RecordOptions, DefaultsAreTheSharedCardAtTwiceItsSize) {
    const Read r = read({"-o", "card.mp4"});
    ASSERT_EQ(r.command, RecordCommand::Record) << r.error;
    EXPECT_EQ(r.options.output, "card.mp4");
    EXPECT_EQ(r.options.milliseconds, 0) << "one pass of the greeting";
    EXPECT_TRUE(r.options.content.greetingPath.empty()) << "our card";
    EXPECT_TRUE(r.options.content.musicPath.empty());
    EXPECT_EQ(r.options.scale, 2);
    EXPECT_EQ(r.options.clock, SHOW_DEFAULT_CLOCK);
    EXPECT_FALSE(r.options.fast);
    EXPECT_FALSE(r.options.quiet);
}

TEST(RecordOptions, EveryOption) {
    const Read r = read({"--output=Card.WEBM", "--seconds", "2.5", "--size", "1920x1440", "--clock", "7",
                         "--fast", "-q", "--greeting", "wishes.txt", "--music=song.xm"});
    ASSERT_EQ(r.command, RecordCommand::Record) << r.error;
    EXPECT_EQ(r.options.output, "Card.WEBM");
    EXPECT_EQ(r.options.milliseconds, 2500);
    EXPECT_EQ(r.options.scale, 3);
    EXPECT_EQ(r.options.clock, 7);
    EXPECT_TRUE(r.options.fast);
    EXPECT_TRUE(r.options.quiet);
    EXPECT_EQ(r.options.content.greetingPath, "wishes.txt");
    EXPECT_EQ(r.options.content.musicPath, "song.xm");
    EXPECT_EQ(read({"-o", "a.mp4", "--size", "640x480"}).options.scale, 1);
}

TEST(RecordOptions, SecondsAreExactAndRoundUp) {
    struct Case {
        const char* text;
        int64_t milliseconds;
    } cases[] = {{"6", 6000},      {"0.3", 300},     {".5", 500},
                 {"1.0001", 1001}, {"1.0000", 1000}, {"3600", 3600000}};
    for (const Case& c : cases) {
        const Read r = read({"-o", "a.mp4", "--seconds", c.text});
        ASSERT_EQ(r.command, RecordCommand::Record) << c.text << ": " << r.error;
        EXPECT_EQ(r.options.milliseconds, c.milliseconds) << c.text;
    }
}

TEST(RecordOptions, LengthInPictures) {
    EXPECT_EQ(recordingPicturesFor(6000), 286) << "6.006 s: never shorter than asked";
    EXPECT_EQ(recordingPicturesFor(21), 1);
    EXPECT_EQ(recordingPicturesFor(22), 2);
    EXPECT_EQ(recordingPicturesFor(3600000), 171429);
    // One pass of the built-in greeting: the lead-in, the pass and two seconds.
    EXPECT_EQ(defaultRecordingPictures(5046), 48 + 5046 + 96);
    EXPECT_EQ(defaultRecordingPictures(int64_t{1} << 40), recordingPicturesFor(3600000)) << "at most an hour";
}

TEST(RecordOptions, HelpAndVersionAnswerWhateverElseIsGiven) {
    EXPECT_EQ(read({"--help"}).command, RecordCommand::ShowHelp);
    EXPECT_EQ(read({"-o", "x.avi", "-h"}).command, RecordCommand::ShowHelp);
    EXPECT_EQ(read({"--version", "--size", "1x1"}).command, RecordCommand::ShowVersion);
    const std::string help = recordHelp();
    for (const char* word : {"--output", "--seconds", "--size", "--greeting", "--music", "--clock", "--fast",
                             "--quiet", ".webm"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST(RecordOptions, WrongUsage) {
    struct Case {
        std::vector<const char*> words;
        const char* error;
    } cases[] = {
        {{}, "no video to write (-o FILE.mp4 or -o FILE.webm)"},
        {{"-o", ""}, "no video to write (-o FILE.mp4 or -o FILE.webm)"},
        {{"-o", "card.avi"}, "card.avi: the file name must end in .mp4 or .webm"},
        {{"-o", "card"}, "card: the file name must end in .mp4 or .webm"},
        {{"-o", "card.gif"},
         "card.gif: GIF is not offered (no sound, three times the size of .mp4): use .mp4 or .webm"},
        {{"-o", "a.mp4", "--seconds", "0"},
         "--seconds wants a length above 0 and up to 3600 seconds, such as 30 or 2.5, not '0'"},
        {{"-o", "a.mp4", "--seconds", "3600.001"},
         "--seconds wants a length above 0 and up to 3600 seconds, such as 30 or 2.5, not '3600.001'"},
        {{"-o", "a.mp4", "--seconds", "-2"},
         "--seconds wants a length above 0 and up to 3600 seconds, such as 30 or 2.5, not '-2'"},
        {{"-o", "a.mp4", "--seconds", "1e3"},
         "--seconds wants a length above 0 and up to 3600 seconds, such as 30 or 2.5, not '1e3'"},
        {{"-o", "a.mp4", "--seconds", "."},
         "--seconds wants a length above 0 and up to 3600 seconds, such as 30 or 2.5, not '.'"},
        {{"-o", "a.mp4", "--size", "800x600"}, "--size is 640x480, 1280x960 or 1920x1440, not '800x600'"},
        {{"-o", "a.mp4", "--clock", "2147483648"},
         "--clock wants whole seconds from 0 to 2147483647, not '2147483648'"},
        {{"-o", "a.mp4", "--clock", "-1"}, "--clock wants whole seconds from 0 to 2147483647, not '-1'"},
        {{"-o", "a.mp4", "extra"}, "unexpected argument 'extra'"},
        {{"-o", "a.mp4", "--fast=yes"}, "--fast takes no value"},
        {{"--frames", "3"}, "unknown option --frames"},
        {{"-o"}, "-o needs a value (FILE)"},
    };
    for (const Case& c : cases) {
        const Read r = read(c.words);
        EXPECT_EQ(r.command, RecordCommand::UsageError) << c.error;
        EXPECT_EQ(r.error, c.error);
    }
}

}  // namespace
