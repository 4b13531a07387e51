// Resources compiled into the plug-ins: the editors' about picture (bitmap 129).
#pragma once

namespace mirelow::resources {

inline constexpr int kAboutBitmapId = 129;
inline constexpr int kAboutWidth = 440;
inline constexpr int kAboutHeight = 370;

// 24-bit picture: rows top to bottom, 3 bytes (red, green, blue) per pixel, no padding.
struct BitmapResource {
    int width;
    int height;
    const unsigned char* rgb;
};

// The bitmap resource `id`, made on first use; null for an id the module does not carry.
// GUI thread.
const BitmapResource* findBitmap(int id);

} // namespace mirelow::resources
