#include "tools/record/end_fade.h"

#include <algorithm>
#include <cstddef>

namespace {
// Three minutes at 44 kHz: |sample| * length^2 then stays far inside 64 bits.
constexpr int32_t MAX_FADE_FRAMES = 1 << 23;
}  // namespace

EndFade::EndFade(int32_t fadeFrames) : fadeFrames_(std::clamp<int32_t>(fadeFrames, 1, MAX_FADE_FRAMES)) {
    held_.reserve(static_cast<size_t>(fadeFrames_) * 2);
}

void EndFade::push(const int16_t* pcm, int32_t frames, std::vector<int16_t>& released) {
    released.clear();
    if (frames <= 0) return;
    held_.insert(held_.end(), pcm, pcm + static_cast<size_t>(frames) * 2);
    const size_t keep = static_cast<size_t>(fadeFrames_) * 2;
    if (held_.size() <= keep) return;
    const size_t out = held_.size() - keep;
    released.assign(held_.begin(), held_.begin() + static_cast<ptrdiff_t>(out));
    held_.erase(held_.begin(), held_.begin() + static_cast<ptrdiff_t>(out));
}

void EndFade::finish(std::vector<int16_t>& tail) {
    tail.swap(held_);
    held_.clear();
    const int64_t length = static_cast<int64_t>(tail.size() / 2);
    // Integer arithmetic: the same samples on every machine.
    const int64_t whole = length * length;
    for (int64_t i = 0; i < length; ++i) {
        const int64_t left = length - i;
        for (int c = 0; c < 2; ++c) {
            int16_t& s = tail[static_cast<size_t>(2 * i + c)];
            s = static_cast<int16_t>(static_cast<int64_t>(s) * left * left / whole);
        }
    }
}
