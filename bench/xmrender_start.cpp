// How much processor time xmrender needs from its start to its first
// rendered block: the whole run of `xmrender TRACK --seconds 0.02` (one
// block) measured by the kernel's account of the child, beside a C++
// program that does nothing, which is the floor any program pays here.
// Set XMRENDER to measure another build of the tool.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Processor time (user and system) of one run of `argv`, in seconds; a
// negative value when the program could not be run or failed.
double childProcessorSeconds(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Spawned, not forked: a forked child would first pay for copying this
    // process's mappings, which is no part of the program measured.
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1.0;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void measure(benchmark::State& state, const std::vector<std::string>& args) {
    for (auto _ : state) {
        const double seconds = childProcessorSeconds(args);
        if (seconds < 0.0) {
            state.SkipWithError(("cannot run " + args[0]).c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
}

std::string xmrender() {
    const char* chosen = std::getenv("XMRENDER");
    return chosen != nullptr ? chosen : YULE_BINARY_DIR "/tools/xmrender/xmrender";
}

void XmrenderFirstBlock(benchmark::State& state) {
    measure(state, {xmrender(), YULE_SOURCE_DIR "/resources/track.xm", "-o", "/dev/null", "--seconds", "0.02",
                    "--quiet"});
}

void EmptyProgram(benchmark::State& state) {
    measure(state, {YULE_BINARY_DIR "/bench/empty_program"});
}

}  // namespace

BENCHMARK(XmrenderFirstBlock)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(400);
BENCHMARK(EmptyProgram)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(400);

BENCHMARK_MAIN();
