#pragma once
// yulecard-record's command line, read with the card's one parser; the
// content options are the card's own, so a recording shows the same card.
#include <cstdint>
#include <string>

#include "app/card_options.h"
#include "tools/record/card_recording.h"

struct RecordOptions {
    std::string output;
    CardContent content;
    int64_t milliseconds = 0;  // the length asked for; 0 for the default
    int32_t scale = 2;         // 1280x960
    int64_t clock = SHOW_DEFAULT_CLOCK;
    bool fast = false;
    bool quiet = false;
};

enum class RecordCommand {
    Record,       // record with the options read
    ShowHelp,     // print recordHelp() to standard output, exit 0
    ShowVersion,  // print the version, exit 0
    UsageError,   // print the error and recordUsage() to standard error, exit 2
};

// `error` holds one line (without the program's name) for a usage error,
// among them an output name that is not a video this tool makes.
RecordCommand readRecordOptions(int argc, const char* const* argv, RecordOptions& options,
                                std::string& error);

std::string recordUsage();
std::string recordHelp();
