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
#include <string>
#include <vector>

#include "music/loader.h"
#include "music/memory_stream.h"
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

const char* const USAGE =
    "usage: xmrender INPUT.xm -o OUTPUT.wav [--seconds S] [--rate HZ] [--quiet]\n"
    "       xmrender --info INPUT.xm [--rate HZ]\n"
    "       xmrender --help | --version\n";

const char* const HELP =
    "Plays an XM module with the card's player and writes 16-bit stereo PCM WAV.\n"
    "\n"
    "  -o, --output FILE  where the WAV goes; '-' writes it to standard output\n"
    "  --seconds S        render S seconds (S x rate frames, rounded down);\n"
    "                     without it, one pass of the song: until playback comes\n"
    "                     back to an order and row it has played, at most 30 minutes\n"
    "  --rate HZ          frames per second, 1000..384000 (default 44000)\n"
    "  --info             print the module's header, order list, patterns,\n"
    "                     instruments and the length of one pass; render nothing\n"
    "  -q, --quiet        no progress line on standard error\n"
    "  -h, --help         this text\n"
    "  --version          the program's version\n"
    "\n"
    "Exit status: 0 done, 1 error (file, module or output), 2 wrong usage.\n";

struct Options {
    std::string input;
    std::string output;
    bool haveOutput = false;
    std::string seconds;  // as given; parsed exactly against the rate
    int32_t rate = DEFAULT_RATE;
    bool info = false;
    bool quiet = false;
};

[[noreturn]] void usageError(const std::string& what) {
    std::fprintf(stderr, "xmrender: %s\n%s", what.c_str(), USAGE);
    std::exit(2);
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "xmrender: %s\n", what.c_str());
    std::exit(1);
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

// Frames for a decimal number of seconds, exactly: 0.3 s at 44,100 Hz is
// 13,230 frames, where binary floating point would give 13,229.
bool parseSeconds(const std::string& text, int32_t rate, int64_t* frames) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (whole.empty() && fraction.empty()) return false;
    if (whole.size() > 9 || fraction.size() > 9) return false;
    for (char c : whole + fraction) {
        if (c < '0' || c > '9') return false;
    }
    int64_t scale = 1;
    for (size_t i = 0; i < fraction.size(); ++i) scale *= 10;
    const int64_t w = whole.empty() ? 0 : std::strtoll(whole.c_str(), nullptr, 10);
    const int64_t f = fraction.empty() ? 0 : std::strtoll(fraction.c_str(), nullptr, 10);
    *frames = w * rate + f * rate / scale;
    return true;
}

Options parseArguments(int argc, char** argv) {
    Options o;
    bool haveInput = false;
    bool haveSeconds = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            inlineValue = true;
        }
        auto takeValue = [&]() -> std::string {
            if (inlineValue) return value;
            if (i + 1 >= argc) usageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") {
            std::printf("%s\n%s", USAGE, HELP);
            std::exit(0);
        } else if (arg == "--version") {
            std::printf("xmrender %s\n", YULECARD_VERSION);
            std::exit(0);
        } else if (arg == "-o" || arg == "--output") {
            o.output = takeValue();
            if (o.output.empty()) usageError("the output name is empty");
            o.haveOutput = true;
        } else if (arg == "--seconds") {
            o.seconds = takeValue();
            haveSeconds = true;
        } else if (arg == "--rate") {
            if (!parseRate(takeValue(), &o.rate)) {
                usageError("--rate wants a whole number of frames per second from " +
                           std::to_string(OFFLINE_MIN_RATE) + " to " + std::to_string(OFFLINE_MAX_RATE));
            }
        } else if (arg == "--info") {
            o.info = true;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            usageError("unknown option " + arg);
        } else if (!haveInput) {
            o.input = arg;
            haveInput = true;
        } else {
            usageError("more than one input file");
        }
    }
    if (!haveInput) usageError("no input file");
    if (o.info) {
        if (o.haveOutput || haveSeconds) usageError("--info renders nothing: no -o or --seconds");
    } else if (!o.haveOutput) {
        usageError("no output file (-o OUTPUT.wav, or -o - for standard output)");
    }
    if (haveSeconds) {
        int64_t frames;
        if (!parseSeconds(o.seconds, o.rate, &frames)) {
            usageError("--seconds wants a number of seconds such as 30 or 2.5");
        }
    }
    return o;
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

HeaderText readHeaderText(const std::string& path) {
    HeaderText text;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return text;
    char header[58] = {};
    if (std::fread(header, 1, sizeof header, f) == sizeof header) {
        text.name = trimmed(header + 17, 20);
        text.tracker = trimmed(header + 38, 20);
    }
    std::fclose(f);
    return text;
}

Song* loadModule(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) fail("cannot open " + path + ": " + std::strerror(errno));
    std::fclose(f);
    Song* song = createSongFromFile(path.c_str());
    if (song == nullptr) {
        const LoadError error = lastLoadError();
        fail(path + ": " + (error.message[0] ? error.message : "cannot load the module"));
    }
    return song;
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
    Song* song = loadModule(o.input);
    const HeaderText text = readHeaderText(o.input);
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
    if (toStdout && isatty(STDOUT_FILENO)) {
        fail("will not write WAV data to a terminal; redirect standard output or use -o FILE");
    }
    Song* song = loadModule(o.input);
    const LoadRepairs repairs = lastLoadRepairs();
    if (repairs.count > 0 && !o.quiet) {
        std::fprintf(stderr, "xmrender: warning: %s: %d repair(s) while loading, first: %s\n",
                     o.input.c_str(), repairs.count, repairs.first);
    }

    int64_t frames = 0;
    if (!o.seconds.empty()) {
        parseSeconds(o.seconds, o.rate, &frames);
    } else {
        frames = passFrames(song, o.rate);
    }
    if (frames > WAV_MAX_FRAMES) {
        fail("--seconds " + o.seconds + " is too long for a WAV file (at most " +
             std::to_string(WAV_MAX_FRAMES / o.rate) + " s at " + std::to_string(o.rate) + " Hz)");
    }

    std::FILE* out = toStdout ? stdout : std::fopen(o.output.c_str(), "wb");
    if (out == nullptr) fail("cannot create " + o.output + ": " + std::strerror(errno));
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
        fail("cannot write " + (toStdout ? std::string("standard output") : o.output) + ": " + reason);
    };

    OfflineRender renderer;
    if (!startOfflineRender(renderer, song, o.rate)) fail("cannot start rendering");
    if (!writeWavHeader(out, o.rate, frames)) writeFailed();

    Progress progress(!o.quiet && isatty(STDERR_FILENO), frames, o.rate);
    std::vector<int16_t> pcm(static_cast<size_t>(CHUNK_FRAMES) * 2);
    int64_t done = 0;
    while (done < frames) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(CHUNK_FRAMES, frames - done));
        renderPcm16(renderer, pcm.data(), n);
        if (!writeWavFrames(out, pcm.data(), n)) writeFailed();
        done += n;
        progress.update(song, done);
    }
    progress.finish(song, done);
    if (std::fflush(out) != 0) writeFailed();
    if (!toStdout && std::fclose(out) != 0) {
        if (removable) std::remove(o.output.c_str());
        fail("cannot write " + o.output + ": " + std::strerror(errno));
    }
    freeSong(song);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseArguments(argc, argv);
    return options.info ? printInfo(options) : render(options);
}
