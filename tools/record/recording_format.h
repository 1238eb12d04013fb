#pragma once
// What a recording is made of, chosen by the output file's extension: the
// container, its two encoders and their settings, as measured on the card's
// own frames (sharpness, size a minute, processor time).
#include <cstdint>
#include <span>
#include <string>

struct CodecOption {
    const char* key;
    const char* value;
};

struct RecordingFormat {
    const char* extension;  // lower case, with its dot
    const char* muxer;      // FFmpeg's name for the container
    std::span<const CodecOption> muxerOptions;
    const char* videoEncoder;
    std::span<const CodecOption> videoOptions;  // the default
    std::span<const CodecOption> fastOptions;   // quicker, a little softer
    const char* audioEncoder;
    int64_t audioBitRate;
    // This muxer moves every stream later by the sound encoder's pre-skip
    // while the demuxer takes it off the sound only; the pictures start that
    // much earlier to stay with the sound.
    bool picturesLeadByPreSkip;
};

// The format for `path`'s extension (in any letter case), or null with
// `reason` saying, in one line, why that file cannot be recorded.
const RecordingFormat* recordingFormatFor(const std::string& path, std::string& reason);
