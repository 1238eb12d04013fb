#pragma once
// Bitmap loading: a BMP found among the embedded resources (by id or by
// name) or, failing that, in a file of that name, decoded into true colour
// so that any surface format can be made from it.
#include <cstdint>

// Names a bitmap the way callers do: an integer resource id or a text that
// names a resource (or "#123" for id 123) and otherwise a file.
struct BitmapName {
    BitmapName(int resourceId) : id(resourceId), text(nullptr) {}
    BitmapName(const char* name) : id(0), text(name) {}

    int id;            // 0 when named by text
    const char* text;  // null when named by id
};

// A decoded bitmap: rows top-down, each pixel 0x00RRGGBB.
struct Bitmap {
    int32_t width;
    int32_t height;
    uint32_t* pixels;  // width * height values
};

// Largest side, and largest area, of a bitmap: far beyond any picture the
// card shows, and small enough that a hostile header cannot ask for more
// than 256 MiB of pixels.
constexpr int32_t BITMAP_MAX_SIDE = 16384;
constexpr int64_t BITMAP_MAX_PIXELS = int64_t{1} << 26;

// Loads the bitmap named `name`: first the embedded resource of type
// "BITMAP", then a file of that name. A non-zero width or height scales the
// bitmap to that size while loading (0 keeps the bitmap's own). Returns null
// when neither source yields a readable bitmap. Free with freeBitmap.
Bitmap* loadBitmapImage(BitmapName name, int32_t width, int32_t height);

// Decodes BMP bytes held in memory; null when they are not a readable BMP.
// Read: the Windows and OS/2 headers, 1, 4 and 8 bits per pixel through a
// palette, 16 and 32 bits with or without bit-field masks, 24 bits, rows
// bottom-up or top-down. Refused: compressed pixels (RLE, JPEG, PNG), a
// pixel whose palette entry is missing, and anything that would be read
// past the end of `bytes`.
Bitmap* decodeBitmap(const uint8_t* bytes, uint32_t size);

// A zero-filled (black) width x height bitmap; null for a size out of
// range or out of memory.
Bitmap* newBitmap(int32_t width, int32_t height);
void freeBitmap(Bitmap* bitmap);
