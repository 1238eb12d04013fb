#include "wav_file.h"

#include <bit>
#include <vector>

namespace {

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace

bool writeWavHeader(std::FILE* file, int32_t rate, int64_t frames) {
    if (frames < 0 || frames > WAV_MAX_FRAMES || rate <= 0) return false;
    const uint32_t dataBytes = static_cast<uint32_t>(frames * 4);
    uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    put32(h + 4, 36 + dataBytes);
    put32(h + 16, 16);  // format chunk size
    put16(h + 20, 1);   // PCM
    put16(h + 22, 2);   // channels
    put32(h + 24, static_cast<uint32_t>(rate));
    put32(h + 28, static_cast<uint32_t>(rate) * 4);  // bytes per second
    put16(h + 32, 4);                                // bytes per frame
    put16(h + 34, 16);                               // bits per sample
    h[36] = 'd';
    h[37] = 'a';
    h[38] = 't';
    h[39] = 'a';
    put32(h + 40, dataBytes);
    return std::fwrite(h, 1, sizeof h, file) == sizeof h;
}

bool writeWavFrames(std::FILE* file, const int16_t* samples, int32_t frames) {
    const size_t count = static_cast<size_t>(frames) * 2;
    if constexpr (std::endian::native == std::endian::little) {
        return std::fwrite(samples, sizeof(int16_t), count, file) == count;
    } else {
        std::vector<uint8_t> bytes(count * 2);
        for (size_t i = 0; i < count; ++i) put16(&bytes[i * 2], static_cast<uint16_t>(samples[i]));
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
}
