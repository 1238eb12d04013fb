#pragma once
// The typewriter of the card: reads a text one character every few frames,
// places each printable character as a glyph from the font sheet, and draws
// the writing hand so that its pen point follows the last glyph. Control
// codes (effects/text_format.h) start a new line, pause, clear the page or
// start the text again; on a new line or page the hand glides there,
// sideways first, then down, and writing waits for it.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "display/image_surface.h"
#include "effects/text_format.h"
#include "effects/tween.h"
#include "platform/bitmap.h"

class DisplayDevice;
struct DisplayContext;

struct GlyphCell {
    int32_t x;  // top-left corner on the screen
    int32_t y;
    char32_t ch;  // a character with a cell on the font sheet (textGlyphCell)
};

// Where a glyph lies on the font sheet (top-left corner).
struct GlyphSource {
    int32_t x;
    int32_t y;
};

// The writing hand's picture.
constexpr int TEXT_WRITER_HAND_BITMAP = 105;
constexpr int32_t TEXT_WRITER_HAND_WIDTH = 608;
constexpr int32_t TEXT_WRITER_HAND_HEIGHT = 560;
// Glyphs one page can hold; further glyphs of a page are not drawn.
constexpr int32_t TEXT_WRITER_MAX_CELLS = 2000;

// What the writer writes and with which font. The font sheet is a grid of
// columns x rows cells of glyphWidth x glyphHeight with a 1-pixel gutter,
// its cells in the order textGlyphCell gives (effects/text_format.h).
struct TextWriterConfig {
    BitmapName font;
    int32_t glyphWidth;
    int32_t glyphHeight;
    int32_t columns;
    int32_t rows;
    int32_t penStartX;  // where every page begins
    int32_t penStartY;
    // The text behind a TEXT_WRITER_TAG_LENGTH-byte tag; null writes nothing.
    const char* text;
    // The room for the text behind the tag, in bytes: the text ends at its
    // first zero byte or at the room's last byte, whichever comes first.
    int32_t textBytes = TEXT_WRITER_TEXT_BYTES;
};

// Top edge of the hand picture for a pen point at (handX, handY): 150 pixels
// above the point, shifted by a few pixels that change in steps as the hand
// moves right.
int32_t handPictureTop(int32_t handX, int32_t handY);

class TextWriter {
  public:
    TextWriter() = default;
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    // Loads the font sheet and the hand, maps the glyphs on the sheet, copies
    // the text and puts the pen at the start. Replaces any earlier set-up. A
    // picture that fails to load is simply not drawn.
    void setup(DisplayContext* directDraw, const TextWriterConfig& config);

    // Writes `text` (as TextWriterConfig's text and textBytes) from its
    // beginning, with the font and pen start of the set-up: the page is
    // cleared and the hand glides to the pen's start, as at a new page.
    void restart(const char* text, int32_t textBytes);

    // One frame: reads the next character when due, draws the page's glyphs,
    // moves the gliding hand and draws it. Returns true.
    bool frame(DisplayDevice& display);

    // Draws the whole hand picture with its top-left corner at (x, y) and
    // remembers (x, y) as the pen point. Returns the blit's result.
    bool drawHandAt(DisplayDevice& display, int32_t x, int32_t y);
    // Remembers (x, y) as the pen point without drawing: the hand is there
    // when the next frame draws it.
    void placeHand(int32_t x, int32_t y);

    // The glyphs on the page, in the order they were written.
    std::span<const GlyphCell> cells() const { return {cells_.data(), static_cast<size_t>(glyphCount_)}; }
    int32_t glyphCount() const { return glyphCount_; }
    // Where glyph `index` (textGlyphCell of its code) lies on the font
    // sheet; {-1, -1} when the sheet's grid has no such cell.
    GlyphSource glyphSource(int32_t index) const;
    // Where the next glyph goes.
    int32_t penX() const { return penX_; }
    int32_t penY() const { return penY_; }
    // The pen point of the hand as last drawn.
    int32_t handX() const { return handX_; }
    int32_t handY() const { return handY_; }
    // False while the hand glides to a new line or page.
    bool typing() const { return typing_; }
    // Frames left before the next character is read.
    int32_t delayFrames() const { return delay_; }
    // Offset in bytes behind the tag of the next character to read.
    int32_t readIndex() const { return readIndex_; }
    ImageSurface& fontSurface() { return fontSurface_; }
    ImageSurface& handSurface() { return handSurface_; }

  private:
    void copyText(const char* tagged, int32_t textBytes);
    void readCharacter();
    char32_t characterAt(int32_t index, int32_t& length) const;
    void startGlide();
    uint8_t textAt(int32_t index) const;
    void readExactPause();

    ImageSurface fontSurface_;
    ImageSurface handSurface_;
    std::vector<GlyphSource> glyphs_;  // by glyph index
    int32_t glyphWidth_ = 0;
    int32_t glyphHeight_ = 0;
    std::string text_;  // UTF-8; empty until set up; a zero byte ends it
    int32_t readIndex_ = 0;
    int32_t delay_ = 0;
    std::array<GlyphCell, TEXT_WRITER_MAX_CELLS> cells_{};
    int32_t glyphCount_ = 0;
    int32_t startX_ = 0;
    int32_t startY_ = 0;
    int32_t penX_ = 0;
    int32_t penY_ = 0;
    Tween handTweenX_;
    Tween handTweenY_;
    bool typing_ = false;
    int32_t handX_ = 0;
    int32_t handY_ = 0;
};
