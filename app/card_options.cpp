#include "app/card_options.h"

#include "greeting/greeting_layout.h"

namespace {

constexpr OptionSpec WINDOW_OPTION{"window", 0, nullptr, "start in a window instead of full screen"};

constexpr OptionSpec CARD_OPTIONS[] = {GREETING_OPTION, MUSIC_OPTION, WINDOW_OPTION, HELP_OPTION,
                                       VERSION_OPTION};

}  // namespace

CardContent cardContentFrom(const CommandLine& line) {
    CardContent content;
    if (const std::string* path = line.value(GREETING_OPTION.name)) content.greetingPath = *path;
    if (const std::string* path = line.value(MUSIC_OPTION.name)) content.musicPath = *path;
    return content;
}

CardCommand readCardOptions(int argc, const char* const* argv, CardOptions& options, std::string& error) {
    CommandLine line;
    if (!parseCommandLine(argc, argv, CARD_OPTIONS, line, error)) return CardCommand::UsageError;
    // --help and --version answer whatever else was given, as users expect.
    if (line.has(HELP_OPTION.name)) return CardCommand::ShowHelp;
    if (line.has(VERSION_OPTION.name)) return CardCommand::ShowVersion;
    if (!line.operands.empty()) {
        error = "unexpected argument '" + line.operands.front() + "'";
        return CardCommand::UsageError;
    }
    options.content = cardContentFrom(line);
    options.window = line.has(WINDOW_OPTION.name);
    return CardCommand::Run;
}

std::string cardUsage() {
    return "usage: yulecard [--greeting FILE] [--music FILE.xm] [--window]\n"
           "       yulecard --help | --version\n";
}

std::string cardHelp() {
    return cardUsage() +
           "\n"
           "An animated greeting card: snow falls, a hand writes a greeting onto an open\n"
           "palm page after page, and a carol plays.\n"
           "\n"
           "Options:\n" +
           describeOptions(CARD_OPTIONS) +
           "\n"
           "The greeting file (UTF-8 text):\n"
           "  Blank lines separate the pages; words wrap at " +
           std::to_string(GREETING_LINE_LETTERS) + " letters, " + std::to_string(GREETING_PAGE_LINES) +
           " lines to a page\n"
           "  (a longer page goes on over the next). A page stays 2 to 6 seconds by its\n"
           "  length, or as long as a line \"[pause SECONDS]\" in it says (0 to " +
           std::to_string(GREETING_MAX_PAUSE_SECONDS) +
           ").\n"
           "  Letters: Latin with the accents of every European language and Turkish\n"
           "  (\u00e9, \u00df, \u0142, \u0151, \u0161, \u0219, \u0131, ...), Greek and Cyrillic; the quotes\n"
           "  \u201e\u201c \u201a\u2018 \u00ab\u00bb, dashes \u2013 \u2014, \u2026 \u2022 \u20ac; \u2744 "
           "writes a snowflake.\n"
           "\n"
           "Keys:\n"
           "  Esc                   end the card\n"
           "  Alt+Enter, F11        switch between full screen and a window\n";
}
