#include "base/command_line.h"

#include <algorithm>
#include <cstring>

namespace {

const OptionSpec* findLong(std::span<const OptionSpec> specs, const std::string& name) {
    for (const OptionSpec& spec : specs)
        if (name == spec.name) return &spec;
    return nullptr;
}

const OptionSpec* findShort(std::span<const OptionSpec> specs, char name) {
    for (const OptionSpec& spec : specs)
        if (spec.shortName != 0 && spec.shortName == name) return &spec;
    return nullptr;
}

// "--name VALUE" or "-x VALUE", as the usage shows it.
std::string synopsis(const OptionSpec& spec) {
    std::string text = spec.shortName ? std::string("-") + spec.shortName + ", --" : "    --";
    text += spec.name;
    if (spec.valueName) text += std::string(" ") + spec.valueName;
    return text;
}

}  // namespace

bool CommandLine::has(const char* name) const {
    return value(name) != nullptr;
}

const std::string* CommandLine::value(const char* name) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (std::strcmp(it->spec->name, name) == 0) return &it->value;
    return nullptr;
}

bool parseCommandLine(int argc, const char* const* argv, std::span<const OptionSpec> specs, CommandLine& out,
                      std::string& error) {
    out = CommandLine{};
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            out.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::string shown;  // the option as the user wrote it, for errors
        std::string inlineValue;
        bool hasInlineValue = false;
        if (word[1] == '-') {
            const size_t equals = word.find('=');
            shown = word.substr(0, equals);
            spec = findLong(specs, shown.substr(2));
            if (equals != std::string::npos) {
                inlineValue = word.substr(equals + 1);
                hasInlineValue = true;
            }
        } else {
            // Single letters are never bundled ("-qo x"): no program of the
            // card has enough flags for that to be worth its surprises.
            shown = word.substr(0, 2);
            spec = word.size() == 2 ? findShort(specs, word[1]) : nullptr;
            if (spec == nullptr) shown = word;
        }
        if (spec == nullptr) {
            error = "unknown option " + shown;
            return false;
        }
        CommandLine::Given given{spec, {}};
        if (spec->valueName == nullptr) {
            if (hasInlineValue) {
                error = shown + " takes no value";
                return false;
            }
        } else if (hasInlineValue) {
            given.value = inlineValue;
        } else if (i + 1 < argc) {
            given.value = argv[++i];
        } else {
            error = shown + " needs a value (" + spec->valueName + ")";
            return false;
        }
        out.options.push_back(std::move(given));
    }
    return true;
}

std::string describeOptions(std::span<const OptionSpec> specs) {
    size_t width = 0;
    for (const OptionSpec& spec : specs) width = std::max(width, synopsis(spec).size());
    // A help text of several lines continues in the help column.
    const std::string continuation = "\n" + std::string(width + 4, ' ');
    std::string text;
    for (const OptionSpec& spec : specs) {
        const std::string left = synopsis(spec);
        text += "  " + left + std::string(width - left.size() + 2, ' ');
        for (const char* c = spec.help; *c != '\0'; ++c)
            text += *c == '\n' ? continuation : std::string(1, *c);
        text += "\n";
    }
    return text;
}
