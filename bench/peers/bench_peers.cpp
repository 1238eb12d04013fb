// Our player beside two reference players, module by module, in one run, as
// multiples of real time in processor time (user + system):
//  - start to the first block: each program rendering one 20 ms block of the
//    smallest module, beside a program that does nothing;
//  - the whole-program view: each module rendered by a whole program
//    (xmrender against small programs built on the reference libraries),
//    start-up, loading and writing included, as a person rendering a folder
//    of modules would run them;
//  - the in-process view: the render loop alone, loading excluded, timed
//    inside a process of each player's own (so that no player inherits
//    another's caches or heap).
// Every module is rendered in several rounds over the whole folder, the
// players back to back in each, and each player's median counts. Each view ends in one table of
// every module, the lowest ratio (ours over the faster reference) first.
// With --baseline, a second build of ours is timed beside the others, so
// one run shows a change before and after.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "music/loader.h"
#include "music/song.h"
#include "support/child_time.h"

namespace {

constexpr int32_t RATE = 44000;
constexpr double GOAL = 2.0;  // the ratio every module should reach

enum Player { OURS, MIKMOD, XMP, BASELINE, PLAYERS };
const char* const PLAYER_NAMES[PLAYERS] = {"ours", "mikmod", "xmp", "baseline"};
// The tables' columns: ours and the baseline side by side.
const Player COLUMNS[PLAYERS] = {OURS, BASELINE, MIKMOD, XMP};

const char* const HELP =
    "usage: bench_peers [OPTIONS]\n"
    "\n"
    "Renders every module of the given folders with our player and with two reference\n"
    "players (44,000 Hz, 16-bit stereo, linear interpolation) and prints each one's\n"
    "speed as a multiple of real time in processor time, and our ratio to the faster\n"
    "reference, per module, lowest ratio first.\n"
    "\n"
    "  --dir DIR              a folder of .xm modules; may be repeated (default: the\n"
    "                         shared corpus and the heavy modules beside it)\n"
    "  --filter TEXT          only modules whose name contains TEXT\n"
    "  --seconds S            audio per module in the in-process view (default 1200)\n"
    "  --process-seconds S    audio per module in the whole-program view (default 1200)\n"
    "  --runs N               rounds over every module, players back to back; the\n"
    "                         median of each player counts (default 5)\n"
    "  --baseline BUILD       also time the player of another build folder of ours\n"
    "                         (its tools/xmrender/xmrender and bench/peers/peer_render_ours)\n"
    "  --start-only           only the start to the first block\n"
    "  --process-only         only the whole-program view\n"
    "  --in-process-only      only the in-process view\n"
    "  -h, --help             this text\n";

struct Options {
    bool start = true;
    bool process = true;
    bool inProcess = true;
    long processSeconds = 1200;
    long inProcessSeconds = 1200;
    int runs = 5;
    std::string filter;
    std::vector<std::string> dirs;
    std::string baseline;  // build folder, empty for none
};

[[noreturn]] void usage(const std::string& why) {
    std::fprintf(stderr, "bench_peers: %s\n%s", why.c_str(), HELP);
    std::exit(2);
}

long positive(const char* text, const std::string& what) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v <= 0) usage(what + " wants a positive whole number");
    return v;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--start-only") {
            o.process = o.inProcess = false;
        } else if (a == "--process-only") {
            o.inProcess = o.start = false;
        } else if (a == "--in-process-only") {
            o.process = o.start = false;
        } else if (a == "--process-seconds") {
            o.processSeconds = positive(value(), a);
        } else if (a == "--seconds") {
            o.inProcessSeconds = positive(value(), a);
        } else if (a == "--runs") {
            o.runs = static_cast<int>(std::min(positive(value(), a), 99L));
        } else if (a == "--filter") {
            o.filter = value();
        } else if (a == "--dir") {
            o.dirs.push_back(value());
        } else if (a == "--baseline") {
            o.baseline = value();
        } else if (a == "-h" || a == "--help") {
            std::fputs(HELP, stdout);
            std::exit(0);
        } else {
            usage("unknown option " + a);
        }
    }
    if (!o.process && !o.inProcess && !o.start) usage("nothing to measure");
    if (o.dirs.empty()) o.dirs = {YULE_CORPUS_DIR, YULE_HEAVY_DIR};
    return o;
}

struct Module {
    std::string path;
    std::string name;
    int channels = 0;
};

std::vector<Module> findModules(const Options& o) {
    std::vector<Module> out;
    for (const std::string& dir : o.dirs) {
        std::error_code error;
        const size_t before = out.size();
        for (const auto& e : std::filesystem::directory_iterator(dir, error)) {
            if (e.path().extension() != ".xm") continue;
            const std::string name = e.path().stem().string();
            if (!o.filter.empty() && name.find(o.filter) == std::string::npos) continue;
            out.push_back({e.path().string(), name, 0});
        }
        if (error) std::fprintf(stderr, "bench_peers: %s: %s\n", dir.c_str(), error.message().c_str());
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(before), out.end(),
                  [](const Module& a, const Module& b) { return a.name < b.name; });
    }
    for (Module& m : out) {
        if (Song* song = createSongFromFile(m.path.c_str())) {
            m.channels = song->channelCount;
            freeSong(song);
        }
    }
    return out;
}

