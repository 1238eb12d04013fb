#include "app/card_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Read {
    CardCommand command;
    CardOptions options;
    std::string error;
};

Read read(std::vector<const char*> words) {
    words.insert(words.begin(), "yulecard");
    Read r;
    r.command = readCardOptions(static_cast<int>(words.size()), words.data(), r.options, r.error);
    return r;
}

TEST(CardOptions, NoOptionsIsTheCardAsItAlwaysWas) {
    const Read r = read({});
    EXPECT_EQ(r.command, CardCommand::Run);
    EXPECT_TRUE(r.options.content.greetingPath.empty());
    EXPECT_TRUE(r.options.content.musicPath.empty());
    EXPECT_FALSE(r.options.window);
}

TEST(CardOptions, ContentAndWindow) {
    const Read r = read({"--greeting", "wishes.txt", "--music=song.xm", "--window"});
    ASSERT_EQ(r.command, CardCommand::Run) << r.error;
    EXPECT_EQ(r.options.content.greetingPath, "wishes.txt");
    EXPECT_EQ(r.options.content.musicPath, "song.xm");
    EXPECT_TRUE(r.options.window);
}

TEST(CardOptions, HelpAndVersionAnswerWhateverElseIsGiven) {
    EXPECT_EQ(read({"--help"}).command, CardCommand::ShowHelp);
    EXPECT_EQ(read({"-h", "--window"}).command, CardCommand::ShowHelp);
    EXPECT_EQ(read({"--version"}).command, CardCommand::ShowVersion);
    EXPECT_EQ(read({"--music", "x.xm", "--version"}).command, CardCommand::ShowVersion);
}

TEST(CardOptions, WrongUsage) {
    struct Case {
        std::vector<const char*> words;
        const char* error;
    } cases[] = {
        {{"--fullscreen"}, "unknown option --fullscreen"},
        {{"--greeting"}, "--greeting needs a value (FILE)"},
        {{"wishes.txt"}, "unexpected argument 'wishes.txt'"},
        {{"--window=yes"}, "--window takes no value"},
    };
    for (const Case& c : cases) {
        const Read r = read(c.words);
        EXPECT_EQ(r.command, CardCommand::UsageError) << c.error;
        EXPECT_EQ(r.error, c.error);
    }
}

TEST(CardOptions, HelpNamesEveryOption) {
    const std::string help = cardHelp();
    for (const char* option :
         {"--greeting FILE", "--music FILE.xm", "--window", "--help", "--version", "Esc", "Alt+Enter", "F11"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_EQ(help.rfind(cardUsage(), 0), 0u) << "help starts with the usage";
}

}  // namespace
