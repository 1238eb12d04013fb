#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/audio_device.h"

namespace {

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
        want.samples = 512;  // about 12 ms: short enough to follow the ring closely
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
        return true;
    }

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
