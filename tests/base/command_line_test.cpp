#include "base/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/decimal_seconds.h"

namespace {

const OptionSpec kSpecs[] = {
    {"greeting", 0, "FILE", "the words the card writes"},
    {"output", 'o', "FILE", "where the video goes"},
    {"quiet", 'q', nullptr, "no progress line,\nnot even on a terminal"},
    {"help", 'h', nullptr, "this text"},
};

struct Parsed {
    bool ok;
    CommandLine line;
    std::string error;
};

Parsed parse(std::vector<const char*> words) {
    words.insert(words.begin(), "prog");
    Parsed p;
    p.ok = parseCommandLine(static_cast<int>(words.size()), words.data(), kSpecs, p.line, p.error);
    return p;
}

TEST(CommandLine, EveryAcceptedFormGivesTheSameOptions) {
    for (const auto& words : std::vector<std::vector<const char*>>{
             {"--greeting", "a.txt", "-o", "card.mp4", "--quiet"},
             {"--greeting=a.txt", "--output=card.mp4", "-q"},
             {"-q", "--output", "card.mp4", "--greeting", "a.txt"},
         }) {
        const Parsed p = parse(words);
        ASSERT_TRUE(p.ok) << p.error;
        ASSERT_NE(p.line.value("greeting"), nullptr);
        EXPECT_EQ(*p.line.value("greeting"), "a.txt");
        EXPECT_EQ(*p.line.value("output"), "card.mp4");
        EXPECT_TRUE(p.line.has("quiet"));
        EXPECT_FALSE(p.line.has("help"));
        EXPECT_TRUE(p.line.operands.empty());
    }
}

TEST(CommandLine, ValuesAreTakenAsTheyAre) {
    // A value may begin with a dash, be empty, or hold an equals sign.
    Parsed p = parse({"--greeting", "-odd-name.txt", "-o", "", "--greeting=x=y"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(*p.line.value("output"), "");
    EXPECT_TRUE(p.line.has("output")) << "an empty value still counts as given";
    EXPECT_EQ(*p.line.value("greeting"), "x=y") << "the last one given wins";
    ASSERT_EQ(p.line.options.size(), 3u);
    EXPECT_EQ(p.line.options[0].value, "-odd-name.txt");
}

TEST(CommandLine, OperandsAndTheEndOfOptions) {
    Parsed p = parse({"in.xm", "-", "-q", "--", "--greeting", "-o"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.line.operands, (std::vector<std::string>{"in.xm", "-", "--greeting", "-o"}));
    EXPECT_TRUE(p.line.has("quiet"));
    EXPECT_FALSE(p.line.has("greeting"));
}

TEST(CommandLine, WrongUsageIsOneLineNamingTheOption) {
    struct Case {
        std::vector<const char*> words;
        const char* error;
    } cases[] = {
        {{"--colour"}, "unknown option --colour"},
        {{"--colour=red"}, "unknown option --colour"},
        {{"-x"}, "unknown option -x"},
        {{"-qo", "x"}, "unknown option -qo"},
        {{"--greet", "a.txt"}, "unknown option --greet"},
        {{"--greeting"}, "--greeting needs a value (FILE)"},
        {{"a.xm", "-o"}, "-o needs a value (FILE)"},
        {{"--quiet=yes"}, "--quiet takes no value"},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.words);
        EXPECT_FALSE(p.ok) << c.error;
        EXPECT_EQ(p.error, c.error);
    }
}

TEST(CommandLine, HelpListsEveryOptionAlignedAndContinuesLongHelpInItsColumn) {
    const std::string help = describeOptions(kSpecs);
    EXPECT_EQ(help,
              "      --greeting FILE  the words the card writes\n"
              "  -o, --output FILE    where the video goes\n"
              "  -q, --quiet          no progress line,\n"
              "                       not even on a terminal\n"
              "  -h, --help           this text\n");
}

// Seconds as typed, exactly: the frames at a rate round down, the
// milliseconds up, and nothing but digits and one point is a number.
TEST(DecimalSeconds, ExactFramesAndMillisecondsAndWhatIsNotANumber) {
    struct Case {
        const char* text;
        int64_t framesAt44100;
        int64_t milliseconds;
    };
    for (const Case& c : {Case{"0.3", 13230, 300}, Case{"2.5", 110250, 2500}, Case{".25", 11025, 250},
                          Case{"7.", 308700, 7000}, Case{"0.0001", 4, 1}, Case{"0.000000001", 0, 1},
                          Case{"999999999.999999999", 44099999999999, 1000000000000}}) {
        const std::optional<DecimalSeconds> s = parseDecimalSeconds(c.text);
        ASSERT_TRUE(s.has_value()) << c.text;
        EXPECT_EQ(s->framesAt(44100), c.framesAt44100) << c.text;
        EXPECT_EQ(s->millisecondsRoundedUp(), c.milliseconds) << c.text;
    }
    for (const char* text :
         {"", ".", "-1", "+2", "1e3", "1.2.3", " 1", "1 ", "0x10", "1234567890", "0.1234567890"})
        EXPECT_FALSE(parseDecimalSeconds(text).has_value()) << text;
}

}  // namespace
