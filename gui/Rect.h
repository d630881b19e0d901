// Integer rectangles, sizes and float points for the painter and the widgets.
#pragma once

#include <algorithm>
#include <cstdint>

namespace frakle::gui {

struct TPointF {
    float x = 0.0f;
    float y = 0.0f;
};

struct TSize {
    int32_t w = 0;
    int32_t h = 0;
    bool operator==(const TSize &) const = default;
};

// A rectangle of whole pixels: columns x … x + w - 1, rows y … y + h - 1.
struct TRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;

    int32_t right() const { return x + w; }  // one past the last column
    int32_t bottom() const { return y + h; } // one past the last row
    bool isEmpty() const { return w <= 0 || h <= 0; }
    bool contains(int32_t px, int32_t py) const {
        return px >= x && py >= y && px < right() && py < bottom();
    }
    bool contains(const TRect &r) const {
        return !r.isEmpty() && r.x >= x && r.y >= y && r.right() <= right() &&
               r.bottom() <= bottom();
    }
    bool intersects(const TRect &r) const { return !intersected(r).isEmpty(); }
    // The common part; an empty rectangle (w or h 0) when they do not overlap.
    TRect intersected(const TRect &r) const {
        const int32_t l = std::max(x, r.x);
        const int32_t t = std::max(y, r.y);
        const int32_t rr = std::min(right(), r.right());
        const int32_t b = std::min(bottom(), r.bottom());
        if (rr <= l || b <= t) {
            return {l, t, 0, 0};
        }
        return {l, t, rr - l, b - t};
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    TRect united(const TRect &r) const {
        if (r.isEmpty()) {
            return *this;
        }
        if (isEmpty()) {
            return r;
        }
        const int32_t l = std::min(x, r.x);
        const int32_t t = std::min(y, r.y);
        return {l, t, std::max(right(), r.right()) - l, std::max(bottom(), r.bottom()) - t};
    }
    TRect translated(int32_t dx, int32_t dy) const { return {x + dx, y + dy, w, h}; }
    TRect inset(int32_t d) const { return {x + d, y + d, w - 2 * d, h - 2 * d}; }
    bool operator==(const TRect &) const = default;
};

} // namespace frakle::gui
