#pragma once
// The typewriter of the card: reads the greeting one character every few
// frames, places each printable character as a glyph from the font sheet,
// and draws the writing hand so that its pen point follows the last glyph.
// Control codes in the text start a new line (10), pause (13 and a digit),
// clear the page (7) or start the text again (0); on a new line or page the
// hand glides there, sideways first, then down, and writing waits for it.
#include <cstdint>

#include "display/image_surface.h"
#include "effects/tween.h"
#include "platform/bitmap.h"

class DisplayDevice;
struct DisplayContext;

struct GlyphCell {
    int32_t x;  // top-left corner on the screen
    int32_t y;
    char ch;  // 32 to 127
};

// The writing hand's picture.
constexpr int TEXT_WRITER_HAND_BITMAP = 105;
constexpr int32_t TEXT_WRITER_HAND_WIDTH = 608;
constexpr int32_t TEXT_WRITER_HAND_HEIGHT = 560;
// Bytes of greeting the writer copies from behind the text's tag.
constexpr int32_t TEXT_WRITER_TEXT_BYTES = 1024;
constexpr int32_t TEXT_WRITER_TAG_LENGTH = 5;
constexpr int32_t TEXT_WRITER_MAX_CELLS = 2000;

// Top edge of the hand picture for a pen point at (handX, handY): 150 pixels
// above the point, shifted by a few pixels that change in steps as the hand
// moves right.
int32_t handPictureTop(int32_t handX, int32_t handY);

class TextWriter {
  public:
    TextWriter();
    virtual ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    // Loads the font sheet and the hand, builds the glyph tables (a grid of
    // columns x rows cells of glyphWidth x glyphHeight with a 1-pixel
    // gutter, characters from 32 in code order), copies the text behind its
    // 5-character tag and puts the pen at (startX, startY). A picture that
    // fails to load is simply not drawn.
    void setup(DisplayContext* directDraw, BitmapName fontBitmap, const char* greeting, int32_t glyphWidth,
               int32_t glyphHeight, int32_t columns, int32_t rows, int32_t startX, int32_t startY);

    // One frame: reads the next character when due, draws the page's glyphs,
    // moves the gliding hand and draws it. Returns true.
    bool frame(DisplayDevice& display);

    // Draws the whole hand picture with its top-left corner at (x, y) and
    // remembers (x, y) as the pen point. Returns the blit's result.
    int drawHandAt(DisplayDevice& display, int32_t x, int32_t y);

    ImageSurface fontSurface;
    ImageSurface handSurface;
    char* text = nullptr;
    int32_t glyphCount = 0;
    GlyphCell cells[TEXT_WRITER_MAX_CELLS] = {};
    int32_t readIndex = 0;
    int32_t delay = 0;
    int32_t penX = 0;
    int32_t penY = 0;
    int32_t startX = 0;
    int32_t startY = 0;
    int32_t glyphWidth = 0;
    int32_t glyphHeight = 0;
    int32_t* glyphSrcX = nullptr;
    int32_t* glyphSrcY = nullptr;
    Tween handTweenX;
    Tween handTweenY;
    int32_t typing = 0;
    int32_t handX = 0;
    int32_t handY = 0;

  private:
    void readCharacter();
    void startGlide();
    void freeTables();

    int32_t glyphTableSize_ = 0;
};
