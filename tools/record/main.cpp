// yulecard-record: records the greeting card, picture and music, as an MP4
// or WebM video to share. The show runs on the null platform (no window, no
// sound device), so it records the same on a server as on a desktop.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/card_content.h"
#include "tools/record/card_recording.h"
#include "tools/record/progress_bar.h"
#include "tools/record/record_options.h"
#include "tools/record/recording_length.h"
#include "tools/record/stop_signals.h"
#include "yulecard_version.h"

int main(int argc, char** argv) {
    RecordOptions options;
    std::string error;
    switch (readRecordOptions(argc, argv, options, error)) {
        case RecordCommand::ShowHelp:
            std::fputs(recordHelp().c_str(), stdout);
            return 0;
        case RecordCommand::ShowVersion:
            std::printf("yulecard-record %s\n", YULECARD_VERSION);
            return 0;
        case RecordCommand::UsageError:
            std::fprintf(stderr, "yulecard-record: %s\n%s", error.c_str(), recordUsage().c_str());
            return 2;
        case RecordCommand::Record:
            break;
    }

    // The sender's greeting and music are read and checked before anything
    // is written, so a bad file costs nothing.
    LoadedCardContent content;
    if (!loadCardContent(options.content, content, error)) {
        std::fprintf(stderr, "yulecard-record: %s\n", error.c_str());
        return 1;
    }
    useCardContent(content);

    CardRecording recording;
    recording.path = options.output;
    recording.settings = RecordSettings{.scale = options.scale, .fast = options.fast};
    recording.clock = options.clock;
    if (options.milliseconds > 0) recording.pictures = recordingPicturesFor(options.milliseconds);

    StopSignals stopSignals;
    ProgressBar progress(stderr, !options.quiet && isatty(STDERR_FILENO));
    const RecordOutcome outcome = recordCard(
        recording, stopSignals.requested(),
        [&](int64_t done, int64_t total) { progress.update(done, total); }, error);
    progress.end();
    switch (outcome) {
        case RecordOutcome::Written:
            return 0;
        case RecordOutcome::Failed:
            std::fprintf(stderr, "yulecard-record: %s\n", error.c_str());
            return 1;
        case RecordOutcome::Stopped:
            std::fprintf(stderr, "yulecard-record: stopped; %s was not written\n", options.output.c_str());
            stopSignals.endByTheSignal();
            return 1;
    }
    return 1;
}
