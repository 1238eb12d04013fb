#include "tools/shot/image_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// ---- deflate with the fixed Huffman codes and a greedy LZ77 match ----------

class BitWriter {
  public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    // Writes the low `count` bits of `value`, least significant first.
    void bits(uint32_t value, int count) {
        buffer_ |= static_cast<uint64_t>(value) << filled_;
        filled_ += count;
        while (filled_ >= 8) {
            out_.push_back(static_cast<uint8_t>(buffer_));
            buffer_ >>= 8;
            filled_ -= 8;
        }
    }
    // Huffman codes go out most significant bit first.
    void code(uint32_t value, int count) {
        uint32_t reversed = 0;
        for (int i = 0; i < count; ++i) reversed |= ((value >> i) & 1u) << (count - 1 - i);
        bits(reversed, count);
    }
    void flush() {
        if (filled_ > 0) out_.push_back(static_cast<uint8_t>(buffer_));
        buffer_ = 0;
        filled_ = 0;
    }

  private:
    std::vector<uint8_t>& out_;
    uint64_t buffer_ = 0;
    int filled_ = 0;
};

void literalOrLength(BitWriter& w, int symbol) {
    if (symbol < 144)
        w.code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.code(symbol - 256, 7);
    else
        w.code(0xC0 + symbol - 280, 8);
}

constexpr std::array<int, 29> lengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                            31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> lengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> distanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                              33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                              1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> distanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void match(BitWriter& w, int length, int distance) {
    int l = 28;
    while (lengthBase[l] > length) --l;
    literalOrLength(w, 257 + l);
    w.bits(static_cast<uint32_t>(length - lengthBase[l]), lengthExtra[l]);
    int d = 29;
    while (distanceBase[d] > distance) --d;
    w.code(static_cast<uint32_t>(d), 5);
    w.bits(static_cast<uint32_t>(distance - distanceBase[d]), distanceExtra[d]);
}

// One fixed-code block; matches are searched along a short chain of earlier
// places with the same 3 bytes, which is plenty for screen pictures.
void deflateFixed(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
    constexpr size_t kWindow = 32768;
    constexpr size_t kMaxMatch = 258;
    constexpr int kHashBits = 15;
    constexpr int kChain = 48;
    std::vector<int64_t> head(1u << kHashBits, -1);
    std::vector<int64_t> previous(kWindow, -1);  // earlier place with the same hash, by position mod window
    auto hash = [&](size_t i) {
        const uint32_t v = data[i] | data[i + 1] << 8 | data[i + 2] << 16;
        return (v * 2654435761u) >> (32 - kHashBits);
    };
    const size_t n = data.size();
    auto remember = [&](size_t i) {
        if (i + 3 > n) return;
        const uint32_t h = hash(i);
        previous[i % kWindow] = head[h];
        head[h] = static_cast<int64_t>(i);
    };

    BitWriter w(out);
    w.bits(1, 1);  // final block
    w.bits(1, 2);  // fixed Huffman codes
    size_t i = 0;
    while (i < n) {
        size_t best = 0;
        size_t distance = 0;
        if (i + 3 <= n) {
            const size_t limit = std::min(kMaxMatch, n - i);
            int64_t candidate = head[hash(i)];
            for (int tries = 0;
                 tries < kChain && candidate >= 0 && i - static_cast<size_t>(candidate) <= kWindow; ++tries) {
                const size_t c = static_cast<size_t>(candidate);
                size_t len = 0;
                while (len < limit && data[c + len] == data[i + len]) ++len;
                if (len > best) {
                    best = len;
                    distance = i - c;
                    if (len == limit) break;
                }
                candidate = previous[c % kWindow];
            }
        }
        if (best >= 3) {
            match(w, static_cast<int>(best), static_cast<int>(distance));
            for (size_t k = i; k < i + best; ++k) remember(k);
            i += best;
        } else {
            remember(i);
            literalOrLength(w, data[i]);
            ++i;
        }
    }
    literalOrLength(w, 256);  // end of block
    w.flush();
}

