// How much processor time xmrender needs from its start to its first
// rendered block: the whole run of `xmrender TRACK --seconds 0.02` (one
// block) measured by the kernel's account of the child, beside a C++
// program that does nothing, which is the floor any program pays here.
// Set XMRENDER to measure another build of the tool.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/child_time.h"

namespace {

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
