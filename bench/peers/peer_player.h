#pragma once
// The players bench_peers times: ours, and the two reference players it is
// timed against, driven through their public APIs only. All render 16-bit
// stereo at the given rate with linear interpolation and play the module on
// past its end. The references serve as a stopwatch and nothing else;
// nothing of their sound is compared.
#include <cstdint>
#include <memory>

class PeerPlayer {
  public:
    virtual ~PeerPlayer() = default;
    // Fills `frames` frames (left, right int16 pairs) of `out`.
    virtual void render(int16_t* out, int32_t frames) = 0;
};

// Null, with one line on standard error, when the player refuses the module.
std::unique_ptr<PeerPlayer> openMikmodPlayer(const char* path, int32_t rate);
std::unique_ptr<PeerPlayer> openXmpPlayer(const char* path, int32_t rate);
std::unique_ptr<PeerPlayer> openOurPlayer(const char* path, int32_t rate);