// The PNG filter that makes a row most compressible by the usual rule of
// thumb: the least sum of the filtered bytes taken as signed values.
void filterRow(const uint8_t* row, const uint8_t* above, size_t bytes, std::vector<uint8_t>& raw,
               std::vector<uint8_t>& trial) {
    constexpr size_t bpp = 3;
    auto paeth = [](int a, int b, int c) {
        const int p = a + b - c;
        const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    uint64_t bestCost = UINT64_MAX;
    size_t bestStart = raw.size();
    for (uint8_t type = 0; type < 5; ++type) {
        trial.clear();
        trial.push_back(type);
        uint64_t cost = 0;
        for (size_t x = 0; x < bytes; ++x) {
            const int a = x >= bpp ? row[x - bpp] : 0;
            const int b = above ? above[x] : 0;
            const int c = above && x >= bpp ? above[x - bpp] : 0;
            int predicted = 0;
            switch (type) {
                case 1:
                    predicted = a;
                    break;
                case 2:
                    predicted = b;
                    break;
                case 3:
                    predicted = (a + b) / 2;
                    break;
                case 4:
                    predicted = paeth(a, b, c);
                    break;
                default:
                    break;
            }
            const uint8_t v = static_cast<uint8_t>(row[x] - predicted);
            trial.push_back(v);
            cost += static_cast<uint64_t>(std::abs(static_cast<int8_t>(v)));
        }
        if (cost < bestCost) {
            bestCost = cost;
            raw.resize(bestStart);
            raw.insert(raw.end(), trial.begin(), trial.end());
        }
    }
}

// ---- PNG container ----------------------------------------------------------

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t v : data) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void putBigEndian(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void chunk(std::vector<uint8_t>& file, const char type[4], const std::vector<uint8_t>& body) {
    putBigEndian(file, static_cast<uint32_t>(body.size()));
    const size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), body.begin(), body.end());
    putBigEndian(file, crc32(file.data() + start, file.size() - start));
}

void putLittleEndian(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool validImage(const RgbImage& image, std::string& error) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
        error = "picture has no pixels or the wrong number of them";
        return false;
    }
    return true;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int writeErrno = errno;
    // A failed close (a full disk, say) loses the data as surely as a failed write.
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    if (!validImage(image, error)) return false;
    // Each row is preceded by the filter chosen for it.
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    std::vector<uint8_t> raw;
    std::vector<uint8_t> trial;
    raw.reserve((rowBytes + 1) * static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.rgb.data() + rowBytes * static_cast<size_t>(y);
        filterRow(row, y > 0 ? row - rowBytes : nullptr, rowBytes, raw, trial);
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    deflateFixed(raw, zlib);
    putBigEndian(zlib, adler32(raw));

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(image.width));
    putBigEndian(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter set, no interlace
    chunk(file, "IHDR", header);
    chunk(file, "IDAT", zlib);
    chunk(file, "IEND", {});
    return writeFile(path, file, error);
}

bool writeBmp(const std::string& path, const RgbImage& image, std::string& error) {
    if (!validImage(image, error)) return false;
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> file;
    file.reserve(54 + pixelBytes);
    file.push_back('B');
    file.push_back('M');
    putLittleEndian(file, 54 + pixelBytes, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 54, 4);  // offset of the pixels
    putLittleEndian(file, 40, 4);  // BITMAPINFOHEADER
    putLittleEndian(file, static_cast<uint32_t>(image.width), 4);
    putLittleEndian(file, static_cast<uint32_t>(image.height), 4);  // positive: bottom-up rows
    putLittleEndian(file, 1, 2);
    putLittleEndian(file, 24, 2);
    putLittleEndian(file, 0, 4);  // uncompressed
    putLittleEndian(file, pixelBytes, 4);
    putLittleEndian(file, 2835, 4);  // 72 dots per inch
    putLittleEndian(file, 2835, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 0, 4);
    for (int32_t y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = image.rgb.data() + static_cast<size_t>(y) * image.width * 3;
        for (int32_t x = 0; x < image.width; ++x) {
            file.push_back(row[3 * x + 2]);
            file.push_back(row[3 * x + 1]);
            file.push_back(row[3 * x]);
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < rowBytes; ++pad) file.push_back(0);
    }
    return writeFile(path, file, error);
}
