#pragma once
// The two reference players that bench_peers times ours against, driven
// through their public APIs only: 16-bit stereo at the given rate, linear
// interpolation, the module played on past its end as ours does. They serve
// as a stopwatch and nothing else; nothing of their sound is compared.
#include <cstdint>
#include <memory>

class PeerPlayer {
  public:
    virtual ~PeerPlayer() = default;
    // Fills `frames` frames (left, right int16 pairs) of `out`.
    virtual void render(int16_t* out, int32_t frames) = 0;
};

// Null, with one line on standard error, when the library refuses the module.
std::unique_ptr<PeerPlayer> openMikmodPlayer(const char* path, int32_t rate);
std::unique_ptr<PeerPlayer> openXmpPlayer(const char* path, int32_t rate);
