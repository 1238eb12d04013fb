// xmrender: plays an XM file with the card's own player, from the start of
// playback, and writes what the sound device would receive as a WAV file.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/decimal_seconds.h"
#include "base/file_bytes.h"
#include "music/loader.h"
#include "music/output_format.h"
#include "music/render.h"
#include "music/song.h"
#include "music/voice.h"
#include "wav_file.h"
#include "yulecard_version.h"

namespace {

constexpr int32_t DEFAULT_RATE = 44000;
constexpr int64_t PASS_CAP_SECONDS = 30 * 60;
// Frames rendered and written at a time: 256 KB, so that writing a long
// render costs few system calls (at 16 KB they took a tenth of the time).
constexpr int32_t CHUNK_FRAMES = 65536;

constexpr OptionSpec OUTPUT_OPTION{"output", 'o', "FILE",
                                   "where the WAV goes; '-' writes it to standard output"};
constexpr OptionSpec SECONDS_OPTION{"seconds", 0, "S",
                                    "render S seconds (S x rate frames, rounded down); without it,\n"
                                    "one pass of the song: until playback comes back to an order\n"
                                    "and row it has played, at most 30 minutes"};
constexpr OptionSpec RATE_OPTION{"rate", 0, "HZ", "frames per second, 1000..384000 (default 44000)"};
constexpr OptionSpec INFO_OPTION{"info", 0, nullptr,
                                 "print the module's header, order list, patterns, instruments\n"
                                 "and the length of one pass; render nothing"};
constexpr OptionSpec QUIET_OPTION{"quiet", 'q', nullptr, "no progress line on standard error"};
constexpr OptionSpec HELP_OPTION{"help", 'h', nullptr, "this text"};
constexpr OptionSpec VERSION_OPTION{"version", 0, nullptr, "the program's version"};
constexpr OptionSpec XMRENDER_OPTIONS[] = {OUTPUT_OPTION, SECONDS_OPTION, RATE_OPTION,   INFO_OPTION,
                                           QUIET_OPTION,  HELP_OPTION,    VERSION_OPTION};

const char* const USAGE =
    "usage: xmrender INPUT.xm -o OUTPUT.wav [--seconds S] [--rate HZ] [--quiet]\n"
    "       xmrender --info INPUT.xm [--rate HZ]\n"
    "       xmrender --help | --version\n";

std::string help() {
    return std::string(USAGE) +
           "\n"
           "Plays an XM module with the card's player and writes 16-bit stereo PCM WAV.\n"
           "\n" +
           describeOptions(XMRENDER_OPTIONS) +
           "\n"
           "Exit status: 0 done, 1 error (file, module or output), 2 wrong usage.\n";
}

struct Options {
    std::string input;
    std::string output;
    std::optional<DecimalSeconds> seconds;  // none: one pass
    int32_t rate = DEFAULT_RATE;
    bool info = false;
    bool quiet = false;
};

enum class Command { Run, ShowHelp, ShowVersion, UsageError };

int usageError(const std::string& what) {
    std::fprintf(stderr, "xmrender: %s\n%s", what.c_str(), USAGE);
    return 2;
}

int fail(const std::string& what) {
    std::fprintf(stderr, "xmrender: %s\n", what.c_str());
    return 1;
}

bool parseRate(const std::string& text, int32_t* rate) {
    if (text.empty() || text.size() > 7) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < OFFLINE_MIN_RATE || value > OFFLINE_MAX_RATE) return false;
    *rate = static_cast<int32_t>(value);
    return true;
}

// Reads the command line into `o`; `error` holds one line for a usage error.
Command readOptions(int argc, char** argv, Options& o, std::string& error) {
    CommandLine line;
    if (!parseCommandLine(argc, argv, XMRENDER_OPTIONS, line, error)) return Command::UsageError;
    if (line.has(HELP_OPTION.name)) return Command::ShowHelp;
    if (line.has(VERSION_OPTION.name)) return Command::ShowVersion;
    if (line.operands.empty()) {
        error = "no input file";
        return Command::UsageError;
    }
    if (line.operands.size() > 1) {
        error = "more than one input file";
        return Command::UsageError;
    }
    o.input = line.operands.front();
    const std::string* output = line.value(OUTPUT_OPTION.name);
    const std::string* seconds = line.value(SECONDS_OPTION.name);
    if (const std::string* rate = line.value(RATE_OPTION.name); rate && !parseRate(*rate, &o.rate)) {
        error = "--rate wants a whole number of frames per second from " + std::to_string(OFFLINE_MIN_RATE) +
                " to " + std::to_string(OFFLINE_MAX_RATE);
        return Command::UsageError;
    }
    o.info = line.has(INFO_OPTION.name);
    o.quiet = line.has(QUIET_OPTION.name);
    if (o.info) {
        if (output || seconds) {
            error = "--info renders nothing: no -o or --seconds";
            return Command::UsageError;
        }
    } else if (!output) {
        error = "no output file (-o OUTPUT.wav, or -o - for standard output)";
        return Command::UsageError;
    } else if (output->empty()) {
        error = "the output name is empty";
        return Command::UsageError;
    } else {
        o.output = *output;
    }
    if (seconds && !(o.seconds = parseDecimalSeconds(*seconds))) {
        error = "--seconds wants a number of seconds such as 30 or 2.5";
        return Command::UsageError;
    }
    return Command::Run;
}

