// yulecard-shot: runs the card's show on the null platform (no window, no
// sound device, frames presented to memory), with the wall clock fixed so
// that the snow is the same on every run, and writes chosen frames as
// pictures. It takes the card's own --greeting and --music, so any card can
// be looked at headless.
//
//   yulecard-shot --frames 0,200,400,1200 --out DIR [--format png|bmp] [--clock SECONDS]
//                 [--greeting FILE] [--music FILE.xm]
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "app/card_content.h"
#include "app/card_options.h"
#include "app/scene_host.h"
#include "base/command_line.h"
#include "display/pixel_buffer.h"
#include "tools/picture/frame_picture.h"
#include "tools/picture/image_file.h"
#include "yulecard_version.h"

namespace {

// Beyond this a run takes minutes; a typo such as 40000000 is refused.
constexpr long MAX_FRAME = 1'000'000;

constexpr OptionSpec FRAMES_OPTION{"frames", 0, "N[,N...]", "the frames to write (0 is the first)"};
constexpr OptionSpec OUT_OPTION{"out", 0, "DIR", "the folder to write them into (made if missing)"};
constexpr OptionSpec FORMAT_OPTION{"format", 0, "png|bmp", "the pictures' format (default png)"};
constexpr OptionSpec CLOCK_OPTION{"clock", 0, "SECONDS",
                                  "seed the snow from this clock (default 1765000000)"};
constexpr OptionSpec SHOT_OPTIONS[] = {FRAMES_OPTION,   OUT_OPTION,   FORMAT_OPTION, CLOCK_OPTION,
                                       GREETING_OPTION, MUSIC_OPTION, HELP_OPTION,   VERSION_OPTION};

void usage(FILE* to) {
    std::fputs(
        "usage: yulecard-shot --frames N[,N...] --out DIR [--format png|bmp] [--clock SECONDS]\n"
        "                     [--greeting FILE] [--music FILE.xm]\n"
        "       yulecard-shot --help | --version\n",
        to);
}

void help() {
    usage(stdout);
    std::fputs(
        "\n"
        "Runs the show without display or sound and writes frame N (0 is the first)\n"
        "as DIR/frame-NNNNN.png (or .bmp). The snow is seeded from SECONDS, so the\n"
        "same command gives the same pictures.\n"
        "\n"
        "Options:\n",
        stdout);
    std::fputs(describeOptions(SHOT_OPTIONS).c_str(), stdout);
}

bool parseNumber(const char* text, long max, long& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < 0 || v > max) return false;
    value = v;
    return true;
}

bool parseFrames(const std::string& list, std::set<long>& frames) {
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string item = list.substr(start, comma - start);
        long frame = 0;
        if (item.find_first_not_of("0123456789") != std::string::npos ||
            !parseNumber(item.c_str(), MAX_FRAME, frame))
            return false;
        frames.insert(frame);
        start = comma + 1;
    }
    return !frames.empty();
}

// What the command line asks for.
struct ShotRequest {
    std::set<long> frames;
    std::string outDir;
    std::string format = "png";
    int64_t clock = SHOW_DEFAULT_CLOCK;
    CardContent content;
};

// Reads the values of a parsed command line; false (after saying why on
// standard error) for a value that makes no sense.
bool readRequest(const CommandLine& line, ShotRequest& request) {
    if (const std::string* list = line.value(FRAMES_OPTION.name);
        list && !parseFrames(*list, request.frames)) {
        std::fprintf(stderr,
                     "yulecard-shot: --frames wants frame numbers 0 to %ld separated by commas, not '%s'\n",
                     MAX_FRAME, list->c_str());
        return false;
    }
    if (const std::string* dir = line.value(OUT_OPTION.name)) request.outDir = *dir;
    if (const std::string* format = line.value(FORMAT_OPTION.name)) {
        if (*format != "png" && *format != "bmp") {
            std::fprintf(stderr, "yulecard-shot: --format is png or bmp, not '%s'\n", format->c_str());
            return false;
        }
        request.format = *format;
    }
    if (const std::string* clock = line.value(CLOCK_OPTION.name)) {
        long seconds = 0;
        if (!parseNumber(clock->c_str(), 0x7FFFFFFFL, seconds)) {
            std::fprintf(stderr, "yulecard-shot: --clock wants whole seconds, not '%s'\n", clock->c_str());
            return false;
        }
        request.clock = seconds;
    }
    request.content = cardContentFrom(line);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line;
    std::string error;
    if (!parseCommandLine(argc, argv, SHOT_OPTIONS, line, error)) {
        std::fprintf(stderr, "yulecard-shot: %s\n", error.c_str());
        usage(stderr);
        return 2;
    }
    if (line.has(HELP_OPTION.name)) {
        help();
        return 0;
    }
    if (line.has(VERSION_OPTION.name)) {
        std::printf("yulecard-shot %s\n", YULECARD_VERSION);
        return 0;
    }
    if (!line.operands.empty()) {
        std::fprintf(stderr, "yulecard-shot: unexpected argument '%s'\n", line.operands.front().c_str());
        usage(stderr);
        return 2;
    }
    ShotRequest request;
    if (!readRequest(line, request)) return 2;
    if (request.frames.empty() || request.outDir.empty()) {
        usage(stderr);
        return 2;
    }
    LoadedCardContent content;
    if (!loadCardContent(request.content, content, error)) {
        std::fprintf(stderr, "yulecard-shot: %s\n", error.c_str());
        return 1;
    }
    useCardContent(content);
    const std::string& outDir = request.outDir;
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec || !std::filesystem::is_directory(outDir)) {
        std::fprintf(stderr, "yulecard-shot: cannot make the folder %s: %s\n", outDir.c_str(),
                     ec.message().c_str());
        return 1;
    }

    // The null platform: the window is memory and there is no sound device.
    SceneHost show;
    if (!show.open(request.clock, error)) {
        std::fprintf(stderr, "yulecard-shot: %s\n", error.c_str());
        return 1;
    }
    int status = 0;
    const long last = *request.frames.rbegin();
    RgbImage image;
    for (long frame = 0; frame <= last && status == 0; ++frame) {
        const PixelBuffer& shown = show.nextFrame();
        if (!request.frames.count(frame)) continue;
        char name[64];
        std::snprintf(name, sizeof name, "frame-%05ld.%s", frame, request.format.c_str());
        const std::string path = (std::filesystem::path(outDir) / name).string();
        if (!pictureFromFrame(shown, image)) {
            std::fputs("yulecard-shot: the display is not in the 16-bit format\n", stderr);
            status = 1;
        } else if (!(request.format == "png" ? writePng(path, image, error) : writeBmp(path, image, error))) {
            std::fprintf(stderr, "yulecard-shot: %s\n", error.c_str());
            status = 1;
        } else {
            std::printf("%s\n", path.c_str());
        }
    }
    return status;
}
