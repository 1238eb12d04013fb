#include "effects/text_writer.h"

#include <string.h>  // strnlen

#include <cmath>
#include <cstring>

#include "base/utf8.h"
#include "display/display_device.h"

namespace {

// Bits 0x3C20D97B: 3.1415925 / 320 as a float. The hand's step pattern
// (k = 1 from x 102, 2 from 204, ...) depends on this exact value.
constexpr float handStepFactor = 0.0098174764f;
static_assert(__builtin_bit_cast(uint32_t, handStepFactor) == 0x3C20D97Bu);

constexpr int32_t GLYPH_DELAY = 3;
constexpr float GLIDE_FRAMES = 20.0f;
// Far more cells than the font sheet has; keeps a silly grid from asking
// for gigabytes.
constexpr int64_t MAX_GRID_CELLS = 1 << 16;

}  // namespace

int32_t handPictureTop(int32_t handX, int32_t handY) {
    const int32_t k = static_cast<int32_t>(static_cast<double>(handX) * handStepFactor);
    const int32_t a = 160 * k;
    return static_cast<int32_t>(std::sin(static_cast<double>(a)) * 10.0 + handY) - 150;
}

void TextWriter::setup(DisplayContext* directDraw, const TextWriterConfig& config) {
    glyphWidth_ = config.glyphWidth;
    glyphHeight_ = config.glyphHeight;

    fontSurface_.createFromBitmap(directDraw, config.font, DDSCAPS_VIDEOMEMORY);
    handSurface_.create(directDraw, TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT, DDSCAPS_SYSTEMMEMORY);
    handSurface_.loadBitmap(TEXT_WRITER_HAND_BITMAP, 0, 0);

    glyphs_.clear();
    const int64_t cellCount =
        config.columns > 0 && config.rows > 0 ? int64_t{config.columns} * config.rows : 0;
    if (cellCount > 0 && cellCount <= MAX_GRID_CELLS) {
        glyphs_.reserve(static_cast<size_t>(cellCount));
        for (int32_t r = 0; r < config.rows; ++r)
            for (int32_t c = 0; c < config.columns; ++c)
                glyphs_.push_back(GlyphSource{1 + c * (glyphWidth_ + 1), 1 + r * (glyphHeight_ + 1)});
    }

    copyText(config.text, config.textBytes);
    penX_ = startX_ = config.penStartX;
    penY_ = startY_ = config.penStartY;
    readIndex_ = 0;
    glyphCount_ = 0;
    delay_ = 0;
    typing_ = true;
}

void TextWriter::copyText(const char* tagged, int32_t textBytes) {
    text_.assign(static_cast<size_t>(textBytes > 0 ? textBytes : 0), TEXT_END);
    // safety: only the text up to its terminator is copied (the rest stays
    // zero, as the padded constant has it), so a shorter constant is never
    // read past its end; the last byte always ends the text.
    if (!text_.empty() && tagged &&
        strnlen(tagged, TEXT_WRITER_TAG_LENGTH) == static_cast<size_t>(TEXT_WRITER_TAG_LENGTH)) {
        const char* body = tagged + TEXT_WRITER_TAG_LENGTH;
        std::memcpy(text_.data(), body, strnlen(body, text_.size() - 1));
    }
}

void TextWriter::restart(const char* text, int32_t textBytes) {
    copyText(text, textBytes);
    // As at a new page: the page cleared, the hand glides back to where
    // every page begins and writes from there.
    readIndex_ = 0;
    glyphCount_ = 0;
    delay_ = 0;
    penX_ = startX_;
    penY_ = startY_;
    startGlide();
}

GlyphSource TextWriter::glyphSource(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= glyphs_.size()) return GlyphSource{-1, -1};
    return glyphs_[static_cast<size_t>(index)];
}

uint8_t TextWriter::textAt(int32_t index) const {
    // Past the copy counts as its end.
    return static_cast<size_t>(index) < text_.size() ? static_cast<uint8_t>(text_[static_cast<size_t>(index)])
                                                     : TEXT_END;
}

// The character at `index` and its length in bytes. A byte that begins no
// well-formed character (a text cut inside one, say) is read alone, as the
// replacement character, which has no glyph.
char32_t TextWriter::characterAt(int32_t index, int32_t& length) const {
    length = 1;
    if (static_cast<size_t>(index) >= text_.size()) return TEXT_END;
    char32_t c = 0;
    size_t bytes = 1;
    if (decodeUtf8(text_, static_cast<size_t>(index), c, bytes) != Utf8::Valid) return U'\uFFFD';
    length = static_cast<int32_t>(bytes);
    return c;
}

