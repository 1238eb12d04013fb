// The BMP decoder. The bytes may come from any file, so every read is
// checked against the end of the data before it is made, and sizes are
// worked out in 64 bits.
#include <cstddef>
#include <cstring>

#include "platform/bitmap.h"

namespace {

constexpr uint32_t FILE_HEADER_BYTES = 14;
constexpr uint32_t CORE_HEADER_BYTES = 12;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
constexpr uint32_t INFO_HEADER_BYTES = 40;  // Windows 3 and every later header begin alike
constexpr uint32_t MAX_HEADER_BYTES = 124;  // version 5
constexpr uint32_t MASKS_IN_HEADER_BYTES = 52;

enum Compression : uint32_t {
    UNCOMPRESSED = 0,
    BIT_FIELDS = 3,
    ALPHA_BIT_FIELDS = 6,
};

// Little-endian reads at an offset the caller has checked.
uint16_t read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t read32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// One colour channel of a bit-field pixel.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    // False for a mask with holes in it, which no writer makes.
    bool set(uint32_t newMask) {
        mask = newMask;
        shift = 0;
        bits = 0;
        if (mask == 0) return true;
        while (((mask >> shift) & 1) == 0) ++shift;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1) != 0) ++bits;
        return (mask >> shift) == (bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1);
    }

    // The channel scaled to 8 bits: narrower fields repeat their bits (so
    // the largest value gives 255), wider ones keep their top 8.
    uint32_t value(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        uint32_t out = v << (8 - bits);
        for (int filled = bits; filled < 8; filled *= 2) out |= out >> filled;
        return out & 0xFF;
    }
};

struct Layout {
    int32_t width = 0;
    int32_t height = 0;  // always positive here
    bool topDown = false;
    int bitsPerPixel = 0;
    uint32_t compression = UNCOMPRESSED;
    uint32_t paletteStart = 0;
    uint32_t paletteEntryBytes = 4;
    uint32_t colours = 0;  // palette entries to read
    uint32_t pixelStart = 0;
    uint64_t rowBytes = 0;
    Channel red, green, blue;
};