// The programs of one build of ours.
struct OurBuild {
    std::string xmrender;
    std::string timer;  // peer_render_ours
};

struct Setup {
    Options options;
    OurBuild ours{YULE_XMRENDER, YULE_PEER_OURS};
    OurBuild baseline;
    bool hasBaseline = false;
    int players = BASELINE;  // BASELINE + 1 with a baseline
};

bool executable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

// The whole program: start, load, render, write.
std::vector<std::string> programCommand(const Setup& s, int player, const Module& m,
                                        const std::string& seconds) {
    switch (player) {
        case MIKMOD:
            return {YULE_PEER_MIKMOD, m.path, seconds, "/dev/null"};
        case XMP:
            return {YULE_PEER_XMP, m.path, seconds, "/dev/null"};
        default: {
            const OurBuild& b = player == BASELINE ? s.baseline : s.ours;
            return {b.xmrender, m.path, "-o", "/dev/null", "--seconds", seconds, "--quiet"};
        }
    }
}

// The render loop, timed by the program itself.
std::vector<std::string> timerCommand(const Setup& s, int player, const Module& m,
                                      const std::string& seconds) {
    switch (player) {
        case MIKMOD:
            return {YULE_PEER_MIKMOD, "--time", m.path, seconds};
        case XMP:
            return {YULE_PEER_XMP, "--time", m.path, seconds};
        default:
            return {(player == BASELINE ? s.baseline : s.ours).timer, "--time", m.path, seconds};
    }
}

