// A player as a whole program, for bench_peers. YULE_OPEN_PEER names the
// player it is built with. Two uses:
//   MODULE SECONDS OUTPUT.raw   loads the module, renders it for SECONDS (a
//                               decimal number) at 44,000 Hz and writes the
//                               raw 16-bit stereo PCM, as xmrender writes its
//                               WAV file: timed from outside, whole;
//   --time MODULE SECONDS       renders into memory and prints the processor
//                               seconds of the render alone, loading
//                               excluded: the in-process view, each player
//                               in a process of its own.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "peer_player.h"

namespace {

constexpr int32_t RATE = 44000;
// Frames rendered per call; written CHUNKS_PER_WRITE calls at a time, as
// xmrender writes 65,536 frames at a time.
constexpr int32_t CHUNK = 4096;
constexpr int32_t CHUNKS_PER_WRITE = 16;

double processorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s MODULE SECONDS OUTPUT.raw\n       %s --time MODULE SECONDS\n", program,
                 program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const bool timeOnly = argc == 4 && std::strcmp(argv[1], "--time") == 0;
    if (argc != 4) return usage(argv[0]);
    const char* module = timeOnly ? argv[2] : argv[1];
    const char* secondsText = timeOnly ? argv[3] : argv[2];
    char* end = nullptr;
    const double seconds = std::strtod(secondsText, &end);
    if (end == secondsText || *end != '\0' || !(seconds > 0.0) || seconds > 86400.0) {
        std::fprintf(stderr, "%s: SECONDS must be a number of seconds above 0, at most a day\n", argv[0]);
        return 2;
    }
    std::unique_ptr<PeerPlayer> player = YULE_OPEN_PEER(module, RATE);
    if (player == nullptr) return 1;
    std::vector<int16_t> pcm(static_cast<size_t>(CHUNK) * 2);
    const long frames = static_cast<long>(seconds * RATE);
    if (timeOnly) {
        const double start = processorSeconds();
        for (long left = frames; left > 0; left -= CHUNK)
            player->render(pcm.data(), left < CHUNK ? left : CHUNK);
        std::printf("%.9f\n", processorSeconds() - start);
        return 0;
    }
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    std::vector<int16_t> batch(static_cast<size_t>(CHUNK) * CHUNKS_PER_WRITE * 2);
    for (long left = frames; left > 0;) {
        size_t batched = 0;  // frames
        for (int32_t c = 0; c < CHUNKS_PER_WRITE && left > 0; ++c) {
            const int32_t n = left < CHUNK ? static_cast<int32_t>(left) : CHUNK;
            player->render(batch.data() + batched * 2, n);
            batched += static_cast<size_t>(n);
            left -= n;
        }
        if (std::fwrite(batch.data(), 4, batched, out) != batched) {
            std::perror(argv[3]);
            return 1;
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
