#pragma once
// The card's command line: what the card writes and plays, and how it is
// shown. The programs that show the card headless (the frame-shot tool, the
// recorder) take the same content options, so one card looks the same in
// all of them.
#include <string>

#include "base/command_line.h"

// What the card writes and plays; empty paths stand for the built-in
// greeting and the card's own music.
inline constexpr OptionSpec GREETING_OPTION{"greeting", 0, "FILE",
                                            "write the greeting in FILE (UTF-8 text) instead of ours"};
inline constexpr OptionSpec MUSIC_OPTION{"music", 0, "FILE.xm", "play the XM module FILE.xm instead of ours"};
inline constexpr OptionSpec HELP_OPTION{"help", 'h', nullptr, "show this help and exit"};
inline constexpr OptionSpec VERSION_OPTION{"version", 0, nullptr, "show the version and exit"};

struct CardContent {
    std::string greetingPath;
    std::string musicPath;
};

struct CardOptions {
    CardContent content;
    bool window = false;  // start in a window instead of full screen
};

// What reading the command line came to.
enum class CardCommand {
    Run,          // show the card with the options read
    ShowHelp,     // --help: print cardHelp() to standard output, exit 0
    ShowVersion,  // --version: print the version, exit 0
    UsageError,   // print the error and cardUsage() to standard error, exit 2
};

// Reads the card's own command line into `options`; `error` holds one line
// (without the program's name) for a usage error.
CardCommand readCardOptions(int argc, const char* const* argv, CardOptions& options, std::string& error);

// Takes the content options out of a parsed command line (for the tools
// that share them).
CardContent cardContentFrom(const CommandLine& line);

// The one-line usage and the whole --help text of the card.
std::string cardUsage();
std::string cardHelp();
