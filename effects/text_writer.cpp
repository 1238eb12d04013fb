#include "effects/text_writer.h"

#include <string.h>  // strnlen

#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#include "display/display_device.h"

namespace {

// Bits 0x3C20D97B: 3.1415925 / 320 as a float. The hand's step pattern
// (k = 1 from x 102, 2 from 204, ...) depends on this exact value.
constexpr float handStepFactor = 0.0098174764f;
static_assert(std::bit_cast<uint32_t>(handStepFactor) == 0x3C20D97Bu);

constexpr char LINE_FEED = 10;
constexpr char PAUSE = 13;
constexpr char PAGE_BREAK = 7;
constexpr char END_OF_TEXT = 0;

constexpr int32_t GLYPH_DELAY = 3;
constexpr int32_t PAUSE_FRAMES_PER_DIGIT = 100;
constexpr float GLIDE_FRAMES = 20.0f;

}  // namespace

int32_t handPictureTop(int32_t handX, int32_t handY) {
    const int32_t k = static_cast<int32_t>(static_cast<double>(handX) * handStepFactor);
    const int32_t a = 160 * k;
    return static_cast<int32_t>(std::sin(static_cast<double>(a)) * 10.0 + handY) - 150;
}

TextWriter::TextWriter() = default;

TextWriter::~TextWriter() {
    freeTables();
    fontSurface.release();
    handSurface.release();
    delete[] text;
    text = nullptr;
}

void TextWriter::freeTables() {
    delete[] glyphSrcX;
    delete[] glyphSrcY;
    glyphSrcX = nullptr;
    glyphSrcY = nullptr;
    glyphTableSize_ = 0;
}

void TextWriter::setup(DisplayContext* directDraw, BitmapName fontBitmap, const char* greeting,
                       int32_t glyphW, int32_t glyphH, int32_t columns, int32_t rows, int32_t x, int32_t y) {
    glyphWidth = glyphW;
    glyphHeight = glyphH;

    fontSurface.createFromBitmap(directDraw, fontBitmap, DDSCAPS_VIDEOMEMORY);
    handSurface.create(directDraw, TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT, DDSCAPS_SYSTEMMEMORY);
    handSurface.loadBitmap(TEXT_WRITER_HAND_BITMAP, 0, 0);

    // safety: a second set-up replaces the tables and the text instead of
    // leaking them.
    freeTables();
    const int32_t entries = columns > 0 && rows > 0 ? columns * rows : 0;
    if (entries > 0) {
        glyphSrcX = new (std::nothrow) int32_t[static_cast<size_t>(entries)];
        glyphSrcY = new (std::nothrow) int32_t[static_cast<size_t>(entries)];
        if (glyphSrcX && glyphSrcY) {
            glyphTableSize_ = entries;
            for (int32_t r = 0; r < rows; ++r)
                for (int32_t c = 0; c < columns; ++c) {
                    glyphSrcX[r * columns + c] = 1 + c * (glyphW + 1);
                    glyphSrcY[r * columns + c] = 1 + r * (glyphH + 1);
                }
        } else {
            freeTables();
        }
    }

    delete[] text;
    text = new (std::nothrow) char[TEXT_WRITER_TEXT_BYTES]();
    // safety: only the text up to its terminator is copied (the rest stays
    // zero, as the padded constant has it), so a shorter constant is never
    // read past its end; the last byte always ends the text.
    if (text && greeting && strnlen(greeting, TEXT_WRITER_TAG_LENGTH) == TEXT_WRITER_TAG_LENGTH) {
        const char* body = greeting + TEXT_WRITER_TAG_LENGTH;
        std::memcpy(text, body, strnlen(body, TEXT_WRITER_TEXT_BYTES - 1));
    }

    penX = startX = x;
    penY = startY = y;
    readIndex = 0;
    glyphCount = 0;
    delay = 0;
    typing = 1;
}

void TextWriter::startGlide() {
    typing = 0;
    handTweenX.set(static_cast<float>(handX), static_cast<float>(penX), GLIDE_FRAMES);
    handTweenY.set(static_cast<float>(handY), static_cast<float>(penY), GLIDE_FRAMES);
}

void TextWriter::readCharacter() {
    // safety: without a text (set-up not run or out of memory) there is
    // nothing to read; past the copy counts as its end.
    if (!text) return;
    // Read as a signed byte: codes above 127 are negative and ignored.
    const int c =
        readIndex < TEXT_WRITER_TEXT_BYTES ? static_cast<signed char>(text[readIndex]) : END_OF_TEXT;
    ++readIndex;

    if (c >= 32) {
        if (glyphCount < TEXT_WRITER_MAX_CELLS) {
            cells[glyphCount] = GlyphCell{penX, penY, static_cast<char>(c)};
            ++glyphCount;
        }
        handX = penX;
        handY = penY;
        penX += glyphWidth;
        delay += GLYPH_DELAY;
        return;
    }
    switch (c) {
        case LINE_FEED:
            penX = startX;
            penY += 2 * glyphHeight;
            delay += GLYPH_DELAY;
            startGlide();
            break;
        case PAUSE: {
            const char digit = readIndex < TEXT_WRITER_TEXT_BYTES ? text[readIndex] : END_OF_TEXT;
            if (digit >= '0' && digit <= '9') delay += (digit - '0') * PAUSE_FRAMES_PER_DIGIT;
            // safety: a pause right before the end of the text leaves the end to
            // be read, so reading never runs past the terminator.
            if (digit != END_OF_TEXT) ++readIndex;
            break;
        }
        case PAGE_BREAK:
            glyphCount = 0;
            penX = startX;
            penY = startY;
            startGlide();
            break;
        case END_OF_TEXT:
            readIndex = 0;
            glyphCount = 0;
            penX = startX;
            penY = startY;
            break;
        default:
            break;  // other control codes are consumed without effect
    }
}

bool TextWriter::frame(DisplayDevice& display) {
    if (typing == 1) {
        if (delay > 0)
            --delay;
        else
            readCharacter();
    }

    for (int32_t i = 0; i < glyphCount; ++i) {
        const GlyphCell& cell = cells[i];
        const int32_t g = cell.ch - 32;
        // safety: a font grid of fewer than 96 cells has no glyph for the
        // higher codes; those are left out rather than read past the table.
        if (g >= glyphTableSize_) continue;
        fontSurface.blit(display, cell.x, cell.y, glyphWidth, glyphHeight, glyphSrcX[g], glyphSrcY[g],
                         glyphWidth, glyphHeight);
    }

    if (typing == 0) {
        // The downward glide only runs once the sideways one has finished.
        const bool arrived = handTweenX.advance(1.0f) && handTweenY.advance(1.0f);
        if (arrived) {
            typing = 1;
        } else {
            handX = static_cast<int32_t>(handTweenX.value);
            handY = static_cast<int32_t>(handTweenY.value);
        }
    }

    handSurface.blit(display, handX, handPictureTop(handX, handY), TEXT_WRITER_HAND_WIDTH,
                     TEXT_WRITER_HAND_HEIGHT, 0, 0, TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT);
    return true;
}

int TextWriter::drawHandAt(DisplayDevice& display, int32_t x, int32_t y) {
    handX = x;
    handY = y;
    return handSurface.blit(display, x, y, TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT, 0, 0,
                            TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT);
}
