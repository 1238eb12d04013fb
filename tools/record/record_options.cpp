#include "tools/record/record_options.h"

#include <cctype>
#include <optional>

#include "base/decimal_seconds.h"
#include "tools/record/recording_format.h"
#include "tools/record/recording_timeline.h"

namespace {

constexpr OptionSpec OUTPUT_OPTION{"output", 'o', "FILE", "the video to write: FILE.mp4 or FILE.webm"};
constexpr OptionSpec SECONDS_OPTION{"seconds", 0, "S",
                                    "record S seconds (default: the greeting once and 2 more)"};
constexpr OptionSpec SIZE_OPTION{"size", 0, "WxH", "640x480, 1280x960 (the default) or 1920x1440"};
constexpr OptionSpec CLOCK_OPTION{"clock", 0, "SECONDS", "seed the snow from this time (default 1765000000)"};
constexpr OptionSpec FAST_OPTION{"fast", 0, nullptr, "encode faster, a little less sharp"};
constexpr OptionSpec QUIET_OPTION{"quiet", 'q', nullptr, "no progress line"};

constexpr OptionSpec RECORD_OPTIONS[] = {OUTPUT_OPTION, SECONDS_OPTION, SIZE_OPTION, GREETING_OPTION,
                                         MUSIC_OPTION,  CLOCK_OPTION,   FAST_OPTION, QUIET_OPTION,
                                         HELP_OPTION,   VERSION_OPTION};

struct SizeName {
    const char* name;
    int32_t scale;
};
constexpr SizeName SIZES[] = {{"640x480", 1}, {"1280x960", 2}, {"1920x1440", 3}};

// Milliseconds for a decimal number of seconds, rounded up: "2.5" is 2500,
// "0.0001" is 1. False for anything else, zero, or more than the longest
// recording.
bool parseSeconds(const std::string& text, int64_t& milliseconds) {
    const std::optional<DecimalSeconds> seconds = parseDecimalSeconds(text);
    if (!seconds) return false;
    const int64_t ms = seconds->millisecondsRoundedUp();
    if (ms <= 0 || ms > MAX_RECORD_SECONDS * 1000) return false;
    milliseconds = ms;
    return true;
}

bool parseClock(const std::string& text, int64_t& clock) {
    if (text.empty() || text.size() > 10) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const int64_t value = std::stoll(text);
    if (value > 0x7FFFFFFF) return false;
    clock = value;
    return true;
}

}  // namespace

RecordCommand readRecordOptions(int argc, const char* const* argv, RecordOptions& options,
                                std::string& error) {
    CommandLine line;
    if (!parseCommandLine(argc, argv, RECORD_OPTIONS, line, error)) return RecordCommand::UsageError;
    if (line.has(HELP_OPTION.name)) return RecordCommand::ShowHelp;
    if (line.has(VERSION_OPTION.name)) return RecordCommand::ShowVersion;
    if (!line.operands.empty()) {
        error = "unexpected argument '" + line.operands.front() + "'";
        return RecordCommand::UsageError;
    }
    RecordOptions read;
    const std::string* output = line.value(OUTPUT_OPTION.name);
    if (!output || output->empty()) {
        error = "no video to write (-o FILE.mp4 or -o FILE.webm)";
        return RecordCommand::UsageError;
    }
    read.output = *output;
    if (!recordingFormatFor(read.output, error)) return RecordCommand::UsageError;
    if (const std::string* seconds = line.value(SECONDS_OPTION.name);
        seconds && !parseSeconds(*seconds, read.milliseconds)) {
        error = "--seconds wants a length above 0 and up to " + std::to_string(MAX_RECORD_SECONDS) +
                " seconds, such as 30 or 2.5, not '" + *seconds + "'";
        return RecordCommand::UsageError;
    }
    if (const std::string* size = line.value(SIZE_OPTION.name)) {
        read.scale = 0;
        for (const SizeName& s : SIZES)
            if (*size == s.name) read.scale = s.scale;
        if (read.scale == 0) {
            error = "--size is 640x480, 1280x960 or 1920x1440, not '" + *size + "'";
            return RecordCommand::UsageError;
        }
    }
    if (const std::string* clock = line.value(CLOCK_OPTION.name); clock && !parseClock(*clock, read.clock)) {
        error = "--clock wants whole seconds from 0 to 2147483647, not '" + *clock + "'";
        return RecordCommand::UsageError;
    }
    read.content = cardContentFrom(line);
    read.fast = line.has(FAST_OPTION.name);
    read.quiet = line.has(QUIET_OPTION.name);
    options = std::move(read);
    return RecordCommand::Record;
}

std::string recordUsage() {
    return "usage: yulecard-record -o FILE.mp4|FILE.webm [--seconds S] [--size WxH]\n"
           "                       [--greeting FILE] [--music FILE.xm] [--clock SECONDS]\n"
           "                       [--fast] [--quiet]\n"
           "       yulecard-record --help | --version\n";
}

std::string recordHelp() {
    return recordUsage() +
           "\n"
           "Records the greeting card, picture and music, as a video to share: every\n"
           "frame at its time, enlarged by whole pixels, with the card's own music.\n"
           "The first second holds the first frame while the music starts, as the card\n"
           "does. The extension chooses the format: .mp4 (H.264 and AAC, plays almost\n"
           "everywhere) or .webm (VP9 and Opus). --greeting and --music make the card\n"
           "your own, as they do for yulecard (see its --help for the greeting file).\n"
           "\n"
           "Options:\n" +
           describeOptions(RECORD_OPTIONS) +
           "\n"
           "The file appears only when it is complete; an error or Ctrl-C leaves none.\n"
           "Exit status: 0 written, 1 not written (one line says why), 2 wrong usage.\n";
}
