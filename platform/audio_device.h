#pragma once
// The sound device as the audio output sees it: it opens 16-bit stereo at a
// rate, plays one ring buffer in an endless loop from its first frame,
// reports how many bytes it has played so far, and resets and closes.
//
// The ring is shared with the thread that refills it. The device reads only
// what the refiller has published (see `published`), so the hand-over needs
// no lock: the refiller writes blocks the device has left, then publishes.
#include <cstdint>

class AudioDevice {
  public:
    virtual ~AudioDevice() = default;

    // Opens the device for signed 16-bit little-endian stereo at `rate`
    // frames per second. Returns false when no device can be opened.
    virtual bool open(int32_t rate) = 0;
    // Starts playing `bytes` bytes of `ring` in an endless loop from its
    // first frame. The ring must stay valid until reset() or close().
    virtual void loop(const int16_t* ring, uint32_t bytes) = 0;
    // Bytes played since loop() started (64 bits: it never wraps in practice).
    // It moves in steps of up to framesPerTransfer() frames.
    virtual uint64_t bytesPlayed() = 0;
    // The most frames the open device takes from the ring at a time (the
    // buffer the platform granted).
    virtual int32_t framesPerTransfer() const = 0;
    // Called by the refiller after it has written into the ring: makes those
    // writes visible to the device before it plays them.
    virtual void published() = 0;
    // Stops at once and forgets the ring. Returns only when the device no
    // longer reads the ring.
    virtual void reset() = 0;
    // Resets and closes the device.
    virtual void close() = 0;
};

// The platform's sound device: over SDL audio on the desktop (honours
// SDL_AUDIODRIVER: dummy and disk work); null on a platform without one, where
// the card plays silently.
AudioDevice* platformAudioDevice();
