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

// Loads the bitmap named `name`: first the embedded resource of type
// "BITMAP", then a file of that name. A non-zero width or height scales the
// bitmap to that size while loading (0 keeps the bitmap's own). Returns null
// when neither source yields a readable bitmap. Free with freeBitmap.
Bitmap* loadBitmapImage(BitmapName name, int32_t width, int32_t height);

// Decodes BMP bytes held in memory; null when they are not a readable BMP.
Bitmap* decodeBitmap(const uint8_t* bytes, uint32_t size);

void freeBitmap(Bitmap* bitmap);