// Processor seconds of one measurement; negative when the player failed.
double measure(const Setup& s, bool inProcess, int player, const Module& m, long seconds) {
    const std::string text = std::to_string(seconds);
    if (!inProcess) return childProcessorSeconds(programCommand(s, player, m, text));
    std::string output;
    if (childProcessorSeconds(timerCommand(s, player, m, text), &output) < 0.0) return -1.0;
    char* end = nullptr;
    const double spent = std::strtod(output.c_str(), &end);
    return end != output.c_str() && spent > 0.0 ? spent : -1.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Row {
    const Module* module;
    double speed[PLAYERS] = {};  // multiples of real time; 0 = failed
    double ratio = 0.0;          // ours over the faster reference
    double baselineRatio = 0.0;
};

double ratioOf(double speed, const Row& r) {
    const double peer = std::max(r.speed[MIKMOD], r.speed[XMP]);
    return peer > 0.0 && speed > 0.0 ? speed / peer : 0.0;
}

void printSpeed(double speed) {
    if (speed > 0.0) {
        std::printf(" %8.0fx", speed);
    } else {
        std::printf(" %9s", "failed");
    }
}

void printSummary(const char* who, const std::vector<Row>& rows, double Row::*ratio) {
    double logSum = 0.0;
    int counted = 0;
    int below = 0;
    const Row* lowest = nullptr;
    for (const Row& r : rows) {
        if (r.*ratio <= 0.0) continue;
        logSum += std::log(r.*ratio);
        ++counted;
        if (r.*ratio < GOAL) ++below;
        if (lowest == nullptr || r.*ratio < lowest->*ratio) lowest = &r;
    }
    if (lowest == nullptr) return;
    std::printf("%s: geometric mean %.2fx; %d of %d modules below %.1fx; lowest %.2fx (%s)\n", who,
                std::exp(logSum / counted), below, counted, GOAL, lowest->*ratio,
                lowest->module->name.c_str());
}

void runView(const Setup& s, const std::vector<Module>& modules, bool inProcess) {
    const long seconds = inProcess ? s.options.inProcessSeconds : s.options.processSeconds;
    const char* view =
        inProcess ? "In process (the render loop alone)" : "Whole program (start, load, render, write)";
    // Rounds go over every module in turn, so that one module's rounds lie
    // minutes apart: a spell of load on a shared host spoils at most one
    // round of a module, not all of them at once. Within a round the
    // players of a module run back to back, a different one first each round.
    std::vector<std::vector<double>> spent(modules.size() * PLAYERS);
    std::vector<char> failed(modules.size() * PLAYERS, 0);
    double shortest = 1e30;
    for (int round = 0; round < s.options.runs; ++round) {
        for (size_t k = 0; k < modules.size(); ++k) {
            for (int turn = 0; turn < s.players; ++turn) {
                const int p = (turn + round) % s.players;
                const size_t at = k * PLAYERS + static_cast<size_t>(p);
                if (failed[at]) continue;
                const double t = measure(s, inProcess, p, modules[k], seconds);
                if (t < 0.0) {
                    failed[at] = 1;
                    continue;
                }
                spent[at].push_back(t);
                shortest = std::min(shortest, t);
            }
        }
        std::fprintf(stderr, "%s: round %d of %d done\n", inProcess ? "in process" : "whole program",
                     round + 1, s.options.runs);
    }
    std::vector<Row> rows;
    for (size_t k = 0; k < modules.size(); ++k) {
        Row row{&modules[k]};
        for (int p = 0; p < s.players; ++p) {
            const size_t at = k * PLAYERS + static_cast<size_t>(p);
            if (!failed[at] && !spent[at].empty())
                row.speed[p] = static_cast<double>(seconds) / median(spent[at]);
        }
        row.ratio = ratioOf(row.speed[OURS], row);
        row.baselineRatio = ratioOf(row.speed[BASELINE], row);
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.ratio < b.ratio; });

    std::printf("\n%s: %ld s of audio per module, median of %d rounds, lowest ratio first\n", view, seconds,
                s.options.runs);
    std::printf("%-48s %3s", "module", "ch");
    for (const Player p : COLUMNS) {
        if (p != BASELINE || s.hasBaseline) std::printf(" %9s", PLAYER_NAMES[p]);
    }
    std::printf(" %7s%s\n", "ratio", s.hasBaseline ? "  baseline ratio" : "");
    for (const Row& r : rows) {
        std::printf("%-48s %3d", r.module->name.c_str(), r.module->channels);
        for (const Player p : COLUMNS) {
            if (p != BASELINE || s.hasBaseline) printSpeed(r.speed[p]);
        }
        std::printf(" %6.2fx", r.ratio);
        if (s.hasBaseline) std::printf(" %14.2fx", r.baselineRatio);
        std::printf("\n");
    }
    printSummary("ours", rows, &Row::ratio);
    if (s.hasBaseline) printSummary("baseline", rows, &Row::baselineRatio);
    // The resolutions: clock_gettime's for the in-process timer, the
    // microsecond of the kernel's account of a child for the whole program.
    timespec resolution{};
    clock_getres(CLOCK_PROCESS_CPUTIME_ID, &resolution);
    const double tick = inProcess ? static_cast<double>(resolution.tv_sec) + resolution.tv_nsec * 1e-9 : 1e-6;
    if (shortest < 1e30) {
        std::printf("shortest measurement %.3f s; the timer's resolution, %.3g s, is %.2g %% of it\n",
                    shortest, tick, 100.0 * tick / shortest);
    }
    std::fflush(stdout);
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

void runStart(const Setup& s, const std::vector<Module>& modules) {
    // The smallest module, rendered for one 20 ms block (880 frames).
    const Module* smallest = &modules.front();
    for (const Module& m : modules) {
        if (std::filesystem::file_size(m.path) < std::filesystem::file_size(smallest->path)) smallest = &m;
    }
    constexpr int RUNS = 30;
    std::printf("\nStart to the first block (%s, best of %d runs, processor time)\n", smallest->name.c_str(),
                RUNS);
    const double empty = bestChildSeconds({YULE_EMPTY_PROGRAM}, RUNS);
    std::printf("%-10s %7.3f ms\n", "empty", empty * 1e3);
    for (int p = 0; p < s.players; ++p) {
        const double t = bestChildSeconds(programCommand(s, p, *smallest, "0.02"), RUNS);
        std::printf("%-10s %7.3f ms\n", PLAYER_NAMES[p], t * 1e3);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Setup s;
    s.options = parse(argc, argv);
    if (!s.options.baseline.empty()) {
        const std::string b = s.options.baseline;
        s.baseline = {b + "/tools/xmrender/xmrender", b + "/bench/peers/peer_render_ours"};
        const bool wantsTimer = s.options.inProcess;
        if (!executable(s.baseline.xmrender) || (wantsTimer && !executable(s.baseline.timer))) {
            std::fprintf(stderr, "bench_peers: %s holds no %s\n", b.c_str(),
                         executable(s.baseline.xmrender)
                             ? "bench/peers/peer_render_ours (build that target there)"
                             : "tools/xmrender/xmrender");
            return 2;
        }
        s.hasBaseline = true;
        s.players = PLAYERS;
    }
    const std::vector<Module> modules = findModules(s.options);
    if (modules.empty()) {
        std::fprintf(stderr, "bench_peers: no modules in the folders given\n");
        return 1;
    }
    std::printf(
        "%zu modules at %d Hz, 16-bit stereo, linear interpolation; speeds are multiples of real "
        "time in processor time\n",
        modules.size(), RATE);
    if (s.options.start) runStart(s, modules);
    if (s.options.process) runView(s, modules, false);
    if (s.options.inProcess) runView(s, modules, true);
    return 0;
}
