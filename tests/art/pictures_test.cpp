// Checks of the embedded pictures as the card will read them: the BMP
// format the loader expects, and the colour-key rules of the 16-bit screen
// (black, and anything that turns into 0 in RGB565, is transparent).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "effects/text_format.h"
#include "platform/resources.h"

namespace {

uint32_t u32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t u16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

struct Rgb {
    uint8_t r, g, b;
};

// An 8-bit paletted BMP, decoded independently of the display code.
struct Picture {
    std::string error;  // empty when decoded
    int width = 0, height = 0;
    bool bottomUp = false;
    std::vector<Rgb> palette;
    std::vector<uint8_t> index;  // top row first

    Rgb at(int x, int y) const { return palette[index[size_t(y) * width + x]]; }
    uint16_t rgb565(int x, int y) const {
        Rgb c = at(x, y);
        return uint16_t((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
    }
    bool keyed(int x, int y) const { return rgb565(x, y) == 0; }
    int luma(int x, int y) const {
        Rgb c = at(x, y);
        return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
    }
};

Picture decode(const Resource& res) {
    Picture p;
    const uint8_t* b = res.bytes;
    if (!b || res.size < 54 || std::memcmp(b, "BM", 2) != 0) {
        p.error = "not a BMP";
        return p;
    }
    uint32_t offBits = u32(b + 10);
    uint32_t infoSize = u32(b + 14);
    int32_t width = int32_t(u32(b + 18));
    int32_t height = int32_t(u32(b + 22));
    if (infoSize < 40 || u16(b + 26) != 1) {
        p.error = "unexpected info header";
        return p;
    }
    if (u16(b + 28) != 8) {
        p.error = "not 8 bits per pixel";
        return p;
    }
    if (u32(b + 30) != 0) {
        p.error = "compressed";
        return p;
    }
    uint32_t colours = u32(b + 46);
    if (colours == 0) colours = 256;
    if (colours > 256 || 14 + infoSize + 4 * colours > offBits) {
        p.error = "bad palette";
        return p;
    }
    p.bottomUp = height > 0;
    p.width = width;
    p.height = height < 0 ? -height : height;
    uint64_t stride = (uint64_t(width) + 3) & ~uint64_t(3);
    if (width <= 0 || offBits + stride * p.height > res.size) {
        p.error = "pixel data truncated";
        return p;
    }
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* e = b + 14 + infoSize + 4 * i;
        p.palette.push_back({e[2], e[1], e[0]});
    }
    p.palette.resize(256, Rgb{0, 0, 0});
    p.index.resize(size_t(width) * p.height);
    for (int y = 0; y < p.height; ++y) {
        int stored = p.bottomUp ? p.height - 1 - y : y;
        std::memcpy(&p.index[size_t(y) * width], b + offBits + stride * stored, width);
    }
    return p;
}

Picture bitmap(int id) {
    return decode(findResource(id, "BITMAP"));
}

// Every colour a picture uses must be either pure black (meant as the key)
// or visible after the 16-bit conversion: a near-black like (5, 3, 7)
// would vanish on screen although it was drawn as opaque.
void expectNoHiddenColours(const Picture& p, const char* what) {
    std::array<bool, 256> used{};
    for (uint8_t i : p.index) used[i] = true;
    for (int i = 0; i < 256; ++i) {
        if (!used[i]) continue;
        Rgb c = p.palette[i];
        bool black = c.r == 0 && c.g == 0 && c.b == 0;
        bool visible = (c.r >> 3) || (c.g >> 2) || (c.b >> 3);
        EXPECT_TRUE(black || visible) << what << ": palette entry " << i << " (" << int(c.r) << ", "
                                      << int(c.g) << ", " << int(c.b) << ") turns into the key";
    }
}

int opaqueCount(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += !p.keyed(x, y);
    return n;
}

struct Expected {
    int id;
    const char* name;
    int width, height;
};

TEST(Pictures, AllAreUncompressedBottomUp8BitOfExactSize) {
    const Expected all[] = {{102, "backdrop", 640, 480}, {103, "frame", 640, 480}, {104, "palm", 475, 480},
                            {105, "hand", 608, 560},     {106, "font", 273, 562},  {107, "logo", 140, 274}};
    for (const Expected& e : all) {
        SCOPED_TRACE(e.name);
        Picture p = bitmap(e.id);
        ASSERT_EQ(p.error, "");
        EXPECT_TRUE(p.bottomUp);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
        expectNoHiddenColours(p, e.name);
        EXPECT_GT(opaqueCount(p, 0, 0, p.width, p.height), p.width * p.height / 50) << "nearly empty";
    }
}

TEST(Pictures, IconIsASmallPalettedBitmapWithAMotif) {
    Picture p = decode(findResource(101, "ICON"));
    ASSERT_EQ(p.error, "");
    EXPECT_TRUE(p.bottomUp);
    EXPECT_EQ(p.width, 32);
    EXPECT_EQ(p.height, 32);
    expectNoHiddenColours(p, "icon");
    int ink = opaqueCount(p, 0, 0, 32, 32);
    EXPECT_GT(ink, 200);
    EXPECT_LT(ink, 32 * 32) << "the icon keeps a keyed background";
}

TEST(Pictures, BackdropIsFullyOpaque) {
    Picture p = bitmap(102);
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(opaqueCount(p, 0, 0, p.width, p.height), p.width * p.height);
}

TEST(Pictures, FrameLeavesTheMiddleOpen) {
    Picture p = bitmap(103);
    ASSERT_EQ(p.error, "");
    // Everything the show needs to see, with room to spare: the writing
    // area, the pen on it and the palm's middle.
    EXPECT_EQ(opaqueCount(p, 80, 72, 560, 408), 0);
    // ... and the holly reaches all four edges.
    EXPECT_GT(opaqueCount(p, 0, 0, 640, 24), 640 * 24 / 3);
    EXPECT_GT(opaqueCount(p, 0, 456, 640, 480), 640 * 24 / 3);
    EXPECT_GT(opaqueCount(p, 0, 0, 24, 480), 480 * 24 / 3);
    EXPECT_GT(opaqueCount(p, 616, 0, 640, 480), 480 * 24 / 3);
}

TEST(Pictures, PalmIsPlainAndLightWhereTheTextGoes) {
    Picture p = bitmap(104);
    ASSERT_EQ(p.error, "");
    int darkest = 255, lightest = 0;
    for (int y = 100; y < 100 + 6 * 32 + 16; ++y)
        for (int x = 138; x < 450; ++x) {
            ASSERT_FALSE(p.keyed(x, y)) << "hole in the palm at " << x << ", " << y;
            darkest = std::min(darkest, p.luma(x, y));
            lightest = std::max(lightest, p.luma(x, y));
        }
    EXPECT_GE(darkest, 170) << "text needs a light ground";
    EXPECT_LE(lightest - darkest, 48) << "text needs a plain ground";
    // The palm slides in from the left edge: its right side is at 474.
    EXPECT_GT(opaqueCount(p, 470, 100, 475, 330), 0);
}

TEST(Pictures, WritingHandTouchesColumnZeroOnlyWithThePenTip) {
    Picture p = bitmap(105);
    ASSERT_EQ(p.error, "");
    EXPECT_FALSE(p.keyed(0, 150)) << "the pen tip";
    for (int y = 0; y < p.height; ++y) {
        if (y != 150) {
            EXPECT_TRUE(p.keyed(0, y)) << "column 0 at y " << y;
        }
    }
    // The nib continues from the tip, so the tip is not a stray pixel.
    EXPECT_GT(opaqueCount(p, 1, 145, 12, 160), 6);
    // Nothing of the hand rises above the pen point: the lines already
    // written (32 pixels up and more) always stay in view.
    EXPECT_EQ(opaqueCount(p, 0, 0, p.width, 146), 0);
}

// The font sheet's cell `index`: 16 a row, 16 x 16 pixels, 1-pixel gutters.
struct SheetCell {
    int x, y;
};
SheetCell sheetCell(int index) {
    return {1 + 17 * (index % TEXT_FONT_COLUMNS), 1 + 17 * (index / TEXT_FONT_COLUMNS)};
}

TEST(Pictures, FontSheetHasBlackGuttersAndInkInEveryGlyph) {
    Picture p = bitmap(106);
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.height, 1 + 17 * TEXT_FONT_ROWS);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; x += 17)
            EXPECT_TRUE(p.keyed(x, y)) << "gutter column at " << x << ", " << y;
    for (int y = 0; y < p.height; y += 17)
        for (int x = 0; x < p.width; ++x) EXPECT_TRUE(p.keyed(x, y)) << "gutter row at " << x << ", " << y;
    // Every character the writer draws finds ink in its cell (the spaces
    // none); a cell no character is drawn from stays blank.
    std::vector<char32_t> drawn(TEXT_GLYPH_CELLS, 0);
    for (char32_t c = 0x20; c < 0x3000; ++c)
        if (textGlyphCell(c) >= 0 && drawn[textGlyphCell(c)] == 0) drawn[textGlyphCell(c)] = c;
    for (int cell = 0; cell < TEXT_GLYPH_CELLS; ++cell) {
        const char32_t code = drawn[cell];
        SCOPED_TRACE("cell " + std::to_string(cell) + ", U+" + std::to_string(code));
        const SheetCell at = sheetCell(cell);
        int ink = opaqueCount(p, at.x, at.y, at.x + 16, at.y + 16);
        if (code == 0 || code == ' ' || code == 0xA0) {
            EXPECT_EQ(ink, 0) << "blank";
            continue;
        }
        EXPECT_GT(ink, 0) << "empty";
        // Dark ink on every glyph, but no black: black would be the key.
        int darkest = 255;
        for (int y = at.y; y < at.y + 16; ++y)
            for (int x = at.x; x < at.x + 16; ++x)
                if (!p.keyed(x, y)) darkest = std::min(darkest, p.luma(x, y));
        EXPECT_LT(darkest, 110) << "no dark ink";
    }
}

