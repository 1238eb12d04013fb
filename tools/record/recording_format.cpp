#include "tools/record/recording_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace {

// H.264 at medium with the sixth of its ten sub-pixel searches (the seventh
// costs a fifth more time on the card for nothing measurable) and without
// adaptive quantisation: the card is flat areas of a few hundred colours,
// where moving bits into dark flat blocks only lowers the other frames.
// Measured on a minute of the card: 2x real time on two cores, no frame under
// 39.9 dB, 11.8 MB a minute. veryfast takes half the time for about 2 dB.
constexpr CodecOption X264_DEFAULT[] = {
    {"preset", "medium"}, {"crf", "21"}, {"x264-params", "subme=6:aq-mode=0"}};
constexpr CodecOption X264_FAST[] = {{"preset", "veryfast"}, {"crf", "20"}, {"x264-params", "aq-mode=0"}};
// VP9's "good" deadline is 4x slower than H.264 medium for the same result;
// realtime at cpu-used 6 costs less than H.264 for 30 % more bytes.
constexpr CodecOption VP9_DEFAULT[] = {
    {"deadline", "realtime"}, {"cpu-used", "6"}, {"row-mt", "1"}, {"crf", "30"}};
constexpr CodecOption VP9_FAST[] = {
    {"deadline", "realtime"}, {"cpu-used", "8"}, {"row-mt", "1"}, {"crf", "30"}};
// The index first, so a page can start playing the file before it has all of it.
constexpr CodecOption MP4_MUXER[] = {{"movflags", "+faststart"}};

constexpr std::array<RecordingFormat, 2> FORMATS = {{
    {".mp4", "mp4", MP4_MUXER, "libx264", X264_DEFAULT, X264_FAST, "aac", 160000, false},
    {".webm", "webm", {}, "libvpx-vp9", VP9_DEFAULT, VP9_FAST, "libopus", 128000, true},
}};

}  // namespace

const RecordingFormat* recordingFormatFor(const std::string& path, std::string& reason) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const RecordingFormat& format : FORMATS) {
        if (extension == format.extension) return &format;
    }
    if (extension == ".gif")
        reason = path + ": GIF is not offered (no sound, three times the size of .mp4): use .mp4 or .webm";
    else
        reason = path + ": the file name must end in .mp4 or .webm";
    return nullptr;
}
