#include "music/audio_output.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <thread>

#include "music/file_callbacks.h"
#include "music/mixer.h"
#include "music/output_format.h"
#include "music/render.h"
#include "music/song.h"
#include "music/voice.h"
#include "platform/audio_device.h"
#include "platform/thread_priority.h"

namespace {

// The audio output's global state. During playback only the feeder thread
// touches the song, the channels, the voices, the buffers and writeIndex;
// the three flags hand that state over between the threads.
struct AudioOutput {
    AudioDevice* device = nullptr;  // null: use the SDL device
    bool deviceOpen = false;
    int16_t* ringBuffer = nullptr;  // lives until the device can no longer play it
    uint32_t ringBytes = 0;
    float* mixBuffer = nullptr;  // 16-byte aligned, inside mixAllocation
    void* mixAllocation = nullptr;
    int32_t writeIndex = 0;
    Song* currentSong = nullptr;
    // A pointer keeps this state trivially destructible, so it stays usable
    // by the scene's static objects as they are destroyed at exit.
    std::thread* feederThread = nullptr;
    std::atomic<uint8_t> stopRequested{0};
    std::atomic<uint8_t> blockBusy{0};
    std::atomic<uint8_t> feederExited{1};
    // Frames filled since playback started (the pre-fill included), against
    // which the device's position tells whether it overtook the feeder.
    uint64_t framesFilled = 0;
    std::atomic<uint64_t> underruns{0};
    std::atomic<uint64_t> blocksFilled{0};  // written by one thread at a time
};

AudioOutput output;

AudioDevice* device() {
    return output.device != nullptr ? output.device : platformAudioDevice();
}

void feederLoop() {
    raiseThreadPriorityToTimeCritical();
    output.feederExited.store(0, std::memory_order_release);
    while (!output.stopRequested.load(std::memory_order_acquire)) {
        feederPass();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    output.feederExited.store(1, std::memory_order_release);
}

}  // namespace

int32_t blockCount() {
    return ringFrames / blockFrames;
}
int32_t writeIndex() {
    return output.writeIndex;
}
void setWriteIndex(int32_t index) {
    output.writeIndex = index;
}
const int16_t* ringBuffer() {
    return output.ringBuffer;
}
uint64_t underrunBlocks() {
    return output.underruns.load(std::memory_order_relaxed);
}
uint64_t blocksFilled() {
    return output.blocksFilled.load(std::memory_order_relaxed);
}
uint64_t framesPlayed() {
    return output.deviceOpen ? device()->bytesPlayed() / 4 : 0;
}
void useAudioDevice(AudioDevice* replacement) {
    output.device = replacement;
}

bool openOutput(int32_t rate) {
    if (!fileCallbacksRegistered()) return false;
    closeOutput();
    outputRate = rate;
    // safety: the block and ramp sizes are worked out in 32 bits and the
    // ring holds two seconds; a rate above what any device plays would
    // overflow the one and ask for gigabytes for the other.
    if (rate <= 0 || rate > OFFLINE_MAX_RATE || device() == nullptr || !device()->open(rate)) return false;
    output.deviceOpen = true;
    setOutputFormat(rate);
    clearVoices();
    return true;
}

void closeOutput() {
    // safety: a feeder still running would go on filling the ring released
    // below (a close, or a reopen, without a stop first); it is stopped.
    if (output.feederThread != nullptr) stopPlayback(output.currentSong);
    if (output.deviceOpen) device()->close();
    output.deviceOpen = false;
    // fix: the ring is released only here, once the device can no longer
    // read it (the device was reset and closed just above).
    std::free(output.ringBuffer);
    output.ringBuffer = nullptr;
    output.ringBytes = 0;
}

bool startPlayback(Song* song) {
    if (song == nullptr) return false;
    stopPlayback(song);
    resetPlayback(song);
    output.currentSong = song;

    // A ring from an earlier playback may still be looping on the device.
    if (output.deviceOpen) device()->reset();
    std::free(output.ringBuffer);
    output.ringBytes = static_cast<uint32_t>(ringFrames) * 4;
    output.ringBuffer = static_cast<int16_t*>(std::calloc(output.ringBytes, 1));
    output.mixAllocation = std::calloc(static_cast<size_t>(ringFrames) * 8 + 256, 1);
    if (output.ringBuffer == nullptr || output.mixAllocation == nullptr) {
        // safety: without its buffers nothing can be mixed; play nothing.
        std::free(output.mixAllocation);
        output.mixAllocation = nullptr;
        output.mixBuffer = nullptr;
        output.currentSong = nullptr;
        return true;
    }
    output.mixBuffer = reinterpret_cast<float*>((reinterpret_cast<uintptr_t>(output.mixAllocation) + 15) &
                                                ~static_cast<uintptr_t>(15));

    output.writeIndex = 0;
    output.framesFilled = 0;
    output.underruns.store(0, std::memory_order_relaxed);
    output.blocksFilled.store(0, std::memory_order_relaxed);
    do {
        fillBlock();
    } while (output.writeIndex != 0);

    if (output.deviceOpen) device()->loop(output.ringBuffer, output.ringBytes);

    output.stopRequested.store(0, std::memory_order_release);
    output.feederExited.store(0, std::memory_order_release);
    // Without a device there is no position to follow: the feeder would only
    // wake up for nothing, so the silent card runs without it.
    if (output.deviceOpen) {
        try {
            output.feederThread = new std::thread(feederLoop);
        } catch (const std::exception&) {
            // safety: no exception leaves the player; without a thread the
            // ring just repeats, and stopPlayback has nothing to wait for.
            output.feederThread = nullptr;
        }
    }
    if (output.feederThread == nullptr) output.feederExited.store(1, std::memory_order_release);
    return true;
}

void fillBlock() {
    Song* song = output.currentSong;
    const int32_t k = output.writeIndex;
    output.writeIndex = (k + 1) % blockCount();
    if (song == nullptr || output.mixBuffer == nullptr) return;
    float* block = output.mixBuffer + static_cast<size_t>(k) * blockFrames * 2;
    renderBlock(song, block, blockFrames);
    convertToPcm16(output.ringBuffer + static_cast<size_t>(k) * blockFrames * 2, block, blockFrames);
    output.framesFilled += static_cast<uint64_t>(blockFrames);
    output.blocksFilled.store(output.blocksFilled.load(std::memory_order_relaxed) + 1,
                              std::memory_order_relaxed);
    if (output.deviceOpen) device()->published();
}

int32_t blocksToFill(int32_t playingBlock, int32_t write, int32_t count) {
    // Fill the blocks the device has left: up to the one it plays, going
    // round the end of the ring when it plays block 0 or 1.
    const int32_t t = playingBlock == 0 ? count - 1 : playingBlock - 1;
    int32_t n = 0;
    while (write != playingBlock && (write <= t || (t == 0 && write != 1))) {
        write = (write + 1) % count;
        ++n;
    }
    return n;
}

void feederPass() {
    const int32_t count = blockCount();
    const uint64_t framesPlayed = device()->bytesPlayed() / 4;
    // The device is playing a frame of a lap the feeder has not filled yet.
    if (framesPlayed > output.framesFilled) {
        const uint64_t behind = framesPlayed - output.framesFilled;
        const uint64_t blocks = (behind + blockFrames - 1) / blockFrames;
        output.underruns.fetch_add(blocks, std::memory_order_relaxed);
        output.framesFilled += blocks * blockFrames;  // count each late block once
    }
    const int32_t playingFrame = static_cast<int32_t>(framesPlayed % static_cast<uint64_t>(ringFrames));
    const int32_t p = playingFrame / blockFrames;
    for (int32_t n = blocksToFill(p, output.writeIndex, count); n > 0; --n) {
        output.blockBusy.store(1, std::memory_order_release);
        fillBlock();
        output.blockBusy.store(0, std::memory_order_release);
    }
}

bool stopPlayback(Song* song) {
    if (song == nullptr) return false;
    output.stopRequested.store(1, std::memory_order_release);
    // Joining waits for the feeder to leave its loop, after its last block.
    if (output.feederThread != nullptr) {
        output.feederThread->join();
        delete output.feederThread;
        output.feederThread = nullptr;
    }
    std::free(output.mixAllocation);
    output.mixAllocation = nullptr;
    output.mixBuffer = nullptr;
    output.currentSong = nullptr;
    return true;
}