// The glyphs of two characters: 0 when the same pixels are opaque, else
// how many differ; with `colours`, any colour that differs counts too.
int glyphDifference(const Picture& p, char32_t a, char32_t b, bool colours) {
    const SheetCell ca = sheetCell(textGlyphCell(a)), cb = sheetCell(textGlyphCell(b));
    int differ = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool opaqueA = !p.keyed(ca.x + x, ca.y + y), opaqueB = !p.keyed(cb.x + x, cb.y + y);
            const bool sameColour = p.index[size_t(ca.y + y) * p.width + ca.x + x] ==
                                    p.index[size_t(cb.y + y) * p.width + cb.x + x];
            differ += opaqueA != opaqueB || (colours && !sameColour);
        }
    return differ;
}

TEST(Pictures, FontSheetKeepsItsOldCellsAndDrawsEveryScriptInOneHand) {
    Picture p = bitmap(106);
    ASSERT_EQ(p.error, "");
    // ASCII and Latin-1 (the rows above 205) are pixel for pixel as before
    // the sheet grew.
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int y = 0; y < 205; ++y)
        for (int x = 0; x < p.width; ++x) {
            const Rgb c = p.at(x, y);
            for (const uint8_t v : {c.r, c.g, c.b}) hash = (hash ^ v) * 0x100000001b3ull;
        }
    EXPECT_EQ(hash, 0x02917c056f2662a2ull);

    // Greek and Cyrillic letters drawn like Latin ones stand in the same
    // pixels: each is in its right cell, as tall, on the same baseline.
    // (The ASCII rows have a palette of their own, so only their shape is
    // compared.)
    const char32_t lookalikes[][3] = {
        {U'A', U'А', U'Α'}, {U'B', U'В', U'Β'}, {U'E', U'Е', U'Ε'}, {U'H', U'Н', U'Η'}, {U'K', U'К', U'Κ'},
        {U'M', U'М', U'Μ'}, {U'O', U'О', U'Ο'}, {U'P', U'Р', U'Ρ'}, {U'T', U'Т', U'Τ'}, {U'X', U'Х', U'Χ'},
        {U'o', U'о', U'ο'}, {U'I', U'І', U'Ι'}, {U'C', U'С', 0},    {U'S', U'Ѕ', 0},    {U'a', U'а', 0},
        {U'e', U'е', 0},    {U'p', U'р', 0},    {U'y', U'у', 0},    {U'i', U'і', 0},    {U'j', U'ј', 0},
        {U'Z', U'Ζ', 0},    {U'N', U'Ν', 0},    {U'Y', U'Υ', 0},    {U'Ë', U'Ё', 0},
    };
    for (const auto& l : lookalikes) {
        SCOPED_TRACE(std::to_string(l[0]) + " " + std::to_string(l[1]) + " " + std::to_string(l[2]));
        EXPECT_EQ(glyphDifference(p, l[0], l[1], l[0] >= 0xA0), 0);
        if (l[2] != 0) {
            EXPECT_EQ(glyphDifference(p, l[1], l[2], true), 0);
        }
    }
    // Letters that only look alike in a poor font are told apart: cedilla
    // and comma below, final and medial sigma, L and Ł, Г and Ґ.
    const char32_t apart[][2] = {{U'Ş', U'Ș'}, {U'ş', U'ș'}, {U'Ţ', U'Ț'}, {U'ţ', U'ț'},
                                 {U'ς', U'σ'}, {U'L', U'Ł'}, {U'Г', U'Ґ'}, {U'–', U'—'}};
    for (const auto& a : apart) EXPECT_GT(glyphDifference(p, a[0], a[1], false), 0) << int(a[0]);
}

TEST(Pictures, LogoStandsOnBlackWithTheNameInIt) {
    Picture p = bitmap(107);
    ASSERT_EQ(p.error, "");
    int ink = opaqueCount(p, 0, 0, p.width, p.height);
    EXPECT_GT(ink, p.width * p.height / 5);
    EXPECT_LT(ink, p.width * p.height * 3 / 4) << "the logo is cut out, not a box";
}

}  // namespace
