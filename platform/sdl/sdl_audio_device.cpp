#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/audio_device.h"

namespace {

// The device buffer: about 370 ms, as a power of two (16,384 frames at
// 44,000 Hz). Chosen from 10 s runs of the card beside a busy loop on a real
// PulseAudio server, with both cores of a 2-core machine loaded: buffers of
// 512 to 2,048 frames let the server run dry between SDL's writes in most
// runs (silence inserted after our ring, which counted no underrun), 4,096
// frames in 1 run of 3, 8,192 and 16,384 frames in none. The card has no
// interaction that its sound must follow, so the latency costs nothing, and
// the ring's two seconds stay far ahead of it.
constexpr int32_t BUFFER_MILLISECONDS = 372;
constexpr uint32_t LARGEST_BUFFER = 32768;  // SDL counts the buffer in 16 bits

Uint16 bufferFrames(int32_t rate) {
    const uint32_t target = static_cast<uint32_t>(int64_t{rate} * BUFFER_MILLISECONDS / 1000);
    uint32_t frames = 1;
    while (frames < target && frames < LARGEST_BUFFER) frames *= 2;
    if (frames > target && frames - target > target - frames / 2) frames /= 2;  // the nearer power of two
    return static_cast<Uint16>(frames);
}

class SdlAudioDevice final : public AudioDevice {
  public:
    bool open(int32_t rate) override {
        close();
        if (!(SDL_WasInit(SDL_INIT_AUDIO) & SDL_INIT_AUDIO)) {
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
            ownsSubsystem_ = true;
        }
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = bufferFrames(rate);
        want.callback = &SdlAudioDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts if the hardware wants another format.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            if (ownsSubsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
            ownsSubsystem_ = false;
            return false;
        }
        // What SDL granted is what the callback is asked for at a time.
        transferFrames_ = have.samples;
        return true;
    }

    int32_t framesPerTransfer() const override { return transferFrames_; }

    void loop(const int16_t* ring, uint32_t bytes) override {
        if (device_ == 0) return;
        reset();
        ringBytes_ = bytes & ~3u;
        ring_ = reinterpret_cast<const uint8_t*>(ring);
        played_.store(0, std::memory_order_relaxed);
        published();
        playing_.store(ring != nullptr && ringBytes_ > 0, std::memory_order_release);
        SDL_PauseAudioDevice(device_, 0);
    }

    uint64_t bytesPlayed() override { return played_.load(std::memory_order_acquire); }

    void published() override { generation_.fetch_add(1, std::memory_order_release); }

    void reset() override {
        if (device_ == 0) return;
        SDL_PauseAudioDevice(device_, 1);
        // Taking the device lock waits for a callback that is under way.
        SDL_LockAudioDevice(device_);
        playing_.store(false, std::memory_order_release);
        ring_ = nullptr;
        ringBytes_ = 0;
        SDL_UnlockAudioDevice(device_);
    }

    void close() override {
        if (device_ == 0) return;
        reset();
        SDL_CloseAudioDevice(device_);
        device_ = 0;
        if (ownsSubsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        ownsSubsystem_ = false;
    }

  private:
    static void SDLCALL callback(void* userdata, Uint8* out, int len) {
        static_cast<SdlAudioDevice*>(userdata)->fill(out, static_cast<uint32_t>(len));
    }

    void fill(uint8_t* out, uint32_t len) {
        if (!playing_.load(std::memory_order_acquire) || ring_ == nullptr) {
            std::memset(out, 0, len);
            return;
        }
        // Acquire what the refiller has published before reading the ring.
        generation_.load(std::memory_order_acquire);
        uint64_t played = played_.load(std::memory_order_relaxed);
        uint32_t pos = static_cast<uint32_t>(played % ringBytes_);
        uint32_t left = len;
        while (left > 0) {
            uint32_t n = std::min(left, ringBytes_ - pos);
            std::memcpy(out, ring_ + pos, n);
            out += n;
            left -= n;
            pos = (pos + n) % ringBytes_;
        }
        played_.store(played + len, std::memory_order_release);
    }

    SDL_AudioDeviceID device_ = 0;
    bool ownsSubsystem_ = false;
    int32_t transferFrames_ = 0;
    const uint8_t* ring_ = nullptr;  // read by the callback only while playing_
    uint32_t ringBytes_ = 0;
    std::atomic<bool> playing_{false};
    std::atomic<uint64_t> played_{0};
    std::atomic<uint32_t> generation_{0};
};

}  // namespace

AudioDevice* platformAudioDevice() {
    static SdlAudioDevice device;
    return &device;
}