// The module name and tracker name from the file's own header; the player
// keeps neither.
struct HeaderText {
    std::string name;
    std::string tracker;
};

std::string trimmed(const char* bytes, size_t size) {
    std::string s(bytes, strnlen(bytes, size));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    }
    return s;
}

HeaderText readHeaderText(std::span<const uint8_t> bytes) {
    HeaderText text;
    if (bytes.size() >= 58) {
        const char* header = reinterpret_cast<const char*>(bytes.data());
        text.name = trimmed(header + 17, 20);
        text.tracker = trimmed(header + 38, 20);
    }
    return text;
}

// The module, read once: its bytes (for the header's texts) and the song.
struct Module {
    ByteSource bytes;
    Song* song = nullptr;
};

bool loadModule(const std::string& path, Module& module) {
    std::string bytes, error;
    const FileKind kind{"module", "module", MODULE_FILE_MAX_BYTES};
    if (!readFileBytes(path, kind, bytes, error)) {
        fail(error);
        return false;
    }
    module.bytes = ByteSource::owning(std::move(bytes));
    module.song = loadSong(module.bytes);
    if (module.song == nullptr) {
        const LoadError error = lastLoadError();
        fail(path + ": " + (error.message[0] ? error.message : "cannot load the module"));
        return false;
    }
    return true;
}

std::string timeText(double seconds) {
    char text[32];
    const long whole = static_cast<long>(seconds);
    std::snprintf(text, sizeof text, "%ld:%04.1f", whole / 60, seconds - (whole / 60) * 60.0);
    return text;
}

int64_t passFrames(Song* song, int32_t rate) {
    setOutputFormat(rate);
    return measurePassFrames(song, PASS_CAP_SECONDS * rate);
}

int printInfo(const Options& o) {
    Module module;
    if (!loadModule(o.input, module)) return 1;
    Song* song = module.song;
    const HeaderText text = readHeaderText(module.bytes.bytes());
    const LoadRepairs repairs = lastLoadRepairs();
    std::printf("file            %s\n", o.input.c_str());
    std::printf("name            \"%s\"\n", text.name.c_str());
    std::printf("tracker         \"%s\"\n", text.tracker.c_str());
    std::printf("channels        %d\n", song->channelCount);
    std::printf("song length     %d orders\n", song->songLength);
    std::printf("restart         order %d\n", song->restartPosition);
    std::printf("patterns        %d\n", song->patternCount);
    std::printf("instruments     %d\n", song->instrumentCount);
    std::printf("frequencies     %s\n", song->flags & SONG_LINEAR_FREQUENCIES ? "linear" : "Amiga");
    std::printf("speed           %d ticks per row\n", song->defaultSpeed);
    std::printf("tempo           %d BPM\n", song->defaultBpm);
    std::printf("global volume   %d\n", song->initialGlobalVolume);
    if (repairs.count > 0) {
        std::printf("repairs         %d (first: %s)\n", repairs.count, repairs.first);
    }
    std::printf("orders         ");
    for (int i = 0; i < song->songLength; ++i) std::printf(" %d", song->orders[i]);
    std::printf("\n");
    for (int i = 0; i < song->patternCount; ++i) {
        std::printf("pattern %3d     %d rows, %d cells\n", i, song->patterns[i].rows,
                    song->patterns[i].rows * song->channelCount);
    }
    for (int i = 0; i < song->instrumentCount; ++i) {
        const Instrument& in = song->instruments[i];
        int64_t frames = 0;
        for (int s = 0; s < in.sampleCount && s < MAX_SAMPLES_PER_INSTRUMENT; ++s) {
            if (in.samples[s] != nullptr) frames += in.samples[s]->length;
        }
        std::printf("instrument %3d  %d samples, %lld frames (%lld bytes)\n", i + 1, in.sampleCount,
                    static_cast<long long>(frames), static_cast<long long>(frames * 2));
    }
    const int64_t frames = passFrames(song, o.rate);
    const double seconds = static_cast<double>(frames) / o.rate;
    if (frames >= PASS_CAP_SECONDS * o.rate) {
        std::printf("one pass        over %.2f s (no repeat within 30 minutes)\n", seconds);
    } else {
        std::printf("one pass        %.2f s (%s)\n", seconds, timeText(seconds).c_str());
    }
    freeSong(song);
    return 0;
}

