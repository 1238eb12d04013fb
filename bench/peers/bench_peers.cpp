// Our player beside two reference players over the corpus, in one run, as a
// multiple of real time in processor time (user + system):
//  - the process view: each module rendered for 60 s by a whole program
//    (xmrender against small programs built on the reference libraries),
//    start-up, loading and writing included, as a person rendering a folder
//    of modules would run them; the best of a few runs per program;
//  - the in-process view: each module rendered for 300 s in this process,
//    loading excluded.
// Per module it prints each player's speed and our ratio to the faster
// reference, and per voice (speed x channels) for ours; then the totals
// (seconds rendered over processor seconds spent).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "music/loader.h"
#include "music/render.h"
#include "music/song.h"
#include "peer_player.h"
#include "support/child_time.h"

namespace {

constexpr int32_t RATE = 44000;
constexpr int32_t CHUNK = 4096;
constexpr int PLAYERS = 3;  // ours, then the two references
const char* const PLAYER_NAMES[PLAYERS] = {"ours", "mikmod", "xmp"};

struct Options {
    bool start = true;
    long processSeconds = 60;
    long inProcessSeconds = 300;
    int runs = 3;
    bool process = true;
    bool inProcess = true;
    std::string filter;
};

[[noreturn]] void usage(const char* why) {
    std::fprintf(
        stderr,
        "bench_peers: %s\n"
        "usage: bench_peers [--start-only | --process-only | --in-process-only] [--process-seconds S]\n"
        "                   [--seconds S] [--runs N] [--filter TEXT]\n",
        why);
    std::exit(2);
}

long positive(const char* text, const char* what) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v <= 0)
        usage((std::string(what) + " wants a positive whole number").c_str());
    return v;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage((a + " needs a value").c_str());
            return argv[++i];
        };
        if (a == "--start-only") {
            o.process = o.inProcess = false;
        } else if (a == "--process-only") {
            o.inProcess = o.start = false;
        } else if (a == "--in-process-only") {
            o.process = o.start = false;
        } else if (a == "--process-seconds") {
            o.processSeconds = positive(value(), "--process-seconds");
        } else if (a == "--seconds") {
            o.inProcessSeconds = positive(value(), "--seconds");
        } else if (a == "--runs") {
            o.runs = static_cast<int>(positive(value(), "--runs"));
        } else if (a == "--filter") {
            o.filter = value();
        } else if (a == "-h" || a == "--help") {
            std::printf(
                "Renders every corpus module with our player and two reference players and\n"
                "prints the speeds as multiples of real time (processor time).\n");
            std::exit(0);
        } else {
            usage(("unknown option " + a).c_str());
        }
    }
    if (!o.process && !o.inProcess && !o.start) usage("nothing to measure");
    return o;
}

struct Module {
    std::string path;
    std::string name;
    int channels = 0;
};

