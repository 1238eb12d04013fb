// yulecard-shot: runs the card's show on the null platform (no window, no
// sound device, frames presented to memory), with the wall clock fixed so
// that the snow is the same on every run, and writes chosen frames as
// pictures.
//
//   yulecard-shot --frames 0,200,400,1200 --out DIR [--format png|bmp] [--clock SECONDS]
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_frame.h"
#include "display/pixel_buffer.h"
#include "platform/wall_clock.h"
#include "platform/window.h"
#include "tools/picture/frame_picture.h"
#include "tools/picture/image_file.h"
#include "yulecard_version.h"

namespace {

// The clock the snow is seeded from unless --clock says otherwise.
constexpr int64_t DEFAULT_CLOCK = 1'765'000'000;
// Beyond this a run takes minutes; a typo such as 40000000 is refused.
constexpr long MAX_FRAME = 1'000'000;

void usage(FILE* to) {
    std::fputs(
        "usage: yulecard-shot --frames N[,N...] --out DIR [--format png|bmp] [--clock SECONDS]\n"
        "       yulecard-shot --help | --version\n"
        "  Runs the show without display or sound and writes frame N (0 is the first)\n"
        "  as DIR/frame-NNNNN.png (or .bmp). The snow is seeded from SECONDS\n"
        "  (default 1765000000), so the same command gives the same pictures.\n",
        to);
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

void noWait(uint32_t) {}

// The frame last presented, as 24-bit RGB.
bool capture(RgbImage& image) {
    const PixelBuffer* shown = display.primary;
    return shown && pictureFromFrame(*shown, image);
}

}  // namespace

int main(int argc, char** argv) {
    std::set<long> frames;
    std::string outDir;
    std::string format = "png";
    int64_t clock = DEFAULT_CLOCK;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("yulecard-shot %s\n", YULECARD_VERSION);
            return 0;
        }
        if (!value) {
            std::fprintf(stderr, "yulecard-shot: %s needs a value\n", arg.c_str());
            usage(stderr);
            return 2;
        }
        ++i;
        if (arg == "--frames") {
            if (!parseFrames(value, frames)) {
                std::fprintf(
                    stderr,
                    "yulecard-shot: --frames wants frame numbers 0 to %ld separated by commas, not '%s'\n",
                    MAX_FRAME, value);
                return 2;
            }
        } else if (arg == "--out") {
            outDir = value;
        } else if (arg == "--format") {
            format = value;
            if (format != "png" && format != "bmp") {
                std::fprintf(stderr, "yulecard-shot: --format is png or bmp, not '%s'\n", value);
                return 2;
            }
        } else if (arg == "--clock") {
            long seconds = 0;
            if (!parseNumber(value, 0x7FFFFFFFL, seconds)) {
                std::fprintf(stderr, "yulecard-shot: --clock wants whole seconds, not '%s'\n", value);
                return 2;
            }
            clock = seconds;
        } else {
            std::fprintf(stderr, "yulecard-shot: unknown option '%s'\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (frames.empty() || outDir.empty()) {
        usage(stderr);
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec || !std::filesystem::is_directory(outDir)) {
        std::fprintf(stderr, "yulecard-shot: cannot make the folder %s: %s\n", outDir.c_str(),
                     ec.message().c_str());
        return 1;
    }

    // The null platform: the window is memory and there is no sound
    // device; no start-up wait.
    fixWallClock(clock);
    setSceneSleep(noWait);
    mainWindow = createMainWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (mainWindow == nullptr || !sceneInit()) {
        std::fprintf(stderr, "yulecard-shot: cannot open the display in memory: %s\n",
                     mainWindow == nullptr ? platformError() : displayError());
        sceneShutdown();
        destroyMainWindow(mainWindow);
        return 1;
    }

    int status = 0;
    const long last = *frames.rbegin();
    RgbImage image;
    for (long frame = 0; frame <= last && status == 0; ++frame) {
        sceneFrame();
        if (!frames.count(frame)) continue;
        char name[64];
        std::snprintf(name, sizeof name, "frame-%05ld.%s", frame, format.c_str());
        const std::string path = (std::filesystem::path(outDir) / name).string();
        std::string error;
        if (!capture(image)) {
            std::fputs("yulecard-shot: the display is not in the 16-bit format\n", stderr);
            status = 1;
        } else if (!(format == "png" ? writePng(path, image, error) : writeBmp(path, image, error))) {
            std::fprintf(stderr, "yulecard-shot: %s\n", error.c_str());
            status = 1;
        } else {
            std::printf("%s\n", path.c_str());
        }
    }
    sceneShutdown();
    destroyMainWindow(mainWindow);
    mainWindow = nullptr;
    return status;
}