// The one-line progress display: where the song is, how far the render is,
// and how fast against real time.
class Progress {
  public:
    Progress(bool enabled, int64_t totalFrames, int32_t rate)
        : enabled_(enabled),
          total_(totalFrames),
          rate_(rate),
          start_(std::chrono::steady_clock::now()),
          last_(start_) {}

    void update(const Song* song, int64_t frames, bool force = false) {
        if (!enabled_) return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        const double wall = std::chrono::duration<double>(now - start_).count();
        const double played = static_cast<double>(frames) / rate_;
        char speed[32] = "";
        if (wall > 0.0) std::snprintf(speed, sizeof speed, "  %.0fx real time", played / wall);
        std::fprintf(stderr, "\rorder %3d/%d  row %3d  %s / %s%s   ", song->order, song->songLength,
                     song->row, timeText(played).c_str(),
                     timeText(static_cast<double>(total_) / rate_).c_str(), speed);
        std::fflush(stderr);
    }

    void finish(const Song* song, int64_t frames) {
        if (!enabled_) return;
        update(song, frames, true);
        std::fputc('\n', stderr);
    }

  private:
    bool enabled_;
    int64_t total_;
    int32_t rate_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_;
};

int render(const Options& o) {
    const bool toStdout = o.output == "-";
    if (toStdout && isatty(STDOUT_FILENO))
        return fail("will not write WAV data to a terminal; redirect standard output or use -o FILE");
    Module module;
    if (!loadModule(o.input, module)) return 1;
    Song* song = module.song;
    const LoadRepairs repairs = lastLoadRepairs();
    if (repairs.count > 0 && !o.quiet) {
        std::fprintf(stderr, "xmrender: warning: %s: %d repair(s) while loading, first: %s\n",
                     o.input.c_str(), repairs.count, repairs.first);
    }

    const int64_t frames = o.seconds ? o.seconds->framesAt(o.rate) : passFrames(song, o.rate);
    if (frames > WAV_MAX_FRAMES) {
        freeSong(song);
        return fail("--seconds is too long for a WAV file (at most " +
                    std::to_string(WAV_MAX_FRAMES / o.rate) + " s at " + std::to_string(o.rate) + " Hz)");
    }

    std::FILE* out = toStdout ? stdout : std::fopen(o.output.c_str(), "wb");
    if (out == nullptr) {
        const std::string reason = std::strerror(errno);
        freeSong(song);
        return fail("cannot create " + o.output + ": " + reason);
    }
    // fix: only a regular file is removed after a failed write; a device or
    // a pipe named as the output (/dev/full, a FIFO) is not ours to delete.
    struct stat info {};
    const bool removable = !toStdout && fstat(fileno(out), &info) == 0 && S_ISREG(info.st_mode);
    auto writeFailed = [&]() {
        const std::string reason = std::strerror(errno);
        if (!toStdout) {
            std::fclose(out);
            if (removable) std::remove(o.output.c_str());
        }
        freeSong(song);
        return fail("cannot write " + (toStdout ? std::string("standard output") : o.output) + ": " + reason);
    };

    OfflineRender renderer;
    if (!startOfflineRender(renderer, song, o.rate)) {
        freeSong(song);
        return fail("cannot start rendering");
    }
    if (!writeWavHeader(out, o.rate, frames)) return writeFailed();

    Progress progress(!o.quiet && isatty(STDERR_FILENO), frames, o.rate);
    // No larger than the render: a short one should not pay for zeroing
    // and faulting in the whole chunk.
    const int64_t chunk = std::min<int64_t>(CHUNK_FRAMES, frames);
    std::vector<int16_t> pcm(static_cast<size_t>(chunk) * 2);
    int64_t done = 0;
    while (done < frames) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(chunk, frames - done));
        renderPcm16(renderer, pcm.data(), n);
        if (!writeWavFrames(out, pcm.data(), n)) return writeFailed();
        done += n;
        progress.update(song, done);
    }
    progress.finish(song, done);
    if (std::fflush(out) != 0) return writeFailed();
    freeSong(song);
    if (!toStdout && std::fclose(out) != 0) {
        const std::string reason = std::strerror(errno);
        if (removable) std::remove(o.output.c_str());
        return fail("cannot write " + o.output + ": " + reason);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    switch (readOptions(argc, argv, options, error)) {
        case Command::ShowHelp:
            std::fputs(help().c_str(), stdout);
            return 0;
        case Command::ShowVersion:
            std::printf("xmrender %s\n", YULECARD_VERSION);
            return 0;
        case Command::UsageError:
            return usageError(error);
        case Command::Run:
            break;
    }
    return options.info ? printInfo(options) : render(options);
}
