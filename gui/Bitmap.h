// A 32-bit pixel buffer (0xAARRGGBB, straight alpha), the one picture type of the widget
// library: skins are drawn into bitmaps, widgets compose them into the window's bitmap.
// Single-threaded: the UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace frakle::gui {

struct TBitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // row-major, width × height

    TBitmap() = default;
    TBitmap(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}

    bool contains(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    uint32_t &at(int32_t x, int32_t y) {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    uint32_t at(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return Argb(255, r, g, b); }

// One image of an image list: a single picture, or a filmstrip of `frames` equal frames side by
// side (frame width = bitmap width / frames).
struct TImage {
    TBitmap bitmap;
    int32_t frames = 1;
    int32_t frameWidth() const { return frames > 0 ? bitmap.width / frames : bitmap.width; }
};

struct TImageList {
    std::vector<TImage> images;
};

} // namespace frakle::gui
