// A reference player as a whole program, for bench_peers' process view: it
// loads a module, renders it for some seconds (a decimal number) at 44,000 Hz and writes the raw
// 16-bit stereo PCM, as xmrender writes its WAV file. YULE_OPEN_PEER names
// the player it is built with.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "peer_player.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s MODULE SECONDS OUTPUT.raw\n", argv[0]);
        return 2;
    }
    constexpr int32_t RATE = 44000;
    constexpr int32_t CHUNK = 4096;
    char* end = nullptr;
    const double seconds = std::strtod(argv[2], &end);
    if (end == argv[2] || *end != '\0' || !(seconds > 0.0) || seconds > 86400.0) {
        std::fprintf(stderr, "%s: SECONDS must be a number of seconds above 0, at most a day\n", argv[0]);
        return 2;
    }
    std::unique_ptr<PeerPlayer> player = YULE_OPEN_PEER(argv[1], RATE);
    if (player == nullptr) return 1;
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    std::vector<int16_t> pcm(static_cast<size_t>(CHUNK) * 2);
    for (long left = static_cast<long>(seconds * RATE); left > 0; left -= CHUNK) {
        const int32_t n = left < CHUNK ? static_cast<int32_t>(left) : CHUNK;
        player->render(pcm.data(), n);
        if (std::fwrite(pcm.data(), 4, static_cast<size_t>(n), out) != static_cast<size_t>(n)) {
            std::perror(argv[3]);
            return 1;
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
