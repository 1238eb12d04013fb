#include "app/card_options.h"

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
           "The greeting file is UTF-8 text: blank lines separate the pages, and words\n"
           "wrap by themselves on the palm. Its whole format is greeting-format.md, among\n"
           "the card's documents (share/doc/yulecard/ where the card is installed).\n"
           "\n"
           "Keys:\n"
           "  Esc                   end the card\n"
           "  Alt+Enter, F11        switch between full screen and a window\n";
}
