#include "music/audio_output.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
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

// Between passes the feeder sleeps: a quarter of a block, so a block the
// device has left waits at most that long, while the ring's two seconds
// leave ample room for a late pass.
constexpr auto FEEDER_PAUSE = std::chrono::milliseconds(5);

// The mixer works through the block in vectors; a cache line holds their start.
constexpr std::align_val_t MIX_ALIGNMENT{64};

struct AlignedDelete {
    void operator()(float* p) const { ::operator delete[](p, MIX_ALIGNMENT); }
};
using MixBuffer = std::unique_ptr<float[], AlignedDelete>;

MixBuffer allocateMix(size_t floats) {
    return MixBuffer(
        static_cast<float*>(::operator new[](floats * sizeof(float), MIX_ALIGNMENT, std::nothrow)));
}

// The feeder's own thread: runs one pass every FEEDER_PAUSE at the highest
// priority the system grants, until stopped. Joined in stop() only.
class FeederThread {
  public:
    FeederThread() = default;
    FeederThread(const FeederThread&) = delete;
    FeederThread& operator=(const FeederThread&) = delete;
    ~FeederThread() { stop(); }

    // False when no thread can be created.
    bool start(void (*pass)()) {
        stopRequested_ = false;
        try {
            thread_ = std::thread(&FeederThread::run, this, pass);
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }

    // Lets the pass under way finish, then waits for the thread to end.
    // Nothing to do when none runs.
    void stop() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopRequested_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    bool running() const { return thread_.joinable(); }

  private:
    void run(void (*pass)()) {
        raiseThreadPriorityToTimeCritical();
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopRequested_) {
            lock.unlock();
            pass();
            lock.lock();
            wake_.wait_for(lock, FEEDER_PAUSE, [this] { return stopRequested_; });
        }
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;  // guarded by mutex_
};

void releaseGuard();

class AudioOutput {
  public:
    bool open(int32_t rate) {
        if (!fileCallbacksRegistered()) return false;
        close();
        setSongReleaseGuard(releaseGuard);
        outputRate = rate;
        // safety: the block and ramp sizes are worked out in 32 bits and the
        // ring holds two seconds; a rate above what any device plays would
        // overflow the one and ask for gigabytes for the other.
        if (rate <= 0 || rate > OFFLINE_MAX_RATE) return false;
        AudioDevice* d = device();
        if (d == nullptr || !d->open(rate)) return false;
        // safety: a device that takes more than a second (half the ring) at a
        // time would leave the feeder too little of the ring to stay ahead;
        // silence is better than stale sound.
        if (d->framesPerTransfer() > rate) {
            d->close();
            return false;
        }
        deviceOpen_ = true;
        setOutputFormat(rate);
        clearVoices();
        return true;
    }

    void close() {
        // safety: a feeder still running would go on filling the ring
        // released below (a close, or a reopen, without a stop first).
        endPlayback();
        if (deviceOpen_) device()->close();
        deviceOpen_ = false;
        // fix: the ring is released only once the device can no longer read
        // it (it was reset and closed just above).
        ring_.reset();
        setSongReleaseGuard(nullptr);
    }

    bool start(Song* song) {
        if (song == nullptr) return false;
        endPlayback();
        // Also without a device (the silent card plays on without one).
        setSongReleaseGuard(releaseGuard);
        resetPlayback(song);
        // A ring from an earlier playback may still be looping on the device.
        if (deviceOpen_) device()->reset();
        ring_.reset(new (std::nothrow) int16_t[static_cast<size_t>(ringFrames) * 2]());
        mix_ = allocateMix(static_cast<size_t>(blockFrames) * 2);
        // fix: without its buffers nothing can be mixed; this used to report
        // success and play nothing.
        if (ring_ == nullptr || mix_ == nullptr) return giveUp();

        song_ = song;
        blocksWritten_ = 0;
        underruns_.store(0, std::memory_order_relaxed);
        blocksFilled_.store(0, std::memory_order_relaxed);
        for (int32_t k = 0; k < blockCount(); ++k) fillBlock();

        // Without a device there is no position to follow: the silent card
        // runs without a feeder.
        if (!deviceOpen_) return true;
        device()->loop(ring_.get(), static_cast<uint32_t>(ringFrames) * 4);
        // fix: without its feeder the ring would repeat its two seconds for
        // ever while this reported success; the device is silenced instead.
        if (feeding_ == Feeding::OwnThread && !feeder_.start(&::feederPass)) return giveUp();
        return true;
    }

    bool stop(const Song* song) {
        if (song == nullptr) return false;
        endPlayback();
        return true;
    }

    // Ends the feeder (after the block it is mixing) and forgets the song,
    // so that its memory may go.
    void releasePlayback() { endPlayback(); }