bool readLayout(const uint8_t* bytes, uint32_t size, Layout& l) {
    if (size < FILE_HEADER_BYTES + CORE_HEADER_BYTES || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const uint32_t pixelOffset = read32(bytes + 10);
    const uint32_t headerBytes = read32(bytes + FILE_HEADER_BYTES);
    const uint8_t* h = bytes + FILE_HEADER_BYTES;
    int64_t height = 0;
    uint32_t coloursUsed = 0;
    if (headerBytes == CORE_HEADER_BYTES) {
        l.width = read16(h + 4);
        height = read16(h + 6);
        l.bitsPerPixel = read16(h + 10);
        l.paletteEntryBytes = 3;
    } else if (headerBytes >= INFO_HEADER_BYTES && headerBytes <= MAX_HEADER_BYTES) {
        if (uint64_t{FILE_HEADER_BYTES} + headerBytes > size) return false;
        l.width = static_cast<int32_t>(read32(h + 4));
        height = static_cast<int32_t>(read32(h + 8));
        l.bitsPerPixel = read16(h + 14);
        l.compression = read32(h + 16);
        coloursUsed = read32(h + 32);
    } else {
        return false;
    }
    l.topDown = height < 0;
    if (height < 0) height = -height;
    if (l.width <= 0 || height <= 0 || l.width > BITMAP_MAX_SIDE || height > BITMAP_MAX_SIDE ||
        int64_t{l.width} * height > BITMAP_MAX_PIXELS)
        return false;
    l.height = static_cast<int32_t>(height);

    // Bit-field masks follow a Windows 3 header, or stand inside a later one.
    uint64_t headersEnd = uint64_t{FILE_HEADER_BYTES} + headerBytes;
    const bool bitFields = l.compression == BIT_FIELDS || l.compression == ALPHA_BIT_FIELDS;
    if (l.compression != UNCOMPRESSED && !bitFields) return false;  // RLE, JPEG, PNG: not read
    uint32_t masks[3] = {};
    switch (l.bitsPerPixel) {
        case 1:
        case 4:
        case 8:
            if (bitFields) return false;
            l.colours =
                coloursUsed == 0 || coloursUsed > (1u << l.bitsPerPixel) ? 1u << l.bitsPerPixel : coloursUsed;
            break;
        case 16:
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;  // 5 bits each
            break;
        case 24:
            if (bitFields) return false;
            break;
        case 32:
            masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
            break;
        default:
            return false;
    }
    if (bitFields) {
        uint64_t maskAt = uint64_t{FILE_HEADER_BYTES} + INFO_HEADER_BYTES;
        if (headerBytes < MASKS_IN_HEADER_BYTES) headersEnd += l.compression == ALPHA_BIT_FIELDS ? 16 : 12;
        if (maskAt + 12 > size || headersEnd > size) return false;
        for (int i = 0; i < 3; ++i) masks[i] = read32(bytes + maskAt + 4 * i);
    }
    if (l.bitsPerPixel >= 16 && l.bitsPerPixel != 24) {
        const uint32_t widest = l.bitsPerPixel == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (uint32_t m : masks)
            if ((m & ~widest) != 0) return false;
        if (!l.red.set(masks[0]) || !l.green.set(masks[1]) || !l.blue.set(masks[2])) return false;
    }

    l.paletteStart = static_cast<uint32_t>(headersEnd);
    if (uint64_t{l.paletteStart} + uint64_t{l.colours} * l.paletteEntryBytes > size) return false;
    // repair: an offset of 0 (some writers leave it out) means right after
    // the palette.
    l.pixelStart = pixelOffset != 0 ? pixelOffset : l.paletteStart + l.colours * l.paletteEntryBytes;
    l.rowBytes = (uint64_t{static_cast<uint32_t>(l.width)} * l.bitsPerPixel + 31) / 32 * 4;
    return uint64_t{l.pixelStart} + l.rowBytes * static_cast<uint64_t>(l.height) <= size;
}

// Index of pixel x in a row of 1, 4 or 8 bits per pixel; the leftmost pixel
// is in the highest bits of its byte.
uint32_t paletteIndex(const uint8_t* row, int32_t x, int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4:
            return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
        default:
            return row[x];
    }
}

bool decodeRow(const Layout& l, const uint32_t* palette, const uint8_t* row, uint32_t* out) {
    switch (l.bitsPerPixel) {
        case 1:
        case 4:
        case 8:
            for (int32_t x = 0; x < l.width; ++x) {
                const uint32_t index = paletteIndex(row, x, l.bitsPerPixel);
                // A pixel outside the palette has no colour: the picture is broken.
                if (index >= l.colours) return false;
                out[x] = palette[index];
            }
            return true;
        case 24:
            for (int32_t x = 0; x < l.width; ++x, row += 3)
                out[x] = uint32_t{row[2]} << 16 | uint32_t{row[1]} << 8 | row[0];
            return true;
        default:
            for (int32_t x = 0; x < l.width; ++x) {
                const uint32_t p = l.bitsPerPixel == 16 ? read16(row + 2 * x) : read32(row + 4 * x);
                out[x] = l.red.value(p) << 16 | l.green.value(p) << 8 | l.blue.value(p);
            }
            return true;
    }
}

}  // namespace

Bitmap* decodeBitmap(const uint8_t* bytes, uint32_t size) {
    if (bytes == nullptr) return nullptr;
    Layout l;
    if (!readLayout(bytes, size, l)) return nullptr;

    uint32_t palette[256] = {};
    for (uint32_t i = 0; i < l.colours; ++i) {
        const uint8_t* e = bytes + l.paletteStart + i * l.paletteEntryBytes;
        palette[i] = uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
    }

    Bitmap* b = newBitmap(l.width, l.height);
    if (b == nullptr) return nullptr;
    for (int32_t y = 0; y < l.height; ++y) {
        const uint8_t* row = bytes + l.pixelStart + l.rowBytes * static_cast<uint64_t>(y);
        const int32_t line = l.topDown ? y : l.height - 1 - y;
        if (!decodeRow(l, palette, row, b->pixels + static_cast<ptrdiff_t>(line) * l.width)) {
            freeBitmap(b);
            return nullptr;
        }
    }
    return b;
}
