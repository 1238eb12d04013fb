#pragma once
// The command line of every program of the card (the card itself, its
// frame-shot tool, its recorder): one parser over a table of options, so
// they all take their options the same way and describe them the same way.
//
// Accepted forms: `--name VALUE`, `--name=VALUE`, `-x VALUE` for an option
// with a short name, `--flag`, `-x` for a flag; `--` ends the options and
// every word after it is an operand, as is any word not starting with '-'
// (and a lone '-', which conventionally names standard input or output).
#include <span>
#include <string>
#include <vector>

struct OptionSpec {
    const char* name;       // long name without the dashes: "greeting"
    char shortName;         // single-letter alias, or 0 for none
    const char* valueName;  // what the value is ("FILE"), or null for a flag
    const char* help;       // for --help: a line, or lines separated by '\n'
};

struct CommandLine {
    struct Given {
        const OptionSpec* spec;
        std::string value;  // empty for a flag
    };
    std::vector<Given> options;         // in the order given
    std::vector<std::string> operands;  // the words that are not options

    // Whether the option was given at all.
    bool has(const char* name) const;
    // The value given last for the option (a later one overrides an earlier
    // one, as users expect), or null when it was not given.
    const std::string* value(const char* name) const;
};

// Reads argv[1..argc-1] against `specs`. Returns false with one line in
// `error` (without the program's name) for an unknown option, a missing
// value or a value given to a flag.
bool parseCommandLine(int argc, const char* const* argv, std::span<const OptionSpec> specs, CommandLine& out,
                      std::string& error);

// The options as --help lists them: names left, help right, the help texts
// aligned (a help of several lines continues in its column).
std::string describeOptions(std::span<const OptionSpec> specs);