void TextWriter::startGlide() {
    typing_ = false;
    handTweenX_.set(static_cast<float>(handX_), static_cast<float>(penX_), GLIDE_FRAMES);
    handTweenY_.set(static_cast<float>(handY_), static_cast<float>(penY_), GLIDE_FRAMES);
}

void TextWriter::readCharacter() {
    // safety: without a text (set-up not run) there is nothing to read.
    if (text_.empty()) return;
    int32_t length = 1;
    const char32_t c = characterAt(readIndex_, length);
    readIndex_ += length;

    if (textGlyphCell(c) >= 0) {
        if (glyphCount_ < TEXT_WRITER_MAX_CELLS) {
            cells_[static_cast<size_t>(glyphCount_)] = GlyphCell{penX_, penY_, c};
            ++glyphCount_;
        }
        handX_ = penX_;
        handY_ = penY_;
        penX_ += glyphWidth_;
        delay_ += GLYPH_DELAY;
        return;
    }
    switch (c) {
        case TEXT_LINE_FEED:
            penX_ = startX_;
            penY_ += 2 * glyphHeight_;
            delay_ += GLYPH_DELAY;
            startGlide();
            break;
        case TEXT_PAUSE: {
            const uint8_t digit = textAt(readIndex_);
            if (digit >= '0' && digit <= '9') delay_ += (digit - '0') * TEXT_PAUSE_FRAMES_PER_DIGIT;
            // safety: a pause right before the end of the text leaves the end to
            // be read, so reading never runs past the terminator.
            if (digit != TEXT_END) ++readIndex_;
            break;
        }
        case TEXT_PAUSE_EXACT:
            readExactPause();
            break;
        case TEXT_PAGE_BREAK:
            glyphCount_ = 0;
            penX_ = startX_;
            penY_ = startY_;
            startGlide();
            break;
        case TEXT_END:
            readIndex_ = 0;
            glyphCount_ = 0;
            penX_ = startX_;
            penY_ = startY_;
            break;
        default:
            break;  // other codes and characters are consumed without effect
    }
}

void TextWriter::readExactPause() {
    // Up to four digits. A digit missing (a text cut short) ends the number
    // there: the byte found instead is read as usual, so the end of the
    // text, or a glyph, is never swallowed.
    int32_t frames = 0;
    for (int32_t i = 0; i < TEXT_PAUSE_EXACT_DIGITS; ++i) {
        const uint8_t digit = textAt(readIndex_);
        if (digit < '0' || digit > '9') break;
        frames = frames * 10 + (digit - '0');
        ++readIndex_;
    }
    delay_ += frames;
}

bool TextWriter::frame(DisplayDevice& display) {
    if (typing_) {
        if (delay_ > 0)
            --delay_;
        else
            readCharacter();
    }

    for (const GlyphCell& cell : cells()) {
        // safety: a font grid of fewer cells than there are glyphs (the
        // ASCII rows alone, say) has no picture for the higher codes; those
        // are left out rather than read past the table.
        const GlyphSource source = glyphSource(textGlyphCell(cell.ch));
        if (source.x < 0) continue;
        fontSurface_.blit(display, cell.x, cell.y, glyphWidth_, glyphHeight_, source.x, source.y, glyphWidth_,
                          glyphHeight_);
    }

    if (!typing_) {
        // The downward glide only runs once the sideways one has finished.
        const bool arrived = handTweenX_.advance(1.0f) && handTweenY_.advance(1.0f);
        if (arrived) {
            typing_ = true;
        } else {
            handX_ = static_cast<int32_t>(handTweenX_.value);
            handY_ = static_cast<int32_t>(handTweenY_.value);
        }
    }

    handSurface_.blit(display, handX_, handPictureTop(handX_, handY_), TEXT_WRITER_HAND_WIDTH,
                      TEXT_WRITER_HAND_HEIGHT, 0, 0, TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT);
    return true;
}

void TextWriter::placeHand(int32_t x, int32_t y) {
    handX_ = x;
    handY_ = y;
}

bool TextWriter::drawHandAt(DisplayDevice& display, int32_t x, int32_t y) {
    placeHand(x, y);
    return handSurface_.blit(display, x, y, TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT, 0, 0,
                             TEXT_WRITER_HAND_WIDTH, TEXT_WRITER_HAND_HEIGHT) != 0;
}
