// No sound device: the card plays silently.
#include "platform/audio_device.h"

AudioDevice* platformAudioDevice() {
    return nullptr;
}