std::vector<Module> corpus(const std::string& filter) {
    std::vector<Module> out;
    std::error_code error;
    for (const auto& e : std::filesystem::directory_iterator(YULE_CORPUS_DIR, error)) {
        if (e.path().extension() != ".xm") continue;
        const std::string name = e.path().stem().string();
        if (!filter.empty() && name.find(filter) == std::string::npos) continue;
        out.push_back({e.path().string(), name, 0});
    }
    std::sort(out.begin(), out.end(), [](const Module& a, const Module& b) { return a.name < b.name; });
    for (Module& m : out) {
        if (Song* song = createSongFromFile(m.path.c_str())) {
            m.channels = song->channelCount;
            freeSong(song);
        }
    }
    return out;
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double bestChildSeconds(const std::vector<std::string>& args, int runs) {
    double best = -1.0;
    for (int r = 0; r < runs; ++r) {
        const double s = childProcessorSeconds(args);
        if (s < 0.0) return -1.0;
        if (best < 0.0 || s < best) best = s;
    }
    return best;
}

std::vector<std::string> commandFor(int player, const Module& m, const std::string& s) {
    switch (player) {
        case 0:
            return {YULE_XMRENDER, m.path, "-o", "/dev/null", "--seconds", s, "--quiet"};
        case 1:
            return {YULE_PEER_MIKMOD, m.path, s, "/dev/null"};
        default:
            return {YULE_PEER_XMP, m.path, s, "/dev/null"};
    }
}

// Processor seconds to render `seconds` of a module in this process, loading
// excluded; negative when the player cannot load it.
double renderSeconds(int player, const Module& m, long seconds) {
    std::vector<int16_t> pcm(static_cast<size_t>(CHUNK) * 2);
    const int64_t frames = static_cast<int64_t>(seconds) * RATE;
    if (player == 0) {
        Song* song = createSongFromFile(m.path.c_str());
        if (song == nullptr) return -1.0;
        OfflineRender render;
        const double start = processSeconds();
        startOfflineRender(render, song, RATE);
        for (int64_t done = 0; done < frames; done += CHUNK) {
            renderPcm16(render, pcm.data(), static_cast<int32_t>(std::min<int64_t>(CHUNK, frames - done)));
        }
        const double spent = processSeconds() - start;
        freeSong(song);
        return spent;
    }
    std::unique_ptr<PeerPlayer> peer =
        player == 1 ? openMikmodPlayer(m.path.c_str(), RATE) : openXmpPlayer(m.path.c_str(), RATE);
    if (peer == nullptr) return -1.0;
    const double start = processSeconds();
    for (int64_t done = 0; done < frames; done += CHUNK) {
        peer->render(pcm.data(), static_cast<int32_t>(std::min<int64_t>(CHUNK, frames - done)));
    }
    return processSeconds() - start;
}

struct Totals {
    double spent[PLAYERS] = {};
    double rendered[PLAYERS] = {};
    double worstRatio = 1e30;
    std::string worstName;
};

void printHeader(const char* title) {
    std::printf("\n%s\n%-48s %3s %9s %9s %9s %7s %10s\n", title, "module", "ch", PLAYER_NAMES[0],
                PLAYER_NAMES[1], PLAYER_NAMES[2], "ratio", "ours/voice");
}

void printRow(const Module& m, const double (&spent)[PLAYERS], long seconds, Totals& totals) {
    double speed[PLAYERS];
    for (int p = 0; p < PLAYERS; ++p) {
        speed[p] = spent[p] > 0.0 ? static_cast<double>(seconds) / spent[p] : 0.0;
        if (spent[p] > 0.0) {
            totals.spent[p] += spent[p];
            totals.rendered[p] += static_cast<double>(seconds);
        }
    }
    const double fastestPeer = std::max(speed[1], speed[2]);
    const double ratio = fastestPeer > 0.0 ? speed[0] / fastestPeer : 0.0;
    if (fastestPeer > 0.0 && ratio < totals.worstRatio) {
        totals.worstRatio = ratio;
        totals.worstName = m.name;
    }
    std::printf("%-48s %3d", m.name.c_str(), m.channels);
    for (int p = 0; p < PLAYERS; ++p) {
        if (speed[p] > 0.0) {
            std::printf(" %8.0fx", speed[p]);
        } else {
            std::printf(" %9s", "failed");
        }
    }
    std::printf(" %6.2fx %10.0f\n", ratio, speed[0] * m.channels);
    std::fflush(stdout);
}

void printTotals(const Totals& totals) {
    double speed[PLAYERS];
    for (int p = 0; p < PLAYERS; ++p) {
        speed[p] = totals.spent[p] > 0.0 ? totals.rendered[p] / totals.spent[p] : 0.0;
    }
    const double fastestPeer = std::max(speed[1], speed[2]);
    std::printf("%-48s %3s %8.0fx %8.0fx %8.0fx %6.2fx\n", "total", "", speed[0], speed[1], speed[2],
                fastestPeer > 0.0 ? speed[0] / fastestPeer : 0.0);
    std::printf("lowest ratio: %.2fx (%s)\n", totals.worstRatio, totals.worstName.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    const std::vector<Module> modules = corpus(o.filter);
    if (modules.empty()) {
        std::fprintf(stderr, "bench_peers: no modules in %s\n", YULE_CORPUS_DIR);
        return 1;
    }
    std::printf(
        "%zu modules at %d Hz, 16-bit stereo, linear interpolation; speeds are multiples of real "
        "time in processor time\n",
        modules.size(), RATE);
    if (o.start) {
        // The smallest module, rendered for one 20 ms block (880 frames).
        const Module* smallest = &modules.front();
        for (const Module& m : modules) {
            if (std::filesystem::file_size(m.path) < std::filesystem::file_size(smallest->path))
                smallest = &m;
        }
        constexpr int RUNS = 30;
        std::printf("\nStart to the first block (%s, best of %d runs, processor time)\n",
                    smallest->name.c_str(), RUNS);
        const double empty = bestChildSeconds({YULE_EMPTY_PROGRAM}, RUNS);
        std::printf("%-10s %7.3f ms\n", "empty", empty * 1e3);
        for (int p = 0; p < PLAYERS; ++p) {
            const double s = bestChildSeconds(commandFor(p, *smallest, "0.02"), RUNS);
            std::printf("%-10s %7.3f ms\n", PLAYER_NAMES[p], s * 1e3);
        }
        std::fflush(stdout);
    }
    if (o.process) {
        char title[160];
        std::snprintf(title, sizeof title, "Whole process, %ld s per module (best of %d runs)",
                      o.processSeconds, o.runs);
        printHeader(title);
        Totals totals;
        for (const Module& m : modules) {
            double spent[PLAYERS];
            for (int p = 0; p < PLAYERS; ++p) {
                spent[p] = bestChildSeconds(commandFor(p, m, std::to_string(o.processSeconds)), o.runs);
            }
            printRow(m, spent, o.processSeconds, totals);
        }
        printTotals(totals);
    }
    if (o.inProcess) {
        char title[160];
        std::snprintf(title, sizeof title, "In process, %ld s per module", o.inProcessSeconds);
        printHeader(title);
        Totals totals;
        for (const Module& m : modules) {
            double spent[PLAYERS];
            for (int p = 0; p < PLAYERS; ++p) spent[p] = renderSeconds(p, m, o.inProcessSeconds);
            printRow(m, spent, o.inProcessSeconds, totals);
        }
        printTotals(totals);
    }
    return 0;
}