    void feederPass() {
        if (!deviceOpen_) return;
        // fix: what to fill is decided from block counts since the start,
        // which never wrap. The ring index alone took a device that had moved
        // more than a block past the end of the ring (a large device buffer, a
        // feeder late at the wrap) for one a whole ring ahead, and refilled
        // nothing for a lap: two seconds of stale music.
        const uint64_t playing = device()->bytesPlayed() / 4 / static_cast<uint64_t>(blockFrames);
        // Only a device a ring or more ahead of the writer (the feeder stalled
        // for two seconds) plays blocks that were never refilled: the writer
        // skips to the block after the one it plays, counting those it skipped.
        if (playing >= blocksWritten_) {
            const uint64_t skipped = playing + 1 - blocksWritten_;
            underruns_.fetch_add(skipped, std::memory_order_relaxed);
            blocksWritten_ += skipped;
        }
        if (song_ == nullptr) return;
        const int32_t count = blockCount();
        const auto ringBlock = [count](uint64_t block) { return static_cast<int32_t>(block % count); };
        for (int32_t n = blocksToFill(ringBlock(playing), ringBlock(blocksWritten_), count); n > 0; --n)
            fillBlock();
    }

    void setFeeding(Feeding feeding) { feeding_ = feeding; }
    const Song* song() const { return song_; }
    int32_t writeIndex() const { return static_cast<int32_t>(blocksWritten_ % blockCount()); }
    const int16_t* ring() const { return ring_.get(); }
    uint64_t underruns() const { return underruns_.load(std::memory_order_relaxed); }
    uint64_t blocksFilled() const { return blocksFilled_.load(std::memory_order_relaxed); }
    uint64_t framesPlayed() { return deviceOpen_ ? device()->bytesPlayed() / 4 : 0; }
    void useDevice(AudioDevice* replacement) { replacement_ = replacement; }

  private:
    AudioDevice* device() const { return replacement_ != nullptr ? replacement_ : platformAudioDevice(); }

    // Renders the song's next block into the ring block the writer is at.
    void fillBlock() {
        const size_t k = static_cast<size_t>(writeIndex());
        renderBlock(song_, mix_.get(), blockFrames);
        convertToPcm16(ring_.get() + k * blockFrames * 2, mix_.get(), blockFrames);
        ++blocksWritten_;
        // Only the feeder writes; others only read.
        blocksFilled_.store(blocksFilled_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        if (deviceOpen_) device()->published();
    }

    // Ends the feeder (after the block it is mixing), then releases what
    // only playback needs. The ring stays: the device may still loop it.
    void endPlayback() {
        feeder_.stop();
        mix_.reset();
        song_ = nullptr;
    }

    // A playback that cannot run: the device falls silent and nothing of it
    // is kept.
    bool giveUp() {
        if (deviceOpen_) device()->reset();
        endPlayback();
        ring_.reset();
        return false;
    }

    AudioDevice* replacement_ = nullptr;  // null: the platform's device
    bool deviceOpen_ = false;
    Feeding feeding_ = Feeding::OwnThread;
    std::unique_ptr<int16_t[]> ring_;  // lives until the device can no longer play it
    MixBuffer mix_;                    // one block of float pairs, while playing
    Song* song_ = nullptr;
    // Blocks the writer has passed since playback started: those filled (the
    // pre-fill included) and those skipped after a stall. The next block to
    // fill; the ring block it goes to is this modulo blockCount.
    uint64_t blocksWritten_ = 0;
    std::atomic<uint64_t> underruns_{0};
    std::atomic<uint64_t> blocksFilled_{0};
    FeederThread feeder_;
};

AudioOutput& output() {
    // Never destroyed: the card's MusicPlayer, a static object, stops its song
    // while static objects are destroyed at exit, in no set order with ours.
    static AudioOutput* const instance = new AudioOutput;
    return *instance;
}

// What freeSong runs first: whatever plays stops, whichever song is freed,
// since voices may still sound samples of an earlier song.
void releaseGuard() {
    output().releasePlayback();
}

}  // namespace

bool openOutput(int32_t rate) {
    return output().open(rate);
}
void closeOutput() {
    output().close();
}
bool startPlayback(Song* song) {
    return output().start(song);
}
bool stopPlayback(Song* song) {
    return output().stop(song);
}
const Song* playingSong() {
    return output().song();
}
void setFeeding(Feeding feeding) {
    output().setFeeding(feeding);
}
void feederPass() {
    output().feederPass();
}

int32_t blockCount() {
    return ringFrames / blockFrames;
}

int32_t blocksToFill(int32_t playingBlock, int32_t write, int32_t count) {
    // Every block from the writer up to the one the device plays, round the
    // end of the ring where the device is. Equal blocks: all filled already.
    return ((playingBlock - write) % count + count) % count;
}

int32_t writeIndex() {
    return output().writeIndex();
}
const int16_t* ringBuffer() {
    return output().ring();
}
uint64_t underrunBlocks() {
    return output().underruns();
}
uint64_t blocksFilled() {
    return output().blocksFilled();
}
uint64_t framesPlayed() {
    return output().framesPlayed();
}
void useAudioDevice(AudioDevice* device) {
    output().useDevice(device);
}
