// The page's sound: an AudioWorklet in the page plays a queue of about a
// second that it tops up by asking the main thread for chunks of the ring.
// A busy main thread (a slow frame, a stall of half a second) is not heard:
// the worklet plays on from its queue. "Bytes played" counts what has been
// handed to the worklet, so the feeder refills blocks up to a second
// before they are heard, well inside the ring's two seconds.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/audio_device.h"
#include "platform/rate_converter.h"
#include "platform/web/web_audio.h"
#include "platform/web/web_bridge.h"

namespace {

// Frames the worklet asks for at a time: small enough that a request is
// answered quickly, large enough that a second takes about twenty.
constexpr int32_t TRANSFER_FRAMES = 2048;

void noRefill() {}

class WebAudioDevice final : public AudioDevice {
  public:
    bool open(int32_t rate) override {
        close();
        const int32_t deviceRate = yuleAudioOpen(rate);
        if (deviceRate <= 0) return false;
        // A browser that will not run at the card's rate gets the sound
        // converted to the rate it runs at.
        if (!converter_.start(rate, deviceRate)) {
            yuleAudioClose();
            return false;
        }
        // Room for a transfer at the page's rate, so handing over allocates nothing.
        out_.reserve(static_cast<size_t>(int64_t{TRANSFER_FRAMES} * deviceRate / rate + 64) * 2);
        open_ = true;
        return true;
    }

    void loop(const int16_t* ring, uint32_t bytes) override {
        if (!open_) return;
        reset();
        ring_ = ring;
        ringFrames_ = bytes / 4;
        played_ = 0;
        if (ring_ == nullptr || ringFrames_ == 0) return;
        yuleAudioStart();
    }

    uint64_t bytesPlayed() override { return played_ * 4; }
    int32_t framesPerTransfer() const override { return TRANSFER_FRAMES; }
    void published() override {}  // one thread: written is visible

    void reset() override {
        if (!open_) return;
        if (ring_ != nullptr) yuleAudioStop();
        ring_ = nullptr;
        ringFrames_ = 0;
    }

    void close() override {
        if (!open_) return;
        reset();
        yuleAudioClose();
        open_ = false;
    }

    // Hands the next `frames` frames of the ring (at most TRANSFER_FRAMES)
    // to the page, at the rate the page plays. The result stays valid until
    // the next call.
    const float* transfer(int32_t frames, int32_t& outFrames) {
        out_.clear();
        outFrames = 0;
        if (ring_ == nullptr || frames <= 0) return out_.data();
        refill_();
        frames = std::min(frames, TRANSFER_FRAMES);
        while (frames > 0) {
            const auto at = static_cast<uint32_t>(played_ % ringFrames_);
            const int32_t n =
                static_cast<int32_t>(std::min<uint32_t>(static_cast<uint32_t>(frames), ringFrames_ - at));
            outFrames += static_cast<int32_t>(converter_.convert(ring_ + at * 2, n, out_));
            played_ += static_cast<uint64_t>(n);
            frames -= n;
        }
        return out_.data();
    }

    void setRefill(void (*refill)()) { refill_ = refill ? refill : noRefill; }

  private:
    bool open_ = false;
    const int16_t* ring_ = nullptr;
    uint32_t ringFrames_ = 0;
    uint64_t played_ = 0;  // frames handed to the page since loop()
    RateConverter converter_;
    std::vector<float> out_;
    void (*refill_)() = noRefill;
};

WebAudioDevice& device() {
    static WebAudioDevice instance;
    return instance;
}

int32_t lastTransferFrames = 0;

}  // namespace

AudioDevice* platformAudioDevice() {
    return &device();
}

void setWebAudioRefill(void (*refill)()) {
    device().setRefill(refill);
}

// The page's player asks for `frames` frames; the answer is float left,
// right pairs at the page's rate, yuleAudioTransferred() of them.
extern "C" EMSCRIPTEN_KEEPALIVE const float* yuleAudioTransfer(int32_t frames) {
    return device().transfer(frames, lastTransferFrames);
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t yuleAudioTransferred() {
    return lastTransferFrames;
}
